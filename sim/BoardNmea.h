#pragma once

#include "BoardAntenna.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace korvane::sim {

// Which sentences the board's satellite receiver outputs and the board
// relays in its position reports.
enum class NmeaKinds { Rmc, Gga, Both };

std::optional<NmeaKinds> nmeaKindsFrom(const QString &word);
QString nmeaKindsName(NmeaKinds kinds);

// NMEA 0183 sentences as a receiver writes them: "$", the body, "*" and the
// XOR checksum of the body in two upper-case hexadecimal digits. Without a
// fix the coordinate fields are empty (RMC status "V", GGA quality 0).
QString rmcSentence(const GeoPoint &own, double speedKmh, double course, bool fix, const QDateTime &utcNow);
QString ggaSentence(const GeoPoint &own, bool fix, const QDateTime &utcNow);
QStringList receiverSentences(const BoardAntenna &antenna, bool fix, NmeaKinds kinds, const QDateTime &utcNow);

QString withChecksum(const QString &body);

} // namespace korvane::sim
