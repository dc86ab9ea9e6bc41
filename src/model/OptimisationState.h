#pragma once

#include <array>
#include <cstdint>

namespace korvane {

// Periodic comparison, lost-signal sweep and auto-scan state.
struct OptimisationState {
    bool comparisonEnabled = false;
    std::int16_t comparisonInterval = 300;
    std::int16_t comparisonCountdown = 300;
    std::int16_t comparisonStep = 1;
    std::array<std::int16_t, 3> comparisonReadings{-100, -100, -100}; // L, M, R
    bool scanEnabled = true;
    std::int16_t scanInterval = 600;
    std::int16_t scanCountdown = 600;
    std::int16_t sweepStepCounter = 0;
    std::int16_t scanPitch = 0;
    std::int16_t scanStep = 0;
    std::array<std::int16_t, 10> signalHistory{-100, -100, -100, -100, -100,
                                               -100, -100, -100, -100, -100};
    // Auto-scan: 32 means no scan is running.
    std::int16_t scanOffset = 32;
    std::int16_t bestOffset = 0;
    std::int16_t bestSignal = 0;

    // While the survey runs nothing else may turn the antenna: its readings
    // would belong to bearings it did not command.
    bool surveyRunning() const { return scanOffset < 32; }

    // The sweep waits a full scan interval again: a signal or an executed
    // drive command shows the antenna is being looked after.
    void reloadScanCountdown() { scanCountdown = scanInterval; }
    // After a drive command the antenna points somewhere new: the next
    // comparison and the next sweep come one full period later.
    void restartCountdowns()
    {
        comparisonCountdown = comparisonInterval;
        reloadScanCountdown();
    }
};

} // namespace korvane
