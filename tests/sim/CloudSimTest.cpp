// The simulated cloud server run as the station meets it: a separate
// process on loopback, spoken to over HTTP and controlled through stdin.

#include "support/PeerClient.h"
#include "support/SimProcess.h"
#include "support/Wait.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using korvane::test::PeerClient;
using korvane::test::SimProcess;
using korvane::test::waitUntil;

namespace {

const QByteArray kOk = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 2\r\nConnection: close\r\n\r\nOK";

QByteArray get(const QByteArray &target)
{
    return "GET " + target + " HTTP/1.1\r\nHost: cloud.test:80\r\nConnection: close\r\n\r\n";
}

class CloudSim : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        reportsPath = QDir(dir.path()).filePath(QStringLiteral("reports.jsonl"));
        ASSERT_TRUE(sim.start(QStringLiteral("cloud"), {QStringLiteral("--reports"), reportsPath}));
    }

    QList<QJsonObject> reports() const
    {
        QFile f(reportsPath);
        QList<QJsonObject> list;
        if (f.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : f.readAll().split('\n')) {
                if (!line.isEmpty())
                    list << QJsonDocument::fromJson(line).object();
            }
        }
        return list;
    }

    // Sends one request on a fresh connection; the answer is in `client`.
    bool send(PeerClient &client, const QByteArray &request)
    {
        if (!client.connectTo(sim.port()))
            return false;
        client.write(request);
        return true;
    }

    QTemporaryDir dir;
    QString reportsPath;
    SimProcess sim;
};

TEST_F(CloudSim, ReportIsAnsweredOkAndKeptDecodedInOrder)
{
    PeerClient station;
    ASSERT_TRUE(send(station, get("/ship/?mac=00AA&name=Ship%201%23&note=%B6%AF%D6%D0+x&sign=")));
    ASSERT_TRUE(station.waitForDisconnect());
    EXPECT_EQ(station.received(), kOk);
    ASSERT_TRUE(waitUntil([&] { return reports().size() == 1; }));
    const QJsonObject r = reports().first();
    EXPECT_EQ(r.value("host").toString(), QStringLiteral("cloud.test:80"));
    EXPECT_EQ(r.value("answered").toInt(), 200);
    EXPECT_EQ(r.value("raw").toString(), QStringLiteral("mac=00AA&name=Ship%201%23&note=%B6%AF%D6%D0+x&sign="));
    const QJsonObject q = r.value("query").toObject();
    EXPECT_EQ(q.value("name").toString(), QStringLiteral("Ship 1#"));
    EXPECT_EQ(q.value("note").toString(), QStringLiteral("动中 x"));
    EXPECT_EQ(q.value("sign").toString(), QString());
    QFile f(reportsPath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains(R"("query":{"mac":"00AA","name":"Ship 1#","note":")")) << "keys in arrival order";
}

TEST_F(CloudSim, FaultsSwitchedFromStdin)
{
    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("status 500")));
    PeerClient failing;
    ASSERT_TRUE(send(failing, get("/ship/?mac=1")));
    ASSERT_TRUE(failing.waitForDisconnect());
    EXPECT_TRUE(failing.received().startsWith("HTTP/1.1 500 Internal Server Error\r\n"));
    EXPECT_FALSE(failing.received().toUpper().contains("OK")) << "a station must not take it for success";
    EXPECT_FALSE(failing.received().contains("200"));

    // A login-guarded server hands out a session token with its refusal.
    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("status 403")));
    PeerClient forbidden;
    ASSERT_TRUE(send(forbidden, get("/ship/?mac=1")));
    ASSERT_TRUE(forbidden.waitForDisconnect());
    EXPECT_TRUE(forbidden.received().startsWith("HTTP/1.1 403 Forbidden\r\n"));
    EXPECT_TRUE(forbidden.received().contains("\r\nSet-Cookie: Token=")) << forbidden.received().constData();

    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("hang on")));
    PeerClient hung;
    ASSERT_TRUE(send(hung, get("/ship/?mac=2")));
    ASSERT_TRUE(waitUntil([&] { return reports().size() == 3; }));
    EXPECT_TRUE(reports().last().value("answered").isNull());
    EXPECT_EQ(sim.statusValue(QStringLiteral("open")), 1);
    EXPECT_TRUE(hung.received().isEmpty());
    EXPECT_TRUE(hung.connected());

    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("refuse on")));
    QTcpSocket refused;
    refused.connectToHost(QStringLiteral("127.0.0.1"), sim.port());
    ASSERT_TRUE(waitUntil([&] { return refused.error() == QAbstractSocket::ConnectionRefusedError; }));

    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("refuse off")));
    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("hang off")));
    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("status 200")));
    PeerClient again;
    ASSERT_TRUE(send(again, get("/ship/?mac=3")));
    ASSERT_TRUE(again.waitForDisconnect());
    EXPECT_EQ(again.received(), kOk);

    sim.control(QStringLiteral("status 99"));
    EXPECT_FALSE(sim.waitForLine(QStringLiteral("error status 99")).isEmpty());
    sim.control(QStringLiteral("hang maybe"));
    EXPECT_FALSE(sim.waitForLine(QStringLiteral("error hang maybe")).isEmpty());
}

TEST_F(CloudSim, OtherRequestsAreNotReportsAndEndOfInputKeepsItRunning)
{
    sim.closeInput();
    EXPECT_FALSE(sim.waitForLine(QStringLiteral("input closed, running on")).isEmpty());
    PeerClient other;
    ASSERT_TRUE(send(other, get("/other")));
    ASSERT_TRUE(other.waitForDisconnect());
    EXPECT_TRUE(other.received().startsWith("HTTP/1.1 404 Not Found\r\n"));
    PeerClient garbage;
    ASSERT_TRUE(send(garbage, "nonsense\r\n\r\n"));
    ASSERT_TRUE(garbage.waitForDisconnect());
    EXPECT_TRUE(garbage.received().startsWith("HTTP/1.1 400 Bad Request\r\n"));
    PeerClient endless;
    ASSERT_TRUE(send(endless, "GET /ship/?" + QByteArray(70 * 1024, 'a')));
    ASSERT_TRUE(endless.waitForDisconnect());
    EXPECT_TRUE(endless.received().startsWith("HTTP/1.1 431 "));
    EXPECT_TRUE(reports().isEmpty());
}

} // namespace
