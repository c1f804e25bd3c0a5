// One exchange with an instrument at a time; the worker thread a dialog owns; the running count
// of a transfer's rows; the clearing worker against a maker-like library.

#include "ExchangeThread.h"
#include "ExchangeWorker.h"
#include "FormatThread.h"
#include "InstrumentExchange.h"
#include "MachineInterface.h"
#include "MemoryProgressView.h"
#include "PleaseWaitView.h"
#include "TransferProgress.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <functional>

namespace
{

class LambdaWorker final : public ExchangeWorker
{
public:
    explicit LambdaWorker(std::function<void()> work) : m_work(std::move(work)) {}
    void run() override { m_work(); }
    static bool stopAsked() { return interruptionRequested(); }

private:
    std::function<void()> m_work;
};

std::unique_ptr<ExchangeWorker> worker(std::function<void()> work)
{
    return std::make_unique<LambdaWorker>(std::move(work));
}

// The please-wait window without a screen: notes how and when the worker closed it.
class RecordingWaitView final : public PleaseWaitView
{
public:
    std::function<QByteArray()> snapshot;
    void closeWindow() override
    {
        QMutexLocker lock(&mutex);
        ++closed;
        closedOnWorker = QThread::currentThread() != QCoreApplication::instance()->thread();
        if (snapshot)
            callsWhenClosed = snapshot();
    }
    QMutex mutex;
    int closed = 0;
    bool closedOnWorker = false;
    QByteArray callsWhenClosed;
};

} // namespace

class TestExchange : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();

    // The process-wide rule.
    void oneLeaseAtATime();
    void leaseMovesAndReleasesOnce();

    // The worker thread.
    void workerRunsOnItsOwnThread();
    void secondExchangeIsRefusedWhileOneRuns();
    void stopServesTheWindowTheWorkerWaitsFor();

    // The running count.
    void rowsAreNumberedFromTheTop_data();
    void rowsAreNumberedFromTheTop();
    void barStaysFullPastTheTotal();
    void totalsDoNotWrapAtSixteenBits();
    void everyWayOutFinishesTheWindow();

    // The clearing worker.
    void clearingCallsHandshakeFormatGoodbyeThenCloses();
    void clearingWithoutLibraryStillCloses();
};

void TestExchange::cleanup()
{
    QVERIFY(!InstrumentExchange::isBusy());
}

void TestExchange::oneLeaseAtATime()
{
    QSignalSpy busy(&InstrumentExchange::instance(), &InstrumentExchange::busyChanged);
    {
        InstrumentExchange::Lease first = InstrumentExchange::tryBegin();
        QVERIFY(bool(first));
        QVERIFY(InstrumentExchange::isBusy());
        InstrumentExchange::Lease second = InstrumentExchange::tryBegin();
        QVERIFY(!second);
        QVERIFY(InstrumentExchange::isBusy());
    }
    QVERIFY(!InstrumentExchange::isBusy());
    QCOMPARE(busy.count(), 2);
    QCOMPARE(busy.at(0).at(0).toBool(), true);
    QCOMPARE(busy.at(1).at(0).toBool(), false);
    QVERIFY(bool(InstrumentExchange::tryBegin()));
}

void TestExchange::leaseMovesAndReleasesOnce()
{
    QSignalSpy busy(&InstrumentExchange::instance(), &InstrumentExchange::busyChanged);
    InstrumentExchange::Lease held = InstrumentExchange::tryBegin();
    InstrumentExchange::Lease moved = std::move(held);
    QVERIFY(!held);
    QVERIFY(bool(moved));
    held.release(); // an empty lease releases nothing
    QVERIFY(InstrumentExchange::isBusy());
    InstrumentExchange::Lease other;
    other = std::move(moved);
    QVERIFY(InstrumentExchange::isBusy());
    other.release();
    other.release();
    QVERIFY(!InstrumentExchange::isBusy());
    QCOMPARE(busy.count(), 2);
}

void TestExchange::workerRunsOnItsOwnThread()
{
    ExchangeThread thread;
    QSignalSpy finished(&thread, &ExchangeThread::finished);
    std::atomic<QThread*> ranOn{nullptr};
    QVERIFY(thread.start(worker([&] { ranOn = QThread::currentThread(); })));
    QVERIFY(thread.isRunning());
    QVERIFY(InstrumentExchange::isBusy());
    QTRY_COMPARE(finished.count(), 1);
    QVERIFY(ranOn.load() != nullptr);
    QVERIFY(ranOn.load() != QThread::currentThread());
    QVERIFY(!thread.isRunning());
    QVERIFY(!InstrumentExchange::isBusy());

    // A finished thread can take the next exchange.
    QVERIFY(thread.start(worker([] {})));
    QTRY_COMPARE(finished.count(), 2);
}

void TestExchange::secondExchangeIsRefusedWhileOneRuns()
{
    QSemaphore hold;
    ExchangeThread first;
    ExchangeThread second;
    QSignalSpy firstDone(&first, &ExchangeThread::finished);
    QVERIFY(first.start(worker([&] { hold.acquire(); })));

    bool secondRan = false;
    QVERIFY(!first.start(worker([&] { secondRan = true; })));
    QVERIFY(!second.start(worker([&] { secondRan = true; })));
    QVERIFY(!InstrumentExchange::tryBegin()); // nor on the user-interface thread
    QVERIFY(!second.isRunning());

    hold.release();
    QTRY_COMPARE(firstDone.count(), 1);
    QVERIFY(!secondRan);
    QSignalSpy secondDone(&second, &ExchangeThread::finished);
    QVERIFY(second.start(worker([&] { secondRan = true; })));
    QTRY_COMPARE(secondDone.count(), 1);
    QVERIFY(secondRan);
}

