#include "RadioLink.h"

#include <algorithm>
#include <cmath>

namespace korvane::sim {

namespace {
// A rough capacity from the signal-to-noise ratio, as the radios estimate
// it: more modulation steps per dB, up to the radio's top rate.
constexpr double kMbpsPerDb = 12;
constexpr double kTopMbps = 650;
constexpr double kUplinkShare = 0.9;
// Share of the capacity in use, receive and transmit.
constexpr double kRxLoad = 0.25;
constexpr double kTxLoad = 0.1;
} // namespace

RadioLink::RadioLink(const Setup &setup)
    : m_setup(setup)
{
    m_clock.start();
}

double RadioLink::limit() const
{
    return m_setup.limit ? *m_setup.limit : 2 * m_setup.beamwidth;
}

double RadioLink::pointingError() const
{
    if (!m_setup.peakBearing)
        return 0;
    const double d = std::fmod(std::fabs(m_setup.bearing - *m_setup.peakBearing), 360.0);
    return d > 180 ? 360 - d : d;
}

double RadioLink::modelSignal() const
{
    if (!m_setup.peakBearing)
        return m_setup.level;
    const double error = pointingError();
    if (error > limit())
        return kNoSignal;
    const double ratio = m_setup.beamwidth > 0 ? error / m_setup.beamwidth : 0;
    return std::max(kNoSignal, m_setup.level - 12 * ratio * ratio);
}

RadioLink::Reading RadioLink::next()
{
    ++m_step;
    // A slow, repeatable wobble rather than noise: tests with jitter still
    // see the same sequence.
    const double wobble = m_setup.jitter * std::sin(m_step * 1.3);
    const double model = modelSignal();
    const bool lost = model <= kNoSignal;
    Reading r;
    r.signal = lost ? static_cast<int>(kNoSignal) : static_cast<int>(std::lround(model + wobble));
    r.noise = static_cast<int>(std::lround(m_setup.noise + m_setup.jitter * 0.5 * std::cos(m_step * 0.7)));
    r.chain0 = lost ? r.signal : r.signal - 1;
    r.chain1 = lost ? r.signal
                    : r.chain0 - static_cast<int>(std::lround(m_setup.chainDelta + m_setup.jitter * 0.5 * std::sin(m_step * 0.5)));
    const double snr = lost ? 0 : std::max(0, r.signal - r.noise);
    r.capacityDownMbps = std::min(kTopMbps, std::round(snr * kMbpsPerDb));
    r.capacityUpMbps = std::round(r.capacityDownMbps * kUplinkShare);
    // Nanoseconds: readings a moment apart still see the traffic between them.
    const double seconds = static_cast<double>(m_clock.nsecsElapsed()) / 1e9;
    m_clock.restart();
    const double load = 1 + 0.2 * std::sin(m_step * 0.9);
    m_rxBytes += r.capacityDownMbps * kRxLoad * load * 1e6 / 8 * seconds;
    m_txBytes += r.capacityUpMbps * kTxLoad * load * 1e6 / 8 * seconds;
    r.rxBytes = static_cast<qint64>(m_rxBytes);
    r.txBytes = static_cast<qint64>(m_txBytes);
    return r;
}

} // namespace korvane::sim
