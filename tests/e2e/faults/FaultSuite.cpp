#include "e2e/faults/FaultSuite.h"

#include "support/Wait.h"

#include <algorithm>
#include <cstdio>

namespace korvane::test {

std::unique_ptr<FaultStation> FaultSuite::s_station;

void FaultSuite::startStation(const FaultStation::Options &options)
{
    s_station = std::make_unique<FaultStation>();
    if (!s_station->start(options))
        std::fprintf(stderr, "fault station: %s\n", qPrintable(s_station->error()));
}

void FaultSuite::TearDownTestSuite()
{
    s_station.reset();
}

void FaultSuite::SetUp()
{
    ASSERT_TRUE(s_station && s_station->error().isEmpty()) << qPrintable(s_station ? s_station->error() : "");
    ASSERT_TRUE(f().stationRunning()) << "an earlier row ended the station: " << qPrintable(f().endReport());
    ASSERT_TRUE(f().boardLinkUp(linkBackMs())) << "the board link is not up at the start of the row";
    if (f().usesCpe()) {
        ASSERT_TRUE(f().cpeReadsWell(linkBackMs())) << "the CPE is not read at the start of the row";
    } else {
        ASSERT_TRUE(waitUntil([] { return f().radio.statusValue(QStringLiteral("logged_in")) >= 1; }, linkBackMs()))
            << "the radio is not logged in at the start of the row";
    }
    f().stats(); // the row's own longest gap starts now
    since = f().mark();
    logAtStart = f().logBytes().size();
    boardCommandsAtStart = f().board.statusValue(QStringLiteral("commands"));
    rowTime.start();
}

bool FaultSuite::supervisionRounds(SimProcess &peer, int probes)
{
    const qint64 start = peer.statusValue(QStringLiteral("accepted"));
    return waitUntil([&] { return peer.statusValue(QStringLiteral("accepted")) >= start + probes; },
                     probes * linkBackMs());
}

bool FaultSuite::flood(SimProcess &peer)
{
    constexpr qint64 kFloodBytes = 10 * 1024 * 1024;
    constexpr int kFloodMs = 90000;
    const qint64 start = peer.statusValue(QStringLiteral("bytes_out"));
    return peer.controlAcknowledged(QStringLiteral("flood %1").arg(kFloodBytes))
           && waitUntil([&] { return peer.statusValue(QStringLiteral("bytes_out")) >= start + kFloodBytes; },
                        kFloodMs);
}

QByteArray FaultSuite::rowLog() const
{
    return f().logBytes().mid(logAtStart);
}

StationStats FaultSuite::midStats()
{
    StationStats stats = f().stats();
    if (stats.maxGapMs >= 0)
        stats.maxGapMs = std::max(stats.maxGapMs, rowMaxGapMs);
    rowMaxGapMs = std::max(rowMaxGapMs, stats.maxGapMs);
    return stats;
}

void FaultSuite::TearDown()
{
    if (!s_station || !s_station->error().isEmpty())
        return;
    ASSERT_TRUE(f().stationRunning()) << qPrintable(f().endReport());
    const StationStats stats = midStats();
    const ::testing::TestInfo *row = ::testing::UnitTest::GetInstance()->current_test_info();
    std::printf("[ fault row ] %s.%s maxGapMs=%lld peakRssKb=%lld rssKb=%lld cpuMs=%lld\n", row->test_suite_name(),
                row->name(), static_cast<long long>(stats.maxGapMs), static_cast<long long>(stats.peakRssKb),
                static_cast<long long>(stats.rssKb), static_cast<long long>(stats.cpuMs));
    RecordProperty("maxGapMs", static_cast<int>(stats.maxGapMs));
    EXPECT_GE(stats.maxGapMs, 0) << "no :stats answer, or the loop watch is off";
    EXPECT_LT(stats.maxGapMs, kMaxGapMs) << "the event loop was held that long";
    EXPECT_GT(stats.peakRssKb, 0);
    if (memoryMeasured()) {
        EXPECT_LT(stats.peakRssKb, kMaxPeakRssKb);
    }
    // The station's own traffic stays at the pace of its timers and peers.
    // (A flood full of broken markers gets replies; it is no loop.)
    const qint64 commands = f().board.statusValue(QStringLiteral("commands"));
    const qint64 sent = commands >= boardCommandsAtStart ? commands - boardCommandsAtStart : commands;
    if (commandRateChecked) {
        EXPECT_LT(sent * 1000 / std::max<qint64>(rowTime.elapsed(), 1000), kMaxCommandsPerSecond)
            << sent << " commands reached the board in " << rowTime.elapsed() << " ms";
    }
    // The log keeps taking lines after the fault.
    const qsizetype now = f().logBytes().size();
    EXPECT_TRUE(waitUntil([&] { return f().logBytes().size() > now; }, linkBackMs()))
        << "nothing reached the log after the row";
}

} // namespace korvane::test
