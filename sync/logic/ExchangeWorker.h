#pragma once

#include <QObject>

// A transfer with the instrument that runs on a worker thread (clearing, class download, result
// import, name download). It lives on the thread ExchangeThread gives it and never touches a
// widget: it updates windows through the view interfaces (ProgressView, PleaseWaitView), whose
// calls are applied on the user-interface thread before they return, and shows its messages
// through platform::appMessage, which waits for the answer.
class ExchangeWorker : public QObject
{
    Q_OBJECT
public:
    ~ExchangeWorker() override;

    // The whole transfer, handshake to goodbye. Runs on the worker thread.
    virtual void run() = 0;

protected:
    // True once the owner is going away; a long transfer may stop early (still saying goodbye).
    static bool interruptionRequested();
};
