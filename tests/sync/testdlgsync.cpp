// The synchronisation dialog against a real sorvik-instrument on a free loopback port.

#include "CDB.h"
#include "CDlgProcessFormat.h"
#include "CDlgSync.h"
#include "DialogUnits.h"
#include "InstrumentExchange.h"
#include "MachineInterface.h"
#include "MessageService.h"
#include "ProfileSettings.h"
#include "RecordingMessageService.h"
#include "TestSupport.h"
#include "instrumentprocess.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using platform::Answer;
using platform::RecordingMessageService;

namespace
{

const QString kLibrary = QStringLiteral(SORVIK_BIN_DIR "/libqrvmachine.so");
constexpr int kSlow = 30000; // generous: the instrument runs under the sanitizer build too

// Every button of the hub.
const QList<int> kHubButtons{CDlgSync::IdDownloadClass, CDlgSync::IdDownloadName,
                             CDlgSync::IdImportValue, CDlgSync::IdFormat, CDlgSync::IdReturn};

QPushButton* button(QWidget* w, int id)
{
    return w->findChild<QPushButton*>(platform::controlName(id));
}

QByteArray gbk(const QString& text)
{
    return QStringEncoder("GBK").encode(text);
}

struct Counts {
    int classes = -1;
    int pupils = -1;
};

} // namespace

class TestDlgSync : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    // Window
    void layout_data();
    void layout();
    void banner();
    void bannerFont_data();
    void bannerFont();

    // Buttons that open the transfer dialogs
    void classDownloadNeedsDatabase_data();
    void classDownloadNeedsDatabase();
    void otherTransfersOpenWithOrWithoutDatabase_data();
    void otherTransfersOpenWithOrWithoutDatabase();
    void returnClosesWithResultZero();

    // Clearing the instrument
    void noToTheClearingStartsNothing();
    void yesClearsTheInstrument();
    void clearingBlocksOtherExchangesAndClosing();
    void clearingWithoutLibraryStillEnds();
    void dialogGoingAwayWaitsForItsWorker();

private:
    void putClassOnInstrument();
    Counts instrumentCounts();
    int formatRequests() const;

    std::unique_ptr<testsupport::IsolatedConfig> m_config;
    QTemporaryDir m_dir;
    std::unique_ptr<InstrumentProcess> m_instrument;
    RecordingMessageService m_messages;
};

void TestDlgSync::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_instrument = std::make_unique<InstrumentProcess>(m_dir.filePath(QStringLiteral("state.json")),
                                                       m_dir.filePath(QStringLiteral("log.txt")));
    QVERIFY2(m_instrument->start(), m_instrument->log().constData());
}

void TestDlgSync::init()
{
    m_config = std::make_unique<testsupport::IsolatedConfig>();
    m_messages.clear();
    platform::setMessageService(&m_messages);
    bDBOpen = false;
}

void TestDlgSync::cleanup()
{
    m_instrument->resume();
    platform::setMessageService(nullptr);
    bDBOpen = false;
    m_config.reset();
    QVERIFY(!InstrumentExchange::isBusy());
}

void TestDlgSync::cleanupTestCase()
{
    m_instrument.reset();
}

void TestDlgSync::putClassOnInstrument()
{
    MachineInterface machine(kLibrary);
    QVERIFY(machine.isBound());
    QCOMPARE(machine.CMD0_Handshake(), 1);
    QCOMPARE(machine.f1(1, 3), 1);
    QCOMPARE(machine.CMD1_WriteOneClass(gbk(QStringLiteral("高一(1)班")), 2), 1);
    QCOMPARE(machine.CMD2_WriteOneStudent("2024001", gbk(QStringLiteral("张伟"))), 1);
    QCOMPARE(machine.CMD2_WriteOneStudent("2024002", gbk(QStringLiteral("李娜"))), 1);
    QCOMPARE(machine.CMD10_Goodbye(), 1);
}

Counts TestDlgSync::instrumentCounts()
{
    MachineInterface machine(kLibrary);
    Counts counts;
    if (machine.CMD0_Handshake() == 1)
        machine.CMD3_ReadClassStudnetCount(counts.classes, counts.pupils);
    machine.CMD10_Goodbye();
    return counts;
}

int TestDlgSync::formatRequests() const
{
    return int(m_instrument->log().count("FORMAT"));
}

