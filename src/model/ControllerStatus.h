#pragma once

#include <QString>

#include <cstdint>

namespace korvane {

struct ShipTargetPosition {
    double latitude = 0.0;
    double longitude = 0.0;
};

// The board's status as last reported. Fields keep their last accepted
// value across chunks, reconnects and board restarts.
struct ControllerStatus {
    bool GnssValid = true;
    double OwnLatitude = 0.0;
    double OwnLongitude = 0.0;
    double ReportedLatitude = 0.0;
    double ReportedLongitude = 0.0;
    ShipTargetPosition ShipTarget;
    double DistanceKm = 0.0;
    double Speed = 0.0;
    double Heading = 0.0;
    double AngleH = 0.0;
    float AngleOffset = 0.0f;
    double LastCompass = 0.0;
    std::int16_t CompassSameCount = 0;
    bool MultiBase = false;
    std::int16_t BaseCount = 0;
    QString DriveCommand;
    bool DriveConfirmed = true;
    QString RadioKey;
    QString PendingFragment;
    QString HeadingArrow;
    // Set by the first logged status chunk after each connect; cleared by
    // every connect the button or the start-up issues.
    bool linkHeaderWritten = false;
    // Whether the board has reported the antenna's angle / the heading and
    // speed since the start: before that those figures are only their
    // starting values, not the board's.
    bool angleRead = false;
    bool headingRead = false;
};

} // namespace korvane
