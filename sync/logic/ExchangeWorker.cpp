#include "ExchangeWorker.h"

#include <QThread>

ExchangeWorker::~ExchangeWorker() = default;

bool ExchangeWorker::interruptionRequested()
{
    return QThread::currentThread()->isInterruptionRequested();
}
