// The JSON-console dialogue against the simulated radio, with the real
// one-second wait between the two login commands.
#include "radio/RadioFixture.h"

#include "platform/Waits.h"
#include "radio/JsonConsoleReply.h"
#include "support/SimProcess.h"

using namespace korvane;
using namespace korvane::test;

namespace {

class JsonSim : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.start(QStringLiteral("radio"), {QStringLiteral("--family"), QStringLiteral("json"),
                                                        QStringLiteral("--password"), QStringLiteral("s3cret-pw"),
                                                        QStringLiteral("--jitter"), QStringLiteral("0")}));
        s.Winsock1.RemoteHost = QStringLiteral("127.0.0.1");
        s.Winsock1.RemotePort = sim.port();
    }

    // Connects and waits until the dialogue is over: both logins answered and
    // both keys taken. The station asks for the configuration with each key it
    // takes, so four commands mean the second key reply has been read; the
    // radio counting the second login alone does not, and a reply sent after
    // that could reach the station in one chunk with the key.
    bool connectAndLogIn()
    {
        const QStringList counters{QStringLiteral("logins"), QStringLiteral("commands")};
        const QList<qint64> before = sim.statusValues(counters);
        s.Winsock1.Connect();
        return waitUntil(
            [&] { return s.radio.loggedIn && sim.statusValues(counters) == QList<qint64>{before[0] + 2, before[1] + 4}; },
            10000);
    }

    void poll() { s.Winsock1.SendData(jsonPollCommand(s.controllerStatus.RadioKey)); }

    SimProcess sim;
    RadioFixture f{false};
    Station &s = f.station;
};

TEST_F(JsonSim, LoginDialogueTakesTheKeyInsideTheWait)
{
    QList<bool> keyAfterWait;
    s.radioSession.setWait([&](float seconds) -> Task<bool> {
        const bool waited = co_await Delay(&s.waits, seconds);
        keyAfterWait << !s.controllerStatus.RadioKey.isEmpty();
        co_return waited;
    });
    ASSERT_TRUE(connectAndLogIn()) << qPrintable(f.log());
    EXPECT_EQ(keyAfterWait, QList<bool>{true}) << "the first key arrived and was taken while the wait ran";
    EXPECT_EQ(s.radio.RadioFamily, RadioFamilyJsonConsole);
    EXPECT_EQ(s.controllerStatus.RadioKey.size(), 32);
    EXPECT_TRUE(s.radio.keyReady);
    ASSERT_TRUE(waitUntil([&] { return !s.radio.radioMac.isEmpty(); }));
    EXPECT_EQ(s.radio.radioMac, QStringLiteral("245A4C1E7B03"));
    EXPECT_EQ(s.display.Ship.text(), QStringLiteral("KV-Radio-01"));
    EXPECT_TRUE(waitUntil([&] { return sim.statusValue(QStringLiteral("logins")) == 2; }))
        << "two logins, as the dialogue sends them";

    poll();
    ASSERT_TRUE(waitUntil([&] { return !s.display.Text15.text().isEmpty(); }));
    EXPECT_EQ(s.display.Text15.text(), QStringLiteral("528 /475"));
    EXPECT_EQ(s.display.Text1.text(), QStringLiteral("-52"));
    EXPECT_EQ(s.radioStats.signalDbm, -52);
    EXPECT_EQ(s.radioStats.noiseDbm, -96);
    EXPECT_FALSE(s.display.lanByte.visible());
}

