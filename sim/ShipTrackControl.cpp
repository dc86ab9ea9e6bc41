#include "ShipTrackControl.h"

#include "ShipTrack.h"
#include "SimCommon.h"

namespace korvane::sim {

namespace {

bool readBearing(const QString &text, double &degrees) { return readNumber(text, 0, 360, degrees) && degrees < 360; }

} // namespace

bool setTrackHeading(ShipTrack &track, const QString &text)
{
    if (text == QLatin1String("none")) {
        track.hasHeading = false;
        return true;
    }
    double heading = 0;
    if (!readBearing(text, heading))
        return false;
    track.hasHeading = true;
    track.headingOffset = heading - track.courseDegrees;
    return true;
}

bool setTrackSpeed(ShipTrack &track, const QString &text) { return readNumber(text, 0, 102, track.speedKnots); }

bool setTrackPosition(ShipTrack &track, const QString &text)
{
    track.hasPosition = text != QLatin1String("none");
    if (!track.hasPosition)
        return true;
    double lat = 0;
    double lon = 0;
    if (!readNumber(text.section(u' ', 0, 0), -90, 90, lat) || !readNumber(text.section(u' ', 1, 1), -180, 180, lon))
        return false;
    track.latitude = lat;
    track.longitude = lon;
    return true;
}

bool setTrackCourse(ShipTrack &track, const QString &text, bool keepHeading)
{
    double course = 0;
    if (!readBearing(text, course))
        return false;
    const double heading = track.heading();
    track.courseDegrees = course;
    if (keepHeading)
        track.headingOffset = heading - course;
    return true;
}

} // namespace korvane::sim
