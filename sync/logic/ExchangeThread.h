#pragma once

#include "InstrumentExchange.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <memory>

class ExchangeWorker;
class QThread;

// The worker thread of a dialog that talks to the instrument. The dialog owns it (as a member,
// so it stops before the dialog's windows go) and asks isRunning() before it lets itself close.
// It holds the process-wide exchange from start until the worker has ended.
class ExchangeThread final : public QObject
{
    Q_OBJECT
public:
    explicit ExchangeThread(QObject* parent = nullptr);
    ~ExchangeThread() override;

    // Runs worker->run() on a new thread. False, and nothing runs, when this or any other
    // exchange is still going on. views: the windows the worker calls synchronously; they must
    // outlive the worker, and stop() keeps serving their calls while it waits.
    bool start(std::unique_ptr<ExchangeWorker> worker, const QList<QObject*>& views = {});

    // From start until finished() has been emitted.
    bool isRunning() const { return m_worker != nullptr; }

    // Asks the worker to stop early and waits until it has ended. finished() is not emitted.
    void stop();

signals:
    // The worker has ended and the exchange is free again; on the owner's thread.
    void finished();

private:
    void onThreadFinished();
    void cleanUp();

    std::unique_ptr<QThread> m_thread;
    std::unique_ptr<ExchangeWorker> m_worker;
    InstrumentExchange::Lease m_lease;
    QList<QPointer<QObject>> m_views;
};
