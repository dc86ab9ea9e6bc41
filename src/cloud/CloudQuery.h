#pragma once

#include <QString>

#include <cstdint>

namespace korvane {

// Which query a report carries.
enum class CloudForm {
    Cpe,            // a 5G CPE: fixed name, the CPE's status as the note
    RadioConnected, // the radio's telnet session is up
    RadioLost,      // only identity and position, the note WIRELESS%20LOST
};

// The figures of one report, as read at the tick. `name` and `note` are
// prepared texts, not yet escaped; throughput is already clamped.
struct CloudFigures {
    QString mac;
    QString name;
    QString note;
    double latitude = 0.0;
    double longitude = 0.0;
    std::int16_t signalDbm = -120;
    std::int16_t chainDeltaDb = 0;
    std::int16_t noiseDbm = 0;
    double capacityDownMbps = 0.0;
    double capacityUpMbps = 0.0;
    double rxMbps = 0.0;
    double txMbps = 0.0;
    double speed = 0.0;
    double distanceKm = 0.0;
    double heading = 0.0;
    std::int32_t aisHeading = 0;
    double lastCompass = 0.0;
};

// The device name from the Ship caption: trimmed, every CR and LF removed.
QString cloudDeviceName(const QString &caption);
// The note from the alarm caption: trimmed, each CR LF, LF and CR a space.
QString cloudAlarmNote(const QString &caption);
// The name a 5G CPE reports under.
QString cloudCpeName();

// Throughput as reported: 1000 Mbit/s or more is a counter glitch and
// becomes 350, a negative value becomes 0.
double clampedThroughput(double mbps);

// The query, keys in the server's order, name and note escaped.
QString buildCloudQuery(CloudForm form, const CloudFigures &figures);

// The whole request text: request line, headers, blank line.
QString cloudRequestText(const QString &query, const QString &hostHeader);

} // namespace korvane
