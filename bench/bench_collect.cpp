// One collection tick of 10,000 records (found pupils, unknown pupils and pupils without a row
// for the item), by student number and by card number, next to the same work done with bare
// prepared SQLite statements in the same run. Also one tick of 1,000 records into the main
// window's list, shown on the offscreen platform, and the journal that keeps every record as it
// arrives, next to the tick that handles them.

#include "BenchSupport.h"
#include "CCard.h"
#include "CDB.h"
#include "CItemInfo.h"
#include "CStudent.h"
#include "CValue.h"
#include "CollectJournal.h"
#include "CollectTick.h"
#include "CollectorRecord.h"
#include "ListView.h"
#include "ReportList.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

namespace
{

constexpr int kRecords = 10000;

struct Pupil {
    QByteArray stuNo;
    QByteArray card;
    QList<int> items;
};

sqlite3* openBare(const QByteArray& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s\n", path.constData());
        std::exit(2);
    }
    sqlite3_busy_timeout(db, 5000);
    return db;
}

sqlite3_stmt* prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, sqlite3_errmsg(db));
        std::exit(2);
    }
    return st;
}

QString text(sqlite3_stmt* st, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, column)),
                             sqlite3_column_bytes(st, column));
}

std::vector<Pupil> loadPupils(sqlite3* db)
{
    std::vector<Pupil> pupils;
    QHash<qint64, size_t> at;
    sqlite3_stmt* st = prepare(db, "SELECT m.STU_ID, m.StuNo, c.CardNO FROM STU_Main m "
                                   "JOIN Stu_card c ON c.StuID = m.STU_ID ORDER BY m.STU_ID");
    while (sqlite3_step(st) == SQLITE_ROW) {
        at.insert(sqlite3_column_int64(st, 0), pupils.size());
        pupils.push_back({text(st, 1).toLatin1(), text(st, 2).toLatin1(), {}});
    }
    sqlite3_finalize(st);
    st = prepare(db, "SELECT STU_ID, Object_ID FROM STU_ObjectData");
    while (sqlite3_step(st) == SQLITE_ROW)
        if (auto it = at.find(sqlite3_column_int64(st, 0)); it != at.end())
            pupils[*it].items.append(sqlite3_column_int(st, 1));
    sqlite3_finalize(st);
    return pupils;
}

// 80 % found pupils with an item they have a row for, 10 % unknown pupils, 10 % pupils with an
// item they have no row for; item 06 values among them.
QByteArray makeFeed(const std::vector<Pupil>& pupils, bool byCard, int count, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray feed;
    for (int i = 0; i < count; ++i) {
        const Pupil& p = pupils[random.bounded(quint32(pupils.size()))];
        const QByteArray id = byCard ? p.card : p.stuNo;
        const int kind = random.bounded(10);
        const QByteArray value = QByteArray::number(random.bounded(100, 99999));
        if (kind == 0) {
            feed += sorvik::collector::makeRecord("X" + QByteArray::number(i), 1, value);
        } else if (kind == 1) {
            int item = 3;
            while (p.items.contains(item))
                ++item;
            feed += sorvik::collector::makeRecord(id, item, value);
        } else {
            const int item =
                p.items.isEmpty() ? 1 : p.items.at(random.bounded(int(p.items.size())));
            feed += sorvik::collector::makeRecord(id, item, value);
        }
    }
    return feed;
}

struct ReferenceRow {
    std::string cells[5];
};