TEST_F(JsonSim, ThirdExpiredKeyReplyLogsInAgain)
{
    ASSERT_TRUE(connectAndLogIn());
    ASSERT_TRUE(waitUntil([&] { return sim.statusValue(QStringLiteral("logins")) == 2; }));
    const QString oldKey = s.controllerStatus.RadioKey;
    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("expire-key")));
    for (int expected = 1; expected <= 2; ++expected) {
        poll();
        ASSERT_TRUE(waitUntil([&] { return s.radio.keyRetryCount == expected; }));
    }
    EXPECT_EQ(sim.statusValue(QStringLiteral("logins")), 2) << "two expiries send nothing";
    poll();
    ASSERT_TRUE(waitUntil([&] { return sim.statusValue(QStringLiteral("logins")) == 4; }, 10000));
    ASSERT_TRUE(waitUntil([&] { return f.log().contains(QStringLiteral("事件：登录凭据已失效，重新获取微波登录凭据！")); }));
    EXPECT_EQ(s.radio.keyRetryCount, 0);
    EXPECT_NE(s.controllerStatus.RadioKey, oldKey);
    poll();
    EXPECT_TRUE(waitUntil([&] { return sim.statusValue(QStringLiteral("status_replies")) == 1; })) << "the new key works";
}

// A ping that is out when the login's one-second wait begins no longer holds
// that wait: the second login goes before the ping's answer.
TEST_F(JsonSim, TheSecondLoginDoesNotWaitForAPingThatIsOut)
{
    ASSERT_TRUE(connectAndLogIn());
    s.display.Text3.setText(QStringLiteral("127.0.0.1"));
    bool pingAnswered = false;
    s.pingWatchdog.pinger = [&](const QString &) -> Task<int> {
        co_await Delay(&s.waits, 4.0f);
        pingAnswered = true;
        co_return 1;
    };
    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("expire-key")));
    for (int expected = 1; expected <= 2; ++expected) {
        poll();
        ASSERT_TRUE(waitUntil([&] { return s.radio.keyRetryCount == expected; }));
    }
    poll();
    ASSERT_TRUE(waitUntil([&] { return sim.statusValue(QStringLiteral("logins")) == 3; }));
    s.GET_SIGN_Timer();
    ASSERT_TRUE(s.pingWatchdog.isRunning());
    ASSERT_TRUE(waitUntil([&] { return sim.statusValue(QStringLiteral("logins")) == 4; }, 3000));
    EXPECT_FALSE(pingAnswered) << "the login's wait ended before the ping's";
    EXPECT_TRUE(waitUntil([&] { return f.log().contains(QStringLiteral("登录凭据已失效，重新获取微波登录凭据！")); }));
    EXPECT_TRUE(waitUntil([&] { return pingAnswered && !s.pingWatchdog.isRunning(); }, 8000));
}

TEST_F(JsonSim, AcceptedRebootLogsOutUntilTheNextPrompt)
{
    ASSERT_TRUE(connectAndLogIn());
    s.Winsock1.SendData(QStringLiteral("tool {\"secretkey\": \"") + s.controllerStatus.RadioKey
                        + QStringLiteral("\" ,\"action\": \"reboot\"}\r\n"));
    ASSERT_TRUE(waitUntil([&] { return !s.radio.loggedIn; }));
    EXPECT_EQ(s.display.Label_NOTE.text(), QStringLiteral("微波设备重启指令生效，请等待2分钟左右..."));
    ASSERT_TRUE(waitUntil([&] { return s.Winsock1.State() != TcpLink::Connected; })) << "the radio restarts";
    s.Winsock1.Close();
    ASSERT_TRUE(connectAndLogIn()) << "the prompt after the restart logs in again";
}

TEST_F(JsonSim, WrongPasswordIsRetriedABoundedNumberOfTimes)
{
    s.display.Text7.setText(QStringLiteral("wrong"));
    s.Winsock1.Connect();
    ASSERT_TRUE(waitUntil([&] { return sim.statusValue(QStringLiteral("failed_logins")) >= 4; }, 10000));
    // Two logins at the prompt, then one retry for each of the first two rejections.
    EXPECT_FALSE(waitUntil([&] { return sim.statusValue(QStringLiteral("failed_logins")) > 4; }, 2500));
    EXPECT_EQ(s.display.Label_NOTE.text(), QStringLiteral("微波登录用户名或密码错，请检查并修改后点击连接！"));
    EXPECT_FALSE(s.radio.loggedIn);
    EXPECT_FALSE(f.log().contains(QLatin1String("wrong")));
}

} // namespace
