#pragma once

#include <QString>

#include <cstdint>

namespace korvane {

// The radio's link figures, as the radio session and the poller read them.
struct RadioStats {
    std::int16_t signalDbm = -120; // -120: no signal
    std::int16_t chainDeltaDb = 0;
    std::int16_t noiseDbm = 0;
    double capacityDownMbps = 0.0;
    double capacityUpMbps = 0.0;
    double rxMbps = 0.0;
    double txMbps = 0.0;
    double lastRxBytes = 0.0;
    double lastTxBytes = 0.0;
    // Whether this session has read a signal / a throughput yet: before
    // that the figures above are only their starting values, not readings.
    bool figuresRead = false;
    bool throughputRead = false;
    // The last reading's signal was no reading (positive): the figures
    // above are still the ones before it.
    bool signalRejected = false;
};

} // namespace korvane
