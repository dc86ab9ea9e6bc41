#pragma once

#include <QtGlobal>

namespace korvane {

// One decoded AIS position report: exactly these four values, in this
// order, so callers may also take them apart by position
// (auto [mmsi, heading, longitude, latitude] = fix).
struct AisFix {
    static constexpr qint32 kNoMmsi = -1;
    static constexpr qint16 kNoHeading = -1;
    static constexpr qint16 kHeadingNotSent = 511;
    static constexpr double kNoCoordinate = -1000.0;

    qint32 mmsi = kNoMmsi;
    qint16 heading = kNoHeading;     // whole degrees 0 ... 359, or 511
    double longitude = kNoCoordinate; // decimal degrees, east positive
    double latitude = kNoCoordinate;  // decimal degrees, north positive

    bool hasPosition() const { return longitude != kNoCoordinate && latitude != kNoCoordinate; }
    bool operator==(const AisFix &) const = default;
};

} // namespace korvane
