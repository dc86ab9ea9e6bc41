#include "platform/TcpLink.h"

#include "support/ClosedPort.h"
#include "support/LoopbackServer.h"
#include "support/Wait.h"

#include <algorithm>

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::ClosedPort;
using korvane::test::LoopbackServer;
using korvane::test::waitUntil;

namespace {

TEST(TcpLink, WalksClosedConnectingConnectedClosed)
{
    LoopbackServer server;
    TcpLink link(QStringLiteral("t"));
    EXPECT_EQ(link.State(), 0);
    link.RemoteHost = QStringLiteral("127.0.0.1");
    link.RemotePort = server.port();
    ASSERT_TRUE(link.Connect());
    EXPECT_EQ(link.State(), 6);
    EXPECT_FALSE(link.Connect()) << "a second connect while connecting is refused";
    ASSERT_TRUE(waitUntil([&] { return link.State() == 7; }));
    EXPECT_FALSE(link.Connect());
    link.Close();
    EXPECT_EQ(link.State(), 0);
}

TEST(TcpLink, RefusedConnectHoldsErrorUntilClose)
{
    TcpLink link(QStringLiteral("t"));
    link.RemoteHost = QStringLiteral("127.0.0.1");
    const ClosedPort closed;
    link.RemotePort = closed.port();
    int errors = 0;
    QObject::connect(&link, &TcpLink::errorOccurred, [&] { ++errors; });
    link.Connect();
    ASSERT_TRUE(waitUntil([&] { return link.State() == 9; }));
    EXPECT_EQ(errors, 1);
    EXPECT_FALSE(link.SendData(QStringLiteral("p")));
    link.Close();
    EXPECT_EQ(link.State(), 0);
}

TEST(TcpLink, APeerFasterThanTheReaderIsHandedOverInBoundedPieces)
{
    // Each data event's handler works on what it reads at once: a flood
    // must neither be held whole in memory nor read in one long step.
    LoopbackServer server;
    TcpLink link(QStringLiteral("t"));
    link.RemoteHost = QStringLiteral("127.0.0.1");
    link.RemotePort = server.port();
    link.Connect();
    ASSERT_TRUE(waitUntil([&] { return link.State() == 7 && server.openClients() == 1; }));
    qint64 total = 0;
    qint64 largest = 0;
    QObject::connect(&link, &TcpLink::dataArrival, [&] {
        const qint64 size = link.GetData().size();
        total += size;
        largest = std::max(largest, size);
    });
    const QByteArray flood(8 * 1024 * 1024, 'x');
    server.sendToAll(flood);
    ASSERT_TRUE(waitUntil([&] { return total == flood.size(); }, 20000));
    EXPECT_LE(largest, 64 * 1024);
}

TEST(TcpLink, SendsExactBytesAndReadsAll)
{
    LoopbackServer server;
    TcpLink link(QStringLiteral("t"));
    link.RemoteHost = QStringLiteral("127.0.0.1");
    link.RemotePort = server.port();
    link.Connect();
    ASSERT_TRUE(waitUntil([&] { return link.State() == 7 && server.openClients() == 1; }));
    EXPECT_TRUE(link.SendData(QStringLiteral("cl0\r\n")));
    EXPECT_TRUE(link.SendData(QStringLiteral("g2")));
    EXPECT_TRUE(link.SendData(QStringLiteral("距a")));
    ASSERT_TRUE(waitUntil([&] { return server.received.size() >= 9; }));
    EXPECT_EQ(server.received, QByteArray("cl0\r\ng2?a"));

    QByteArray got;
    QObject::connect(&link, &TcpLink::dataArrival, [&] { got += link.GetData(); });
    server.sendToAll(QByteArray("\xe8\xb7\x9d\0x", 5));
    ASSERT_TRUE(waitUntil([&] { return got.size() == 5; }));
    EXPECT_EQ(got, QByteArray("\xe8\xb7\x9d\0x", 5));
}

TEST(TcpLink, PeerCloseLeavesConnectedState)
{
    LoopbackServer server;
    TcpLink link(QStringLiteral("t"));
    link.RemoteHost = QStringLiteral("127.0.0.1");
    link.RemotePort = server.port();
    link.Connect();
    ASSERT_TRUE(waitUntil([&] { return link.State() == 7 && server.openClients() == 1; }));
    server.dropAll();
    ASSERT_TRUE(waitUntil([&] { return link.State() != 7; }));
    EXPECT_FALSE(link.SendData(QStringLiteral("p")));
    // and it can connect again
    EXPECT_TRUE(link.Connect() || link.State() == 9);
}

TEST(TcpLink, InvalidPortIsRefused)
{
    TcpLink link(QStringLiteral("t"));
    link.RemoteHost = QStringLiteral("127.0.0.1");
    link.RemotePort = 70000;
    EXPECT_FALSE(link.Connect());
    EXPECT_EQ(link.State(), 0);
}

} // namespace
