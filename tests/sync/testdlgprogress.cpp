// The progress window of a transfer and the please-wait window of the clearing, driven by real
// workers on their own threads.

#include "CDlgProcessFormat.h"
#include "CDlgProgress.h"
#include "DialogUnits.h"
#include "ExchangeThread.h"
#include "ExchangeWorker.h"
#include "GuiTestSupport.h"
#include "ReportList.h"
#include "TransferProgress.h"

#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>

#include <functional>

namespace
{

class LambdaWorker final : public ExchangeWorker
{
public:
    explicit LambdaWorker(std::function<void()> work) : m_work(std::move(work)) {}
    void run() override { m_work(); }

private:
    std::function<void()> m_work;
};

std::unique_ptr<ExchangeWorker> worker(std::function<void()> work)
{
    return std::make_unique<LambdaWorker>(std::move(work));
}

QPushButton* closeButton(const QWidget* w)
{
    return testsupport::child<QPushButton>(w, CDlgProgress::IdClose);
}

QProgressBar* bar(const QWidget* w)
{
    return testsupport::child<QProgressBar>(w, CDlgProgress::IdProgress);
}

platform::ReportList* listOf(const QWidget* w)
{
    return testsupport::child<platform::ReportList>(w, CDlgProgress::IdList);
}

QStringList headers(platform::ReportList* list)
{
    QStringList out;
    for (int c = 0; c < list->model()->columnCount(); ++c)
        out << list->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    return out;
}

QList<int> widths(platform::ReportList* list)
{
    QList<int> out;
    for (int c = 0; c < list->model()->columnCount(); ++c)
        out << list->columnWidth(c);
    return out;
}

bool hasCloseBox(QWidget* w)
{
    const Qt::WindowFlags flags = w->windowFlags();
    return !flags.testFlag(Qt::CustomizeWindowHint) || flags.testFlag(Qt::WindowCloseButtonHint) ||
           flags.testFlag(Qt::WindowSystemMenuHint);
}

} // namespace

class TestDlgProgress : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    // CDlgProgress
    void progressLayout_data();
    void progressLayout();
    void progressHasNoCloseBox();
    void columnLayouts_data();
    void columnLayouts();
    void openedWindowWaitsForItsWorker();
    void workerFillsTheWindow_data();
    void workerFillsTheWindow();
    void windowCannotCloseWhileTheWorkerRuns();

    // CDlgProcessFormat
    void pleaseWaitLayout();
    void userCannotClosePleaseWait();
    void workerClosesPleaseWait();

private:
    std::unique_ptr<QDialog> m_owner;
};

void TestDlgProgress::init()
{
    m_owner = std::make_unique<QDialog>();
    m_owner->setFont(platform::dialogFont());
    m_owner->resize(200, 150);
    m_owner->move(300, 200);
    m_owner->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_owner.get()));
}

void TestDlgProgress::cleanup()
{
    m_owner.reset();
}

void TestDlgProgress::progressLayout_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QRect>("units");
    QTest::newRow("bar 1058") << int(CDlgProgress::IdProgress) << QRect(7, 7, 479, 14);
    QTest::newRow("list 1002") << int(CDlgProgress::IdList) << QRect(7, 32, 479, 272);
    QTest::newRow("close 2") << int(CDlgProgress::IdClose) << QRect(436, 310, 50, 14);
}

void TestDlgProgress::progressLayout()
{
    QFETCH(int, id);
    QFETCH(QRect, units);
    CDlgProgress dlg(m_owner.get());
    auto* control = testsupport::child<QWidget>(&dlg, id);
    QVERIFY(control);
    QCOMPARE(control->geometry(), platform::dialogUnitsToPixels(dlg.font(), units.x(), units.y(),
                                                                units.width(), units.height()));
    QCOMPARE(dlg.size(), platform::dialogUnitsToPixels(dlg.font(), 0, 0, 493, 331).size());
    QCOMPARE(dlg.font().pointSize(), 9);
    QCOMPARE(closeButton(&dlg)->text(), QStringLiteral("关闭"));
    QVERIFY(bar(&dlg));
    QVERIFY(listOf(&dlg));
}

void TestDlgProgress::progressHasNoCloseBox()
{
    CDlgProgress dlg(m_owner.get());
    QVERIFY(!hasCloseBox(&dlg));
    QVERIFY(dlg.windowFlags().testFlag(Qt::WindowTitleHint));
    QVERIFY(!dlg.isModal());
    QCOMPARE(dlg.parentWidget(), m_owner.get());
    // Grid lines and full-row selection.
    QVERIFY(listOf(&dlg)->showGrid());
    QCOMPARE(listOf(&dlg)->selectionBehavior(), QAbstractItemView::SelectRows);
}