void TestDlgSync::layout_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("units");
    QTest::newRow("1043") << 1043 << QStringLiteral("从数据库传输学生到仪器")
                          << QRect(15, 48, 93, 20);
    QTest::newRow("1044") << 1044 << QStringLiteral("从Excel下载学生到仪器")
                          << QRect(121, 48, 93, 20);
    QTest::newRow("1009") << 1009 << QStringLiteral("从仪器导入测试成绩") << QRect(227, 47, 93, 20);
    QTest::newRow("1045") << 1045 << QStringLiteral("删除仪器学生") << QRect(333, 47, 93, 20);
    QTest::newRow("1046") << 1046 << QStringLiteral("返回") << QRect(439, 47, 93, 20);
}

void TestDlgSync::layout()
{
    QFETCH(int, id);
    QFETCH(QString, text);
    QFETCH(QRect, units);
    CDlgSync dlg;
    QCOMPARE(dlg.windowTitle(), QStringLiteral("同步数据"));
    QCOMPARE(dlg.font().pointSize(), 9);
    QCOMPARE(dlg.size(), platform::dialogUnitsToPixels(dlg.font(), 0, 0, 546, 113).size());
    QPushButton* b = button(&dlg, id);
    QVERIFY(b);
    QCOMPARE(b->text(), text);
    QCOMPARE(b->geometry(), platform::dialogUnitsToPixels(dlg.font(), units.x(), units.y(),
                                                          units.width(), units.height()));
    QVERIFY(b->isEnabled());
}

void TestDlgSync::banner()
{
    CDlgSync dlg;
    auto* banner = dlg.findChild<QLabel*>(platform::controlName(CDlgSync::IdBanner));
    QVERIFY(banner);
    QCOMPARE(banner->text(), QStringLiteral("请确认测试仪器处于\"同步测试者信息\"状态!"));
    QVERIFY(banner->alignment().testFlag(Qt::AlignHCenter));
    QCOMPARE(banner->geometry(), platform::dialogUnitsToPixels(dlg.font(), 7, 7, 532, 24));
    QCOMPARE(banner->font(), CDlgSync::bannerFont(dlg.font(), dlg.logicalDpiY()));
    QVERIFY(QFontMetrics(banner->font()).height() > QFontMetrics(dlg.font()).height());
    // The enlarged text still fits its place.
    QVERIFY(QFontMetrics(banner->font()).horizontalAdvance(banner->text()) <= banner->width());
}

void TestDlgSync::bannerFont_data()
{
    QTest::addColumn<QFont>("font");
    QTest::addColumn<qreal>("dpi");
    QTest::addColumn<int>("cell");
    QFont nine = platform::dialogFont(9);
    QTest::newRow("9 pt at 96 dpi") << nine << qreal(96) << 24;
    QTest::newRow("9 pt at 120 dpi") << nine << qreal(120) << 21;
    QFont pixels = nine;
    pixels.setPixelSize(12);
    QTest::newRow("12 pixels") << pixels << qreal(96) << 24;
}

void TestDlgSync::bannerFont()
{
    QFETCH(QFont, font);
    QFETCH(qreal, dpi);
    QFETCH(int, cell);
    const QFont banner = CDlgSync::bannerFont(font, dpi);
    QCOMPARE(banner.family(), font.family());
    QCOMPARE(banner.stretch(), font.stretch());
    const int height = QFontMetrics(banner).height();
    QVERIFY2(height <= cell && height >= cell - 3, qPrintable(QString::number(height)));
}

void TestDlgSync::classDownloadNeedsDatabase_data()
{
    QTest::addColumn<bool>("dbOpen");
    QTest::newRow("no database") << false;
    QTest::newRow("database open") << true;
}

void TestDlgSync::classDownloadNeedsDatabase()
{
    QFETCH(bool, dbOpen);
    bDBOpen = dbOpen;
    CDlgSync dlg;
    QWidget* openedOver = nullptr;
    int opened = 0;
    dlg.setClassDownloadOpener([&](QWidget* owner) {
        ++opened;
        openedOver = owner;
    });
    button(&dlg, CDlgSync::IdDownloadClass)->click();
    if (dbOpen) {
        QCOMPARE(opened, 1);
        QCOMPARE(openedOver, &dlg);
        QCOMPARE(m_messages.count(), 0);
        return;
    }
    QCOMPARE(opened, 0);
    QCOMPARE(m_messages.texts(), QStringList{QStringLiteral("请先选择数据库!")});
    const RecordingMessageService::Shown shown = m_messages.shown().first();
    QCOMPARE(shown.caption, platform::applicationTitle());
    QCOMPARE(shown.icon, platform::Icon::Warning);
    QCOMPARE(shown.buttons, platform::Buttons::Ok);
}

