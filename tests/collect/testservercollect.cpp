// Two stations collecting into one PostgreSQL server of the test's own, pupils imported on both
// meanwhile, and the server stopped and started again in the middle: every value stored once,
// no identifier twice, nothing lost.

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

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace
{

QByteArray rec(const QString& identifier, const QByteArray& value)
{
    QByteArray id = platform::toGbk(identifier);
    id.append(20 - id.size(), ' ');
    return id + "01" + value;
}

bool serverScript(const QString& action, const QString& state)
{
    QProcess p;
    p.start(QStringLiteral(SORVIK_PG_SCRIPT), {action, state});
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// One station: its database, stores and tick handler.
struct Station {
    explicit Station(const QString& connectionFile)
    {
        if (!db.open(connectionFile))
            qFatal("cannot open the server database");
        student = std::make_unique<CStudent>(db);
        value = std::make_unique<CValue>(db);
        item = std::make_unique<CItemInfo>(db);
        card = std::make_unique<CCard>(db);
        tick = std::make_unique<CollectTick>(list, [] { return true; });
        tick->setStores(db, {student.get(), value.get(), item.get(), card.get()});
    }
    int feed(const QByteArray& records)
    {
        return tick->OnTimer([&] { return records; }, true);
    }

    CDB db;
    platform::MemoryListView list;
    std::unique_ptr<CStudent> student;
    std::unique_ptr<CValue> value;
    std::unique_ptr<CItemInfo> item;
    std::unique_ptr<CCard> card;
    std::unique_ptr<CollectTick> tick;
};

} // namespace

class TestServerCollect : public QObject
{
    Q_OBJECT
private slots:
    void collectionOnOneServer_data();
    void collectionOnOneServer();
};

void TestServerCollect::collectionOnOneServer_data()
{
    QTest::addColumn<bool>("restart");
    QTest::newRow("two stations") << false;
    QTest::newRow("server restarted") << true;
}

void TestServerCollect::collectionOnOneServer()
{
    QFETCH(bool, restart);
    QTemporaryDir dir;
    const QString state = dir.filePath(QStringLiteral("server"));
    if (!serverScript(QStringLiteral("start"), state))
        QSKIP("no PostgreSQL server binaries");
    // Stopped however the test ends.
    const std::unique_ptr<const QString, void (*)(const QString*)> stopper(
        &state, [](const QString* s) { serverScript(QStringLiteral("stop"), *s); });
    QFile urlFile(state + QStringLiteral("/url"));
    QVERIFY(urlFile.open(QIODevice::ReadOnly));
    const QString address = QString::fromUtf8(urlFile.readAll()).trimmed();
    const QString connectionFile = dir.filePath(QStringLiteral("server.mdb"));
    QCOMPARE(store::writeConnectionFile(connectionFile, address), QString());
    QCOMPARE(store::createDatabase(address), QString());
    QCOMPARE(store::addDemoPupils(connectionFile, 20), QString());

    platform::RecordingMessageService boxes;
    const QByteArray noRecords;
    {
        Station a(connectionFile);
        Station b(connectionFile);
        QStringList numbers;
        const store::ResultTable pupils = a.db.database()->connection().query(
            QStringLiteral("SELECT StuNo FROM STU_Main ORDER BY STU_ID"));
        for (const QVariant& v : pupils.cells)
            numbers << v.toString();

        // Round r: station a gets the even pupils, b the odd ones; each station also takes a
        // new pupil, both from snapshots that know neither.
        for (int r = 0; r < 6; ++r) {
            if (restart && r == 3)
                QVERIFY(serverScript(QStringLiteral("halt"), state));
            QByteArray forA;
            QByteArray forB;
            for (int i = 0; i < numbers.size(); ++i)
                (i % 2 ? forB : forA) +=
                    rec(numbers.at(i),
                        QByteArray::number(100 + r * 10 + i % 10).rightJustified(5, ' '));
            a.feed(forA);
            b.feed(forB);
            if (restart && r == 3) {
                // The records wait as for a busy database, and the station connects again.
                QCOMPARE(a.tick->waitingRecords(), 10);
                QVERIFY(serverScript(QStringLiteral("resume"), state));
                a.feed(noRecords);
                b.feed(noRecords);
                QCOMPARE(a.tick->waitingRecords() + b.tick->waitingRecords(), 0);
            }
            QCOMPARE(a.student->InsertStu(QStringLiteral("甲"), 11, 1, QStringLiteral("一(1)班"),
                                          QStringLiteral("男"), QDate(2015, 1, 1), 1,
                                          QStringLiteral("A%1").arg(r), QString(), QString()),
                     1);
            QCOMPARE(b.student->InsertStu(QStringLiteral("乙"), 11, 1, QStringLiteral("一(1)班"),
                                          QStringLiteral("女"), QDate(2015, 1, 1), 1,
                                          QStringLiteral("B%1").arg(r), QString(), QString()),
                     1);
        }
        // The same student number from the other station is refused.
        QCOMPARE(b.student->InsertStu(QStringLiteral("甲"), 11, 1, QStringLiteral("一(1)班"),
                                      QStringLiteral("男"), QDate(2015, 1, 1), 1,
                                      QStringLiteral("A0"), QString(), QString()),
                 0);
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.shown().constFirst().text, QStringLiteral("存在相同的记录,学号:A0"));
    }

    store::Database check(address);
    store::SqlConnection& conn = check.connection();
    QCOMPARE(
        conn.query(QStringLiteral("SELECT count(*), count(DISTINCT STU_ID) FROM STU_Main")).cells,
        (QVariantList{32LL, 32LL}));
    // Every pupil's value of item 1 is the last one sent to it, in one row.
    const store::ResultTable values = conn.query(QStringLiteral(
        "SELECT m.STU_ID, count(*), min(d.ObjectValue::text) FROM STU_Main m JOIN STU_ObjectData "
        "d ON d.STU_ID = m.STU_ID AND d.Object_ID = 1 WHERE m.STU_ID < 20 GROUP BY m.STU_ID "
        "ORDER BY m.STU_ID"));
    QCOMPARE(values.rowCount(), 20);
    for (int i = 0; i < 20; ++i) {
        QCOMPARE(values.at(i, 1).toLongLong(), 1LL);
        QCOMPARE(values.at(i, 2).toDouble(), double(150 + i % 10));
    }
}

QTEST_GUILESS_MAIN(TestServerCollect)
#include "testservercollect.moc"
