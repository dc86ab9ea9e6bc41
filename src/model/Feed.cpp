#include "model/Feed.h"

#include "model/Control.h"
#include "platform/Clock.h"

namespace korvane {

Feed::Feed(const QString &name, QObject *parent)
    : QObject(parent), m_name(name)
{
    m_since.start();
}

void Feed::reading()
{
    m_since.start();
    m_everRead = true;
    const QDateTime now = m_clock ? m_clock->now() : QDateTime::currentDateTime();
    for (Control *field : std::as_const(m_fields))
        field->setReadAt(now);
    setStale(false, QString());
}

void Feed::lost(const QString &reason)
{
    setStale(true, reason);
}

void Feed::check()
{
    if (!m_stale && m_since.elapsed() >= m_staleAfterMs)
        setStale(true, m_silenceReason);
}

void Feed::setStale(bool stale, const QString &reason)
{
    if (stale == m_stale)
        return;
    m_stale = stale;
    m_reason = reason;
    for (Control *field : std::as_const(m_fields))
        field->setStale(stale);
    if (stale)
        Q_EMIT turnedStale(reason);
    else
        Q_EMIT refreshed();
}

} // namespace korvane
