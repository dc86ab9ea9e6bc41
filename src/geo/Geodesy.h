#pragma once

#include "geo/AzimuthReading.h"

#include <optional>

namespace korvane {

// Positions are decimal degrees, north and east positive, on a spherical
// earth. No range is checked: any finite value is used as it is. The drive
// commands the board receives depend on these exact constants and roundings.

// degrees * (pi / 180), pi being 3.14159265358979 (15 digits, not the full
// double).
double DegreesToRadians(double degrees);

// Four-quadrant arctangent in (-pi, pi]; Atn2(0, 0) is 0. The two forms give
// the same values: the bearing uses the first, the distance the second.
double Atn2(double y, double x);
double Atn22(double y, double x);

// Initial great-circle bearing from point 1 to point 2, degrees clockwise
// from north, rounded to one decimal with a tie to the even digit. A bearing
// that rounds up to 360 stays 360.0. Identical points give 0. Empty when the
// arithmetic leaves the finite range (non-finite input).
std::optional<double> CalculateBearing(double lat1, double lon1, double lat2, double lon2);

// Haversine distance in kilometres on a 6371 km sphere, unrounded. Empty
// for non-finite input.
std::optional<double> CalculateDistance(double lat1, double lon1, double lat2, double lon2);

// Bearing variant: wrapped into 0 up to just under 360 (0 stays 0), then
// tenths through a 16-bit integer, so 359.95 and above still give 360.0.
// Coincident points have no bearing and give empty.
std::optional<AzimuthReading> Point2Azimuth(double lat1, double lon1, double lat2, double lon2);

// Distance variant: spherical law of cosines with pi = 3.1415926535 on a
// 6368.16 km sphere. The second and fourth arguments are read as latitudes
// and the first and third as longitudes, whatever their names say.
// Coincident points give 0 and antipodal ones half a circle.
double distance(double lat1, double long1, double lat2, double long2);

} // namespace korvane
