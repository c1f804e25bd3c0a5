// Two stations collecting into one PostgreSQL server of the test's own, pupils imported on both
// meanwhile, and the server stopped and started again in the middle: every value stored once,
// no identifier twice, nothing lost. The same with two station processes (serverstation), one
// of them importing pupils in runs while both collect.

#include "CCard.h"
#include "CDB.h"
#include "CItemInfo.h"
#include "CStudent.h"
#include "CValue.h"
#include "CollectTick.h"
#include "CollectorRecord.h"
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

// A server of the test's own with the station's tables and demo pupils, reached through a
// connection file; stopped however the test ends.
class OwnServer
{
public:
    explicit OwnServer(int pupils)
        : m_state(m_dir.filePath(QStringLiteral("server"))),
          m_connectionFile(m_dir.filePath(QStringLiteral("server.mdb")))
    {
        if (!serverScript(QStringLiteral("start"), m_state))
            return;
        m_started = true;
        QFile urlFile(m_state + QStringLiteral("/url"));
        if (urlFile.open(QIODevice::ReadOnly))
            m_address = QString::fromUtf8(urlFile.readAll()).trimmed();
        m_error = store::writeConnectionFile(m_connectionFile, m_address);
        if (m_error.isEmpty())
            m_error = store::createDatabase(m_address);
        if (m_error.isEmpty())
            m_error = store::addDemoPupils(m_connectionFile, pupils);
    }
    ~OwnServer() { serverScript(QStringLiteral("stop"), m_state); }

    bool started() const { return m_started; }
    const QString& error() const { return m_error; }
    const QString& state() const { return m_state; }
    const QString& address() const { return m_address; }
    const QString& connectionFile() const { return m_connectionFile; }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QString m_state;
    QString m_connectionFile;
    QString m_address;
    QString m_error;
    bool m_started = false;
};

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
    void twoStationProcesses();
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
    const OwnServer server(20);
    if (!server.started())
        QSKIP("no PostgreSQL server binaries");
    QCOMPARE(server.error(), QString());
    const QString& state = server.state();
    const QString& address = server.address();
    const QString& connectionFile = server.connectionFile();

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