void TestDlgSync::otherTransfersOpenWithOrWithoutDatabase_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("dbOpen");
    QTest::newRow("1044 without database") << int(CDlgSync::IdDownloadName) << false;
    QTest::newRow("1044 with database") << int(CDlgSync::IdDownloadName) << true;
    QTest::newRow("1009 without database") << int(CDlgSync::IdImportValue) << false;
    QTest::newRow("1009 with database") << int(CDlgSync::IdImportValue) << true;
}

void TestDlgSync::otherTransfersOpenWithOrWithoutDatabase()
{
    QFETCH(int, id);
    QFETCH(bool, dbOpen);
    bDBOpen = dbOpen;
    CDlgSync dlg;
    int names = 0, results = 0, classes = 0;
    dlg.setNameDownloadOpener([&](QWidget*) { ++names; });
    dlg.setResultImportOpener([&](QWidget*) { ++results; });
    dlg.setClassDownloadOpener([&](QWidget*) { ++classes; });
    button(&dlg, id)->click();
    QCOMPARE(names, id == CDlgSync::IdDownloadName ? 1 : 0);
    QCOMPARE(results, id == CDlgSync::IdImportValue ? 1 : 0);
    QCOMPARE(classes, 0);
    QCOMPARE(m_messages.count(), 0);
}

void TestDlgSync::returnClosesWithResultZero()
{
    CDlgSync dlg;
    dlg.setResult(7);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTest::mouseClick(button(&dlg, CDlgSync::IdReturn), Qt::LeftButton);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), 0);
}

void TestDlgSync::noToTheClearingStartsNothing()
{
    putClassOnInstrument();
    const int formatsBefore = formatRequests();
    // Requests only: the instrument notes a station going away whenever it notices.
    const qsizetype servedBefore = m_instrument->log().count(" -> ");

    CDlgSync dlg;
    dlg.show();
    m_messages.queueAnswer(Answer::No);
    button(&dlg, CDlgSync::IdFormat)->click();

    QCOMPARE(m_messages.count(), 1);
    const RecordingMessageService::Shown asked = m_messages.shown().first();
    QCOMPARE(asked.text, QStringLiteral("确认要删除仪器的内的所有学生和成绩吗?"));
    QCOMPARE(asked.caption, QStringLiteral("删除提示"));
    QCOMPARE(asked.buttons, platform::Buttons::YesNo);
    QCOMPARE(asked.owner, &dlg);

    QVERIFY(!dlg.isClearing());
    QVERIFY(!InstrumentExchange::isBusy());
    QVERIFY(dlg.processFormatWindow() == nullptr);
    QVERIFY(dlg.findChildren<CDlgProcessFormat*>().isEmpty());
    QVERIFY(button(&dlg, CDlgSync::IdFormat)->isEnabled());
    QCoreApplication::processEvents();
    // The instrument heard nothing and keeps its class.
    QCOMPARE(m_instrument->log().count(" -> "), servedBefore);
    QCOMPARE(formatRequests(), formatsBefore);
    const Counts counts = instrumentCounts();
    QVERIFY(counts.classes >= 1);
    QVERIFY(counts.pupils >= 2);
}

void TestDlgSync::yesClearsTheInstrument()
{
    putClassOnInstrument();
    QVERIFY(instrumentCounts().classes >= 1);
    const int formatsBefore = formatRequests();

    CDlgSync dlg;
    dlg.show();
    m_messages.queueAnswer(Answer::Yes);
    button(&dlg, CDlgSync::IdFormat)->click();

    QPointer<CDlgProcessFormat> wait = dlg.processFormatWindow();
    QVERIFY(wait);
    QCOMPARE(wait->parentWidget(), &dlg);
    QCOMPARE(wait->windowTitle(), QStringLiteral("删除学生..."));
    QCOMPARE(wait->text(), QStringLiteral("正在删除学生,请稍候..."));
    QVERIFY(wait->isVisible());
    QVERIFY(!wait->isModal());
    QVERIFY(dlg.isClearing());

    // The worker closes the window by itself; no message follows.
    QTRY_VERIFY_WITH_TIMEOUT(wait.isNull(), kSlow);
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.isClearing(), kSlow);
    QCOMPARE(m_messages.count(), 1);
    QVERIFY(dlg.isVisible());
    QCOMPARE(formatRequests(), formatsBefore + 1);
    const Counts counts = instrumentCounts();
    QCOMPARE(counts.classes, 0);
    QCOMPARE(counts.pupils, 0);

    // The exchange began with the handshake and ended with goodbye.
    const QByteArray log = m_instrument->log();
    const qsizetype format = log.lastIndexOf("FORMAT");
    QVERIFY(log.lastIndexOf("HELLO", format) >= 0);
    QVERIFY(log.indexOf("GOODBYE", format) > format);
}

