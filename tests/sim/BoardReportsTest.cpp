// What the simulated board reports beyond its plain status round: split
// execution reports, relayed receiver sentences, and the events a tester
// scripts through its stdin (alarms, base counts, compass trouble).

#include "support/PeerClient.h"
#include "support/SimProcess.h"
#include "support/Wait.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using korvane::test::PeerClient;
using korvane::test::SimProcess;
using korvane::test::waitUntil;

namespace {

const QStringList kFast{"--interval-ms", "100", "--speed", "0"};
constexpr double kOwnLat = 31.2304123;
constexpr double kOwnLon = 121.4737010;

QString text(const QByteArray &bytes) { return QString::fromUtf8(bytes); }

// Connected and taken on by the board, so what it says next reaches `client`.
bool connectServed(SimProcess &sim, PeerClient &client, int clients = 1)
{
    return client.connectTo(sim.port()) && waitUntil([&] { return sim.statusValue("clients") >= clients; }, 5000);
}

bool anyRead(const PeerClient &client, const QRegularExpression &pattern)
{
    for (const QByteArray &read : client.reads()) {
        if (pattern.match(text(read)).hasMatch())
            return true;
    }
    return false;
}

// --- Split execution reports ---------------------------------------------

struct SplitCase {
    const char *name;
    QStringList arguments;
    const char *control; // empty: none
};

void PrintTo(const SplitCase &c, std::ostream *os) { *os << c.name; }

class BoardSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(BoardSplit, PiecesArriveAsSeparateReadsAndJoinToWholeReports)
{
    // Slow enough that the pieces, a third of a slot apart, are read apart.
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", QStringList{"--interval-ms", "450", "--speed", "0"} + GetParam().arguments));
    if (*GetParam().control) {
        ASSERT_TRUE(sim.controlAcknowledged(GetParam().control));
    }
    PeerClient station;
    ASSERT_TRUE(station.connectTo(sim.port()));
    // Four split reports after connecting: the bridge cuts at each of its
    // places in turn, so every kind of piece comes at least once.
    const qint64 before = sim.statusValue("split_reports");

    const std::vector<std::pair<const char *, const char *>> pieces{
        {"before the target", "^执行\\d+\\.\\d[+-]\\d+\\.\\d$"},
        {"the rest", "^目标:\\d+\\.\\d距离\\d+\\.\\d\\d 罗盘\\d+\\.\\d俯仰5\\.0\r\n$"},
        {"before the elevation", "^执行[^\r\n]+目标:[^\r\n]+罗盘\\d+\\.\\d$"},
        {"middle", "^目标:\\d+\\.\\d距离\\d+\\.\\d\\d 罗盘\\d+\\.\\d$"},
        {"the elevation", "^俯仰5\\.0\r\n$"},
    };
    const auto seen = [&](const char *pattern) {
        return anyRead(station, QRegularExpression(QString::fromUtf8(pattern)));
    };
    // A late reader joins pieces that came apart, so keep reading until every
    // kind has been seen alone at least once.
    ASSERT_TRUE(waitUntil(
        [&] {
            return std::all_of(pieces.begin(), pieces.end(), [&](const auto &p) { return seen(p.second); })
                   && sim.statusValue("split_reports") >= before + 4;
        },
        30000));
    for (const auto &[what, pattern] : pieces)
        EXPECT_TRUE(seen(pattern)) << what;

    // Joined, every report is whole: nothing lost or added at the cuts. The
    // last report may still be on its way; all before the last position
    // report are done.
    const QString done = station.text().left(station.text().lastIndexOf(QStringLiteral("本地纬度:")));
    const QRegularExpression whole(QStringLiteral("执行\\d+\\.\\d[+-]\\d+\\.\\d目标:\\d+\\.\\d距离\\d+\\.\\d\\d "
                                                  "罗盘\\d+\\.\\d俯仰5\\.0\r\n"));
    EXPECT_GE(done.count(whole), 4);
    EXPECT_EQ(done.count(whole), done.count(QStringLiteral("执行")));
}

INSTANTIATE_TEST_SUITE_P(Sim, BoardSplit,
                         ::testing::Values(SplitCase{"Option", {"--split-reports"}, ""},
                                           SplitCase{"Control", {}, "split on"}),
                         [](const auto &info) { return info.param.name; });

TEST(BoardSplit, OffSendsEveryReportInOneWrite)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", QStringList{"--interval-ms", "200", "--speed", "0", "--split-reports"}));
    ASSERT_TRUE(sim.controlAcknowledged("split off"));
    PeerClient station;
    ASSERT_TRUE(station.connectTo(sim.port()));
    ASSERT_TRUE(waitUntil([&] { return station.text().count(QStringLiteral("执行")) >= 4; }, 5000));
    // A late reader may join several writes in one read, but no read may cut
    // a report.
    const QRegularExpression whole(QStringLiteral("执行[^\r\n]+俯仰5\\.0\r\n"));
    for (const QByteArray &read : station.reads()) {
        const QString t = text(read);
        EXPECT_EQ(t.count(whole), t.count(QStringLiteral("执行"))) << read.constData();
        EXPECT_FALSE(t.startsWith(QStringLiteral("目标")) || t.startsWith(QStringLiteral("俯仰"))) << read.constData();
    }
    EXPECT_EQ(sim.statusText("split_reports"), QStringLiteral("0"));
}

