#include "nav/ShipReport.h"

#include "text/FindValue.h"
#include "text/Formats.h"
#include "text/Numbers.h"

namespace korvane {

namespace {

constexpr double kCoordinateUnits = 1000000.0; // millionths of a degree
constexpr double kSpeedUnitsPerKnot = 514.5;
constexpr double kAngleUnits = 100.0;          // hundredths of a degree

double numberBetween(const QString &start, const QString &end, const QString &reply)
{
    return numberOfText(FindValue(start, end, reply));
}

} // namespace

ShipReport parseShipReply(const QString &reply)
{
    ShipReport r;
    r.found = !FindValue(QStringLiteral("mmsi"), QStringLiteral("shipid"), reply).isEmpty();
    r.reportTime = toInt32(numberBetween(QStringLiteral("lastdyn\":"), QStringLiteral(",\"satelliteutc"), reply));
    r.name = FindValue(QStringLiteral("name\":\""), QStringLiteral("\",\"matchtype"), reply);
    r.mmsi = numberBetween(QStringLiteral("mmsi\":\""), QStringLiteral("\"shipid"), reply);
    r.longitude = numberBetween(QStringLiteral("lon\":"), QStringLiteral(",\"lat"), reply) / kCoordinateUnits;
    r.latitude = numberBetween(QStringLiteral("lat\":"), QStringLiteral(",\"sog"), reply) / kCoordinateUnits;
    r.knots = numberBetween(QStringLiteral("sog\":"), QStringLiteral(",\"cog"), reply) / kSpeedUnitsPerKnot;
    r.course = numberBetween(QStringLiteral("cog\":"), QStringLiteral(",\"hdg"), reply) / kAngleUnits;
    r.headingText = FindValue(QStringLiteral("hdg\":"), QStringLiteral(",\"rot"), reply);
    r.heading = numberOfText(r.headingText) / kAngleUnits;
    return r;
}

QString shipReportLine(const QString &lead, const ShipReport &report, const QDateTime &reportTime)
{
    return lead + dateTimeText(reportTime) + QLatin1Char(' ') + report.name + QStringLiteral(",MMSI")
           + shortestDecimal(report.mmsi) + QStringLiteral(", 坐标") + shortestDecimal(report.latitude)
           + QLatin1Char(',') + shortestDecimal(report.longitude) + QStringLiteral(", 航速")
           + formatFixed(report.knots, 1) + QStringLiteral(", 航向") + shortestDecimal(report.course)
           + QStringLiteral(", 艏向") + shortestDecimal(report.heading) + QStringLiteral("\r\n");
}

} // namespace korvane
