// Steady service against the simulated radios and CPE: what every poll
// brings is logged once a session and again only when it changes, and a
// wrong password is not tried without end.
#include "radio/SimRadioSession.h"

#include "radio/JsonConsoleReply.h"

using namespace korvane;
using namespace korvane::test;

namespace {

const QString kLoggedIn = QStringLiteral("事件：微波登录成功！\r\n");
const QString kWrongCredentials = QStringLiteral("微波登录用户名或密码错，请检查并修改后点击连接！");
constexpr int kPolls = 4;

// The text families: the login line stands once per session, however many
// polls follow.
class TextLoginLine : public SimRadioSession, public ::testing::WithParamInterface<const char *> {};

TEST_P(TextLoginLine, LoggedOncePerSession)
{
    ASSERT_TRUE(startRadio(GetParam()));
    for (int session = 1; session <= 2; ++session) {
        SCOPED_TRACE(session);
        ASSERT_TRUE(connectAndLogIn(session));
        for (int poll = 0; poll < kPolls; ++poll) {
            const double rx = s.radioStats.lastRxBytes;
            ASSERT_TRUE(pollAndRead([&] { return s.radioStats.lastRxBytes != rx; }));
        }
        EXPECT_EQ(f.log().count(kLoggedIn), session) << qPrintable(f.log());
        ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("drop")));
        ASSERT_TRUE(waitUntil([&] { return s.Winsock1.State() != TcpLink::Connected; }));
        s.Winsock1.Close();
    }
}

INSTANTIATE_TEST_SUITE_P(Families, TextLoginLine, ::testing::Values("iwconfig", "airos", "airfiber"));

class JsonNameLine : public SimRadioSession {
protected:
    // Both logins answered and both configurations asked for: the second
    // configuration reply is the last of the dialogue.
    bool logIn()
    {
        const QStringList counters{QStringLiteral("logins"), QStringLiteral("commands")};
        const QList<qint64> before = sim.statusValues(counters);
        s.Winsock1.Connect();
        return waitUntil(
            [&] { return s.radio.loggedIn && sim.statusValues(counters) == QList<qint64>{before[0] + 2, before[1] + 4}; },
            10000);
    }

    // One poll, read: the radio counts the answer and the station shows its rate.
    bool poll()
    {
        const qint64 replies = sim.statusValue(QStringLiteral("status_replies"));
        s.display.Text15.setText(QString());
        s.Winsock1.SendData(jsonPollCommand(s.controllerStatus.RadioKey));
        return waitUntil([&] {
            return sim.statusValue(QStringLiteral("status_replies")) > replies && !s.display.Text15.text().isEmpty();
        }, 10000);
    }

    qsizetype nameLines(const QString &name) const
    {
        return f.log().count(QStringLiteral(" 主机类型(3)事件：") + name + QStringLiteral("\r\n"));
    }
};

TEST_F(JsonNameLine, LoggedWhenASessionStartsAndWhenTheNameChanges)
{
    const QString name = QStringLiteral("KV-Radio-01");
    ASSERT_TRUE(startRadio("json"));
    ASSERT_TRUE(logIn()) << qPrintable(f.log());
    for (int i = 0; i < kPolls; ++i)
        ASSERT_TRUE(poll());
    EXPECT_EQ(nameLines(name), 1) << qPrintable(f.log());

    // The radio is renamed: the new name is logged once, the polls after it add nothing.
    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("send {\"name\":\"Mast-2\",\"ip\":\"192.168.1.21\"}\\r\\nconsole :")));
    ASSERT_TRUE(waitUntil([&] { return s.display.Ship.text() == QStringLiteral("Mast-2"); }));
    ASSERT_TRUE(poll());
    EXPECT_EQ(nameLines(QStringLiteral("Mast-2")), 1) << qPrintable(f.log());
    EXPECT_EQ(nameLines(name), 2) << "the old name again is a change too";

    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("drop")));
    ASSERT_TRUE(waitUntil([&] { return s.Winsock1.State() != TcpLink::Connected; }));
    s.Winsock1.Close();
    ASSERT_TRUE(logIn());
    ASSERT_TRUE(poll());
    EXPECT_EQ(nameLines(name), 3) << "a new session logs its name";
}

class CpeReplyLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.start(QStringLiteral("cpe")));
        s.display.Text3.setText(QStringLiteral("http://127.0.0.1:%1").arg(sim.port()));
    }

    // A tick makes one reading; the CPE counts the answers it gave.
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i) {
            const qint64 answered = sim.statusValue(QStringLiteral("answered"));
            runRadioTick(s);
            ASSERT_EQ(sim.statusValue(QStringLiteral("answered")), answered + 1);
        }
    }

    qsizetype replyLines() const { return f.log().count(QStringLiteral("5G数据: {")); }

    SimProcess sim;
    RadioFixture f{false};
    Station &s = f.station;
};

TEST_F(CpeReplyLine, LoggedWhenAReadingStartsAndWhenTheStateChanges)
{
    runRadioTick(s);
    ASSERT_EQ(s.radio.RadioFamily, RadioFamilyCpe);
    ticks(kPolls);
    EXPECT_EQ(replyLines(), 1) << "the counters move, the state does not";
    EXPECT_GT(s.radioStats.rxMbps, 0) << "the readings still show the throughput";

    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("status SEARCH")));
    ticks(kPolls);
    EXPECT_EQ(replyLines(), 2) << "a registration change";
    EXPECT_TRUE(f.log().contains(QStringLiteral("\"status\":\"SEARCH\"")));

    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("set band 41")));
    ticks(kPolls);
    EXPECT_EQ(replyLines(), 3) << "a band change";

    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("mode error500")));
    runRadioTick(s);
    ASSERT_EQ(s.display.radioLamp.toolTip(), QStringLiteral("5G CPE 连接失败"));
    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("mode ok")));
    ticks(kPolls);
    EXPECT_EQ(replyLines(), 4) << "the first reading after a failed one";
}

// The iwconfig radio's prompt already names its family; a wrong password
// there is counted like any other.
TEST_F(SimRadioSession, IwconfigWrongPasswordStopsAtTheCap)
{
    ASSERT_TRUE(startRadio("iwconfig"));
    s.display.Text7.setText(QStringLiteral("wrong-pw"));
    s.Winsock1.Connect();
    const int cap = JsonConsole::kMaxRejectedLogins;
    const QStringList tries{QStringLiteral("login_names"), QStringLiteral("failed_logins"), QStringLiteral("logins")};
    // The prompt after the last rejection still gets the name; the password
    // is kept back.
    ASSERT_TRUE(waitUntil([&] { return sim.statusValues(tries) == QList<qint64>{cap + 1, cap, 0}; }, 10000))
        << qPrintable(f.log());
    // A reply after the radio's "Password: " shows the station has read it.
    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("send {\"name\":\"mark\",\"ip\":\"1\"}\\r\\n")));
    ASSERT_TRUE(waitUntil([&] { return f.log().contains(QStringLiteral("事件：mark")); })) << qPrintable(f.log());
    EXPECT_EQ(s.radio.RadioFamily, RadioFamilyIwconfig);
    EXPECT_EQ(s.radio.rejectedLogins, cap);
    EXPECT_FALSE(s.radio.loggedIn) << "no poll goes to the login prompt";
    EXPECT_EQ(s.display.Label_NOTE.text(), kWrongCredentials);
    EXPECT_EQ(f.log().count(QStringLiteral("事件：") + kWrongCredentials), cap) << qPrintable(f.log());
    runRadioTick(s);

    // The right password typed now is the first line after the name: had the
    // station answered the prompt or polled, the radio would take it as a name.
    s.Winsock1.SendData(QLatin1String(kPassword) + QStringLiteral("\r\n"));
    ASSERT_TRUE(waitUntil([&] {
        const QList<qint64> v = sim.statusValues(tries);
        return v[2] > 0 || v[0] > cap + 1 || v[1] > cap;
    }, 10000));
    EXPECT_EQ(sim.statusValues(tries), (QList<qint64>{cap + 1, cap, 1}));
}

} // namespace