// The same tick with bare statements: cut the records, look the item up, find the pupil by
// its indexed number, update the value row; one transaction; rows kept in a plain vector.
int referenceTick(sqlite3* db, const QByteArray& feed, bool byCard)
{
    static sqlite3_stmt* item = prepare(db, "SELECT value, Unit FROM Code03Dict WHERE code=?");
    static sqlite3_stmt* byNumber =
        prepare(db, "SELECT STU_ID, StuName FROM STU_Main WHERE StuNo=?");
    static sqlite3_stmt* cardPupil = prepare(db, "SELECT StuID FROM Stu_card WHERE CardNO=?");
    static sqlite3_stmt* byId = prepare(db, "SELECT StuNo, StuName FROM STU_Main WHERE STU_ID=?");
    static sqlite3_stmt* update =
        prepare(db, "UPDATE STU_ObjectData SET ObjectValue=? WHERE STU_ID=? AND Object_ID=?");
    std::deque<ReferenceRow> rows;
    int notSet = 0;
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (qsizetype at = 0; feed.size() - at >= 27; at += 27) {
        std::string id(feed.constData() + at, 20);
        const std::string code(feed.constData() + at + 20, 2);
        std::string value(feed.constData() + at + 22, 5);
        if (code == "06")
            value.insert(3, 1, '.');
        const double d = std::atof(value.c_str());
        const long itemNO = std::atol(code.c_str());
        while (!id.empty() && id.back() == ' ')
            id.pop_back();
        ReferenceRow row;
        row.cells[0] = id;
        sqlite3_bind_int64(item, 1, itemNO);
        if (sqlite3_step(item) == SQLITE_ROW) {
            row.cells[2] = reinterpret_cast<const char*>(sqlite3_column_text(item, 0));
            if (sqlite3_column_type(item, 1) != SQLITE_NULL)
                row.cells[4] = reinterpret_cast<const char*>(sqlite3_column_text(item, 1));
        }
        sqlite3_reset(item);
        qint64 stuID = -1;
        if (!byCard) {
            sqlite3_bind_text(byNumber, 1, id.data(), int(id.size()), SQLITE_STATIC);
            if (sqlite3_step(byNumber) == SQLITE_ROW) {
                stuID = sqlite3_column_int64(byNumber, 0);
                row.cells[1] = reinterpret_cast<const char*>(sqlite3_column_text(byNumber, 1));
            }
            sqlite3_reset(byNumber);
        } else {
            sqlite3_bind_text(cardPupil, 1, id.data(), int(id.size()), SQLITE_STATIC);
            if (sqlite3_step(cardPupil) == SQLITE_ROW) {
                sqlite3_bind_int64(byId, 1, sqlite3_column_int64(cardPupil, 0));
                if (sqlite3_step(byId) == SQLITE_ROW) {
                    stuID = sqlite3_column_int64(cardPupil, 0);
                    row.cells[1] = reinterpret_cast<const char*>(sqlite3_column_text(byId, 1));
                }
                sqlite3_reset(byId);
            }
            sqlite3_reset(cardPupil);
        }
        if (stuID < 0)
            row.cells[1] = "没有此学生";
        const size_t first = value.find_first_not_of(' ');
        row.cells[3] = first == std::string::npos ? std::string() : value.substr(first);
        if (stuID >= 0) {
            sqlite3_bind_double(update, 1, d);
            sqlite3_bind_int64(update, 2, stuID);
            sqlite3_bind_int64(update, 3, itemNO);
            sqlite3_step(update);
            sqlite3_reset(update);
            if (sqlite3_changes(db) == 0) {
                row.cells[2] += "  未设置";
                ++notSet;
            }
        }
        rows.push_front(std::move(row));
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    return notSet;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_collect DATABASE\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    sqlite3* bare = openBare(path.toLocal8Bit());
    const std::vector<Pupil> pupils = loadPupils(bare);
    if (pupils.empty()) {
        std::fprintf(stderr, "no pupils with cards in %s\n", argv[1]);
        return 2;
    }

    if (!theDB.open(path) || !theDB.CreateCardTable())
        return 2;
    bDBOpen = true;
    QElapsedTimer startup;
    startup.start();
    // As the main window makes them at start-up.
    CStudent student(theDB);
    CValue value(theDB);
    CItemInfo itemInfo(theDB);
    CCard card(theDB);
    const double startupMs = startup.nsecsElapsed() / 1e6;
    const CollectStores stores{&student, &value, &itemInfo, &card};

    // bench_collect DATABASE --profile: only the station's tick, over and over, for a profiler.
    if (argc > 2 && QByteArray(argv[2]) == "--profile") {
        const QByteArray feed = makeFeed(pupils, false, kRecords, 1);
        for (int i = 0; i < 30; ++i) {
            platform::MemoryListView list;
            CollectTick tick(list, [] { return true; });
            tick.setStores(theDB, stores);
            tick.handleFeed(feed, true);
        }
        theDB.close();
        return 0;
    }

    // The reference's lookups use indexes, as a database designed for them would have.
    sqlite3_exec(bare,
                 "CREATE INDEX IF NOT EXISTS bench_stuno ON STU_Main(StuNo);"
                 "CREATE INDEX IF NOT EXISTS bench_stuid ON STU_Main(STU_ID);"
                 "CREATE INDEX IF NOT EXISTS bench_card ON Stu_card(CardNO);"
                 "CREATE INDEX IF NOT EXISTS bench_value ON STU_ObjectData(STU_ID, Object_ID);"
                 "CREATE INDEX IF NOT EXISTS bench_code ON Code03Dict(code);",
                 nullptr, nullptr, nullptr);

    std::printf(
        "== live collection: one tick of %d records (%zu pupils; stores built in %.0f ms)\n",
        kRecords, pupils.size(), startupMs);
    for (bool byCard : {false, true}) {
        const QByteArray feed = makeFeed(pupils, byCard, kRecords, byCard ? 2 : 1);
        double firstMs = 0;
        int run = 0;
        const double ours = bench::medianMs(5, [&] {
            platform::MemoryListView list;
            CollectTick tick(list, [byCard] { return !byCard; });
            tick.setStores(theDB, stores);
            QElapsedTimer t;
            t.start();
            tick.handleFeed(feed, true);
            if (run++ == 0)
                firstMs = t.nsecsElapsed() / 1e6;
        });
        const double reference = bench::medianMs(5, [&] { referenceTick(bare, feed, byCard); });
        const char* what =
            byCard ? "tick by card number (median)" : "tick by student number (median)";
        bench::printRow(what, ours, reference, "bare prepared SQLite");
        std::printf("    %.0f records/s (reference %.0f records/s); first tick %.2f ms "
                    "(builds the lookup indexes)\n",
                    kRecords / (ours / 1000), kRecords / (reference / 1000), firstMs);
    }

    {
        // The first result after start-up waits for the stores to index their snapshots.
        CStudent freshStudent(theDB);
        CValue freshValue(theDB);
        CItemInfo freshItemInfo(theDB);
        CCard freshCard(theDB);
        platform::MemoryListView list;
        CollectTick tick(list, [] { return true; });
        tick.setStores(theDB, {&freshStudent, &freshValue, &freshItemInfo, &freshCard});
        const QByteArray one = makeFeed(pupils, false, 1, 99);
        QElapsedTimer t;
        t.start();
        tick.handleFeed(one, true);
        std::printf("    first tick after start-up, one record: %.2f ms (indexes built on first "
                    "use)\n",
                    t.nsecsElapsed() / 1e6);
    }

    {
        // The journal: each arrival written at once, synced to the disk by a thread of its own.
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        const QByteArray feed = makeFeed(pupils, false, kRecords, 3);
        CollectJournal journal;
        const double appendMs = bench::medianMs(5, [&] { journal.append(feed); });
        // As records come: one arrival of 100 records at a time.
        const double smallMs = bench::medianMs(5, [&] {
            for (qsizetype at = 0; at < feed.size(); at += 100 * 27)
                journal.append(feed.mid(at, 100 * 27));
        });
        QElapsedTimer synced;
        synced.start();
        journal.sync();
        const double syncMs = synced.nsecsElapsed() / 1e6;
        const double tickMs = bench::medianMs(5, [&] {
            platform::MemoryListView list;
            CollectTick tick(list, [] { return true; });
            tick.setStores(theDB, stores);
            tick.handleFeed(feed, true);
        });
        bench::printRow("journal: 10000 records in one arrival", appendMs, tickMs,
                        "the tick of them");
        bench::printRow("journal: 10000 records, 100 an arrival", smallMs, tickMs,
                        "the tick of them");
        std::printf("    then waiting for the disk sync: %.2f ms (on the journal's own thread)\n",
                    syncMs);
    }

    // The main window's list: a shown report list with its counter, 1,000 records a tick,
    // painting included.
    platform::ReportList list;
    QLineEdit counter;
    list.setColumns({{QStringLiteral("测试者编号"), 120},
                     {QStringLiteral("姓名"), 120},
                     {QStringLiteral("测试项目"), 120},
                     {QStringLiteral("测试成绩"), 120},
                     {QStringLiteral("成绩单位"), 120}});
    list.setCountObserver([&counter](int n) { counter.setText(QString::number(n)); });
    list.resize(760, 380);
    list.show();
    QApplication::processEvents();
    CollectTick tick(list, [] { return true; });
    tick.setStores(theDB, stores);
    std::vector<QByteArray> feeds;
    for (int i = 0; i < 9; ++i)
        feeds.push_back(makeFeed(pupils, false, 1000, 10 + i));
    size_t next = 0;
    const double windowMs = bench::medianMs(9, [&] {
        tick.handleFeed(feeds[next++], true);
        QApplication::processEvents();
    });
    std::printf("    one tick of 1000 records into the shown main-window list: %.2f ms "
                "(median of 9; list grew to %d rows)\n",
                windowMs, list.rowCount());
    sqlite3_close(bare);
    theDB.close();
    return 0;
}
