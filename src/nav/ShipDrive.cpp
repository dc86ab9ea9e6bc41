#include "nav/ShipDrive.h"

#include "text/Formats.h"
#include "text/Numbers.h"

namespace korvane {

double relativeAngle(double heading, double bearing, double correction)
{
    double rel = heading - bearing + correction;
    if (rel > 360)
        rel -= 360;
    if (rel < -360)
        rel += 360;
    return rel;
}

QString driveCommand(double rel)
{
    return QStringLiteral("r") + formatFixed(-rel, 2).trimmed();
}

bool positionsUsable(double ownLatitude, double ownLongitude, double targetLatitude,
                     double targetLongitude)
{
    for (const double v : {ownLatitude, ownLongitude, targetLatitude, targetLongitude}) {
        if (floorPart(v) == 0)
            return false;
    }
    return true;
}

bool positionAvailable(double latitude, double longitude)
{
    if (!(latitude >= -90 && latitude <= 90 && longitude >= -180 && longitude <= 180))
        return false;
    return latitude != 0 || longitude != 0;
}

QString targetCommand(double longitude, double latitude, double mmsi)
{
    const QString body = QStringLiteral("p1 j") + shortestDecimal(longitude).trimmed() + QStringLiteral(" w")
                         + shortestDecimal(latitude).trimmed() + QStringLiteral(" d15") + QStringLiteral(" mmsi")
                         + shortestDecimal(mmsi).trimmed();
    return body + QStringLiteral(" *") + QString::number(body.size() + 4);
}

} // namespace korvane