void TestDlgProgress::columnLayouts_data()
{
    QTest::addColumn<bool>("import");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QList<int>>("columnWidths");
    QTest::newRow("transfer") << false
                              << QStringList{QStringLiteral("序号"), QStringLiteral("编号"),
                                             QStringLiteral("姓名"), QStringLiteral("班级")}
                              << QList<int>{40, 140, 140, 140};
    QTest::newRow("import") << true << QStringList{QStringLiteral("序号"), QStringLiteral("编号"),
                                                   QStringLiteral("姓名"), QStringLiteral("项目"),
                                                   QStringLiteral("成绩"), QStringLiteral("单位"),
                                                   QStringLiteral("时间")}
                            << QList<int>{40, 140, 140, 140, 140, 140, 140};
}

void TestDlgProgress::columnLayouts()
{
    QFETCH(bool, import);
    QFETCH(QStringList, titles);
    QFETCH(QList<int>, columnWidths);

    CDlgProgress dlg(m_owner.get());
    // The other layout first, with rows: applying a layout removes every row and column.
    if (import)
        dlg.applyTransferLayout();
    else
        dlg.applyImportLayout();
    dlg.insertRow(0, QStringLiteral("1"));
    dlg.insertRow(0, QStringLiteral("2"));
    if (import)
        dlg.applyImportLayout();
    else
        dlg.applyTransferLayout();
    QCOMPARE(listOf(&dlg)->rowCount(), 0);
    QCOMPARE(headers(listOf(&dlg)), titles);
    QCOMPARE(widths(listOf(&dlg)), columnWidths);
    for (int c = 0; c < titles.size(); ++c) {
        const auto alignment = Qt::Alignment(
            listOf(&dlg)->model()->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).toInt());
        QVERIFY(!alignment.testFlag(Qt::AlignRight) && !alignment.testFlag(Qt::AlignHCenter));
    }
}

void TestDlgProgress::openedWindowWaitsForItsWorker()
{
    QPointer<CDlgProgress> dlg = CDlgProgress::open(
        m_owner.get(), QStringLiteral("正在下载学生到仪器..."), CDlgProgress::Layout::Transfer);
    QVERIFY(dlg);
    QVERIFY(dlg->isVisible());
    QCOMPARE(dlg->windowTitle(), QStringLiteral("正在下载学生到仪器..."));
    QCOMPARE(dlg->parentWidget(), m_owner.get());
    QCOMPARE(headers(listOf(dlg)).size(), 4);
    QVERIFY(!closeButton(dlg)->isEnabled());
    QVERIFY(!dlg->isFinished());
    // The starting dialog stays usable.
    QVERIFY(!m_owner->isHidden());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    dlg->finish();
    QVERIFY(closeButton(dlg)->isEnabled());
    QTest::mouseClick(closeButton(dlg), Qt::LeftButton);
    QTRY_VERIFY(dlg.isNull()); // a closed window is discarded
}

void TestDlgProgress::workerFillsTheWindow_data()
{
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("endAfter"); // rows the worker adds before it ends
    QTest::newRow("three rows") << 3 << 3;
    QTest::newRow("one row") << 1 << 1;
    QTest::newRow("ends early") << 5 << 2;
    QTest::newRow("ends before the first row") << 4 << 0;
}

void TestDlgProgress::workerFillsTheWindow()
{
    QFETCH(int, total);
    QFETCH(int, endAfter);

    QPointer<CDlgProgress> dlg = CDlgProgress::open(
        m_owner.get(), QStringLiteral("正在导入测试成绩..."), CDlgProgress::Layout::Import);
    ProgressView* view = dlg.data();
    ExchangeThread thread;
    QSignalSpy finished(&thread, &ExchangeThread::finished);
    QVERIFY(thread.start(
        worker([view, total, endAfter] {
            TransferProgress progress(*view);
            progress.start(total);
            for (int i = 1; i <= total; ++i) {
                if (i > endAfter)
                    return;
                progress.addRow({QStringLiteral("200%1").arg(i), QStringLiteral("学生%1").arg(i)});
            }
        }),
        {dlg.data()}));
    QTRY_COMPARE(finished.count(), 1);
    QVERIFY(dlg);
    QVERIFY(closeButton(dlg)->isEnabled());
    QCOMPARE(bar(dlg)->maximum(), total);
    QCOMPARE(bar(dlg)->value(), endAfter);
    QCOMPARE(listOf(dlg)->rowCount(), endAfter);
    for (int r = 0; r < endAfter; ++r) {
        const int number = endAfter - r;
        QCOMPARE(listOf(dlg)->cell(r, 0), QString::number(number));
        QCOMPARE(listOf(dlg)->cell(r, 1), QStringLiteral("200%1").arg(number));
        QCOMPARE(listOf(dlg)->cell(r, 2), QStringLiteral("学生%1").arg(number));
    }
    // The window stays with its last caption, bar and rows until the user closes it.
    QVERIFY(dlg->isVisible());
    QCOMPARE(dlg->windowTitle(), QStringLiteral("正在导入测试成绩..."));
}

