#pragma once

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
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
    // When the counters now held as the base (these, or the CPE's) were
    // read: a throughput is the bytes over the time between two readings,
    // whatever the poll period was meant to be.
    QElapsedTimer countersRead;
    // Whether this session has read a signal / a throughput yet: before
    // that the figures above are only their starting values, not readings.
    bool figuresRead = false;
    bool throughputRead = false;
    // The last reading's signal was no reading (positive): the figures
    // above are still the ones before it.
    bool signalRejected = false;

    // Seconds since the base was read, never less than `period`: a reading
    // that comes sooner than the poll (a pushed status) would turn a
    // moment's jitter into a burst.
    double countersAgeSeconds(double period) const
    {
        if (!countersRead.isValid())
            return period;
        return std::max(period, static_cast<double>(countersRead.elapsed()) / 1000.0);
    }

    // Counters read before a failed or missing reading are no base: their
    // difference would span the gap.
    void forgetCounterBase()
    {
        lastRxBytes = 0.0;
        lastTxBytes = 0.0;
        countersRead.invalidate();
    }
};

} // namespace korvane
