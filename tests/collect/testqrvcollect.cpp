// The collector as the main window drives it: settings in their own section, start, read,
// stop, the settings dialog, and the simulator's pupils from the open database.

#include "CDlgCollectSetup.h"
#include "CQRVCollect.h"
#include "CollectFixture.h"
#include "CollectorProfile.h"
#include "CollectorRecord.h"
#include "Database.h"
#include "Gbk.h"
#include "GuiTestSupport.h"
#include "ProfileSettings.h"
#include "PupilSample.h"
#include "RecordingMessageService.h"
#include "SimulatedCollectorSource.h"
#include "SqlConnection.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using platform::RecordingMessageService;
using sorvik::collector::CollectorSettings;
using sorvik::collector::kRecordBytes;
using sorvik::collector::makeRecord;
using sorvik::collector::SourceKind;

namespace
{

CollectorSettings tcpOnAnyPort()
{
    CollectorSettings s;
    s.source = SourceKind::Tcp;
    s.port = 0; // the system chooses; the collector says which
    return s;
}

// The collector starts a TCP source on a port of the system's choosing.
void useTcpOnAnyPort(CQRVCollect& collector)
{
    collector.setSettingsLoader(tcpOnAnyPort);
}

void useTcp(quint16 port)
{
    CollectorSettings s;
    s.source = SourceKind::Tcp;
    s.port = port;
    QVERIFY(collect::saveCollectorSettings(s));
}

QByteArray readUntil(CQRVCollect& collector, qsizetype want)
{
    QByteArray got;
    if (!QTest::qWaitFor(
            [&] {
                got += collector.ReadCollectData();
                return got.size() >= want;
            },
            10000))
        qWarning("waited in vain for %lld bytes", qlonglong(want));
    return got;
}

// The collector with its settings dialog as the editor, as the main window installs it.
void useSetupDialog(CQRVCollect& collector)
{
    collector.setSetupEditor(
        [](const CollectorSettings& saved) { return CDlgCollectSetup::edit(saved, nullptr); });
}

QSet<QByteArray> identifiersOf(const QByteArray& feed)
{
    QSet<QByteArray> out;
    for (qsizetype at = 0; at < feed.size(); at += kRecordBytes)
        out.insert(feed.mid(at, 20).trimmed());
    return out;
}

} // namespace

class TestQRVCollect : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void settingsLiveInTheirOwnSection();
    void noSettingsMeansTcpOnLoopback();
    void tcpRecordsReachReadCollectData();
    void startWhileCollectingKeepsConnections();
    void stopKeepsUnreadRecordsForTheNextRead();
    void sourceThatCannotStartIsReported();
    void lostSerialLineIsReported();
    void simulatorUsesTheSampler();
    void simulatorSamplesTheOpenDatabase_data();
    void simulatorSamplesTheOpenDatabase();
    void samplePupilsListsIdentifiersWithTheirItems();
    void setupDialogSavesTheChoice();
    void setupDialogCancelChangesNothing();
    void setupDialogRefusesUnusableFields_data();
    void setupDialogRefusesUnusableFields();
    void setupWhileCollectingSwitchesTheSource();

private:
    std::unique_ptr<CollectFixture> m_fixture;
};

void TestQRVCollect::init()
{
    m_fixture = std::make_unique<CollectFixture>(120);
}

void TestQRVCollect::cleanup()
{
    m_fixture.reset();
}

void TestQRVCollect::settingsLiveInTheirOwnSection()
{
    CollectorSettings s;
    s.source = SourceKind::Simulator;
    s.rate = 300;
    s.simulateCards = true;
    QVERIFY(collect::saveCollectorSettings(s));
    QCOMPARE(collect::collectorSection(), QStringLiteral("collector"));
    QCOMPARE(platform::readProfileString(QStringLiteral("collector"), QStringLiteral("source")),
             QStringLiteral("simulator"));
    QCOMPARE(platform::readProfileString(QStringLiteral("collector"), QStringLiteral("rate")),
             QStringLiteral("300"));
    // The database setting is untouched.
    QCOMPARE(
        platform::readProfileString(QStringLiteral("wbqzSorvikSys"), QStringLiteral("DBFileName")),
        QString());
    QCOMPARE(collect::loadCollectorSettings(), s);
}

