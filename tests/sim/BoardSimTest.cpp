// The simulated board run as the station meets it: a separate process on
// loopback, spoken to over TCP and controlled through its stdin.

#include "support/PeerClient.h"
#include "support/SimProcess.h"
#include "support/Wait.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using korvane::test::PeerClient;
using korvane::test::SimProcess;
using korvane::test::waitUntil;

namespace {

// A fast, stationary board so every chunk arrives quickly and positions stay put.
const QStringList kFast{"--interval-ms", "100", "--speed", "0"};

struct StreamCase {
    const char *name;
    QStringList arguments;
    std::vector<const char *> patterns; // each must match a whole line (ending in CR)
};

class BoardStream : public ::testing::TestWithParam<StreamCase> {};

TEST_P(BoardStream, CarriesEveryMarkerInTheStationsForm)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", kFast + GetParam().arguments));
    PeerClient station;
    ASSERT_TRUE(station.connectTo(sim.port()));
    for (const char *pattern : GetParam().patterns) {
        const QRegularExpression line(QStringLiteral("^") + QString::fromUtf8(pattern) + QStringLiteral("\r$"),
                                      QRegularExpression::MultilineOption);
        EXPECT_TRUE(waitUntil([&] { return line.match(station.text()).hasMatch(); }, 5000)) << pattern;
    }
}

const std::vector<const char *> kCommonLines{
    // "角度:H" never within the first nine characters of a chunk.
    "[^\r\n]{9,}角度:H\\d+\\.\\dV5\\.0",
    "信号:100%",
    "执行\\d+\\.\\d[+-]\\d+\\.\\d目标:\\d+\\.\\d距离\\d+\\.\\d\\d 罗盘\\d+\\.\\d俯仰5\\.0",
    "航向45\\.0航速0\\.0俯仰5\\.0",
    "航速:0\\.0节 航向:45\\.0",
    "本地纬度:31\\.2304123经度:121\\.4737010海拔:12\\.0",
};

std::vector<const char *> with(std::vector<const char *> lines, const char *extra)
{
    lines.push_back(extra);
    return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Sim, BoardStream,
    ::testing::Values(
        StreamCase{"Base", {}, with(kCommonLines, "基站纬度:31\\.3000000经度:121\\.5000000海拔:5\\.0,距离:8\\.13km")},
        StreamCase{"Target",
                   {"--target-lat", "31.25", "--target-lon", "121.4"},
                   with(kCommonLines, "目标纬度:31\\.2500000经度:121\\.4000000海拔:0\\.0,距离:7\\.34km")},
        StreamCase{"SouthWest", {"--lat", "-33.5", "--lon", "-70.25"},
                   {"本地纬度:-33\\.5000000经度:-70\\.2500000海拔:12\\.0"}}),
    [](const auto &info) { return info.param.name; });

TEST(BoardStream, ConsecutiveCompassReadingsDiffer)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", kFast));
    PeerClient station;
    ASSERT_TRUE(station.connectTo(sim.port()));
    const QRegularExpression compass(QStringLiteral("罗盘(\\d+\\.\\d)俯仰"));
    QStringList readings;
    ASSERT_TRUE(waitUntil(
        [&] {
            readings.clear();
            for (auto it = compass.globalMatch(station.text()); it.hasNext();)
                readings << it.next().captured(1);
            return readings.size() >= 4;
        },
        5000));
    for (qsizetype i = 1; i < readings.size(); ++i)
        EXPECT_NE(readings[i - 1], readings[i]) << i;
}