void TestServerCollect::twoStationProcesses()
{
    constexpr int kPupils = 40;
    constexpr int kTicks = 10;
    constexpr int kImported = 1000;
    const OwnServer server(kPupils);
    if (!server.started())
        QSKIP("no PostgreSQL server binaries");
    QCOMPARE(server.error(), QString());
    store::Database check(server.address());
    store::SqlConnection& conn = check.connection();
    QStringList numbers;
    QList<qint64> ids;
    const store::ResultTable pupils =
        conn.query(QStringLiteral("SELECT StuNo, STU_ID FROM STU_Main ORDER BY STU_ID"));
    for (int i = 0; i < pupils.rowCount(); ++i) {
        numbers << pupils.at(i, 0).toString();
        ids << pupils.at(i, 1).toLongLong();
    }
    QCOMPARE(numbers.size(), kPupils);

    // Every demo pupil in every tick: station a measures item 1, station b item 2, a value of
    // its own per tick. Station a adds ten pupils after its first tick; b imports pupils in runs
    // of 100 after each of its ticks, so that a's ticks find the database busy meanwhile.
    auto value = [](int tick, int pupil, int item) { return 100 + tick * 10 + pupil % 10 + item; };
    struct Child {
        int item;
        QString prefix;
        int count;
        int run;
    };
    const Child children[2] = {{1, QStringLiteral("A"), kTicks, kTicks},
                               {2, QStringLiteral("B"), kImported, 100}};
    QProcess processes[2];
    for (int k = 0; k < 2; ++k) {
        const Child& c = children[k];
        QByteArray records;
        for (int t = 0; t < kTicks; ++t)
            for (int i = 0; i < kPupils; ++i)
                records += sorvik::collector::makeRecord(numbers.at(i).toLatin1(), c.item,
                                                         QByteArray::number(value(t, i, c.item)));
        const QString recordsFile = server.filePath(c.prefix + QStringLiteral(".records"));
        QFile f(recordsFile);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(records) == records.size());
        f.close();
        processes[k].setProcessChannelMode(QProcess::ForwardedErrorChannel);
        processes[k].start(QStringLiteral(SORVIK_BIN_DIR "/serverstation"),
                           {server.connectionFile(), recordsFile, QString::number(kTicks), c.prefix,
                            QString::number(c.count), QString::number(c.run)});
    }
    for (QProcess& p : processes) {
        QVERIFY(p.waitForStarted(30000));
        QTRY_VERIFY_WITH_TIMEOUT(p.canReadLine() || p.waitForReadyRead(100), 60000);
        QCOMPARE(p.readLine(), QByteArray("ready\n"));
    }
    for (QProcess& p : processes) {
        p.write("go\n");
        QVERIFY(p.waitForBytesWritten(10000));
    }
    for (int k = 0; k < 2; ++k) {
        QProcess& p = processes[k];
        QVERIFY(p.waitForFinished(240000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        // Every record handled and stored, every pupil imported, nothing left waiting.
        QCOMPARE(QString::fromLatin1(p.readAll()).trimmed(),
                 QStringLiteral("handled %1 stored %1 imported %2 waiting 0 boxes 0")
                     .arg(kTicks * kPupils)
                     .arg(children[k].count));
        QCOMPARE(p.exitCode(), 0);
    }

    // No identifier and no student number twice, every imported pupil there.
    const int all = kPupils + kTicks + kImported;
    QCOMPARE(conn.query(QStringLiteral("SELECT count(*), count(DISTINCT STU_ID), "
                                       "count(DISTINCT upper(rtrim(StuNo))) FROM STU_Main"))
                 .cells,
             (QVariantList{qlonglong(all), qlonglong(all), qlonglong(all)}));
    QCOMPARE(conn.query(QStringLiteral("SELECT count(*) FROM STU_Main WHERE StuNo LIKE 'A%' OR "
                                       "StuNo LIKE 'B%'"))
                 .at(0, 0)
                 .toLongLong(),
             qlonglong(kTicks + kImported));
    // One row per pupil and item, holding the last value sent.
    QCOMPARE(conn.query(QStringLiteral("SELECT count(*) FROM (SELECT STU_ID, Object_ID FROM "
                                       "STU_ObjectData GROUP BY STU_ID, Object_ID HAVING "
                                       "count(*) > 1) d"))
                 .at(0, 0)
                 .toLongLong(),
             0LL);
    const store::ResultTable last = conn.query(
        QStringLiteral("SELECT STU_ID, Object_ID, ObjectValue FROM STU_ObjectData WHERE "
                       "Object_ID IN (1, 2) AND STU_ID IN (SELECT STU_ID FROM STU_Main WHERE "
                       "StuNo NOT LIKE 'A%' AND StuNo NOT LIKE 'B%') ORDER BY STU_ID, Object_ID"));
    QCOMPARE(last.rowCount(), 2 * kPupils);
    for (int r = 0; r < last.rowCount(); ++r) {
        const int pupil = int(ids.indexOf(last.at(r, 0).toLongLong()));
        const int item = last.at(r, 1).toInt();
        QCOMPARE(last.at(r, 2).toDouble(), double(value(kTicks - 1, pupil, item)));
    }
    // Every value sent is in the history once, in the order sent, and nothing else.
    const store::ResultTable history = conn.query(QStringLiteral(
        "SELECT STU_ID, Object_ID, ObjectValue, Source FROM STU_ValueHistory ORDER BY Seq"));
    QCOMPARE(history.rowCount(), 2 * kTicks * kPupils);
    QCOMPARE(conn.query(QStringLiteral("SELECT count(DISTINCT Seq) FROM STU_ValueHistory"))
                 .at(0, 0)
                 .toLongLong(),
             qlonglong(2 * kTicks * kPupils));
    QHash<QPair<qint64, int>, int> sent; // values of each pupil and item seen so far
    for (int r = 0; r < history.rowCount(); ++r) {
        const qint64 id = history.at(r, 0).toLongLong();
        const int item = history.at(r, 1).toInt();
        const int pupil = int(ids.indexOf(id));
        QVERIFY(pupil >= 0 && (item == 1 || item == 2));
        QCOMPARE(history.at(r, 3).toString(), QStringLiteral("live"));
        const int tick = sent[{id, item}]++;
        QCOMPARE(history.at(r, 2).toDouble(), double(value(tick, pupil, item)));
    }
}

QTEST_GUILESS_MAIN(TestServerCollect)
#include "testservercollect.moc"
