#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

namespace korvane {

// How responsive the event loop is: a 10 ms precise timer whose longest gap
// between two ticks shows the longest time the loop was held by one handler.
// Pumped waits keep it ticking, so only real blocking shows.
class LoopWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 10;

    explicit LoopWatch(QObject *parent = nullptr);

    void start();
    bool running() const { return m_timer.isActive(); }
    // The longest gap since start or the last reset, in ms, counting the one
    // still open: a caller served at the end of a stall sees it too.
    qint64 maxGapMs() const;
    // When that gap ended (wall clock, for the operator only).
    QDateTime maxGapAt() const { return m_maxGapAt; }
    void reset();

private:
    void tick();

    QTimer m_timer;
    QElapsedTimer m_sinceTick;
    qint64 m_maxGapMs = 0;
    QDateTime m_maxGapAt;
};

// This process's memory and processor use, from /proc and getrusage; -1 for
// a figure the system does not give.
struct ProcessFigures {
    qint64 rssKb = -1;     // VmRSS
    qint64 peakRssKb = -1; // VmHWM
    qint64 cpuMs = -1;     // user + system time
};

ProcessFigures readProcessFigures();

// The headless `:stats` line: "stats maxGapMs=… rssKb=… peakRssKb=… cpuMs=…",
// then the gap's time when there was one. maxGapMs is -1 without a watch.
QString statsLine(const LoopWatch *watch, const ProcessFigures &figures);

} // namespace korvane
