#pragma once

#include "history/Sample.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

namespace korvane {
class Clock;
}

namespace korvane::history {

class HistoryStore;

// Takes one sample a second on its own timer and hands it to the store; a
// new alarm also becomes an event so a chart can mark it. Watches the wall
// clock against the monotonic one: a step of the clock either way is said
// once (clockJumped), and the rows keep the wall time they were taken at.
class Sampler : public QObject {
    Q_OBJECT
public:
    using Reader = std::function<Sample()>;
    // A difference between the wall clock's step and the monotonic clock's
    // larger than this, between two samples, is a jump of the clock.
    static constexpr qint64 kJumpMs = 10'000;

    Sampler(const Clock &clock, HistoryStore &store, Reader read, QObject *parent = nullptr);

    void start(int intervalMs);
    void stop() { m_timer.stop(); }
    // One sample now, stamped with the clock.
    void sampleNow();

Q_SIGNALS:
    // The wall clock stepped by `byMs` (negative: back) between `from` (what
    // it would have said) and `to` (what it says).
    void clockJumped(qint64 byMs, const QDateTime &from, const QDateTime &to);

private:
    const Clock &m_clock;
    HistoryStore &m_store;
    Reader m_read;
    QTimer m_timer;
    Sample m_last;
    bool m_hasLast = false;
    QElapsedTimer m_sinceLast;
};

} // namespace korvane::history