void TestQRVCollect::noSettingsMeansTcpOnLoopback()
{
    const CollectorSettings s = collect::loadCollectorSettings();
    QCOMPARE(s, CollectorSettings());
    QCOMPARE(s.source, SourceKind::Tcp);
    QCOMPARE(s.address, QStringLiteral("127.0.0.1"));
}

void TestQRVCollect::tcpRecordsReachReadCollectData()
{
    RecordingMessageService recorder;
    CQRVCollect collector;
    useTcpOnAnyPort(collector);
    QVERIFY(collector.ReadCollectData().isEmpty());
    QCOMPARE(collector.listeningPort(), quint16(0));
    QVERIFY(collector.StartCollect());
    QVERIFY(collector.isCollecting());
    QCOMPARE(collector.activeSettings(), tcpOnAnyPort());
    const quint16 port = collector.listeningPort();
    QVERIFY(port != 0);
    QTcpSocket sender;
    sender.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(sender.waitForConnected(5000));
    const QByteArray r1 = makeRecord("2024000001", 1, "172.5");
    const QByteArray r2 = makeRecord("2024000002", 6, "745");
    sender.write(r1 + r2.left(11));
    sender.flush();
    QCOMPARE(readUntil(collector, kRecordBytes), r1);
    sender.write(r2.mid(11));
    sender.flush();
    QCOMPARE(readUntil(collector, kRecordBytes), r2);
    QVERIFY(collector.StopCollect());
    QVERIFY(!collector.isCollecting());
    QCOMPARE(collector.listeningPort(), quint16(0));
    QCOMPARE(recorder.count(), 0);
}

void TestQRVCollect::startWhileCollectingKeepsConnections()
{
    CQRVCollect collector;
    useTcpOnAnyPort(collector);
    QVERIFY(collector.StartCollect());
    const quint16 port = collector.listeningPort();
    QTcpSocket sender;
    sender.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(sender.waitForConnected(5000));
    // A whole record read back shows the connection is taken in; part of the next one waits in
    // the collector when Start comes again.
    const QByteArray first = makeRecord("41", 7, "200");
    const QByteArray r = makeRecord("42", 7, "210");
    sender.write(first + r.left(9));
    sender.flush();
    QCOMPARE(readUntil(collector, kRecordBytes), first);
    QVERIFY(collector.StartCollect());
    QCOMPARE(collector.listeningPort(), port);
    sender.write(r.mid(9));
    sender.flush();
    QCOMPARE(readUntil(collector, kRecordBytes), r);
    QCOMPARE(sender.state(), QAbstractSocket::ConnectedState);
}

void TestQRVCollect::stopKeepsUnreadRecordsForTheNextRead()
{
    CQRVCollect collector;
    useTcpOnAnyPort(collector);
    QVERIFY(collector.StartCollect());
    QTcpSocket sender;
    sender.connectToHost(QHostAddress::LocalHost, collector.listeningPort());
    QVERIFY(sender.waitForConnected(5000));
    const QByteArray r = makeRecord("2024000003", 2, "45.5");
    sender.write(r);
    sender.flush();
    QTRY_COMPARE(sender.bytesToWrite(), qint64(0));
    // No event loop in between: Stop itself takes in what has arrived.
    QVERIFY(collector.StopCollect());
    QCOMPARE(collector.ReadCollectData(), r);
    QVERIFY(collector.ReadCollectData().isEmpty());
}

