// The simulated 5G CPE as a client meets it over HTTP: what the station's
// own tests do not reach.
#include "support/PeerClient.h"
#include "support/SimProcess.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using korvane::test::PeerClient;
using korvane::test::SimProcess;

namespace {

QByteArray get(const QByteArray &target)
{
    return "GET " + target + " HTTP/1.1\r\nHost: cpe\r\nUser-Agent: probe/2\r\n\r\n";
}

// The JSON body of an answer; empty when there is none.
QJsonObject answered(PeerClient &client)
{
    if (!client.waitForDisconnect())
        return {};
    const QByteArray &bytes = client.received();
    return QJsonDocument::fromJson(bytes.mid(bytes.indexOf("\r\n\r\n") + 4)).object();
}

TEST(CpeSim, AnswersTheObjectAfterATelnetGreetingAndCountsOn)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("cpe"), {QStringLiteral("--status"), QStringLiteral("ROAMING"),
                                                  QStringLiteral("--rx-start"), QStringLiteral("100")}));
    PeerClient first;
    ASSERT_TRUE(first.connectTo(sim.port()));
    first.write("\r\n");
    first.write(get("/cgi-bin/5g"));
    const QJsonObject one = answered(first);
    ASSERT_TRUE(first.received().startsWith("HTTP/1.1 200 OK\r\n")) << first.received().constData();
    EXPECT_EQ(one.value(QStringLiteral("status")).toString(), QStringLiteral("ROAMING"));
    EXPECT_EQ(one.value(QStringLiteral("rx_bytes")).toInteger(), 100);
    EXPECT_EQ(one.keys().size(), 11);
    EXPECT_EQ(sim.statusText(QStringLiteral("user_agent")), QStringLiteral("probe/2"));

    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("set rsrp -101")));
    PeerClient second;
    ASSERT_TRUE(second.connectTo(sim.port()));
    second.write(get("/cgi-bin/5g"));
    const QJsonObject two = answered(second);
    EXPECT_EQ(two.value(QStringLiteral("rx_bytes")).toInteger(), 100 + 2621440);
    EXPECT_EQ(two.value(QStringLiteral("rsrp")).toString(), QStringLiteral("-101"));

    PeerClient other;
    ASSERT_TRUE(other.connectTo(sim.port()));
    other.write(get("/"));
    ASSERT_TRUE(other.waitForDisconnect());
    EXPECT_TRUE(other.received().startsWith("HTTP/1.1 404 Not Found\r\n"));

    for (const char *bad : {"mode slow", "mode silent 5", "set nokey 1", "set rx_bytes many", "set status \"x\"",
                            "body", "frobnicate"}) {
        sim.control(QString::fromLatin1(bad));
        EXPECT_FALSE(sim.waitForLine(QStringLiteral("error ") + QLatin1String(bad)).isEmpty()) << bad;
    }
}

} // namespace
