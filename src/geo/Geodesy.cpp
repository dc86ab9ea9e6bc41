#include "geo/Geodesy.h"

#include "text/Formats.h"
#include "text/Numbers.h"

#include <algorithm>
#include <cmath>

namespace korvane {

namespace {

constexpr double kPi = 3.14159265358979;
constexpr double kHalfPi = kPi / 2;
constexpr double kShortPi = 3.1415926535; // the distance variant's own pi
constexpr double kEarthRadiusKm = 6371.0;
constexpr double kVariantEarthRadiusKm = 6368.16;

double sign(double v)
{
    return v > 0 ? 1.0 : (v < 0 ? -1.0 : 0.0);
}

// The two terms of the initial bearing; their arctangent is the bearing.
struct BearingTerms {
    double y;
    double x;

    // Non-finite input shows here; the quadrant rules would turn it into 0.
    bool finite() const { return std::isfinite(y) && std::isfinite(x); }
};

BearingTerms bearingTerms(double lat1, double lon1, double lat2, double lon2)
{
    const double phi1 = DegreesToRadians(lat1);
    const double lambda1 = DegreesToRadians(lon1);
    const double phi2 = DegreesToRadians(lat2);
    const double lambda2 = DegreesToRadians(lon2);
    const double deltaLambda = lambda2 - lambda1;
    return {std::sin(deltaLambda) * std::cos(phi2),
            std::cos(phi1) * std::sin(phi2)
                - std::cos(phi2) * std::sin(phi1) * std::cos(deltaLambda)};
}

double radiansToDegrees(double theta)
{
    return (180.0 / kPi) * theta;
}

} // namespace

double DegreesToRadians(double degrees)
{
    return degrees * (kPi / 180.0);
}

double Atn2(double y, double x)
{
    if (x > 0)
        return std::atan(y / x);
    if (x < 0) {
        double theta = std::atan(y / x) + sign(y) * kPi;
        if (y == 0)
            theta += kPi;
        return theta;
    }
    if (y > 0)
        return kHalfPi;
    if (y < 0)
        return -kHalfPi;
    return 0.0;
}

double Atn22(double y, double x)
{
    if (x > 0)
        return std::atan(y / x);
    if (x < 0)
        return y >= 0 ? std::atan(y / x) + kPi : std::atan(y / x) - kPi;
    if (y > 0)
        return kHalfPi;
    if (y < 0)
        return -kHalfPi;
    return 0.0;
}

std::optional<double> CalculateBearing(double lat1, double lon1, double lat2, double lon2)
{
    const BearingTerms t = bearingTerms(lat1, lon1, lat2, lon2);
    if (!t.finite())
        return std::nullopt;
    double beta = radiansToDegrees(Atn2(t.y, t.x));
    if (beta < 0)
        beta += 360.0;
    // No second wrap: 359.95 and above come out as 360.0.
    return roundTenthHalfEven(beta);
}

std::optional<double> CalculateDistance(double lat1, double lon1, double lat2, double lon2)
{
    const double phi1 = DegreesToRadians(lat1);
    const double phi2 = DegreesToRadians(lat2);
    const double deltaPhi = DegreesToRadians(lat2 - lat1);
    const double deltaLambda = DegreesToRadians(lon2 - lon1);
    const double sinHalfPhi = std::sin(deltaPhi / 2);
    const double sinHalfLambda = std::sin(deltaLambda / 2);
    double a = sinHalfPhi * sinHalfPhi
        + std::cos(phi2) * std::cos(phi1) * (sinHalfLambda * sinHalfLambda);
    if (!std::isfinite(a))
        return std::nullopt;
    // a is 0 ... 1 for any latitudes; rounding can push it just past 1 for
    // antipodal points, where the square root of 1 - a would fail.
    a = std::clamp(a, 0.0, 1.0);
    const double c = 2 * Atn22(std::sqrt(a), std::sqrt(1 - a));
    return kEarthRadiusKm * c;
}

std::optional<AzimuthReading> Point2Azimuth(double lat1, double lon1, double lat2, double lon2)
{
    const BearingTerms t = bearingTerms(lat1, lon1, lat2, lon2);
    if (!t.finite() || (t.x == 0 && t.y == 0)) // coincident points: no direction
        return std::nullopt;
    double beta = radiansToDegrees(Atn2(t.y, t.x));
    if (beta <= 0)
        beta += 360.0;
    if (beta >= 360.0)
        beta -= 360.0;
    const std::optional<std::int16_t> tenths = toInt16(beta * 10.0);
    if (!tenths)
        return std::nullopt;
    return AzimuthReading{*tenths / 10.0, shortestDecimal(t.x), shortestDecimal(t.y)};
}

double distance(double lat1, double long1, double lat2, double long2)
{
    const double toRadians = kShortPi / 180.0;
    const double a = lat1 * toRadians;
    const double b = long1 * toRadians;
    const double c = lat2 * toRadians;
    const double d = long2 * toRadians;
    const double s = std::sin(b) * std::sin(d) + std::cos(b) * std::cos(d) * std::cos(a - c);
    if (std::isnan(s))
        return 0.0;
    // The arc is acos(s) written with atan, which divides by zero at s = +-1
    // and fails past them through rounding. Clamp and take the limits: 0 for
    // coincident points, half a circle for antipodal ones.
    const double quarter = 2 * std::atan(1.0);
    const double clamped = std::clamp(s, -1.0, 1.0);
    double arc = 0.0;
    if (clamped == 1.0)
        arc = 0.0;
    else if (clamped == -1.0)
        arc = 2 * quarter;
    else
        arc = -std::atan(clamped / std::sqrt(1 - clamped * clamped)) + quarter;
    return arc * kVariantEarthRadiusKm;
}

} // namespace korvane
