#include "platform/Waits.h"

#include <QDeadlineTimer>
#include <QtDebug>

#include <cmath>
#include <exception>
#include <utility>

namespace korvane {

void Scope::end()
{
    if (m_ended)
        return;
    m_ended = true;
    emit ending();
}

Suspension::Suspension(const Scope *scope, int timeoutMs)
    : m_scope(scope), m_timeoutMs(timeoutMs)
{
    if (!m_scope || m_scope->ended())
        m_outcome = Outcome::Cancelled;
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
}

void Suspension::suspend(std::coroutine_handle<> waiting)
{
    m_waiting = waiting;
    QObject::connect(m_scope.data(), &Scope::ending, &m_timer, [this] { end(Outcome::Cancelled); });
    QObject::connect(&m_timer, &QTimer::timeout, [this] { end(Outcome::TimedOut); });
    if (m_timeoutMs >= 0)
        m_timer.start(m_timeoutMs);
}

void Suspension::end(Outcome outcome)
{
    if (m_outcome)
        return;
    m_outcome = outcome;
    m_timer.stop();
    // The coroutine may finish and free this suspension before resume()
    // returns: nothing of it is touched after.
    if (const std::coroutine_handle<> waiting = std::exchange(m_waiting, {}))
        waiting.resume();
}

Task<bool> Delay(const Scope *scope, float seconds)
{
    if (!(seconds > 0.0f) || !std::isfinite(seconds))
        co_return scope && !scope->ended();
    const qint64 ms = static_cast<qint64>(std::ceil(static_cast<double>(seconds) * 1000.0));
    const QDeadlineTimer deadline(ms, Qt::PreciseTimer);
    const QPointer<const Scope> alive(scope);
    while (!deadline.hasExpired()) {
        if (!alive || alive->ended())
            co_return false;
        Suspension pause(scope, static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
        const Suspension::Outcome outcome = co_await pause;
        if (outcome == Suspension::Outcome::Cancelled)
            co_return false;
    }
    co_return true;
}

Wait delayIn(const Scope *scope)
{
    return [alive = QPointer<const Scope>(scope)](float seconds) { return Delay(alive.data(), seconds); };
}

void launch(Task<> &&task, const char *what)
{
    std::move(task).then([] {}, [what](const std::exception &error) {
        qCritical("%s ended by an exception: %s", what, error.what());
    });
}

} // namespace korvane
