// Opening the station database and loading every table's snapshot, next to a bare SQLite
// SELECT * of the same tables (reading every cell), in the same run.

#include "BenchSupport.h"
#include "CDB.h"
#include "Recordset.h"

#include <QCoreApplication>

#include <sqlite3.h>

#include <cstdio>

namespace
{

const char* const kStatements[] = {"select * from STU_Main order by STU_ID",
                                   "select * from STU_ObjectData order by STU_ID",
                                   "select * from STU_Card order by STUID", "Code03Dict", "prjzb"};

void bareSelectAll(const QByteArray& path)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (const char* s : kStatements) {
        const QByteArray sql =
            QByteArray(s).contains(' ') ? QByteArray(s) : QByteArray("select * from ") + s;
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
        volatile long long sink = 0;
        while (sqlite3_step(st) == SQLITE_ROW)
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                if (sqlite3_column_type(st, c) == SQLITE_TEXT)
                    sink = sink + sqlite3_column_bytes(st, c);
                else
                    sink = sink + sqlite3_column_int64(st, c);
            }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_open DATABASE\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    int rows = 0;
    const double ours = bench::medianMs(5, [&] {
        CDB db;
        if (!db.open(path))
            return;
        db.CreateCardTable();
        rows = 0;
        for (const char* s : kStatements) {
            store::Recordset rs;
            rs.open(db.database(), QString::fromLatin1(s));
            rows += rs.recordCount();
        }
        db.close();
    });
    const double reference = bench::medianMs(5, [&] { bareSelectAll(path.toLocal8Bit()); });
    std::printf("== open the database and load every table (%d rows)\n", rows);
    bench::printRow("CDB::open + snapshots of all tables", ours, reference, "bare SQLite SELECT *");
    return 0;
}