void TestDlgProgress::windowCannotCloseWhileTheWorkerRuns()
{
    QPointer<CDlgProgress> dlg = CDlgProgress::open(
        m_owner.get(), QStringLiteral("正在下载学生到仪器..."), CDlgProgress::Layout::Transfer);
    ProgressView* view = dlg.data();
    QSemaphore hold;
    ExchangeThread thread;
    QSignalSpy finished(&thread, &ExchangeThread::finished);
    QVERIFY(thread.start(worker([view, &hold] {
                             TransferProgress progress(*view);
                             progress.start(1);
                             progress.addRow({QStringLiteral("1")});
                             hold.acquire();
                         }),
                         {dlg.data()}));
    QTRY_COMPARE(listOf(dlg)->rowCount(), 1);
    QVERIFY(!closeButton(dlg)->isEnabled());
    QVERIFY(!dlg->close());
    QTest::keyClick(dlg, Qt::Key_Escape);
    dlg->reject();
    QVERIFY(dlg);
    QVERIFY(dlg->isVisible());

    hold.release();
    QTRY_VERIFY(closeButton(dlg)->isEnabled());
    QTRY_COMPARE(finished.count(), 1);
    QTest::keyClick(dlg, Qt::Key_Escape);
    QTRY_VERIFY(dlg.isNull());
}

void TestDlgProgress::pleaseWaitLayout()
{
    CDlgProcessFormat dlg(m_owner.get());
    dlg.setWindowTitle(QStringLiteral("删除学生..."));
    dlg.setText(QStringLiteral("正在删除学生,请稍候..."));
    QCOMPARE(dlg.font().pointSize(), 8);
    QCOMPARE(dlg.size(), platform::dialogUnitsToPixels(dlg.font(), 0, 0, 346, 85).size());
    auto* text = testsupport::child<QLabel>(&dlg, CDlgProcessFormat::IdText);
    QVERIFY(text);
    QCOMPARE(text->geometry(), platform::dialogUnitsToPixels(dlg.font(), 7, 28, 332, 8));
    QVERIFY(text->alignment().testFlag(Qt::AlignHCenter));
    QCOMPARE(text->text(), QStringLiteral("正在删除学生,请稍候..."));
    QCOMPARE(dlg.text(), text->text());
    QVERIFY(dlg.findChildren<QPushButton*>().isEmpty());
    QVERIFY(!hasCloseBox(&dlg));
    QVERIFY(!dlg.isModal());

    // Centred on its owner.
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const QPoint offset = dlg.geometry().center() - m_owner->geometry().center();
    QVERIFY2(offset.manhattanLength() <= 4,
             qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
}

void TestDlgProgress::userCannotClosePleaseWait()
{
    QPointer<CDlgProcessFormat> dlg = new CDlgProcessFormat(m_owner.get());
    dlg->show();
    QVERIFY(!dlg->close());
    QTest::keyClick(dlg, Qt::Key_Escape);
    dlg->reject();
    dlg->accept();
    QCoreApplication::processEvents();
    QVERIFY(dlg);
    QVERIFY(dlg->isVisible());
    dlg->closeWindow();
    QTRY_VERIFY(dlg.isNull());
}

void TestDlgProgress::workerClosesPleaseWait()
{
    QPointer<CDlgProcessFormat> dlg = new CDlgProcessFormat(m_owner.get());
    dlg->show();
    PleaseWaitView* view = dlg.data();
    bool visibleAfterClose = true;
    ExchangeThread thread;
    QSignalSpy finished(&thread, &ExchangeThread::finished);
    QVERIFY(thread.start(worker([view, dlg, &visibleAfterClose] {
                             view->closeWindow();
                             // The call returns once the window is closed.
                             QMetaObject::invokeMethod(
                                 qApp, [&] { visibleAfterClose = dlg && dlg->isVisible(); },
                                 Qt::BlockingQueuedConnection);
                         }),
                         {dlg.data()}));
    QTRY_COMPARE(finished.count(), 1);
    QVERIFY(!visibleAfterClose);
    QTRY_VERIFY(dlg.isNull());
}

QTEST_MAIN(TestDlgProgress)
#include "testdlgprogress.moc"
