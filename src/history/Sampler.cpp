#include "history/Sampler.h"

#include "history/HistorySchema.h"
#include "history/HistoryStore.h"
#include "platform/Clock.h"

#include <cstdlib>

namespace korvane::history {

Sampler::Sampler(const Clock &clock, HistoryStore &store, Reader read, QObject *parent)
    : QObject(parent), m_clock(clock), m_store(store), m_read(std::move(read))
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Sampler::sampleNow);
}

void Sampler::start(int intervalMs)
{
    m_timer.setInterval(std::max(1, intervalMs));
    m_timer.start();
}

void Sampler::sampleNow()
{
    Sample s = m_read();
    const QDateTime now = m_clock.now();
    s.t = now.toMSecsSinceEpoch();
    if (m_hasLast) {
        const qint64 expected = m_last.t + m_sinceLast.elapsed();
        if (std::llabs(s.t - expected) > kJumpMs)
            Q_EMIT clockJumped(s.t - expected, QDateTime::fromMSecsSinceEpoch(expected), now);
    }
    m_sinceLast.start();
    m_store.addSample(s);
    // Link losses and returns are the station's own event lines (with the
    // reason and the length), so the samples make none of their own.
    if (!s.alarm.isEmpty() && s.alarm != m_last.alarm)
        m_store.addEvent({s.t, kind::Alarm, s.alarm, {}});
    m_last = s;
    m_hasLast = true;
}

} // namespace korvane::history
