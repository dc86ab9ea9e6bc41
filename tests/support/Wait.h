#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

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
