#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <optional>

namespace korvane::history {

// The real-valued figures, in the order of kFigureColumns.
enum class Figure : std::size_t {
    Signal,
    Noise,
    ChainDelta,
    CapacityDown,
    CapacityUp,
    Rx,
    Tx,
    Ping,
    PingMean,
    AntennaAngle,
    DriveOffset,
    Heading,
    Speed,
    OwnLatitude,
    OwnLongitude,
    TargetLatitude,
    TargetLongitude,
    Distance,
};

inline constexpr std::size_t kFigureCount = 18;

// One second of the station: every figure it holds, unknown ones empty.
struct Sample {
    qint64 t = 0; // ms since the epoch, UTC
    std::array<std::optional<double>, kFigureCount> figures{};
    std::optional<int> boardLink;
    std::optional<int> radioLink;
    std::optional<int> radioFamily;
    std::optional<int> cloudOk;
    QString alarm; // empty: no alarm shown

    std::optional<double> &operator[](Figure f) { return figures[static_cast<std::size_t>(f)]; }
    const std::optional<double> &operator[](Figure f) const { return figures[static_cast<std::size_t>(f)]; }

    // Keeps the value when it lies in the figure's plausible range; a value
    // outside it (a signal of +30 dBm, a heading of 720) stays unknown, so
    // a chart never draws a spike that no device could have meant.
    void set(Figure f, double value);
};

// Whether a value is plausible for the figure.
bool inRange(Figure f, double value);

struct EventRow {
    qint64 t = 0;
    QString kind;
    QString text;  // the daily log's line
    QString words; // what the window shows; empty: made from the text
};

} // namespace korvane::history
