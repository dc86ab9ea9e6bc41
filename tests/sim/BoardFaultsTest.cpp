// Faults the station's supervision must survive, injected through the
// board's options and its stdin controls.

#include "support/PeerClient.h"
#include "support/SimProcess.h"
#include "support/Wait.h"

#include <QProcess>

#include <gtest/gtest.h>

using korvane::test::PeerClient;
using korvane::test::SimProcess;
using korvane::test::waitUntil;

namespace {

const QStringList kFast{"--interval-ms", "100"};
// Long enough for several status rounds of a fast board.
constexpr int kQuietMs = 600;

TEST(BoardFaults, DropClosesTheLinkAndTheBoardTakesTheNextOne)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", kFast));
    PeerClient first;
    ASSERT_TRUE(first.connectTo(sim.port()));
    ASSERT_TRUE(first.waitFor(QStringLiteral("本地纬度:")));
    ASSERT_TRUE(sim.controlAcknowledged("drop"));
    EXPECT_TRUE(first.waitForDisconnect());

    PeerClient second;
    ASSERT_TRUE(second.connectTo(sim.port()));
    EXPECT_TRUE(second.waitFor(QStringLiteral("本地纬度:")));
}

TEST(BoardFaults, DropAfterClosesEveryConnectionOnItsOwn)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", kFast + QStringList{"--drop-after-ms", "300"}));
    for (int round = 0; round < 2; ++round) {
        PeerClient station;
        ASSERT_TRUE(station.connectTo(sim.port()));
        EXPECT_TRUE(station.waitForDisconnect()) << round;
    }
    EXPECT_EQ(sim.statusValue("dropped"), 2);
}

TEST(BoardFaults, SilentKeepsTheLinkButSaysNothingUntilTurnedOff)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", kFast + QStringList{"--silent"}));
    PeerClient station;
    ASSERT_TRUE(station.connectTo(sim.port()));
    station.write("p\r\n");
    ASSERT_TRUE(waitUntil([&] { return sim.statusValue("commands") == 1; }, 5000));
    EXPECT_FALSE(waitUntil([&] { return !station.received().isEmpty(); }, kQuietMs));
    EXPECT_TRUE(station.connected());

    ASSERT_TRUE(sim.controlAcknowledged("silent off"));
    EXPECT_TRUE(station.waitFor(QStringLiteral("本地纬度:")));
    station.write("c\r\n");
    EXPECT_TRUE(station.waitFor(QStringLiteral("命令:c\r\n罗盘")));

    // Bytes already on their way may still land, so count at the board.
    ASSERT_TRUE(sim.controlAcknowledged("silent on"));
    const qint64 sentBefore = sim.statusValue("bytes_out");
    station.write("p\r\n");
    EXPECT_FALSE(waitUntil([&] { return sim.statusValue("bytes_out") != sentBefore; }, kQuietMs));
    EXPECT_TRUE(station.connected());
}

TEST(BoardFaults, MuteNeverSpeaksButStillListens)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", kFast + QStringList{"--mute"}));
    PeerClient station;
    ASSERT_TRUE(station.connectTo(sim.port()));
    station.write("p\r\n?");
    ASSERT_TRUE(waitUntil([&] { return sim.statusValue("commands") == 2; }, 5000));
    ASSERT_TRUE(sim.controlAcknowledged("silent off"));
    EXPECT_FALSE(waitUntil([&] { return !station.received().isEmpty(); }, kQuietMs));
    EXPECT_TRUE(station.connected());
}

struct SecondCase {
    const char *name;
    QStringList arguments;
    const char *control; // empty: none
    bool secondStaysOpen;
};

class BoardSecondConnection : public ::testing::TestWithParam<SecondCase> {};

// The station's supervision opens a second connection and expects it to be
// open a second later; a board refusing it must look lost.
TEST_P(BoardSecondConnection, IsKeptOrClosedAtOnce)
{
    const SecondCase &c = GetParam();
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", kFast + c.arguments));
    if (*c.control) {
        ASSERT_TRUE(sim.controlAcknowledged(c.control));
    }
    PeerClient first;
    ASSERT_TRUE(first.connectTo(sim.port()));
    ASSERT_TRUE(first.waitFor(QStringLiteral("本地纬度:")));

    PeerClient probe;
    probe.connectTo(sim.port());
    if (c.secondStaysOpen) {
        EXPECT_FALSE(probe.waitForDisconnect(1200));
        EXPECT_TRUE(probe.waitFor(QStringLiteral("本地纬度:")));
    } else {
        EXPECT_TRUE(probe.waitForDisconnect(2000));
        EXPECT_EQ(sim.statusValue("refused"), 1);
    }
    EXPECT_TRUE(first.connected());

    // Once the first station leaves, a new one is served whatever the switch.
    first.socket().disconnectFromHost();
    ASSERT_TRUE(waitUntil([&] { return sim.statusValue("clients") == (c.secondStaysOpen ? 1 : 0); }, 5000));
    PeerClient next;
    ASSERT_TRUE(next.connectTo(sim.port()));
    EXPECT_TRUE(next.waitFor(QStringLiteral("本地纬度:")));
}

