#pragma once

#include "support/LoopbackServer.h"
#include "support/StationFixture.h"
#include "support/Wait.h"

#include <QFile>

#include <gtest/gtest.h>

namespace korvane::test {

inline void connectLink(TcpLink &link, LoopbackServer &peer)
{
    link.RemoteHost = QStringLiteral("127.0.0.1");
    link.RemotePort = peer.port();
    link.Connect();
    ASSERT_TRUE(waitUntil([&] { return link.State() == TcpLink::Connected && peer.openClients() > 0; }));
}

inline void stopTimers(Station &s)
{
    for (QTimer *t : {&s.Timer1, &s.blink, &s.Timer2, &s.GET_SIGN, &s.Timer_Ping, &s.Timer_AutoScan, &s.Timer_Cloud})
        t->stop();
}

// A loaded station with both links up to recording loopback peers and its
// timers stopped: the test runs the ticks.
class OptimiseFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        Station &s = f.start();
        stopTimers(s);
        connectLink(s.Winsock2, board);
        connectLink(s.Winsock1, radio);
    }

    Station &station() { return *f.station; }

    // Everything the board received since the last call, in order: a marker
    // sent after it shows that all of it has arrived.
    QByteArray wire()
    {
        if (!station().controllerLink.send(QStringLiteral("#")))
            return board.received;
        EXPECT_TRUE(waitUntil([&] { return board.received.endsWith('#'); }));
        QByteArray got = board.received.chopped(1);
        board.received.clear();
        return got;
    }

    QString log() const { return f.logText(); }

    LoopbackServer board;
    LoopbackServer radio;
    StationFixture f;
};

} // namespace korvane::test
