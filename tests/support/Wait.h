#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace korvane::test {

// Pumps events until `condition` holds or `ms` pass; returns whether it held.
inline bool waitUntil(const std::function<bool()> &condition, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    // processEvents with a time limit never sleeps; waiting for the next
    // event does, and this timer makes sure one comes every few ms so a
    // condition that changes outside the event loop is still seen.
    QTimer wake;
    wake.start(5);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace korvane::test

#include "platform/Waits.h"

namespace korvane::test {

// A pause that passes at once.
inline Task<bool> noWait(float)
{
    co_return true;
}

// The result of a handler's coroutine: at once when it did not wait,
// otherwise once it ends (events run meanwhile), within `ms`.
template <typename T>
T finish(Task<T> &&task, int ms = 10000)
{
    // Shared: a task that outlives the bound still has somewhere to write.
    const auto result = std::make_shared<std::optional<T>>();
    QCoro::connect(std::move(task), QCoreApplication::instance(), [result](T value) { *result = value; });
    waitUntil([&] { return result->has_value(); }, ms);
    return result->value_or(T{});
}

// A handler's coroutine without a result, run to its end within `ms`.
inline bool finish(Task<> &&task, int ms = 10000)
{
    const auto done = std::make_shared<bool>(false);
    QCoro::connect(std::move(task), QCoreApplication::instance(), [done] { *done = true; });
    return waitUntil([&] { return *done; }, ms);
}

} // namespace korvane::test