// --- Receiver sentences --------------------------------------------------

// NMEA 0183: XOR of the bytes between "$" and "*".
bool checksumValid(const QString &sentence)
{
    const qsizetype star = sentence.indexOf(u'*');
    if (!sentence.startsWith(u'$') || star < 0 || sentence.size() != star + 3)
        return false;
    unsigned sum = 0;
    for (const char c : sentence.mid(1, star - 1).toLatin1())
        sum ^= static_cast<unsigned char>(c);
    return sentence.mid(star + 1).toUInt(nullptr, 16) == sum;
}

double nmeaDegrees(const QString &value, const QString &hemisphere)
{
    const qsizetype point = value.indexOf(u'.');
    const double degrees = value.left(point - 2).toDouble() + value.mid(point - 2).toDouble() / 60.0;
    return (hemisphere == u"S" || hemisphere == u"W") ? -degrees : degrees;
}

struct NmeaCase {
    const char *name;
    QStringList arguments;
    const char *control; // empty: none
    QByteArray command;  // sent by the station; empty: none
    bool rmc;
    bool gga;
};

void PrintTo(const NmeaCase &c, std::ostream *os) { *os << c.name; }

class BoardNmea : public ::testing::TestWithParam<NmeaCase> {};

TEST_P(BoardNmea, PositionReportsCarryChecksummedSentencesOfTheOwnPosition)
{
    const NmeaCase &c = GetParam();
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", kFast + c.arguments));
    if (*c.control) {
        ASSERT_TRUE(sim.controlAcknowledged(c.control));
    }
    PeerClient station;
    ASSERT_TRUE(station.connectTo(sim.port()));
    if (!c.command.isEmpty()) {
        station.write(c.command);
        ASSERT_TRUE(station.waitFor(QByteArray("命令:") + c.command.trimmed()));
    }
    station.clear();
    // Two whole position reports after any change.
    ASSERT_TRUE(waitUntil([&] { return station.text().count(QStringLiteral("本地纬度:")) >= 3; }, 5000));
    const QString all = station.text();
    const QString report = all.mid(all.indexOf(QStringLiteral("本地纬度:")));
    const QString chunk = report.left(report.indexOf(QStringLiteral("天线状态")));

    const QRegularExpression rmc(QStringLiteral("^\\$GNRMC,[^\r\n]*\r$"), QRegularExpression::MultilineOption);
    const QRegularExpression gga(QStringLiteral("^\\$GNGGA,[^\r\n]*\r$"), QRegularExpression::MultilineOption);
    EXPECT_EQ(rmc.match(chunk).hasMatch(), c.rmc) << qPrintable(chunk);
    EXPECT_EQ(gga.match(chunk).hasMatch(), c.gga) << qPrintable(chunk);
    for (const auto &[pattern, first] : {std::pair{rmc, 3}, std::pair{gga, 2}}) {
        const QString sentence = pattern.match(chunk).captured().trimmed();
        if (sentence.isEmpty())
            continue;
        EXPECT_TRUE(checksumValid(sentence)) << qPrintable(sentence);
        const QStringList fields = sentence.left(sentence.indexOf(u'*')).split(u',');
        EXPECT_NEAR(nmeaDegrees(fields.value(first), fields.value(first + 1)), kOwnLat, 1e-6);
        EXPECT_NEAR(nmeaDegrees(fields.value(first + 2), fields.value(first + 3)), kOwnLon, 1e-6);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sim, BoardNmea,
    ::testing::Values(NmeaCase{"None", {}, "", {}, false, false},
                      NmeaCase{"RateCommand", {}, "", "g1\r\n", true, true},
                      NmeaCase{"RateZero", {"--nmea", "both"}, "", "g0\r\n", false, false},
                      NmeaCase{"OptionRmc", {"--nmea", "rmc"}, "", {}, true, false},
                      NmeaCase{"OptionGga", {"--nmea", "gga"}, "", {}, false, true},
                      NmeaCase{"ControlGga", {}, "nmea gga", {}, false, true},
                      NmeaCase{"ControlOff", {"--nmea", "both"}, "nmea off", {}, false, false}),
    [](const auto &info) { return info.param.name; });

TEST(BoardNmea, WithoutAFixTheSentencesAreVoidButStillChecksummed)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", kFast + QStringList{"--nmea", "both"}));
    ASSERT_TRUE(sim.controlAcknowledged("gnss off"));
    PeerClient station;
    ASSERT_TRUE(station.connectTo(sim.port()));
    const QRegularExpression rmc(QStringLiteral("^(\\$GNRMC,[\\d.]+,V,,,,,,,\\d{6},,,N\\*[0-9A-F]{2})\r$"),
                                 QRegularExpression::MultilineOption);
    const QRegularExpression gga(QStringLiteral("^(\\$GNGGA,[\\d.]+,,,,,0,00,[^\r\n]*)\r$"),
                                 QRegularExpression::MultilineOption);
    ASSERT_TRUE(waitUntil([&] { return gga.match(station.text()).hasMatch(); }, 5000));
    ASSERT_TRUE(rmc.match(station.text()).hasMatch()) << qPrintable(station.text());
    EXPECT_TRUE(checksumValid(rmc.match(station.text()).captured(1)));
    EXPECT_TRUE(checksumValid(gga.match(station.text()).captured(1)));
    EXPECT_TRUE(station.waitFor(QStringLiteral("信号:0%\r\n")));
}

