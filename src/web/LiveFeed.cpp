#include "web/LiveFeed.h"

#include "app/Station.h"
#include "web/LiveFrame.h"

#include <algorithm>

namespace korvane::web {

LiveFeed::LiveFeed(Station &station, QObject *parent)
    : QObject(parent), m_station(station)
{
    m_coalesce.setSingleShot(true);
    connect(&m_coalesce, &QTimer::timeout, this, &LiveFeed::send);
    m_heartbeat.setInterval(kHeartbeatMs);
    connect(&m_heartbeat, &QTimer::timeout, this, &LiveFeed::send);
    // Stale marks arrive as display changes too: a feed marks its fields.
    connect(&station.display, &Display::changed, this, &LiveFeed::changed);
    m_heartbeat.start();
}

QJsonObject LiveFeed::frame() const
{
    return liveFrame(m_station);
}

// The first change after a quiet spell goes out on the next turn of the
// event loop, with whatever else that turn changes; later ones wait for
// the gap since the last frame.
void LiveFeed::changed()
{
    if (m_coalesce.isActive())
        return;
    const qint64 since = m_sinceSent.isValid() ? m_sinceSent.elapsed() : kMinGapMs;
    m_coalesce.start(static_cast<int>(std::max<qint64>(0, kMinGapMs - since)));
}

void LiveFeed::send()
{
    m_coalesce.stop();
    m_sinceSent.start();
    // The heartbeat counts from the last frame, changed or not.
    m_heartbeat.start();
    Q_EMIT frameReady(frame());
}

} // namespace korvane::web
