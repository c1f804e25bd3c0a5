// The station on a PostgreSQL server over loopback next to the same on a database file, in the
// same run: one collection tick of 10,000 and of 1,000 records, and 10,000 pupils inserted as
// the student import inserts them. The server is a throw-away one of its own;
// without PostgreSQL's server binaries the server figures are skipped with a line saying so.

#include "Batch.h"
#include "BenchSupport.h"
#include "CCard.h"
#include "CDB.h"
#include "CItemInfo.h"
#include "CStudent.h"
#include "CValue.h"
#include "CollectTick.h"
#include "CollectorRecord.h"
#include "Database.h"
#include "ListView.h"
#include "NewDatabase.h"
#include "ServerAddress.h"
#include "SqlConnection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

namespace
{

constexpr int kPupils = 5000;

bool serverScript(const QString& action, const QString& state)
{
    QProcess p;
    p.start(QStringLiteral(SORVIK_PG_SCRIPT), {action, state});
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QByteArray makeFeed(const QStringList& numbers, int count)
{
    QRandomGenerator random(7);
    QByteArray feed;
    for (int i = 0; i < count; ++i)
        feed += sorvik::collector::makeRecord(
            numbers.at(int(random.bounded(quint32(numbers.size())))).toLatin1(), 1,
            QByteArray::number(random.bounded(100, 99999)));
    return feed;
}

struct Figures {
    double tick10000 = 0;
    double tick1000 = 0;
    double import10000 = 0;
};

// path: a database file or a connection file, with kPupils demo pupils already.
Figures measure(const QString& path)
{
    Figures f;
    CDB db;
    if (!db.open(path) || !db.CreateCardTable()) {
        std::fprintf(stderr, "cannot open %s\n", qUtf8Printable(path));
        std::exit(2);
    }
    QStringList numbers;
    for (const QVariant& v :
         db.database()->connection().query(QStringLiteral("SELECT StuNo FROM STU_Main")).cells)
        numbers << v.toString();
    CStudent student(db);
    CValue value(db);
    CItemInfo item(db);
    CCard card(db);
    const CollectStores stores{&student, &value, &item, &card};
    for (int records : {10000, 1000}) {
        const QByteArray feed = makeFeed(numbers, records);
        const double ms = bench::medianMs(3, [&] {
            platform::MemoryListView list;
            CollectTick tick(list, [] { return true; });
            tick.setStores(db, stores);
            tick.handleFeed(feed, true);
        });
        (records == 10000 ? f.tick10000 : f.tick1000) = ms;
    }
    QElapsedTimer t;
    t.start();
    // In runs of 250 whose writes are queued, as the student import's batches are.
    for (int i = 0; i < 10000;) {
        store::Batch batch(db, store::Batch::Options{-1, true, true});
        for (int k = 0; k < 250; ++k, ++i)
            student.InsertStu(QStringLiteral("导入%1").arg(i), 11, 900 + i / 40,
                              QStringLiteral("一(1)班"), QStringLiteral("男"), QDate(2015, 1, 1), 1,
                              QStringLiteral("IMP%1").arg(i), QString(), QString());
    }
    f.import10000 = t.nsecsElapsed() / 1e6;
    db.close();
    return f;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("school.mdb"));
    QString error = store::createDatabase(file);
    if (error.isEmpty())
        error = store::addDemoPupils(file, kPupils);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(error));
        return 2;
    }
    const Figures onFile = measure(file);

    const QString state = dir.filePath(QStringLiteral("server"));
    std::printf("== the station on a PostgreSQL server over loopback (%d pupils) next to a file\n",
                kPupils);
    if (!serverScript(QStringLiteral("start"), state)) {
        std::printf("PostgreSQL parts skipped: no PostgreSQL server binaries could be started\n");
        return 0;
    }
    QFile urlFile(state + QStringLiteral("/url"));
    urlFile.open(QIODevice::ReadOnly);
    const QString address = QString::fromUtf8(urlFile.readAll()).trimmed();
    const QString connection = dir.filePath(QStringLiteral("server.mdb"));
    error = store::writeConnectionFile(connection, address);
    if (error.isEmpty())
        error = store::createDatabase(address);
    if (error.isEmpty())
        error = store::addDemoPupils(connection, kPupils);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(error));
        serverScript(QStringLiteral("stop"), state);
        return 2;
    }
    const Figures onServer = measure(connection);
    serverScript(QStringLiteral("stop"), state);
    bench::printRow("tick of 10,000 records on the server", onServer.tick10000, onFile.tick10000,
                    "on a file");
    bench::printRow("tick of 1,000 records on the server", onServer.tick1000, onFile.tick1000,
                    "on a file");
    bench::printRow("10,000 pupils imported on the server", onServer.import10000,
                    onFile.import10000, "on a file");
    std::printf("target: the tick within 3x of the file and under 150 ms for 1,000 records: %s\n",
                onServer.tick10000 <= 3 * onFile.tick10000 && onServer.tick1000 < 150 ? "met"
                                                                                      : "not met");
    return 0;
}
