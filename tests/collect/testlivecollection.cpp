// Live collection in the station's main window on the offscreen platform: the Start, Stop and
// Settings buttons, timer 1, and results sent by a real TCP sender over the loopback.

#include "CDlgCollectSetup.h"
#include "CDlgSelectDBFile.h"
#include "CSorvikDlg.h"
#include "CollectFixture.h"
#include "CollectorProfile.h"
#include "CollectorRecord.h"
#include "Database.h"
#include "DatabaseSetting.h"
#include "GuiTestSupport.h"
#include "MainWindowControls.h"
#include "RecordingMessageService.h"
#include "ReportList.h"
#include "SqlConnection.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

using platform::RecordingMessageService;
using sorvik::collector::CollectorSettings;
using sorvik::collector::SourceKind;

namespace
{

using testsupport::MainWindowControls;

// Saved in the settings file, where the settings dialog shows it. Nothing listens there: the
// window's collector listens on a port of the system's choosing.
constexpr quint16 kSavedPort = 7311;

} // namespace

class TestLiveCollection : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void startAndStopWithADatabase();
    void startAgainWithoutADatabaseRestartsTheTimer();
    void settingsButtonOpensTheCollectorDialog_data();
    void settingsButtonOpensTheCollectorDialog();
    void resultsFromTwoSendersAreShownAndStored();
    void cardNumbersEndToEnd();
    void withoutDatabaseResultsAreOnlyShown();
    void simulatorFeedsTheWindowFromTheDatabase();

private:
    // The main window on the fixture's database (or on none). Its collector starts with the
    // saved settings, a TCP source on a port of the system's choosing.
    std::unique_ptr<CSorvikDlg> openWindow(bool withDatabase);

    QVariant storedValue(int stuID, int item) const;

    std::unique_ptr<CollectFixture> m_fixture;
};

void TestLiveCollection::init()
{
    m_fixture = std::make_unique<CollectFixture>(80);
    {
        // Three pupils of known rows beside the demo pupils.
        CDB db;
        QVERIFY(db.open(m_fixture->path()) && db.CreateCardTable());
        store::SqlConnection& conn = db.database()->connection();
        const QString pupil =
            QStringLiteral("INSERT INTO STU_Main(STU_ID,StuNo,StuName,GroupNo) VALUES(?,?,?,'99')");
        conn.execute(pupil, {1000, QStringLiteral("20070803"), QStringLiteral("李雷")});
        conn.execute(pupil, {1001, QStringLiteral("20070804"), QStringLiteral("韩梅梅")});
        const QString row = QStringLiteral("INSERT INTO STU_ObjectData(STU_ID,Object_ID,"
                                           "ObjectValue,ObjectType) VALUES(?,?,0.0,5)");
        for (int item : {1, 6})
            conn.execute(row, {1000, item});
        conn.execute(row, {1001, 1});
        conn.execute(QStringLiteral("INSERT INTO Stu_card(StuID,CardNO) VALUES(1000,'C0100')"));
        db.close();
    }
    CollectorSettings s;
    s.source = SourceKind::Tcp;
    s.port = kSavedPort;
    QVERIFY(collect::saveCollectorSettings(s));
}

void TestLiveCollection::cleanup()
{
    m_fixture.reset();
}

std::unique_ptr<CSorvikDlg> TestLiveCollection::openWindow(bool withDatabase)
{
    CollectFixture::closeTheDB();
    if (withDatabase)
        platform::writeDatabaseFileName(m_fixture->path());
    auto dlg = std::make_unique<CSorvikDlg>();
    dlg->setDatabaseChooser([] { return false; });
    MainWindowControls(dlg.get()).collector->setSettingsLoader([] {
        CollectorSettings saved = collect::loadCollectorSettings();
        if (saved.source == SourceKind::Tcp)
            saved.port = 0;
        return saved;
    });
    dlg->OnInitDialog();
    dlg->show();
    return dlg;
}