void TestQRVCollect::sourceThatCannotStartIsReported()
{
    QTcpServer taken;
    QVERIFY(taken.listen(QHostAddress::LocalHost, 0));
    useTcp(taken.serverPort());
    RecordingMessageService recorder;
    CQRVCollect collector;
    QVERIFY(!collector.StartCollect());
    QVERIFY(!collector.isCollecting());
    QCOMPARE(recorder.count(), 1);
    const auto shown = recorder.shown().at(0);
    QVERIFY(shown.text.startsWith(QStringLiteral("采集无法开始:\n")));
    QVERIFY(shown.text.contains(QString::number(taken.serverPort())));
    QCOMPARE(shown.icon, platform::Icon::Warning);
    QVERIFY(collector.ReadCollectData().isEmpty());
    // Once the port is free, the next Start works.
    taken.close();
    QVERIFY(collector.StartCollect());
}

void TestQRVCollect::lostSerialLineIsReported()
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0);
    QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
    CollectorSettings s;
    s.source = SourceKind::Serial;
    s.device = QString::fromLocal8Bit(ptsname(master));
    QVERIFY(collect::saveCollectorSettings(s));
    RecordingMessageService recorder;
    CQRVCollect collector;
    QVERIFY(collector.StartCollect());
    const QByteArray r = makeRecord("2024000001", 1, "160.0");
    QCOMPARE(::write(master, r.constData(), size_t(r.size())), ssize_t(r.size()));
    QCOMPARE(readUntil(collector, r.size()), r);
    ::close(master);
    QTRY_COMPARE(recorder.count(), 1);
    QVERIFY(recorder.texts().at(0).startsWith(QStringLiteral("采集已中断:\n")));
    QVERIFY(!collector.isCollecting());
    QVERIFY(collector.ReadCollectData().isEmpty());
}

void TestQRVCollect::simulatorUsesTheSampler()
{
    CollectorSettings s;
    s.source = SourceKind::Simulator;
    s.rate = CollectorSettings::kMaxRate;
    QVERIFY(collect::saveCollectorSettings(s));
    CQRVCollect collector;
    bool askedForCards = true;
    collector.setPupilSampler([&](bool byCard) {
        askedForCards = byCard;
        return QList<sorvik::collector::SimulatedPupil>{{"X1", {1}}, {"X2", {2}}};
    });
    QVERIFY(collector.StartCollect());
    QVERIFY(!askedForCards);
    const QByteArray feed = readUntil(collector, 40 * kRecordBytes);
    QCOMPARE(feed.size() % kRecordBytes, 0);
    QVERIFY(identifiersOf(feed).subtract({"X1", "X2"}).isEmpty());
}

void TestQRVCollect::simulatorSamplesTheOpenDatabase_data()
{
    QTest::addColumn<bool>("cards");
    QTest::newRow("student numbers") << false;
    QTest::newRow("card numbers") << true;
}

void TestQRVCollect::simulatorSamplesTheOpenDatabase()
{
    QFETCH(bool, cards);
    m_fixture->openTheDB();
    CollectorSettings s;
    s.source = SourceKind::Simulator;
    s.rate = CollectorSettings::kMaxRate;
    s.simulateCards = cards;
    QVERIFY(collect::saveCollectorSettings(s));
    QSet<QByteArray> known;
    const store::ResultTable rows =
        theDB.database()->connection().query(cards ? QStringLiteral("SELECT CardNO FROM Stu_card")
                                                   : QStringLiteral("SELECT StuNo FROM STU_Main"));
    for (int r = 0; r < rows.rowCount(); ++r)
        known.insert(rows.at(r, 0).toString().toLatin1());
    QCOMPARE(known.size(), 120);

    CQRVCollect collector;
    QVERIFY(collector.StartCollect());
    const QByteArray feed = readUntil(collector, 200 * kRecordBytes);
    QVERIFY(feed.size() >= 200 * kRecordBytes);
    const QSet<QByteArray> sent = identifiersOf(feed);
    QVERIFY(sent.size() > 1);
    QVERIFY(QSet<QByteArray>(sent).subtract(known).isEmpty());
}