// --- Scripted events -----------------------------------------------------

struct EventCase {
    const char *control;
    const char *said; // a whole chunk of its own
};

TEST(BoardEvents, EachControlReportsItsTextAsAChunkOfItsOwn)
{
    const std::vector<EventCase> cases{
        {"alarm motor", "电机告警:方位电机过流,已停止驱动\r\n"},
        {"alarm bus", "总线异常:罗盘无应答,本次运行忽略总线设备\r\n"},
        {"alarm init", "初始位错误,方位零位开关未触发\r\n"},
        {"alarm receiver", "$PCAS04,3*1A\r\n"},
        {"alarm range", "角度超出设备范围,停止俯仰\r\n"},
        {"switch 2", "基站切换 2号基站,海拔:5.0\r\n"},
        {"compass init", "执行初始罗盘\r\n"},
        {"compass based", "罗盘初始完成,以当前船艏为基准\r\n"},
    };
    // A status round this slow never starts, so only the events are received.
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", QStringList{"--interval-ms", "3600000"}));
    PeerClient station;
    ASSERT_TRUE(connectServed(sim, station));
    for (const EventCase &c : cases) {
        station.clear();
        ASSERT_TRUE(sim.controlAcknowledged(c.control));
        EXPECT_TRUE(station.waitFor(QByteArray(c.said))) << c.control;
        EXPECT_EQ(station.reads(), QList<QByteArray>{QByteArray(c.said)}) << c.control;
    }
}

TEST(BoardEvents, BaseCountIsWhereTheStationCutsIt)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", kFast));
    PeerClient station;
    ASSERT_TRUE(connectServed(sim, station));
    for (const char *count : {"3", "249", "0"}) {
        station.clear();
        ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("bases %1").arg(count)));
        ASSERT_TRUE(station.waitFor(QStringLiteral("设置的参数如下:\r\n"))) << count;
        const QString s = station.text();
        const qsizetype from = s.indexOf(QStringLiteral("当前基站数量")) + 6;
        EXPECT_EQ(s.mid(from, s.indexOf(QStringLiteral(",设置的参数")) - from), QString::fromLatin1(count));
    }
    // The count stays on the board: its help reports it too.
    station.clear();
    station.write("?\r\n");
    EXPECT_TRUE(station.waitFor(QStringLiteral("命令:?\r\n当前基站数量0,设置的参数")));
}

