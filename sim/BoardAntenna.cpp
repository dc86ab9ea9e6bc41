#include "BoardAntenna.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace korvane::sim {

namespace {
constexpr double kEarthRadiusKm = 6371.0;
constexpr double kKmPerDegreeLatitude = 111.32;
constexpr double kTurnRateDegPerSecond = 30.0;
constexpr std::array<double, 8> kCompassWander{0.0, 0.2, 0.4, 0.2, 0.0, -0.2, -0.4, -0.2};

double radians(double degrees) { return degrees * std::numbers::pi / 180.0; }
double degrees(double radians) { return radians * 180.0 / std::numbers::pi; }
} // namespace

BoardAntenna::BoardAntenna(const Setup &setup)
    : m_own(setup.own), m_base(setup.base), m_target(setup.target), m_heading(normalize(setup.heading)),
      m_speedKmh(setup.speedKmh), m_elevation(setup.elevation)
{
    m_azimuth = goal();
}

void BoardAntenna::advance(double seconds)
{
    const double km = m_speedKmh * seconds / 3600.0;
    // Kept off the poles, where a degree of longitude has no length.
    m_own.lat = std::clamp(m_own.lat + km * std::cos(radians(m_heading)) / kKmPerDegreeLatitude, -89.9, 89.9);
    m_own.lon += km * std::sin(radians(m_heading)) / (kKmPerDegreeLatitude * std::cos(radians(m_own.lat)));

    // Turn the short way round, no further than the rate allows.
    const double diff = std::remainder(goal() - m_azimuth, 360.0);
    const double step = std::clamp(diff, -kTurnRateDegPerSecond * seconds, kTurnRateDegPerSecond * seconds);
    m_azimuth = normalize(m_azimuth + step);
}

void BoardAntenna::driveTo(double angle) { m_commanded = angle; }

void BoardAntenna::setManualOffset(double offset)
{
    m_offset = offset;
    if (offset == 0)
        m_commanded.reset();
}

void BoardAntenna::turnBy(double degrees) { m_offset += degrees; }

void BoardAntenna::restart()
{
    m_offset = 0;
    m_commanded.reset();
    m_azimuth = 0;
}

void BoardAntenna::setOwnPosition(double lat, double lon)
{
    m_own.lat = lat;
    m_own.lon = lon;
}

void BoardAntenna::setBaseLatitude(double lat) { m_base.lat = lat; }
void BoardAntenna::setBaseLongitude(double lon) { m_base.lon = lon; }
void BoardAntenna::setTarget(double lat, double lon) { m_target = GeoPoint{lat, lon, 0.0}; }

double BoardAntenna::driveAngle() const
{
    if (m_commanded)
        return normalize(*m_commanded);
    return normalize(bearing(m_own, aim()) - m_heading);
}

double BoardAntenna::goal() const { return normalize(driveAngle() + m_offset); }

double BoardAntenna::pointingFromDrive() const { return std::remainder(m_azimuth - driveAngle(), 360.0); }

double BoardAntenna::distanceKm() const { return distanceKm(m_own, aim()); }

double BoardAntenna::nextCompassReading()
{
    if (m_compassStuck && m_lastCompass)
        return *m_lastCompass;
    const double wander = kCompassWander[m_compassStep++ % kCompassWander.size()];
    m_lastCompass = normalize(m_heading + wander);
    return *m_lastCompass;
}

double BoardAntenna::normalize(double degrees)
{
    double d = std::fmod(degrees, 360.0);
    if (d < 0)
        d += 360.0;
    return d >= 360.0 ? 0.0 : d;
}

double BoardAntenna::distanceKm(const GeoPoint &from, const GeoPoint &to)
{
    const double dLat = radians(to.lat - from.lat);
    const double dLon = radians(to.lon - from.lon);
    const double a = std::pow(std::sin(dLat / 2), 2)
                     + std::cos(radians(from.lat)) * std::cos(radians(to.lat)) * std::pow(std::sin(dLon / 2), 2);
    return 2 * kEarthRadiusKm * std::asin(std::min(1.0, std::sqrt(a)));
}

double BoardAntenna::bearing(const GeoPoint &from, const GeoPoint &to)
{
    const double lat1 = radians(from.lat);
    const double lat2 = radians(to.lat);
    const double dLon = radians(to.lon - from.lon);
    const double y = std::sin(dLon) * std::cos(lat2);
    const double x = std::cos(lat1) * std::sin(lat2) - std::sin(lat1) * std::cos(lat2) * std::cos(dLon);
    return normalize(degrees(std::atan2(y, x)));
}

} // namespace korvane::sim
