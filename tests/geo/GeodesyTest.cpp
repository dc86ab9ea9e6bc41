#include "geo/Geodesy.h"
#include "text/Numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace korvane;

namespace {

constexpr double kPi = 3.14159265358979;

struct ArctanCase {
    double y, x, expected;
};

TEST(Geodesy, BothArctangentsFollowTheQuadrantTable)
{
    const ArctanCase cases[] = {
        {1, 2, std::atan(0.5)},       {-1, 2, std::atan(-0.5)},
        {1, -2, std::atan(-0.5) + kPi}, {0, -1, kPi},
        {-1, -2, std::atan(0.5) - kPi}, {1, 0, kPi / 2},
        {-1, 0, -kPi / 2},            {0, 0, 0},
        {-0.0, -1, kPi},
    };
    for (const ArctanCase &c : cases) {
        EXPECT_EQ(Atn2(c.y, c.x), c.expected) << c.y << ", " << c.x;
        EXPECT_EQ(Atn22(c.y, c.x), c.expected) << c.y << ", " << c.x;
    }
}

TEST(Geodesy, TenthsRoundATieToTheEvenDigit)
{
    EXPECT_EQ(roundTenthHalfEven(12.25), 12.2);
    EXPECT_EQ(roundTenthHalfEven(12.75), 12.8);
    EXPECT_EQ(roundTenthHalfEven(359.97), 360.0);
    EXPECT_EQ(roundTenthHalfEven(12.26), 12.3);
    EXPECT_FALSE(std::signbit(roundTenthHalfEven(-0.01)));
}

struct BearingCase {
    double lat1, lon1, lat2, lon2, bearing;
};

TEST(Geodesy, BearingTable)
{
    const BearingCase cases[] = {
        {30, 120, 30, 120, 0.0},     // identical points
        {10, 20, 11, 20, 0.0},       // due north
        {10, 20, 9, 20, 180.0},      // due south
        {0, 10, 0, 11, 90.0},        // east along the equator
        {0, 10, 0, 9, 270.0},        // west along the equator
        {0, 0, 45, -0.03, 360.0},    // 359.97 is not wrapped back to 0
        {0, 0, 45, -0.02, 360.0},    // -0.02 wraps to 359.98 only
        {0, 0, 45, -0.06, 359.9},
        {100, 0, 0, 0, 180.0},       // out-of-range latitude used as given
    };
    for (const BearingCase &c : cases) {
        const std::optional<double> b = CalculateBearing(c.lat1, c.lon1, c.lat2, c.lon2);
        ASSERT_TRUE(b.has_value());
        EXPECT_EQ(*b, c.bearing) << c.lat1 << " " << c.lon1 << " -> " << c.lat2 << " " << c.lon2;
        EXPECT_FALSE(std::signbit(*b));
    }
}

TEST(Geodesy, DistanceEdgeCases)
{
    EXPECT_EQ(CalculateDistance(30, 120, 30, 120), 0.0);
    EXPECT_EQ(CalculateDistance(0, 0, 0, 180), 6371 * kPi); // pi to 15 digits
    // Rounding pushes the haversine term just past 1 here; still half a
    // circle rather than a failure.
    EXPECT_EQ(CalculateDistance(0.951, -73.98, -0.951, 106.02), 6371 * kPi);
    EXPECT_NEAR(*CalculateDistance(100, 0, 0, 0), 6371 * 100 * (kPi / 180), 1e-9);
}

TEST(Geodesy, NonFiniteInputGivesNoValue)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(CalculateBearing(nan, 0, 1, 1));
    EXPECT_FALSE(CalculateBearing(0, 0, 1, -inf));
    EXPECT_FALSE(CalculateDistance(0, inf, 1, 1));
    EXPECT_FALSE(CalculateDistance(1.7e308, 0, -1.7e308, 0)); // difference overflows
    EXPECT_FALSE(Point2Azimuth(0, 0, inf, 1));
    EXPECT_EQ(distance(nan, 0, 1, 1), 0.0);
}

TEST(Geodesy, Point2AzimuthWrapsZeroAndReportsItsTerms)
{
    EXPECT_FALSE(Point2Azimuth(30, 120, 30, 120)); // coincident: no direction

    const std::optional<AzimuthReading> north = Point2Azimuth(10, 20, 11, 20);
    ASSERT_TRUE(north);
    EXPECT_EQ(north->azimuth, 0.0);
    EXPECT_EQ(north->yText, QStringLiteral("0"));

    const std::optional<AzimuthReading> east = Point2Azimuth(0, 10, 0, 11);
    ASSERT_TRUE(east);
    EXPECT_EQ(east->azimuth, 90.0);
    EXPECT_EQ(east->xText, QStringLiteral("0"));
    EXPECT_EQ(east->yText, QStringLiteral("0.0174524064372835"));

    EXPECT_EQ(Point2Azimuth(0, 10, 0, 9)->azimuth, 270.0);
    EXPECT_EQ(Point2Azimuth(0, 0, 45, -0.03)->azimuth, 360.0);
}

TEST(Geodesy, DistanceVariantReadsSecondAndFourthAsLatitudes)
{
    EXPECT_LT(distance(10, 20, 10, 20), 1e-3); // the law of cosines: a few cm off
    // Two points on latitudes 0 and 90 (not on latitude 60): a quarter circle.
    EXPECT_NEAR(distance(60, 0, 60, 90), 6368.16 * std::acos(-1.0) / 2, 1e-6);
    // Antipodal: half a circle, where the arctangent form divides by zero.
    EXPECT_NEAR(distance(0, 0, 180, 0), 6368.16 * std::acos(-1.0), 1e-9);
}

} // namespace
