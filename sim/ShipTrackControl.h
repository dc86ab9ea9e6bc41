#pragma once

#include <QString>

namespace korvane::sim {

struct ShipTrack;

// Control lines that steer a simulated vessel. Each returns false and leaves
// the track unchanged for text it cannot take.
bool setTrackHeading(ShipTrack &track, const QString &text); // degrees, or "none"
bool setTrackSpeed(ShipTrack &track, const QString &text);   // knots
bool setTrackPosition(ShipTrack &track, const QString &text); // "LAT LON"
// With `keepHeading` the bow keeps pointing where it did (a vessel crabbing
// in a current); without, the heading turns with the course.
bool setTrackCourse(ShipTrack &track, const QString &text, bool keepHeading);

} // namespace korvane::sim
