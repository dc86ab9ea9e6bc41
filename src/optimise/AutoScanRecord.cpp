#include "optimise/AutoScanRecord.h"

namespace korvane {

AutoScanRecord::AutoScanRecord(QObject *parent)
    : QObject(parent)
{
}

std::optional<double> AutoScanRecord::reading(int offset) const
{
    if (offset < kFirstOffset || offset > kLastOffset)
        return std::nullopt;
    return m_readings[static_cast<std::size_t>(offset - kFirstOffset)];
}

void AutoScanRecord::arm()
{
    m_phase = Phase::Running;
    m_ticks = 0;
    m_default.reset();
    m_readings.fill(std::nullopt);
    m_lastOffset = 0;
    m_lastReading.reset();
    m_bestOffset = 0;
    m_bestSignal = 0;
    Q_EMIT changed(Event::Armed);
}

void AutoScanRecord::readingTaken(int offset, std::optional<double> reading, int bestOffset, int bestSignal)
{
    m_phase = Phase::Running;
    ++m_ticks;
    m_lastOffset = offset;
    m_lastReading = reading;
    m_bestOffset = bestOffset;
    m_bestSignal = bestSignal;
    Q_EMIT changed(Event::Reading);
}

void AutoScanRecord::recordDefault(std::optional<double> reading, int bestSignal)
{
    m_default = reading;
    readingTaken(0, reading, 0, bestSignal);
}

void AutoScanRecord::recordOffset(int offset, std::optional<double> reading, int bestOffset, int bestSignal)
{
    if (offset >= kFirstOffset && offset <= kLastOffset)
        m_readings[static_cast<std::size_t>(offset - kFirstOffset)] = reading;
    readingTaken(offset, reading, bestOffset, bestSignal);
}

void AutoScanRecord::pause()
{
    m_phase = Phase::Paused;
    Q_EMIT changed(Event::Paused);
}

void AutoScanRecord::finish()
{
    m_phase = Phase::Finished;
    Q_EMIT changed(Event::Finished);
}

void AutoScanRecord::cancel()
{
    m_phase = Phase::Cancelled;
    Q_EMIT changed(Event::Cancelled);
}

} // namespace korvane