void TestDlgSync::clearingBlocksOtherExchangesAndClosing()
{
    CDlgSync dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));

    // A stalled instrument keeps the worker in its handshake for a while.
    m_instrument->pause();
    m_messages.queueAnswer(Answer::Yes);
    button(&dlg, CDlgSync::IdFormat)->click();
    QVERIFY(dlg.isClearing());
    QVERIFY(InstrumentExchange::isBusy());
    for (int id : kHubButtons)
        QVERIFY2(!button(&dlg, id)->isEnabled(), qPrintable(QString::number(id)));

    // Neither "返回", nor Escape, nor the close box ends the dialog now.
    dlg.done(0);
    dlg.reject();
    QVERIFY(!dlg.close());
    QTest::keyClick(&dlg, Qt::Key_Escape);
    QVERIFY(dlg.isVisible());
    // Nor can the user close the please-wait window.
    QPointer<CDlgProcessFormat> wait = dlg.processFormatWindow();
    QVERIFY(wait);
    QVERIFY(!wait->close());
    QVERIFY(wait->isVisible());
    // And a transfer dialog elsewhere cannot begin its own exchange.
    QVERIFY(!InstrumentExchange::tryBegin());

    m_instrument->resume();
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.isClearing(), kSlow);
    QTRY_VERIFY(wait.isNull());
    QVERIFY(!InstrumentExchange::isBusy());
    for (int id : kHubButtons)
        QVERIFY2(button(&dlg, id)->isEnabled(), qPrintable(QString::number(id)));

    // Afterwards both work again.
    const int asked = m_messages.count();
    m_messages.queueAnswer(Answer::No);
    button(&dlg, CDlgSync::IdFormat)->click();
    QCOMPARE(m_messages.count(), asked + 1);
    QVERIFY(!dlg.isClearing());
    QTest::mouseClick(button(&dlg, CDlgSync::IdReturn), Qt::LeftButton);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), 0);
}

void TestDlgSync::clearingWithoutLibraryStillEnds()
{
    putClassOnInstrument();
    const int formatsBefore = formatRequests();
    const QString missing = m_dir.filePath(QStringLiteral("nowhere/libqrvmachine.so"));
    QVERIFY(platform::writeProfileString(QStringLiteral("instrument"), QStringLiteral("library"),
                                         missing));

    CDlgSync dlg;
    dlg.show();
    m_messages.queueAnswer(Answer::Yes);
    button(&dlg, CDlgSync::IdFormat)->click();
    QPointer<CDlgProcessFormat> wait = dlg.processFormatWindow();
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.isClearing(), kSlow);
    QTRY_VERIFY(wait.isNull());
    QCOMPARE(m_messages.texts(),
             (QStringList{QStringLiteral("确认要删除仪器的内的所有学生和成绩吗?"),
                          QStringLiteral("找不到仪器接口库: ") + missing}));
    QCOMPARE(formatRequests(), formatsBefore);
    QVERIFY(instrumentCounts().classes >= 1);
}

void TestDlgSync::dialogGoingAwayWaitsForItsWorker()
{
    auto dlg = std::make_unique<CDlgSync>();
    dlg->show();
    m_instrument->pause();
    m_messages.queueAnswer(Answer::Yes);
    button(dlg.get(), CDlgSync::IdFormat)->click();
    QPointer<CDlgProcessFormat> wait = dlg->processFormatWindow();
    QVERIFY(wait);
    QVERIFY(InstrumentExchange::isBusy());
    // As when the station quits under it: the worker (stuck in its handshake until the
    // library gives up) ends before the windows it uses go.
    dlg.reset();
    QVERIFY(wait.isNull());
    QVERIFY(!InstrumentExchange::isBusy());
    m_instrument->resume();
    QVERIFY(instrumentCounts().classes >= 0);
}

QTEST_MAIN(TestDlgSync)
#include "testdlgsync.moc"