void TestLiveCollection::startAndStopWithADatabase()
{
    RecordingMessageService recorder;
    auto dlg = openWindow(true);
    const MainWindowControls ui(dlg.get());
    QVERIFY(bDBOpen);
    auto* timer = dlg->findChild<QTimer*>(QStringLiteral("timer1"));
    QVERIFY(timer);
    QVERIFY(ui.start->isEnabled());
    QVERIFY(!ui.stop->isEnabled());
    QCOMPARE(ui.start->text(), QStringLiteral("开始"));
    QCOMPARE(ui.stop->text(), QStringLiteral("结束"));
    QCOMPARE(ui.setup->text(), QStringLiteral("采集设置"));
    QVERIFY(!timer->isActive());
    QVERIFY(!ui.collector->isCollecting());

    QTest::mouseClick(ui.start, Qt::LeftButton);
    QVERIFY(ui.collector->isCollecting());
    QVERIFY(!ui.start->isEnabled());
    QVERIFY(ui.stop->isEnabled());
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 100);
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, ui.collector->listeningPort());
    QVERIFY(probe.waitForConnected(5000));

    QTest::mouseClick(ui.stop, Qt::LeftButton);
    QVERIFY(!ui.collector->isCollecting());
    QVERIFY(ui.start->isEnabled());
    QVERIFY(!ui.stop->isEnabled());
    QVERIFY(!timer->isActive());
    QTRY_COMPARE(probe.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(recorder.count(), 0);
}

void TestLiveCollection::startAgainWithoutADatabaseRestartsTheTimer()
{
    RecordingMessageService recorder;
    auto dlg = openWindow(false);
    const MainWindowControls ui(dlg.get());
    QVERIFY(!bDBOpen);
    auto* timer = dlg->findChild<QTimer*>(QStringLiteral("timer1"));
    QVERIFY(ui.start->isEnabled());
    QVERIFY(ui.stop->isEnabled());

    ui.start->click();
    QVERIFY(timer->isActive());
    QVERIFY(!ui.start->isEnabled());
    const quint16 port = ui.collector->listeningPort();
    QTcpSocket sender;
    sender.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(sender.waitForConnected(5000));

    // A second Start while collecting: the timer runs on with the same period and the
    // instruments stay connected; what they send next still arrives.
    ui.start->setEnabled(true);
    ui.start->click();
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 100);
    QVERIFY(ui.collector->isCollecting());
    QCOMPARE(ui.collector->listeningPort(), port);
    sender.write(sorvik::collector::makeRecord("20070803", 1, "150.0"));
    sender.flush();
    QTRY_COMPARE(ui.list->rowCount(), 1);
    QCOMPARE(ui.list->cell(0, 0), QStringLiteral("20070803"));
    QCOMPARE(sender.state(), QAbstractSocket::ConnectedState);

    ui.stop->click();
    QVERIFY(!timer->isActive());
    QVERIFY(ui.start->isEnabled());
    QVERIFY(!ui.stop->isEnabled());
    QCOMPARE(recorder.count(), 0);
}

void TestLiveCollection::settingsButtonOpensTheCollectorDialog_data()
{
    QTest::addColumn<bool>("collecting");
    QTest::newRow("idle") << false;
    QTest::newRow("while collecting") << true;
}

void TestLiveCollection::settingsButtonOpensTheCollectorDialog()
{
    QFETCH(bool, collecting);
    auto dlg = openWindow(true);
    const MainWindowControls ui(dlg.get());
    auto* timer = dlg->findChild<QTimer*>(QStringLiteral("timer1"));
    if (collecting)
        ui.start->click();
    QWidget* parent = nullptr;
    int port = 0;
    testsupport::whenModalShown<CDlgCollectSetup>([&](CDlgCollectSetup* d) {
        parent = d->parentWidget();
        port = d->settings().port;
        testsupport::child<QPushButton>(d, CDlgCollectSetup::IdCancel)->click();
    });
    ui.setup->click();
    QCOMPARE(parent, dlg.get());
    QCOMPARE(port, int(kSavedPort));
    QCOMPARE(timer->isActive(), collecting);
    QCOMPARE(ui.collector->isCollecting(), collecting);
    QCOMPARE(ui.start->isEnabled(), !collecting);
    QCOMPARE(ui.stop->isEnabled(), collecting);
    QCOMPARE(ui.list->rowCount(), 0);
}

QVariant TestLiveCollection::storedValue(int stuID, int item) const
{
    CDB other;
    if (!other.open(m_fixture->path()))
        return {};
    const store::ResultTable t = other.database()->connection().query(
        QStringLiteral("SELECT ObjectValue FROM STU_ObjectData WHERE STU_ID=? AND Object_ID=?"),
        {stuID, item});
    other.close();
    return t.rowCount() == 1 ? t.at(0, 0) : QVariant();
}

