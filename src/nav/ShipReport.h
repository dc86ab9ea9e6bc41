#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace korvane {

// One vessel's latest report as the ship-position service returns it. The
// reply is JSON but is read by markers: each value is the text between its
// key and the key that follows it in the service's layout, read as the
// leading number of that text (0 when there is none).
struct ShipReport {
    bool found = false;                 // text between "mmsi" and "shipid"
    std::optional<qint32> reportTime;   // Unix seconds; empty when it does not fit
    QString name;
    double mmsi = 0;
    double longitude = 0;               // degrees
    double latitude = 0;                // degrees
    double knots = 0;
    double course = 0;                  // degrees
    double heading = 0;                 // degrees; 511 when the vessel sends none
    QString headingText;                // the heading field as received, unscaled
};

ShipReport parseShipReply(const QString &reply);

// The terminal and log line of a report: `lead` ("目标船舶：" or
// "当前船舶："), the report time as the station's local time, name, MMSI,
// latitude, longitude, speed, course and heading, ending in CR LF.
QString shipReportLine(const QString &lead, const ShipReport &report, const QDateTime &reportTime);

} // namespace korvane
