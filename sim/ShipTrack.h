#pragma once

#include <QtGlobal>

#include <algorithm>
#include <cmath>

namespace korvane::sim {

// A vessel under way on a flat patch of sea: good enough over the minutes a
// test or a demo runs.
struct ShipTrack {
    double latitude = 31.25;
    double longitude = 121.5;
    double courseDegrees = 90.0;
    double speedKnots = 10.0;
    double turnDegreesPerMinute = 0.0;
    // The bow's direction relative to the course; empty heading: the vessel
    // reports none (511).
    bool hasHeading = true;
    double headingOffset = 0.0;
    // False: the vessel's receiver has no fix, and its reports carry AIS's
    // "not available" position, longitude 181 and latitude 91.
    bool hasPosition = true;

    double heading() const
    {
        double h = std::fmod(courseDegrees + headingOffset, 360.0);
        return h < 0 ? h + 360.0 : h;
    }

    void advance(double seconds)
    {
        constexpr double kPi = 3.14159265358979323846;
        const double nauticalMiles = speedKnots * seconds / 3600.0;
        const double course = courseDegrees * kPi / 180.0;
        latitude += nauticalMiles * std::cos(course) / 60.0;
        const double cosLat = std::max(0.01, std::cos(latitude * kPi / 180.0));
        longitude += nauticalMiles * std::sin(course) / (60.0 * cosLat);
        if (longitude > 180.0)
            longitude -= 360.0;
        if (longitude < -180.0)
            longitude += 360.0;
        latitude = std::clamp(latitude, -89.9, 89.9);
        courseDegrees = std::fmod(courseDegrees + turnDegreesPerMinute * seconds / 60.0 + 360.0, 360.0);
    }
};

} // namespace korvane::sim
