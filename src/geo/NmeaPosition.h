#pragma once

namespace korvane {

// A receiver position taken from an NMEA 0183 sentence, decimal degrees,
// north and east positive.
struct NmeaPosition {
    double latitude = 0.0;
    double longitude = 0.0;

    bool operator==(const NmeaPosition &) const = default;
};

} // namespace korvane