void TestLiveCollection::resultsFromTwoSendersAreShownAndStored()
{
    RecordingMessageService recorder;
    auto dlg = openWindow(true);
    const MainWindowControls ui(dlg.get());
    QTest::mouseClick(ui.start, Qt::LeftButton);
    QTcpSocket a, b;
    a.connectToHost(QHostAddress::LocalHost, ui.collector->listeningPort());
    b.connectToHost(QHostAddress::LocalHost, ui.collector->listeningPort());
    QVERIFY(a.waitForConnected(5000) && b.waitForConnected(5000));

    using sorvik::collector::makeRecord;
    const QByteArray fromA = makeRecord("20070803", 1, "150.5") + makeRecord("20070804", 6, "812");
    const QByteArray fromB = makeRecord("88888888", 1, "140.0") + makeRecord("20070803", 6, "745");
    // Ragged pieces from both senders, interleaved, with ticks in between: after each piece the
    // list shows the whole records sent so far, and the next tick comes before the next piece.
    QSignalSpy ticks(dlg->findChild<QTimer*>(QStringLiteral("timer1")), &QTimer::timeout);
    const int recordBytes = sorvik::collector::kRecordBytes;
    const QList<int> cuts = {10, 30, 41, 54};
    int last = 0;
    for (int cut : cuts) {
        a.write(fromA.mid(last, cut - last));
        a.flush();
        QTRY_COMPARE(ui.list->rowCount(), cut / recordBytes + last / recordBytes);
        QVERIFY(ticks.wait());
        b.write(fromB.mid(last, cut - last));
        b.flush();
        QTRY_COMPARE(ui.list->rowCount(), 2 * (cut / recordBytes));
        QVERIFY(ticks.wait());
        last = cut;
    }
    QCOMPARE(ui.list->rowCount(), 4);
    QTest::mouseClick(ui.stop, Qt::LeftButton);
    QCOMPARE(ui.count->text(), QStringLiteral("4"));

    QHash<QString, QStringList> rows; // "identifier item" -> row
    QStringList order;
    for (int r = 0; r < 4; ++r) {
        QStringList cells;
        for (int c = 0; c < 5; ++c)
            cells << ui.list->cell(r, c);
        rows.insert(cells.at(0) + QLatin1Char(' ') + cells.at(3), cells);
        order << cells.at(0) + QLatin1Char(' ') + cells.at(3);
    }
    QCOMPARE(
        rows.value(QStringLiteral("20070803 150.5")),
        (QStringList{QStringLiteral("20070803"), QStringLiteral("李雷"), QStringLiteral("身高"),
                     QStringLiteral("150.5"), QStringLiteral("厘米")}));
    QCOMPARE(rows.value(QStringLiteral("20070804 8.12")),
             (QStringList{QStringLiteral("20070804"), QStringLiteral("韩梅梅"),
                          QStringLiteral("50米跑  未设置"), QStringLiteral("8.12"),
                          QStringLiteral("秒")}));
    QCOMPARE(
        rows.value(QStringLiteral("88888888 140.0")),
        (QStringList{QStringLiteral("88888888"), QStringLiteral("没有此学生"),
                     QStringLiteral("身高"), QStringLiteral("140.0"), QStringLiteral("厘米")}));
    QCOMPARE(rows.value(QStringLiteral("20070803 7.45")),
             (QStringList{QStringLiteral("20070803"), QStringLiteral("李雷"),
                          QStringLiteral("50米跑"), QStringLiteral("7.45"), QStringLiteral("秒")}));
    // Each sender's later record is above its earlier one.
    QVERIFY(order.indexOf(QStringLiteral("20070804 8.12")) <
            order.indexOf(QStringLiteral("20070803 150.5")));
    QVERIFY(order.indexOf(QStringLiteral("20070803 7.45")) <
            order.indexOf(QStringLiteral("88888888 140.0")));

    QCOMPARE(storedValue(1000, 1).toDouble(), 150.5);
    QCOMPARE(storedValue(1000, 6).toDouble(), 7.45);
    QCOMPARE(storedValue(1001, 1).toDouble(), 0.0);
    QVERIFY(!storedValue(1001, 6).isValid());
    QCOMPARE(recorder.count(), 0);
}

