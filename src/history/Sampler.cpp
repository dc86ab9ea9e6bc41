#include "history/Sampler.h"

#include "history/HistorySchema.h"
#include "history/HistoryStore.h"
#include "platform/Clock.h"

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
    s.t = m_clock.now().toMSecsSinceEpoch();
    m_store.addSample(s);
    if (m_hasLast) {
        linkEvent(s.t, m_last.boardLink, s.boardLink, QStringLiteral("天线控制链路断开"),
                  QStringLiteral("天线控制链路恢复"));
        linkEvent(s.t, m_last.radioLink, s.radioLink, QStringLiteral("微波链路断开"), QStringLiteral("微波链路恢复"));
    }
    if (!s.alarm.isEmpty() && s.alarm != m_last.alarm)
        m_store.addEvent({s.t, kind::Alarm, s.alarm});
    m_last = s;
    m_hasLast = true;
}

void Sampler::linkEvent(qint64 t, const std::optional<int> &was, const std::optional<int> &now, const QString &lost,
                        const QString &back)
{
    if (was == 1 && now == 0)
        m_store.addEvent({t, kind::LinkLost, lost});
    else if (was == 0 && now == 1)
        m_store.addEvent({t, kind::LinkBack, back});
}

} // namespace korvane::history