TEST(BoardKey, RecordHoldsKeyAndAddressWhereTheStationCutsThem)
{
    const QString key = QStringLiteral("A1b2C3d4E5f6A7b8C9d0E1f2A3b4C5d6");
    const QString address = QStringLiteral("10.20.30.40");
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", kFast + QStringList{"--key", key, "--key-address", address}));
    PeerClient station;
    ASSERT_TRUE(station.connectTo(sim.port()));
    const QRegularExpression record(QStringLiteral("^secretkey[^\r\n]*\r\n"), QRegularExpression::MultilineOption);
    QString chunk;
    ASSERT_TRUE(waitUntil([&] { return !(chunk = record.match(station.text()).captured()).isEmpty(); }, 5000));
    // Key: 32 characters from the 11th. Address: from the 44th, length − 46.
    EXPECT_EQ(chunk.mid(10, 32), key);
    EXPECT_EQ(chunk.mid(43, chunk.size() - 46), address);

    ASSERT_TRUE(sim.controlAcknowledged("key off"));
    // A record written before the switch may still be on its way: start
    // looking after a marker sent behind it.
    ASSERT_TRUE(sim.controlAcknowledged("send KORVANE-MARK\\r\\n"));
    ASSERT_TRUE(station.waitFor(QStringLiteral("KORVANE-MARK")));
    station.clear();
    ASSERT_TRUE(station.waitFor(QStringLiteral("航向"))); // a later round
    ASSERT_TRUE(station.waitFor(QStringLiteral("本地纬度")));
    EXPECT_FALSE(station.text().contains(QStringLiteral("secretkey")));
}

TEST(BoardCommands, AreFramedEchoedAndRecordedByteExact)
{
    QTemporaryDir dir;
    const QString recordPath = dir.filePath("wire.bin");
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", kFast + QStringList{"--record", recordPath}));
    PeerClient station;
    ASSERT_TRUE(station.connectTo(sim.port()));

    struct Step {
        QByteArray bytes;
        std::vector<const char *> echoes;
    };
    const std::vector<Step> steps{
        {"p", {"命令:p\r\n天线姿态"}}, // bare: ended by the quiet gap
        {"cl0\r\nch15\r\n", {"命令:cl0\r\n参数已设置", "命令:ch15\r\n"}},
        {"r12.50\r\n", {"命令:r12.50\r\n"}},
        {"r-7.2", {"命令:r-7.2\r\n"}},
        {"m-2\n", {"命令:m-2\r\n"}},
        {"?", {"命令:?\r\n当前基站数量0,设置的参数"}},
        {"xyz\r\n", {"命令:xyz\r\n未知命令"}},
    };
    QByteArray sent;
    for (const Step &step : steps) {
        station.clear();
        station.write(step.bytes);
        sent += step.bytes;
        for (const char *echo : step.echoes)
            EXPECT_TRUE(station.waitFor(QByteArray(echo))) << echo;
    }
    QFile record(recordPath);
    ASSERT_TRUE(record.open(QIODevice::ReadOnly));
    EXPECT_EQ(record.readAll(), sent);
}

TEST(BoardCommands, SplitCommandIsJoinedAcrossReads)
{
    SimProcess sim;
    // A long quiet gap, so the first part cannot end the command on its own.
    ASSERT_TRUE(sim.start("board", kFast + QStringList{"--gap-ms", "10000"}));
    PeerClient station;
    ASSERT_TRUE(station.connectTo(sim.port()));
    station.write("r3.");
    ASSERT_TRUE(waitUntil([&] { return sim.statusValue("bytes_in") == 3; }, 5000));
    station.write("75\r");
    ASSERT_TRUE(waitUntil([&] { return sim.statusValue("bytes_in") == 6; }, 5000));
    station.write("\n");
    EXPECT_TRUE(station.waitFor(QStringLiteral("命令:r3.75\r\n")));
    EXPECT_EQ(sim.statusValue("commands"), 1);
    EXPECT_FALSE(station.text().contains(QStringLiteral("命令:r3.\r\n")));
}

TEST(BoardCommands, DriveTheAntennaGoal)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", kFast));
    PeerClient station;
    ASSERT_TRUE(station.connectTo(sim.port()));
    // Automatic drive: bearing to the base (27.9°) less the heading (45°).
    const std::vector<std::pair<QByteArray, const char *>> steps{
        {"", "目标:332.9距离"},          {"r12.50\r\n", "目标:12.5距离"},
        {"m-2\r\n", "目标:10.5距离"},    {"[P0H-20V0]\r\n", "目标:352.5距离"},
        {"[P0H0V0]\r\n", "目标:332.9距离"}, {"r-30\r\nR\r\n", "目标:332.9距离"},
    };
    for (const auto &[command, goal] : steps) {
        station.write(command);
        if (!command.isEmpty()) {
            ASSERT_TRUE(station.waitFor(QByteArray("命令:") + command.left(command.indexOf('\r'))));
        }
        station.clear();
        EXPECT_TRUE(station.waitFor(QByteArray(goal))) << command.constData();
    }
}

} // namespace