void TestLiveCollection::cardNumbersEndToEnd()
{
    auto dlg = openWindow(true);
    const MainWindowControls ui(dlg.get());
    QTest::mouseClick(ui.radioCardNO, Qt::LeftButton);
    QVERIFY(!ui.radioStuNO->isChecked());
    ui.start->click();
    QTcpSocket sender;
    sender.connectToHost(QHostAddress::LocalHost, ui.collector->listeningPort());
    QVERIFY(sender.waitForConnected(5000));
    sender.write(sorvik::collector::makeRecord("C0100", 1, "166.0") +
                 sorvik::collector::makeRecord("20070803", 1, "155.0"));
    sender.flush();
    QTRY_COMPARE(ui.list->rowCount(), 2);
    QCOMPARE(ui.list->cell(1, 0), QStringLiteral("C0100"));
    QCOMPARE(ui.list->cell(1, 1), QStringLiteral("李雷"));
    // A student number is not a card number.
    QCOMPARE(ui.list->cell(0, 1), QStringLiteral("没有此学生"));
    QCOMPARE(storedValue(1000, 1).toDouble(), 166.0);
}

void TestLiveCollection::withoutDatabaseResultsAreOnlyShown()
{
    auto dlg = openWindow(false);
    const MainWindowControls ui(dlg.get());
    ui.start->click();
    QTcpSocket sender;
    sender.connectToHost(QHostAddress::LocalHost, ui.collector->listeningPort());
    QVERIFY(sender.waitForConnected(5000));
    sender.write(sorvik::collector::makeRecord("20070803", 6, "745"));
    sender.flush();
    QTRY_COMPARE(ui.list->rowCount(), 1);
    QCOMPARE(ui.list->cell(0, 0), QStringLiteral("20070803"));
    QCOMPARE(ui.list->cell(0, 1), QString());
    QCOMPARE(ui.list->cell(0, 2), QStringLiteral("06"));
    QCOMPARE(ui.list->cell(0, 3), QStringLiteral("745"));
    QCOMPARE(ui.count->text(), QStringLiteral("1"));
    QCOMPARE(storedValue(1000, 6).toDouble(), 0.0);
}

void TestLiveCollection::simulatorFeedsTheWindowFromTheDatabase()
{
    // As make run sets it up: the simulator, a result a second, pupils of the open database.
    CollectorSettings s;
    s.source = SourceKind::Simulator;
    s.rate = 60;
    QVERIFY(collect::saveCollectorSettings(s));
    RecordingMessageService recorder;
    auto dlg = openWindow(true);
    const MainWindowControls ui(dlg.get());
    QTest::mouseClick(ui.start, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(ui.list->rowCount() >= 2, 10000);
    QTest::mouseClick(ui.stop, Qt::LeftButton);
    const int rows = ui.list->rowCount();
    QCOMPARE(ui.count->text(), QString::number(rows));
    for (int r = 0; r < rows; ++r) {
        // Real pupils, items they have rows for, values that were stored.
        QVERIFY(!ui.list->cell(r, 1).isEmpty());
        QVERIFY(ui.list->cell(r, 1) != QStringLiteral("没有此学生"));
        QVERIFY(!ui.list->cell(r, 2).isEmpty());
        QVERIFY(!ui.list->cell(r, 2).contains(QStringLiteral("未设置")));
        QVERIFY(!ui.list->cell(r, 3).isEmpty());
    }
    // The value shown on the top-most row of each pupil and item is the one stored.
    CDB other;
    QVERIFY(other.open(m_fixture->path()));
    QSet<QString> checked;
    for (int r = 0; r < rows; ++r) {
        const QString stuNo = ui.list->cell(r, 0);
        const QString item = ui.list->cell(r, 2);
        if (checked.contains(stuNo + QLatin1Char('|') + item))
            continue;
        checked.insert(stuNo + QLatin1Char('|') + item);
        const store::ResultTable t = other.database()->connection().query(
            QStringLiteral("SELECT o.ObjectValue FROM STU_ObjectData o "
                           "JOIN STU_Main m ON m.STU_ID = o.STU_ID "
                           "JOIN Code03Dict d ON d.code = o.Object_ID "
                           "WHERE m.StuNo = ? AND d.value = ?"),
            {stuNo, item});
        QCOMPARE(t.rowCount(), 1);
        QCOMPARE(t.at(0, 0).toDouble(), ui.list->cell(r, 3).toDouble());
    }
    other.close();
    QCOMPARE(recorder.count(), 0);
}

QTEST_MAIN(TestLiveCollection)
#include "testlivecollection.moc"
