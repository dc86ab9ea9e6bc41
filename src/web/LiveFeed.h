#pragma once

#include <QElapsedTimer>
#include <QJsonObject>
#include <QObject>
#include <QTimer>

namespace korvane {
class Station;
}

namespace korvane::web {

// The live frames of one station for the WebSocket: a frame after each
// change of the display, bursts coalesced to at most ten a second, and one
// each second when nothing changes (the ages move). Both run on wall time
// whatever the station's time scale: the page shows ages in seconds. The
// server sends each frame to its clients, adding what is theirs alone
// (the question, the terminal).
class LiveFeed : public QObject {
    Q_OBJECT
public:
    static constexpr int kMinGapMs = 100;
    static constexpr int kHeartbeatMs = 1000;

    explicit LiveFeed(Station &station, QObject *parent = nullptr);

    // The frame as it stands now (a client that just connected).
    QJsonObject frame() const;

Q_SIGNALS:
    void frameReady(const QJsonObject &frame);

private:
    void changed();
    void send();

    Station &m_station;
    QTimer m_coalesce;
    QTimer m_heartbeat;
    QElapsedTimer m_sinceSent;
};

} // namespace korvane::web