void TestQRVCollect::samplePupilsListsIdentifiersWithTheirItems()
{
    m_fixture->openTheDB();
    // A pupil without a card is left out of the card sample.
    theDB.database()->connection().execute(QStringLiteral("DELETE FROM Stu_card WHERE StuID = 0"));
    const QList<store::PupilSample> byNumber = store::samplePupils(theDB, false, 1000);
    QCOMPARE(byNumber.size(), 120);
    const QList<store::PupilSample> byCard = store::samplePupils(theDB, true, 1000);
    QCOMPARE(byCard.size(), 119);
    QCOMPARE(store::samplePupils(theDB, false, 10).size(), 10);
    for (const store::PupilSample& p : byNumber) {
        const store::ResultTable items = theDB.database()->connection().query(
            QStringLiteral("SELECT o.Object_ID FROM STU_ObjectData o JOIN STU_Main m "
                           "ON m.STU_ID = o.STU_ID WHERE m.StuNo = ? ORDER BY o.rowid"),
            {p.identifier});
        QList<int> expected;
        for (int r = 0; r < items.rowCount(); ++r)
            expected << items.at(r, 0).toInt();
        QList<int> got = p.items;
        std::sort(got.begin(), got.end());
        std::sort(expected.begin(), expected.end());
        QCOMPARE(got, expected);
        QVERIFY(got.contains(61));
    }
    const QList<int> items = store::dictionaryItems(theDB);
    QCOMPARE(items.first(), 1);
    QVERIFY(items.contains(6));
    QVERIFY(items.contains(61));
    QVERIFY(std::is_sorted(items.begin(), items.end()));
    // Without an open database there is nothing to sample and nothing to report.
    RecordingMessageService recorder;
    CDB closed;
    QVERIFY(store::samplePupils(closed, false, 10).isEmpty());
    QVERIFY(store::dictionaryItems(closed).isEmpty());
    QCOMPARE(recorder.count(), 0);
}

void TestQRVCollect::setupDialogSavesTheChoice()
{
    RecordingMessageService recorder;
    CQRVCollect collector;
    useSetupDialog(collector);
    QString title;
    testsupport::whenModalShown<CDlgCollectSetup>([&](CDlgCollectSetup* d) {
        title = d->windowTitle();
        auto* source = d->findChild<QComboBox*>(QStringLiteral("source"));
        QVERIFY(d->findChild<QLineEdit*>(QStringLiteral("address"))->isEnabled());
        QVERIFY(!d->findChild<QSpinBox*>(QStringLiteral("rate"))->isEnabled());
        source->setCurrentIndex(2);
        QVERIFY(!d->findChild<QLineEdit*>(QStringLiteral("address"))->isEnabled());
        QVERIFY(d->findChild<QSpinBox*>(QStringLiteral("rate"))->isEnabled());
        d->findChild<QSpinBox*>(QStringLiteral("rate"))->setValue(120);
        d->findChild<QComboBox*>(QStringLiteral("identifiers"))->setCurrentIndex(1);
        d->findChild<QSpinBox*>(QStringLiteral("port"))->setValue(9123);
        testsupport::child<QPushButton>(d, CDlgCollectSetup::IdOk)->click();
    });
    QVERIFY(collector.ShowCollectSetup());
    QCOMPARE(title, QStringLiteral("采集设置"));
    const CollectorSettings s = collect::loadCollectorSettings();
    QCOMPARE(s.source, SourceKind::Simulator);
    QCOMPARE(s.rate, 120);
    QVERIFY(s.simulateCards);
    QCOMPARE(s.port, quint16(9123));
    QCOMPARE(recorder.count(), 0);
    QVERIFY(!collector.isCollecting());
}

