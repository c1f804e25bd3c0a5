#pragma once

#include <QObject>

#include <atomic>
#include <utility>

// One exchange with an instrument at a time, process-wide. Whoever talks to the instrument,
// on a worker or on the user-interface thread, holds a Lease for the whole exchange
// (handshake to goodbye). Buttons that would start another exchange follow busyChanged.
class InstrumentExchange final : public QObject
{
    Q_OBJECT
public:
    // Move-only; releases the exchange when destroyed or released.
    class Lease
    {
    public:
        Lease() = default;
        ~Lease() { release(); }
        Lease(Lease&& other) noexcept : m_held(std::exchange(other.m_held, false)) {}
        Lease& operator=(Lease&& other) noexcept;
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;

        explicit operator bool() const { return m_held; }
        void release();

    private:
        friend class InstrumentExchange;
        explicit Lease(bool held) : m_held(held) {}
        bool m_held = false;
    };

    static InstrumentExchange& instance();

    // An empty lease when another exchange runs.
    static Lease tryBegin();
    static bool isBusy();

signals:
    // Delivered on the user-interface thread.
    void busyChanged(bool busy);

private:
    InstrumentExchange();
    void announce(bool busy);

    std::atomic<bool> m_busy{false};
};