TEST(BoardEvents, BadControlsAreRefusedAndChangeNothing)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", kFast));
    for (const char *line : {"alarm", "alarm fire", "bases -1", "bases many", "switch 0", "compass",
                             "compass stuck", "compass stuck maybe", "split yes", "nmea gsv"}) {
        sim.control(line);
        EXPECT_FALSE(sim.waitForLine(QStringLiteral("error ") + line).isEmpty()) << line;
    }
    EXPECT_EQ(sim.statusText("split"), QStringLiteral("off"));
    EXPECT_EQ(sim.statusText("compass_stuck"), QStringLiteral("off"));
    EXPECT_EQ(sim.statusText("nmea"), QStringLiteral("off"));
    EXPECT_EQ(sim.statusText("bases"), QStringLiteral("0"));
}

TEST(BoardCompass, StuckRepeatsTheLastReadingUntilReleased)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", kFast));
    PeerClient station;
    ASSERT_TRUE(station.connectTo(sim.port()));
    ASSERT_TRUE(station.waitFor(QStringLiteral("罗盘")));
    ASSERT_TRUE(sim.controlAcknowledged("compass stuck on"));
    const QString frozen = sim.statusText("compass");
    station.clear();
    const QRegularExpression reading(QStringLiteral("罗盘(\\d+\\.\\d)俯仰"));
    const auto readings = [&] {
        QStringList all;
        for (auto it = reading.globalMatch(station.text()); it.hasNext();)
            all << it.next().captured(1);
        return all;
    };
    ASSERT_TRUE(waitUntil([&] { return readings().size() >= 3; }, 5000));
    station.write("c\r\n"); // the query sees the same compass
    ASSERT_TRUE(station.waitFor(QStringLiteral("命令:c\r\n罗盘")));
    for (const QString &r : readings())
        EXPECT_EQ(r, frozen);
    EXPECT_TRUE(station.text().contains(QStringLiteral("命令:c\r\n罗盘") + frozen + QStringLiteral("俯仰")));

    ASSERT_TRUE(sim.controlAcknowledged("compass stuck off"));
    station.clear();
    ASSERT_TRUE(waitUntil([&] { return readings().size() >= 3; }, 5000));
    const QStringList after = readings();
    EXPECT_NE(after[1], after[2]);
}

// --- Replies to stations -------------------------------------------------

TEST(BoardReplies, DriveCommandsAnswerWithAnExecutionReportTowardsTheNewGoal)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", kFast));
    PeerClient station;
    ASSERT_TRUE(station.connectTo(sim.port()));
    // Automatic drive points at 332.9 from the bow.
    const std::vector<std::pair<QByteArray, const char *>> steps{
        {"r12.50", "\r\n执行332.9\\+0\\.0目标:12\\.5距离8\\.13 罗盘\\d+\\.\\d俯仰5\\.0\r\n"},
        {"[P0H-20V0]", "\r\n执行[\\d.]+-20\\.0目标:352\\.5距离"},
        {"m5", "\r\n执行[\\d.]+-15\\.0目标:357\\.5距离"},
        {"[P0H0V0]", "\r\n已恢复自动驱动\r\n执行[\\d.]+\\+0\\.0目标:332\\.9距离"},
    };
    for (const auto &[command, reply] : steps) {
        station.clear();
        station.write(command + "\r\n");
        const QRegularExpression expected(QRegularExpression::escape(QStringLiteral("命令:") + text(command))
                                          + QString::fromUtf8(reply));
        EXPECT_TRUE(waitUntil([&] { return expected.match(station.text()).hasMatch(); }, 3000))
            << command.constData() << "\n" << qPrintable(station.text());
    }
}

TEST(BoardReplies, TargetMmsiEchoReachesEveryStation)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", kFast));
    PeerClient setter;
    PeerClient other;
    ASSERT_TRUE(connectServed(sim, setter, 1));
    ASSERT_TRUE(connectServed(sim, other, 2));
    setter.write("mmsi413000001\r\n");
    EXPECT_TRUE(other.waitFor(QStringLiteral("命令:mmsi413000001\r\n参数已设置\r\n")));
    setter.write("mmsi4130\r\n");
    EXPECT_TRUE(other.waitFor(QStringLiteral("命令:mmsi4130\r\n参数错误\r\n")));
}

TEST(BoardReplies, AntennaMarkerNamesTheOwnPosition)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", kFast + QStringList{"--own-marker", "antenna"}));
    PeerClient station;
    ASSERT_TRUE(station.connectTo(sim.port()));
    EXPECT_TRUE(station.waitFor(QStringLiteral("动中通纬度:31.2304123经度:121.4737010海拔:12.0\r\n基站纬度:")));
    EXPECT_FALSE(station.text().contains(QStringLiteral("本地纬度:")));
}

} // namespace
