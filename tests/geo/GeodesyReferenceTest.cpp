// Bearings and distances against GeographicLib's GeodSolve on a sphere, over
// a fixed set of random position pairs.
#include "geo/Geodesy.h"

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

using namespace korvane;

namespace {

struct Pair {
    double lat1, lon1, lat2, lon2;
};

struct Reference {
    double azimuth; // degrees, -180 ... 180
    double metres;
};

class PairSource
{
public:
    double uniform(double low, double high)
    {
        // Own scaling of the raw 64-bit draw: the same pairs with any library.
        return low + (high - low) * static_cast<double>(m_engine() >> 11) * 0x1.0p-53;
    }
    double wrap(double lon) { return lon > 180 ? lon - 360 : (lon < -180 ? lon + 360 : lon); }
    double offset() { return (m_engine() & 1 ? 1 : -1) * uniform(1e-4, 0.5); }

private:
    std::mt19937_64 m_engine{20240611};
};

std::vector<Pair> makePairs()
{
    PairSource r;
    std::vector<Pair> pairs;
    for (int i = 0; i < 500; ++i) // anywhere
        pairs.push_back({r.uniform(-90, 90), r.uniform(-180, 180), r.uniform(-90, 90), r.uniform(-180, 180)});
    for (int i = 0; i < 150; ++i) { // near-antipodal
        const double lat = r.uniform(-89, 89), lon = r.uniform(-180, 180);
        pairs.push_back({lat, lon, -lat + r.offset(), r.wrap(lon + 180 + r.offset())});
    }
    for (int i = 0; i < 150; ++i) { // polar: near a pole, some exactly on it
        const double pole = i % 2 ? 90 : -90;
        const double lat1 = i % 10 == 0 ? pole : pole - (pole > 0 ? 1 : -1) * r.uniform(0, 2);
        pairs.push_back({lat1, r.uniform(-180, 180), r.uniform(-90, 90), r.uniform(-180, 180)});
    }
    for (int i = 0; i < 150; ++i) { // across the date line
        const double lon1 = i % 25 == 0 ? 180 : r.uniform(175, 180);
        pairs.push_back({r.uniform(-80, 80), lon1, r.uniform(-80, 80), r.uniform(-180, -175)});
    }
    for (int i = 0; i < 100; ++i) { // close together
        const double lat = r.uniform(-85, 85), lon = r.uniform(-179, 179);
        pairs.push_back({lat, lon, lat + r.offset() / 100, lon + r.offset() / 100});
    }
    pairs.push_back({0, 0, 0, 180});
    return pairs;
}

// One GeodSolve run over every pair, on a sphere of `radiusMetres`.
std::vector<Reference> geodSolve(const std::vector<Pair> &pairs, double radiusMetres)
{
    QByteArray input;
    for (const Pair &p : pairs)
        input += QByteArray::number(p.lat1, 'g', 17) + ' ' + QByteArray::number(p.lon1, 'g', 17) + ' '
            + QByteArray::number(p.lat2, 'g', 17) + ' ' + QByteArray::number(p.lon2, 'g', 17) + '\n';
    QProcess process;
    process.start(QStringLiteral("GeodSolve"),
                  {QStringLiteral("-i"), QStringLiteral("-e"), QString::number(radiusMetres, 'f', 0),
                   QStringLiteral("0"), QStringLiteral("-p"), QStringLiteral("9")});
    if (!process.waitForStarted(10000))
        return {};
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    std::vector<Reference> out;
    for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() == 3)
            out.push_back({f[0].toDouble(), f[2].toDouble()});
    }
    return out;
}

double angleBetween(double a, double b)
{
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

class GeodesyReference : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_pairs = makePairs();
        s_main = geodSolve(s_pairs, 6371000);
        s_variant = geodSolve(s_pairs, 6368160);
    }
    static inline std::vector<Pair> s_pairs;
    static inline std::vector<Reference> s_main, s_variant;
};

TEST_F(GeodesyReference, DistancesAgreeToOnePartInABillion)
{
    ASSERT_GE(s_pairs.size(), 1000u);
    ASSERT_EQ(s_main.size(), s_pairs.size()) << "GeodSolve (geographiclib-tools) did not answer";
    ASSERT_EQ(s_variant.size(), s_pairs.size());
    for (size_t i = 0; i < s_pairs.size(); ++i) {
        const Pair &p = s_pairs[i];
        SCOPED_TRACE(testing::Message() << p.lat1 << " " << p.lon1 << " " << p.lat2 << " " << p.lon2);
        EXPECT_NEAR(*CalculateDistance(p.lat1, p.lon1, p.lat2, p.lon2) * 1000, s_main[i].metres,
                    1e-9 * s_main[i].metres);
        // The variant takes its latitudes second and fourth. Its short pi
        // moves each point by up to 0.6 mm, and its law of cosines loses
        // digits on short arcs (about 1e-16 / arc^2 relative).
        const double metres = s_variant[i].metres;
        const double tolerance = metres < 10000 ? 0.1 : std::max(1e-9 * metres, 2e-3);
        EXPECT_NEAR(distance(p.lon1, p.lat1, p.lon2, p.lat2) * 1000, metres, tolerance);
    }
}

TEST_F(GeodesyReference, BearingsAgreeWithinTheirRounding)
{
    ASSERT_EQ(s_main.size(), s_pairs.size()) << "GeodSolve (geographiclib-tools) did not answer";
    // The last pair is exactly antipodal: every bearing is right there.
    for (size_t i = 0; i + 1 < s_pairs.size(); ++i) {
        const Pair &p = s_pairs[i];
        SCOPED_TRACE(testing::Message() << p.lat1 << " " << p.lon1 << " " << p.lat2 << " " << p.lon2);
        const double reference = s_main[i].azimuth;
        EXPECT_LE(angleBetween(*CalculateBearing(p.lat1, p.lon1, p.lat2, p.lon2), reference), 0.05 + 1e-9);
        EXPECT_LE(angleBetween(Point2Azimuth(p.lat1, p.lon1, p.lat2, p.lon2)->azimuth, reference),
                  0.05 + 1e-9);
    }
}

} // namespace
