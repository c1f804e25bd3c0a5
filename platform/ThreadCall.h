#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <optional>
#include <type_traits>

namespace platform
{

// Runs work on the thread context lives on and waits until it has run; returns what work
// returns. Called on that thread (or without a context) it runs at once; from another thread it
// is queued to context while the caller blocks, so a worker's update is applied before the
// worker goes on. The queued call is a meta-call event of context: a thread that waits for the
// caller can still deliver it (ExchangeThread::stop does), but context's thread must not be
// blocked on the caller in any other way.
template <typename Work> auto callOnThreadOf(const QObject* context, Work&& work)
{
    using Result = std::invoke_result_t<Work&>;
    auto* target = const_cast<QObject*>(context);
    const bool here = target == nullptr || QThread::currentThread() == target->thread();
    if constexpr (std::is_void_v<Result>) {
        if (here)
            work();
        else
            QMetaObject::invokeMethod(
                target, [&work] { work(); }, Qt::BlockingQueuedConnection);
    } else {
        if (here)
            return work();
        std::optional<Result> result;
        QMetaObject::invokeMethod(
            target, [&] { result.emplace(work()); }, Qt::BlockingQueuedConnection);
        return result ? std::move(*result) : Result{};
    }
}

} // namespace platform
