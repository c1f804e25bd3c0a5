#include "InstrumentExchange.h"

#include <QCoreApplication>
#include <QThread>

InstrumentExchange::Lease& InstrumentExchange::Lease::operator=(Lease&& other) noexcept
{
    if (this != &other) {
        release();
        m_held = std::exchange(other.m_held, false);
    }
    return *this;
}

void InstrumentExchange::Lease::release()
{
    if (!std::exchange(m_held, false))
        return;
    InstrumentExchange& exchange = instance();
    exchange.m_busy.store(false);
    exchange.announce(false);
}

InstrumentExchange::InstrumentExchange()
{
    // Buttons connect to it; its signals belong to the user-interface thread.
    if (QCoreApplication* app = QCoreApplication::instance())
        moveToThread(app->thread());
}

InstrumentExchange& InstrumentExchange::instance()
{
    static InstrumentExchange exchange;
    return exchange;
}

InstrumentExchange::Lease InstrumentExchange::tryBegin()
{
    InstrumentExchange& exchange = instance();
    bool expected = false;
    if (!exchange.m_busy.compare_exchange_strong(expected, true))
        return Lease();
    exchange.announce(true);
    return Lease(true);
}

bool InstrumentExchange::isBusy()
{
    return instance().m_busy.load();
}

void InstrumentExchange::announce(bool busy)
{
    if (QThread::currentThread() == thread()) {
        emit busyChanged(busy);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, busy] { emit busyChanged(busy); }, Qt::QueuedConnection);
}
