// Live collection in the station's main window on the offscreen platform: the Start, Stop and
// Settings buttons, timer 1, and results sent by a real TCP sender over the loopback.

#include "CDlgCollectSetup.h"
#include "CDlgSelectDBFile.h"
#include "CSorvikDlg.h"
#include "CollectFixture.h"
#include "CollectorProfile.h"
#include "CollectorRecord.h"
#include "DatabaseSetting.h"
#include "GuiTestSupport.h"
#include "RecordingMessageService.h"
#include "ReportList.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

using platform::RecordingMessageService;
using sorvik::collector::CollectorSettings;
using sorvik::collector::SourceKind;

namespace
{

QPushButton* button(QWidget* w, int id)
{
    return w->findChild<QPushButton*>(QStringLiteral("id%1").arg(id));
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

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

private:
    // The main window on the fixture's database (or on none), collector on TCP at m_port.
    std::unique_ptr<CSorvikDlg> openWindow(bool withDatabase);

    std::unique_ptr<CollectFixture> m_fixture;
    quint16 m_port = 0;
};

void TestLiveCollection::init()
{
    m_fixture = std::make_unique<CollectFixture>(80);
    m_port = freePort();
    CollectorSettings s;
    s.source = SourceKind::Tcp;
    s.port = m_port;
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
    dlg->OnInitDialog();
    dlg->show();
    return dlg;
}

void TestLiveCollection::startAndStopWithADatabase()
{
    RecordingMessageService recorder;
    auto dlg = openWindow(true);
    QVERIFY(bDBOpen);
    auto* timer = dlg->findChild<QTimer*>(QStringLiteral("timer1"));
    QVERIFY(timer);
    QVERIFY(button(dlg.get(), 1004)->isEnabled());
    QVERIFY(!button(dlg.get(), 1005)->isEnabled());
    QCOMPARE(button(dlg.get(), 1004)->text(), QStringLiteral("开始"));
    QCOMPARE(button(dlg.get(), 1005)->text(), QStringLiteral("结束"));
    QCOMPARE(button(dlg.get(), 1006)->text(), QStringLiteral("采集设置"));
    QVERIFY(!timer->isActive());
    QVERIFY(!dlg->m_collect.isCollecting());

    QTest::mouseClick(button(dlg.get(), 1004), Qt::LeftButton);
    QVERIFY(dlg->m_collect.isCollecting());
    QVERIFY(!button(dlg.get(), 1004)->isEnabled());
    QVERIFY(button(dlg.get(), 1005)->isEnabled());
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 100);
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, m_port);
    QVERIFY(probe.waitForConnected(5000));

    QTest::mouseClick(button(dlg.get(), 1005), Qt::LeftButton);
    QVERIFY(!dlg->m_collect.isCollecting());
    QVERIFY(button(dlg.get(), 1004)->isEnabled());
    QVERIFY(!button(dlg.get(), 1005)->isEnabled());
    QVERIFY(!timer->isActive());
    QTRY_COMPARE(probe.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(recorder.count(), 0);
}

void TestLiveCollection::startAgainWithoutADatabaseRestartsTheTimer()
{
    RecordingMessageService recorder;
    auto dlg = openWindow(false);
    QVERIFY(!bDBOpen);
    auto* timer = dlg->findChild<QTimer*>(QStringLiteral("timer1"));
    QVERIFY(button(dlg.get(), 1004)->isEnabled());
    QVERIFY(button(dlg.get(), 1005)->isEnabled());

    button(dlg.get(), 1004)->click();
    QVERIFY(timer->isActive());
    QVERIFY(!button(dlg.get(), 1004)->isEnabled());
    QTcpSocket sender;
    sender.connectToHost(QHostAddress::LocalHost, m_port);
    QVERIFY(sender.waitForConnected(5000));

    // A second Start while collecting: the timer runs on with the same period and the
    // instruments stay connected.
    button(dlg.get(), 1004)->setEnabled(true);
    button(dlg.get(), 1004)->click();
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 100);
    QVERIFY(dlg->m_collect.isCollecting());
    QTest::qWait(50);
    QCOMPARE(sender.state(), QAbstractSocket::ConnectedState);

    button(dlg.get(), 1005)->click();
    QVERIFY(!timer->isActive());
    QVERIFY(button(dlg.get(), 1004)->isEnabled());
    QVERIFY(!button(dlg.get(), 1005)->isEnabled());
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
    auto* timer = dlg->findChild<QTimer*>(QStringLiteral("timer1"));
    if (collecting)
        button(dlg.get(), 1004)->click();
    QWidget* parent = nullptr;
    int port = 0;
    testsupport::whenModalShown<CDlgCollectSetup>([&](CDlgCollectSetup* d) {
        parent = d->parentWidget();
        port = d->settings().port;
        button(d, 2)->click();
    });
    button(dlg.get(), 1006)->click();
    QCOMPARE(parent, dlg.get());
    QCOMPARE(port, int(m_port));
    QCOMPARE(timer->isActive(), collecting);
    QCOMPARE(dlg->m_collect.isCollecting(), collecting);
    QCOMPARE(button(dlg.get(), 1004)->isEnabled(), !collecting);
    QCOMPARE(button(dlg.get(), 1005)->isEnabled(), collecting);
    QCOMPARE(dlg->m_listResult->rowCount(), 0);
}

QTEST_MAIN(TestLiveCollection)
#include "testlivecollection.moc"
