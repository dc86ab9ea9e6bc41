#pragma once

#include <QElapsedTimer>

#include <optional>

namespace korvane::sim {

// The simulated radio link: what the radio measures, moved by where the
// antenna points. Without a peak bearing the signal is the set level
// whatever the bearing. With one, the signal peaks there and falls off with
// the pointing error as a main lobe does, 12 dB times (error / beamwidth)
// squared, and is lost (-120 dBm) beyond the limit. Readings wobble a little
// (jitter, 0 for exact figures) and the byte counters grow with the traffic
// the capacity allows, in real time.
class RadioLink {
public:
    static constexpr double kNoSignal = -120;

    struct Setup {
        double level = -52;  // signal at the peak, dBm
        double noise = -96;  // dBm
        double bearing = 0;  // where the antenna points now, degrees
        std::optional<double> peakBearing;
        double beamwidth = 10;
        std::optional<double> limit; // default: twice the beamwidth
        double jitter = 2;   // dB, 0 for steady figures
        double chainDelta = 2;
    };

    struct Reading {
        int signal = 0;
        int noise = 0;
        int chain0 = 0;
        int chain1 = 0;
        double capacityDownMbps = 0;
        double capacityUpMbps = 0;
        qint64 rxBytes = 0;
        qint64 txBytes = 0;
    };

    explicit RadioLink(const Setup &setup);

    // The next reading: advances the counters by the time since the last.
    Reading next();

    // Signal as the model gives it, without jitter.
    double modelSignal() const;
    // The pointing error, 0 to 180 degrees (0 without a peak bearing).
    double pointingError() const;

    Setup &setup() { return m_setup; }
    const Setup &setup() const { return m_setup; }
    double limit() const;

private:
    Setup m_setup;
    QElapsedTimer m_clock;
    unsigned m_step = 0;
    double m_rxBytes = 1090206412;
    double m_txBytes = 1569115095;
};

} // namespace korvane::sim