void TestExchange::stopServesTheWindowTheWorkerWaitsFor()
{
    QObject window; // stands for a progress window of the user-interface thread
    bool applied = false;
    std::atomic<bool> sawStop{false};
    QSemaphore started;
    auto thread = std::make_unique<ExchangeThread>();
    QSignalSpy finished(thread.get(), &ExchangeThread::finished);
    QVERIFY(thread->start(worker([&] {
                              started.release();
                              QMetaObject::invokeMethod(
                                  &window, [&] { applied = true; }, Qt::BlockingQueuedConnection);
                              sawStop = LambdaWorker::stopAsked();
                          }),
                          {&window}));
    started.acquire();
    // No event loop runs here: only stop() can deliver the worker's call.
    thread->stop();
    QVERIFY(applied);
    QVERIFY(sawStop.load());
    QVERIFY(!thread->isRunning());
    QVERIFY(!InstrumentExchange::isBusy());
    thread.reset();
    QCOMPARE(finished.count(), 0);
}

void TestExchange::rowsAreNumberedFromTheTop_data()
{
    QTest::addColumn<int>("rows");
    QTest::newRow("none") << 0;
    QTest::newRow("one") << 1;
    QTest::newRow("three") << 3;
    QTest::newRow("fifty") << 50;
}

void TestExchange::rowsAreNumberedFromTheTop()
{
    QFETCH(int, rows);
    MemoryProgressView view;
    {
        TransferProgress progress(view);
        progress.start(rows);
        QCOMPARE(view.minimum(), 0);
        QCOMPARE(view.maximum(), rows);
        QCOMPARE(view.position(), 0);
        for (int i = 1; i <= rows; ++i) {
            QCOMPARE(progress.addRow({QStringLiteral("n%1").arg(i), QStringLiteral("name"),
                                      QStringLiteral("class")}),
                     i);
            QCOMPARE(view.position(), i);
        }
        QCOMPARE(progress.count(), rows);
        QVERIFY(!view.finished());
    }
    QVERIFY(view.finished());
    QCOMPARE(view.rowCount(), rows);
    for (int r = 0; r < rows; ++r) {
        const int number = rows - r;
        QCOMPARE(view.row(r),
                 (QStringList{QString::number(number), QStringLiteral("n%1").arg(number),
                              QStringLiteral("name"), QStringLiteral("class")}));
    }
}

void TestExchange::barStaysFullPastTheTotal()
{
    // Double records give two rows for one record of the total.
    MemoryProgressView view;
    TransferProgress progress(view);
    progress.start(2);
    for (int i = 0; i < 3; ++i)
        progress.addRow({});
    QCOMPARE(progress.count(), 3);
    QCOMPARE(view.position(), 2);
    QCOMPARE(view.row(0).first(), QStringLiteral("3"));
}

void TestExchange::totalsDoNotWrapAtSixteenBits()
{
    MemoryProgressView view;
    TransferProgress progress(view);
    progress.start(70000);
    QCOMPARE(view.maximum(), 70000);
    progress.addRow({});
    QCOMPARE(view.position(), 1);
}

void TestExchange::everyWayOutFinishesTheWindow()
{
    MemoryProgressView view;
    ExchangeThread thread;
    QSignalSpy finished(&thread, &ExchangeThread::finished);
    // Ends before the transfer starts, as a worker does after a failed handshake.
    QVERIFY(thread.start(worker([&] {
        TransferProgress progress(view);
        if (view.rowCount() == 0)
            return;
        progress.start(5);
    })));
    QTRY_COMPARE(finished.count(), 1);
    QVERIFY(view.finished());
    QCOMPARE(view.rowCount(), 0);
}

void TestExchange::clearingCallsHandshakeFormatGoodbyeThenCloses()
{
    const QString path = QStringLiteral(SORVIK_BIN_DIR "/libfakemachine.so");
    QLibrary fake(path);
    QVERIFY(fake.load());
    const auto reset = reinterpret_cast<void (*)()>(fake.resolve("fake_reset"));
    const auto calls = reinterpret_cast<const char* (*)()>(fake.resolve("fake_calls"));
    QVERIFY(reset && calls);
    reset();

    RecordingWaitView window;
    window.snapshot = [calls] { return QByteArray(calls()); };
    ExchangeThread thread;
    QSignalSpy finished(&thread, &ExchangeThread::finished);
    QVERIFY(thread.start(
        std::make_unique<FormatThread>(std::make_shared<MachineInterface>(path), window)));
    QTRY_COMPARE(finished.count(), 1);
    QMutexLocker lock(&window.mutex);
    QCOMPARE(window.closed, 1);
    QVERIFY(window.closedOnWorker);
    QCOMPARE(window.callsWhenClosed, QByteArray("CMD0_Handshake,CMD6_Format,CMD10_Goodbye"));
}

void TestExchange::clearingWithoutLibraryStillCloses()
{
    RecordingWaitView window;
    ExchangeThread thread;
    QSignalSpy finished(&thread, &ExchangeThread::finished);
    auto machine = std::make_shared<MachineInterface>(QStringLiteral("/nonexistent/libqrv.so"));
    QVERIFY(!machine->isBound());
    QVERIFY(thread.start(std::make_unique<FormatThread>(machine, window)));
    QTRY_COMPARE(finished.count(), 1);
    QMutexLocker lock(&window.mutex);
    QCOMPARE(window.closed, 1);
}

QTEST_GUILESS_MAIN(TestExchange)
#include "testexchange.moc"
