// What the radio box names and what the station dials for it: no radio at
// all, a 5G CPE named by its web address, and a telnet console on a port of
// its own, against the simulated board, radio and CPE.
#include "radio/RadioFixture.h"

#include "model/SettingKeys.h"
#include "support/SimProcess.h"

using namespace korvane;
using namespace korvane::test;

namespace {

class RadioAddress : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(board.start(QStringLiteral("board"))); }

    // A station started with auto-connect on, the board at its address and
    // `radioAddress` in the radio box; only the handlers the test calls run.
    Station &startWith(const QString &radioAddress)
    {
        fixture.settings->write(keys::KORVANE_AUTOLINK, QStringLiteral("1"));
        fixture.settings->write(keys::DEVICE_KORVANE_IP, QStringLiteral("127.0.0.1:%1").arg(board.port()));
        fixture.settings->write(keys::DEVICE_WIRESS_IP, radioAddress);
        Station &s = fixture.start();
        for (QTimer *t : {&s.Timer1, &s.blink, &s.Timer2, &s.GET_SIGN, &s.Timer_Ping, &s.Timer_AutoScan,
                          &s.Timer_Cloud})
            t->stop();
        s.linkSupervisor.ssh.starter = [this](const QString &, const QStringList &) {
            ++sshStarts;
            return true;
        };
        return s;
    }

    // Supervision as the timers run it: the ping tick's probes wait with
    // events running, so a dial's outcome is in before the next lamp tick.
    void superviseFor(Station &s, int rounds)
    {
        for (int i = 0; i < rounds; ++i) {
            runPingTick(s);
            s.Timer1_Timer();
        }
    }

    SimProcess board;
    StationFixture fixture;
    int sshStarts = 0;
};

TEST_F(RadioAddress, EmptyRadioBoxIsNeitherDialledNorSearched)
{
    Station &s = startWith(QString());
    ASSERT_TRUE(waitUntil([&] { return s.Winsock2.State() == TcpLink::Connected; }));
    superviseFor(s, 3);
    EXPECT_EQ(s.Winsock1.State(), TcpLink::Closed);
    EXPECT_EQ(s.display.radioLamp.colour(), colours::Black);
    EXPECT_EQ(s.display.Label6.colour(), colours::Green) << "the board is served as usual";
    EXPECT_NE(s.display.Label_NOTE.text(), QStringLiteral("搜索设备中......"));
    EXPECT_EQ(sshStarts, 0);
    EXPECT_FALSE(fixture.logText().contains(QStringLiteral("SSH"))) << qPrintable(fixture.logText());
}

TEST_F(RadioAddress, WebAddressReachesTheCpeAndDialsNoConsole)
{
    SimProcess cpe;
    ASSERT_TRUE(cpe.start(QStringLiteral("cpe")));
    Station &s = startWith(QStringLiteral("http://127.0.0.1:%1").arg(cpe.port()));
    ASSERT_TRUE(waitUntil([&] { return s.Winsock2.State() == TcpLink::Connected; }));
    runRadioTick(s);
    EXPECT_EQ(s.radio.RadioFamily, RadioFamilyCpe);
    EXPECT_EQ(s.display.Label_NOTE.text(), QStringLiteral("已识别为5G CPE设备"));
    EXPECT_EQ(s.display.radioLamp.colour(), colours::Green);
    superviseFor(s, 2);
    EXPECT_EQ(s.Winsock1.State(), TcpLink::Closed) << "a web address has no telnet console";
    EXPECT_EQ(sshStarts, 0);
}

// The port after a plain address is the telnet console's: the CPE probe goes
// to port 80 of the host, never into the radio's console.
TEST_F(RadioAddress, CpeProbeLeavesTheConsolePortAlone)
{
    SimProcess radio;
    ASSERT_TRUE(radio.start(QStringLiteral("radio"), {QStringLiteral("--family"), QStringLiteral("airos")}));
    // A console that says nothing keeps the family unknown, so the probe runs.
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("silent on")));
    Station &s = startWith(QStringLiteral("127.0.0.1:%1").arg(radio.port()));
    ASSERT_TRUE(waitUntil([&] { return radio.statusValue(QStringLiteral("clients")) == 1; }));
    const qint64 accepted = radio.statusValue(QStringLiteral("accepted"));
    for (int i = 0; i < 2; ++i) {
        s.radio.lastCpeProbe.invalidate(); // as when five seconds have passed
        runRadioTick(s);
    }
    EXPECT_EQ(radio.statusValue(QStringLiteral("accepted")), accepted) << "no probe reached the console's port";
    EXPECT_EQ(s.radio.RadioFamily, RadioFamilyUnknown);
    EXPECT_EQ(s.Winsock1.State(), TcpLink::Connected);
}

} // namespace
