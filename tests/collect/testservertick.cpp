// A collection tick on a database server, whose writes go down the connection's pipeline
// without waiting for each reply: a write the server refuses anywhere in the tick, within the
// first window of writes or far beyond it, loses the tick whole (nothing of it stored, every
// row shown as not stored, one box); a connection lost in the middle of the tick keeps its
// records waiting as for a busy database. Either way the next tick is stored in full.

#include "CCard.h"
#include "CDB.h"
#include "CItemInfo.h"
#include "CStudent.h"
#include "CValue.h"
#include "CollectTick.h"
#include "Database.h"
#include "Gbk.h"
#include "ListView.h"
#include "NewDatabase.h"
#include "RecordingMessageService.h"
#include "ServerAddress.h"
#include "SqlConnection.h"
#include "TestServer.h"

#include <QTemporaryDir>
#include <QTest>

namespace
{

constexpr int kPupils = 120;
const QString kNotSet = QStringLiteral("  未设置");

QByteArray rec(const QString& identifier, int value)
{
    QByteArray id = platform::toGbk(identifier);
    id.append(20 - id.size(), ' ');
    return id + "01" + QByteArray::number(value).rightJustified(5, ' ');
}

} // namespace

class TestServerTick : public QObject
{
    Q_OBJECT
private slots:
    void failingWriteLosesTheWholeTick_data();
    void failingWriteLosesTheWholeTick();
};

void TestServerTick::failingWriteLosesTheWholeTick_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("faulty"); // the record whose write fails; -1: none
    QTest::addColumn<bool>("lost");  // it loses the connection, else the server refuses it
    QTest::newRow("three records, the second refused") << 3 << 1 << false;
    QTest::newRow("1,500 records, one far beyond the first window refused")
        << 1500 << 1100 << false;
    QTest::newRow("1,500 records, the connection lost at the 1,100th") << 1500 << 1100 << true;
    QTest::newRow("1,500 records, nothing fails") << 1500 << -1 << false;
}

void TestServerTick::failingWriteLosesTheWholeTick()
{
    QFETCH(int, records);
    QFETCH(int, faulty);
    QFETCH(bool, lost);
    QVERIFY2(testserver::enabled(), "run with SORVIK_TEST_SERVER_FILE (ctest does)");
    const testserver::Schema schema;
    QTemporaryDir dir;
    const QString connectionFile = dir.filePath(QStringLiteral("server.mdb"));
    QCOMPARE(store::writeConnectionFile(connectionFile, schema.address()), QString());
    QCOMPARE(store::createDatabase(schema.address()), QString());
    QCOMPARE(store::addDemoPupils(connectionFile, kPupils), QString());
    store::Database server(schema.address());
    store::SqlConnection& check = server.connection();
    // The server refuses the value 777, as it would refuse any write it cannot take, and
    // drops the connection that writes 778, as a server restarted or a network gone would.
    check.executeScript(QStringLiteral(
        "CREATE FUNCTION fault() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
        "IF jsonb_typeof(NEW.objectvalue) = 'number' AND NEW.objectvalue::numeric = 777 THEN "
        "RAISE EXCEPTION 'value 777 refused'; END IF; "
        "IF jsonb_typeof(NEW.objectvalue) = 'number' AND NEW.objectvalue::numeric = 778 AND "
        "nextval('fault_once') = 1 THEN "
        "PERFORM pg_terminate_backend(pg_backend_pid()); PERFORM pg_sleep(5); END IF; "
        "RETURN NEW; END $$; CREATE SEQUENCE fault_once; "
        "CREATE TRIGGER fault BEFORE UPDATE ON stu_objectdata FOR EACH ROW "
        "EXECUTE FUNCTION fault()"));

    CDB db;
    QVERIFY(db.open(connectionFile));
    CStudent student(db);
    CValue value(db);
    CItemInfo item(db);
    CCard card(db);
    QStringList numbers;
    for (const QVariant& v :
         check.query(QStringLiteral("SELECT StuNo FROM STU_Main ORDER BY STU_ID")).cells)
        numbers << v.toString();
    QCOMPARE(numbers.size(), kPupils);
    platform::RecordingMessageService boxes;
    platform::MemoryListView list;
    CollectTick tick(list, [] { return true; });
    tick.setStores(db, {&student, &value, &item, &card});

    // Record i goes to pupil i % kPupils with value 1000 + i; the last one for a pupil wins.
    const auto feed = [&](bool withFault) {
        QByteArray out;
        for (int i = 0; i < records; ++i)
            out += rec(numbers.at(i % kPupils),
                       withFault && i == faulty ? (lost ? 778 : 777) : 1000 + i);
        return tick.OnTimer([&] { return out; }, true);
    };
    const auto historyCount = [&] {
        return check.query(QStringLiteral("SELECT count(*) FROM STU_ValueHistory")).at(0, 0);
    };
    const auto values = [&] {
        return check
            .query(QStringLiteral("SELECT STU_ID, Object_ID, ObjectValue::text FROM "
                                  "STU_ObjectData ORDER BY STU_ID, Object_ID"))
            .cells;
    };
    const QVariantList before = values();

    if (lost) {
        // Nothing shown yet: the records wait, and go in once the station has connected again
        // (the connection is dropped once only). The dropping record is not its pupil's last.
        QCOMPARE(feed(true), 0);
        QCOMPARE(tick.waitingRecords(), records);
        QCOMPARE(historyCount(), QVariant(0LL));
        QCOMPARE(values(), before);
        QCOMPARE(list.rowCount(), 0);
        QCOMPARE(tick.OnTimer([] { return QByteArray(); }, true), records);
        QCOMPARE(tick.waitingRecords(), 0);
    } else if (faulty >= 0) {
        QCOMPARE(feed(true), records);
        QCOMPARE(historyCount(), QVariant(0LL));
        QCOMPARE(values(), before);
        for (int row = 0; row < list.rowCount(); ++row)
            QVERIFY2(list.cell(row, 2).endsWith(kNotSet), qPrintable(list.cell(row, 2)));
        QCOMPARE(boxes.count(), 1);
        QVERIFY2(boxes.texts().first().startsWith(
                     QStringLiteral("有%1条成绩没有存入数据库:\n").arg(records)),
                 qPrintable(boxes.texts().first()));
        QVERIFY(boxes.texts().first().contains(QStringLiteral("value 777 refused")));
        list.deleteAll();
        QCOMPARE(feed(false), records);
    } else {
        QCOMPARE(feed(true), records);
    }
    QCOMPARE(boxes.count(), faulty >= 0 && !lost ? 1 : 0);
    QCOMPARE(historyCount(), QVariant(qlonglong(records)));
    for (int row = 0; row < list.rowCount(); ++row)
        QVERIFY2(!list.cell(row, 2).endsWith(kNotSet), qPrintable(list.cell(row, 2)));
    // Each pupil holds the last value sent to it, as the station's own snapshot does.
    const store::ResultTable stored = check.query(QStringLiteral(
        "SELECT d.ObjectValue::text FROM STU_Main m JOIN STU_ObjectData d ON d.STU_ID = "
        "m.STU_ID AND d.Object_ID = 1 ORDER BY m.STU_ID"));
    QCOMPARE(stored.rowCount(), kPupils);
    for (int p = 0; p < std::min(records, kPupils); ++p) {
        const int last = p + (records - 1 - p) / kPupils * kPupils;
        QCOMPARE(stored.at(p, 0).toDouble(), double(1000 + last));
    }
}

QTEST_GUILESS_MAIN(TestServerTick)
#include "testservertick.moc"
