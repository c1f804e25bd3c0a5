#include "ExchangeThread.h"

#include "ExchangeWorker.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

ExchangeThread::ExchangeThread(QObject* parent) : QObject(parent) {}

ExchangeThread::~ExchangeThread()
{
    stop();
}

bool ExchangeThread::start(std::unique_ptr<ExchangeWorker> worker, const QList<QObject*>& views)
{
    if (!worker || isRunning())
        return false;
    InstrumentExchange::Lease lease = InstrumentExchange::tryBegin();
    if (!lease)
        return false;

    m_lease = std::move(lease);
    m_worker = std::move(worker);
    m_views.clear();
    for (QObject* view : views)
        m_views << QPointer<QObject>(view);

    m_thread = std::make_unique<QThread>();
    m_thread->setObjectName(QStringLiteral("instrument exchange"));
    m_worker->moveToThread(m_thread.get());
    ExchangeWorker* w = m_worker.get();
    connect(m_thread.get(), &QThread::started, w, [w] {
        w->run();
        QThread::currentThread()->quit();
    });
    connect(m_thread.get(), &QThread::finished, this, &ExchangeThread::onThreadFinished,
            Qt::QueuedConnection);
    m_thread->start();
    return true;
}

void ExchangeThread::stop()
{
    if (!m_thread)
        return;
    disconnect(m_thread.get(), &QThread::finished, this, &ExchangeThread::onThreadFinished);
    m_thread->requestInterruption();
    m_thread->quit();
    // The worker may be waiting for one of its windows to apply an update (or for a message box
    // to be answered); deliver those calls, or both threads would wait for each other.
    while (!m_thread->wait(QDeadlineTimer(20))) {
        for (const QPointer<QObject>& view : std::as_const(m_views))
            if (view)
                QCoreApplication::sendPostedEvents(view, QEvent::MetaCall);
        if (QCoreApplication* app = QCoreApplication::instance())
            QCoreApplication::sendPostedEvents(app, QEvent::MetaCall);
    }
    cleanUp();
}

void ExchangeThread::onThreadFinished()
{
    if (!m_thread)
        return;
    m_thread->wait(); // finished() comes from the thread just before it ends
    cleanUp();
    emit finished();
}

void ExchangeThread::cleanUp()
{
    // The thread has ended: its worker can go from here.
    m_worker.reset();
    m_thread.reset();
    m_views.clear();
    m_lease.release();
}
