#include "history/Sample.h"

#include <cmath>

namespace korvane::history {

namespace {

struct Range {
    double low;
    double high;
};

// Inclusive bounds, in the order of Figure.
constexpr Range kRanges[kFigureCount] = {
    {-130.0, -1.0},    // signal, dBm
    {-130.0, -1.0},    // noise, dBm
    {-60.0, 60.0},     // chain difference, dB
    {0.0, 100000.0},   // capacity down, Mbit/s
    {0.0, 100000.0},   // capacity up
    {0.0, 100000.0},   // throughput down
    {0.0, 100000.0},   // throughput up
    {0.0, 60000.0},    // ping, ms
    {0.0, 60000.0},    // mean ping
    {-360.0, 360.0},   // antenna angle, degrees
    {-180.0, 180.0},   // drive offset
    {0.0, 360.0},      // heading
    {0.0, 200.0},      // speed, km/h
    {-90.0, 90.0},     // own latitude
    {-180.0, 180.0},   // own longitude
    {-90.0, 90.0},     // target latitude
    {-180.0, 180.0},   // target longitude
    {0.0, 20040.0},    // distance, km (half the earth's circumference)
};

} // namespace

bool inRange(Figure f, double value)
{
    const Range &r = kRanges[static_cast<std::size_t>(f)];
    return std::isfinite(value) && value >= r.low && value <= r.high;
}

void Sample::set(Figure f, double value)
{
    if (inRange(f, value))
        (*this)[f] = value;
    else
        (*this)[f].reset();
}

} // namespace korvane::history
