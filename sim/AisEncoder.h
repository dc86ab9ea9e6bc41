#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace korvane::sim {

// One vessel's position report as a transponder sends it.
struct AisPositionReport {
    int type = 1;               // 1 (class A) or 18 (class B)
    quint32 mmsi = 413000000;
    double latitude = 31.25;    // degrees, north positive
    double longitude = 121.5;   // degrees, east positive
    double speedKnots = 10.0;
    double courseDegrees = 90.0;
    int heading = 90;           // whole degrees 0 to 359, 511 when not available
    int second = 60;            // UTC second of the report, 60: not available
};

// The six-bit armoured payload of a type 1 or type 18 report (ITU-R
// M.1371): 168 bits, 28 characters, no fill bits.
QByteArray aisPayload(const AisPositionReport &report);

// "!AIVDM,1,1,,<channel>,<payload>,0*hh" without a line end.
QByteArray aivdmSentence(const QByteArray &payload, char channel = 'A');

// The two upper-case hexadecimal digits of the XOR of `body`, the
// characters between "!" or "$" and "*" (NMEA 0183).
QByteArray nmeaChecksum(QByteArrayView body);

// The sentence with its checksum digits made wrong.
QByteArray corruptChecksum(const QByteArray &sentence);

} // namespace korvane::sim
