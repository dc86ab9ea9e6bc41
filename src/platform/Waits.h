#pragma once

#include <QCoro/QCoroTask>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <coroutine>
#include <functional>

namespace korvane {

// The station never waits by running the event loop inside a handler: a
// handler that must wait is a coroutine, returns to the loop at each
// co_await, and goes on when the time has passed or the answer has come.
// Other handlers meanwhile run to their end, one at a time.
template <typename T = void>
using Task = QCoro::Task<T>;

// Every wait belongs to a scope, whose end cancels it: the waits in it end
// at once, and a wait begun in a scope that has ended ends at once too. The
// station ends its scope first when it goes, while everything it owns still
// exists, so every sequence unwinds before anything it touches is
// destroyed, and none goes on afterwards. A scope ends when destroyed too.
class Scope : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Scope() override { end(); }

    void end();
    bool ended() const { return m_ended; }

signals:
    void ending();

private:
    bool m_ended = false;
};

// One suspension of a coroutine, ended by whichever comes first: wake(),
// the time-out (none when negative) or the end of the scope.
class Suspension {
public:
    enum class Outcome { Woken, TimedOut, Cancelled };

    explicit Suspension(const Scope *scope, int timeoutMs = -1);
    Suspension(const Suspension &) = delete;
    Suspension &operator=(const Suspension &) = delete;

    // Ends the suspension as woken; before it began, it does not begin.
    void wake() { end(Outcome::Woken); }
    // The object to give connect() as context: it goes with the suspension.
    QObject *context() { return &m_timer; }

    // co_await gives the outcome. The suspension itself stays where it is
    // (its connections point at it); only this handle is passed around.
    struct Awaiter {
        Suspension *suspension;
        bool await_ready() const noexcept { return suspension->m_outcome.has_value(); }
        void await_suspend(std::coroutine_handle<> waiting) { suspension->suspend(waiting); }
        Outcome await_resume() const noexcept { return *suspension->m_outcome; }
    };
    Awaiter operator co_await() & { return Awaiter{this}; }
    bool ended() const { return m_outcome.has_value(); }

private:
    void suspend(std::coroutine_handle<> waiting);
    void end(Outcome outcome);

    QPointer<const Scope> m_scope;
    int m_timeoutMs;
    QTimer m_timer;
    std::optional<Outcome> m_outcome;
    std::coroutine_handle<> m_waiting;
};

// Waits `seconds` on the monotonic clock, so midnight or a clock change
// neither shortens nor stretches it. True when the time has passed; false
// when the scope ended first (the caller's sequence is over). 0 or less
// passes at once.
Task<bool> Delay(const Scope *scope, float seconds);

// A pause a test may record or shorten; the real one is delayIn(scope).
using Wait = std::function<Task<bool>(float seconds)>;
Wait delayIn(const Scope *scope);

// Starts a sequence nobody awaits. Nothing in the station throws; should a
// library call do so all the same, it is reported instead of lost.
void launch(Task<> &&task, const char *what);

} // namespace korvane
