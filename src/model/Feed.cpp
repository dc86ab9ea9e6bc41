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
    const bool first = !m_everRead;
    m_everRead = true;
    const QDateTime now = m_clock ? m_clock->now() : QDateTime::currentDateTime();
    for (Control *field : std::as_const(m_fields))
        field->setReadAt(now);
    // The first reading is news too: the link is up from now on.
    if (first && !m_stale)
        Q_EMIT refreshed();
    else
        setStale(false, QString(), false);
}

void Feed::lost(const QString &reason)
{
    setStale(true, reason, false);
}

void Feed::closed()
{
    setStale(true, QString(), false);
}

void Feed::check()
{
    if (!m_stale && m_since.elapsed() >= m_staleAfterMs)
        setStale(true, m_silenceReason, true);
}

void Feed::setStale(bool stale, const QString &reason, bool bySilence)
{
    if (stale == m_stale)
        return;
    m_stale = stale;
    m_reason = reason;
    for (Control *field : std::as_const(m_fields))
        field->setStale(stale);
    if (stale)
        Q_EMIT turnedStale(reason, bySilence);
    else
        Q_EMIT refreshed();
}

} // namespace korvane
