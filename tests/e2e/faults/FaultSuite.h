#pragma once

#include "e2e/faults/FaultStation.h"
#include "support/Sanitized.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <memory>

namespace korvane::test {

// The rows of one part of the fault matrix share one station: a suite starts
// it in its SetUpTestSuite; every row starts from healthy links and ends with
// the station running, its loop never held 500 ms, its peak memory bounded
// and its log still written.
class FaultSuite : public ::testing::Test {
public:
    static constexpr qint64 kMaxGapMs = kSanitized ? 1500 : 500;
    static constexpr qint64 kMaxPeakRssKb = 150 * 1024;
    // Drive commands, corrections and queries together; a feedback loop
    // with the board shows as thousands.
    static constexpr qint64 kMaxCommandsPerSecond = 25;

protected:
    static void startStation(const FaultStation::Options &options = FaultStation::Options());
    static void TearDownTestSuite();

    void SetUp() override;
    void TearDown() override;

    // The shared station; the rows of a suite run in the order written.
    static FaultStation &f() { return *s_station; }
    // Twice the supervision's period: the bound for a link to come back.
    static int linkBackMs() { return 2 * f().supervisionMs(); }
    // Waits until `peer` has accepted `probes` more connections: each
    // supervision round tests a connected link with one.
    static bool supervisionRounds(SimProcess &peer, int probes);
    // Has `peer` send 10 MB of noise on its connections and waits until it
    // has gone out.
    static bool flood(SimProcess &peer);
    // The log as it grew since the row began.
    QByteArray rowLog() const;
    // Memory limits hold only where memory is the station's own.
    static bool memoryMeasured() { return !kSanitized; }
    // `:stats` in the middle of a row; its longest gap counts for the row.
    // Its answer also shows that every handler before it has finished.
    StationStats midStats();

    qsizetype since = 0;        // the station's output when the row began
    qsizetype logAtStart = 0;   // the log's size when the row began
    bool commandRateChecked = true; // false: the row's peer provokes replies
    qint64 rowMaxGapMs = 0;
    qint64 boardCommandsAtStart = 0;
    QElapsedTimer rowTime;

private:
    static std::unique_ptr<FaultStation> s_station;
};

} // namespace korvane::test
