// The two-second tick of a telnet radio: each family's poll command, the
// session key passed on to the board, and the compass watchdog.
#include "radio/RadioFixture.h"

#include "radio/JsonConsoleReply.h"

using namespace korvane;
using namespace korvane::test;

namespace {

class Poll : public ::testing::Test {
protected:
    void SetUp() override
    {
        s.display.Text3.setText(QString()); // no CPE to probe
        s.controllerStatus.RadioKey = QStringLiteral("K7f3a");
    }

    void connectBoard()
    {
        s.Winsock2.RemoteHost = QStringLiteral("127.0.0.1");
        s.Winsock2.RemotePort = board.port();
        s.Winsock2.Connect();
        ASSERT_TRUE(waitUntil([&] { return s.Winsock2.State() == TcpLink::Connected && board.openClients() == 1; }));
    }

    RadioFixture f;
    Station &s = f.station;
    LoopbackServer board;
};

struct PollCase {
    std::int16_t family;
    bool loggedIn;
    const char *command;
};

void PrintTo(const PollCase &c, std::ostream *os) { *os << "family" << c.family << (c.loggedIn ? "" : "_loggedOut"); }

class PollCommand : public Poll, public ::testing::WithParamInterface<PollCase> {};

TEST_P(PollCommand, SentOnTheRadioSocket)
{
    s.radio.RadioFamily = GetParam().family;
    s.radio.loggedIn = GetParam().loggedIn;
    runRadioTick(s);
    EXPECT_EQ(upToMarker(s.Winsock1, f.peer), QByteArray(GetParam().command));
}

INSTANTIATE_TEST_SUITE_P(
    Table, PollCommand,
    ::testing::Values(PollCase{RadioFamilyAirOs, true, "mca-status\r\n"},
                      PollCase{RadioFamilyAirFiber, true, "mca-status\r\n"},
                      PollCase{RadioFamilyJsonConsole, true, "systeminfo {\"secretkey\": \"K7f3a\" }\r\n"},
                      PollCase{RadioFamilyIwconfig, true,
                               "iwconfig ath0 && ifconfig wifi0 |grep bytes && echo 'DeviceName' && "
                               "cat /etc/mdns.conf\r\n"},
                      PollCase{RadioFamilyUnknown, true, ""}, PollCase{RadioFamilyCpe, true, ""},
                      PollCase{RadioFamilyAirOs, false, ""}));

struct KeyCase {
    const char *name;
    bool boardConnected;
    bool loggedIn;
    bool keyReady;
    const char *sent;
};

void PrintTo(const KeyCase &c, std::ostream *os) { *os << c.name; }

class KeyForwarding : public Poll, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyForwarding, GoesToTheBoardOnce)
{
    const KeyCase &c = GetParam();
    if (c.boardConnected)
        connectBoard();
    s.display.Text3.setText(QStringLiteral(" 192.168.1.20 "));
    s.radio.RadioFamily = RadioFamilyJsonConsole;
    s.radio.loggedIn = c.loggedIn;
    s.radio.keyReady = c.keyReady;
    runRadioTick(s);
    runRadioTick(s);
    EXPECT_EQ(s.radio.keyReady, c.keyReady && !*c.sent);
    if (c.boardConnected) {
        EXPECT_EQ(upToMarker(s.Winsock2, board), QByteArray(c.sent));
    }
}

INSTANTIATE_TEST_SUITE_P(Table, KeyForwarding,
                         ::testing::Values(KeyCase{"NewKey", true, true, true, "se:K7f3a(192.168.1.20)"},
                                           KeyCase{"NoNewKey", true, true, false, ""},
                                           KeyCase{"RadioNotLoggedIn", true, false, true, ""},
                                           KeyCase{"BoardAway", false, true, true, ""}));

struct CompassCase {
    const char *name;
    std::int16_t count;
    std::int16_t rebootSwitch;
    bool boardConnected;
    const char *sent;
    std::int16_t countAfter;
};

void PrintTo(const CompassCase &c, std::ostream *os) { *os << c.name; }

class CompassWatchdog : public Poll, public ::testing::WithParamInterface<CompassCase> {};

TEST_P(CompassWatchdog, RestartsTheBoard)
{
    const CompassCase &c = GetParam();
    if (c.boardConnected)
        connectBoard();
    s.controllerStatus.CompassSameCount = c.count;
    s.compassRebootSwitch = c.rebootSwitch;
    s.display.Label_NOTE.setText(QStringLiteral("before"));
    runRadioTick(s);
    EXPECT_EQ(s.controllerStatus.CompassSameCount, c.countAfter);
    const QString notice = QStringLiteral("电子罗盘数据一直无变化(100次)，重启动动中通单片机......");
    if (c.boardConnected) {
        EXPECT_EQ(upToMarker(s.Winsock2, board), QByteArray(c.sent));
    }
    if (*c.sent) {
        EXPECT_EQ(s.display.Label_NOTE.text(), notice);
        EXPECT_TRUE(s.display.Text2.text().endsWith(QStringLiteral("\r\n2024-05-01 12:00:00") + notice
                                                    + QStringLiteral("\r\n")));
    } else {
        EXPECT_EQ(s.display.Label_NOTE.text(), QStringLiteral("before"));
    }
}

INSTANTIATE_TEST_SUITE_P(Table, CompassWatchdog,
                         ::testing::Values(CompassCase{"Stuck", 101, 1, true, "R\r\n", 0},
                                           CompassCase{"SwitchOff", 101, 0, true, "", 0},
                                           CompassCase{"BoardAway", 101, 1, false, "", 0},
                                           CompassCase{"AtTheLimit", 100, 1, true, "", 100}));

} // namespace
