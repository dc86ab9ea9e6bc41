#pragma once

#include <QObject>

#include <array>
#include <optional>

namespace korvane {

// What the ±30° survey has measured so far, for the front ends to show: the
// reading at the automatic direction, a reading per offset as it comes in,
// the best so far and how far the run has got. It outlives the run, so the
// last survey stays on view until the next one starts.
class AutoScanRecord : public QObject {
    Q_OBJECT
public:
    static constexpr int kTicks = 62;
    static constexpr int kFirstOffset = -30;
    static constexpr int kLastOffset = 30;

    enum class Phase { Idle, Running, Paused, Finished, Cancelled };
    // What the last change was.
    enum class Event { Armed, Reading, Paused, Finished, Cancelled };

    explicit AutoScanRecord(QObject *parent = nullptr);

    Phase phase() const { return m_phase; }
    bool active() const { return m_phase == Phase::Running || m_phase == Phase::Paused; }
    // Ticks done, 0 to kTicks.
    int ticks() const { return m_ticks; }
    // The reading recorded for an offset; empty when none (yet) or when the
    // signal box held no number.
    std::optional<double> reading(int offset) const;
    std::optional<double> defaultReading() const { return m_default; }
    // The offset and signal of the last reading.
    int lastOffset() const { return m_lastOffset; }
    std::optional<double> lastReading() const { return m_lastReading; }
    int bestOffset() const { return m_bestOffset; }
    int bestSignal() const { return m_bestSignal; }

    // Updates from the survey.
    void arm();
    void recordDefault(std::optional<double> reading, int bestSignal);
    void recordOffset(int offset, std::optional<double> reading, int bestOffset, int bestSignal);
    void pause();
    void finish();
    void cancel();

Q_SIGNALS:
    void changed(korvane::AutoScanRecord::Event event);

private:
    void readingTaken(int offset, std::optional<double> reading, int bestOffset, int bestSignal);

    Phase m_phase = Phase::Idle;
    int m_ticks = 0;
    std::optional<double> m_default;
    std::array<std::optional<double>, kLastOffset - kFirstOffset + 1> m_readings{};
    int m_lastOffset = 0;
    std::optional<double> m_lastReading;
    int m_bestOffset = 0;
    int m_bestSignal = 0;
};

} // namespace korvane