void TestQRVCollect::setupDialogCancelChangesNothing()
{
    CollectorSettings before;
    before.port = 8111;
    QVERIFY(collect::saveCollectorSettings(before));
    CQRVCollect collector;
    useSetupDialog(collector);
    testsupport::whenModalShown<CDlgCollectSetup>([&](CDlgCollectSetup* d) {
        QCOMPARE(d->findChild<QSpinBox*>(QStringLiteral("port"))->value(), 8111);
        d->findChild<QComboBox*>(QStringLiteral("source"))->setCurrentIndex(1);
        testsupport::child<QPushButton>(d, CDlgCollectSetup::IdCancel)->click();
    });
    QVERIFY(!collector.ShowCollectSetup());
    QCOMPARE(collect::loadCollectorSettings(), before);
    // Without an editor there is nothing to show and nothing changes.
    CQRVCollect bare;
    QVERIFY(!bare.ShowCollectSetup());
    QCOMPARE(collect::loadCollectorSettings(), before);
}

void TestQRVCollect::setupDialogRefusesUnusableFields_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("address") << 0 << "address"
                             << "not an address"
                             << "监听地址无效!";
    QTest::newRow("device") << 1 << "device"
                            << "  "
                            << "请填写串口设备!";
    QTest::newRow("baud") << 1 << "baud"
                          << ""
                          << "波特率无效!";
}

void TestQRVCollect::setupDialogRefusesUnusableFields()
{
    QFETCH(int, source);
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    RecordingMessageService recorder;
    CQRVCollect collector;
    useSetupDialog(collector);
    bool stayedOpen = false;
    testsupport::whenModalShown<CDlgCollectSetup>([&](CDlgCollectSetup* d) {
        d->findChild<QComboBox*>(QStringLiteral("source"))->setCurrentIndex(source);
        if (auto* edit = d->findChild<QLineEdit*>(field))
            edit->setText(text);
        else
            d->findChild<QComboBox*>(field)->setEditText(text);
        testsupport::child<QPushButton>(d, CDlgCollectSetup::IdOk)->click();
        stayedOpen = d->isVisible();
        testsupport::child<QPushButton>(d, CDlgCollectSetup::IdCancel)->click();
    });
    QVERIFY(!collector.ShowCollectSetup());
    QVERIFY(stayedOpen);
    QCOMPARE(recorder.texts(), QStringList{message});
    QCOMPARE(recorder.shown().at(0).caption, QStringLiteral("采集设置"));
    QCOMPARE(recorder.shown().at(0).icon, platform::Icon::Stop);
    QCOMPARE(collect::loadCollectorSettings(), CollectorSettings());
}

void TestQRVCollect::setupWhileCollectingSwitchesTheSource()
{
    CQRVCollect collector;
    useSetupDialog(collector);
    useTcpOnAnyPort(collector);
    collector.setPupilSampler([](bool) {
        return QList<sorvik::collector::SimulatedPupil>{{"SIM", {1}}};
    });
    QVERIFY(collector.StartCollect());
    QTcpSocket sender;
    sender.connectToHost(QHostAddress::LocalHost, collector.listeningPort());
    QVERIFY(sender.waitForConnected(5000));
    const QByteArray r = makeRecord("TCP", 1, "150.0");
    sender.write(r);
    QVERIFY(sender.waitForBytesWritten(5000));
    testsupport::whenModalShown<CDlgCollectSetup>([&](CDlgCollectSetup* d) {
        d->findChild<QComboBox*>(QStringLiteral("source"))->setCurrentIndex(2);
        d->findChild<QSpinBox*>(QStringLiteral("rate"))->setValue(CollectorSettings::kMaxRate);
        testsupport::child<QPushButton>(d, CDlgCollectSetup::IdOk)->click();
    });
    QVERIFY(collector.ShowCollectSetup());
    QVERIFY(collector.isCollecting());
    QCOMPARE(collector.activeSettings().source, SourceKind::Simulator);
    QCOMPARE(collector.listeningPort(), quint16(0));
    const QByteArray feed = readUntil(collector, 10 * kRecordBytes);
    // What the TCP sender got through before the switch comes first.
    QCOMPARE(feed.left(kRecordBytes), r);
    QCOMPARE(identifiersOf(feed.mid(kRecordBytes)), QSet<QByteArray>{"SIM"});
}

QTEST_MAIN(TestQRVCollect)
#include "testqrvcollect.moc"