INSTANTIATE_TEST_SUITE_P(
    Sim, BoardSecondConnection,
    ::testing::Values(SecondCase{"Default", {}, "", true},
                      SecondCase{"Option", {"--refuse-second"}, "", false},
                      SecondCase{"Control", {}, "refuse-second on", false},
                      SecondCase{"ControlOff", {"--refuse-second"}, "refuse-second off", true}),
    [](const auto &info) { return info.param.name; });

TEST(BoardFaults, FloodDeliversGarbageAndTheBoardCarriesOn)
{
    constexpr qsizetype kFlood = 300000;
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", {"--interval-ms", "200", "--silent"}));
    PeerClient station;
    ASSERT_TRUE(station.connectTo(sim.port()));
    ASSERT_TRUE(waitUntil([&] { return sim.statusValue("clients") == 1; }, 5000));
    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("flood %1").arg(kFlood)));
    ASSERT_TRUE(station.waitForBytes(kFlood, 20000));
    EXPECT_EQ(station.received().size(), kFlood); // silent: nothing but the flood
    EXPECT_TRUE(station.received().contains('\0'));
    EXPECT_TRUE(QString::fromUtf8(station.received()).contains(QChar::ReplacementCharacter));

    ASSERT_TRUE(sim.controlAcknowledged("silent off"));
    EXPECT_TRUE(station.waitFor(QStringLiteral("本地纬度:")));
}

TEST(BoardProcess, KeepsRunningAfterItsInputEnds)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", kFast));
    sim.closeInput();
    ASSERT_FALSE(sim.waitForLine("input closed").isEmpty());
    PeerClient station;
    ASSERT_TRUE(station.connectTo(sim.port()));
    station.write("p\r\n");
    EXPECT_TRUE(station.waitFor(QStringLiteral("命令:p")));
    EXPECT_EQ(sim.process().state(), QProcess::Running);
}

struct RejectCase {
    const char *name;
    QStringList arguments;
};

class BoardRejects : public ::testing::TestWithParam<RejectCase> {};

TEST_P(BoardRejects, BadOptionsWithoutListening)
{
    SimProcess sim;
    EXPECT_FALSE(sim.start("board", GetParam().arguments));
    ASSERT_TRUE(waitUntil([&] { return sim.process().state() == QProcess::NotRunning; }, 5000));
    EXPECT_EQ(sim.process().exitCode(), 2);
}

INSTANTIATE_TEST_SUITE_P(Sim, BoardRejects,
                         ::testing::Values(RejectCase{"ShortKey", {"--key", "abc"}},
                                           RejectCase{"Wildcard", {"--host", "0.0.0.0"}},
                                           RejectCase{"Port", {"--port", "70000"}},
                                           RejectCase{"HalfTarget", {"--target-lat", "31"}},
                                           RejectCase{"Unknown", {"--bogus"}},
                                           RejectCase{"NmeaKind", {"--nmea", "gsv"}},
                                           RejectCase{"OwnMarker", {"--own-marker", "ship"}}),
                         [](const auto &info) { return info.param.name; });

TEST(BoardProcess, HelpDescribesOptionsAndControls)
{
    const std::vector<std::pair<QStringList, std::vector<const char *>>> cases{
        {{"--help"}, {"board"}},
        {{"board", "--help"},
         {"--record", "--silent", "--mute", "--refuse-second", "--drop-after-ms", "--key-address", "--target-lat",
          "--split-reports", "--nmea", "--own-marker", "drop", "silent on|off", "refuse-second on|off", "key on|off",
          "gnss on|off", "nmea off|rmc|gga|both", "split on|off", "alarm NAME", "motor", "bus", "init", "receiver",
          "range", "bases N", "switch N", "compass init", "compass based", "compass stuck on|off", "mmsi",
          "flood BYTES", "status", "quit"}},
    };
    for (const auto &[arguments, words] : cases) {
        QProcess help;
        help.start(QStringLiteral(KORVANE_SIM_PATH), arguments);
        ASSERT_TRUE(help.waitForFinished(5000));
        EXPECT_EQ(help.exitCode(), 0);
        const QString text = QString::fromUtf8(help.readAllStandardOutput());
        for (const char *word : words)
            EXPECT_TRUE(text.contains(QString::fromUtf8(word))) << word;
    }
}

} // namespace
