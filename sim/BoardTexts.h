#pragma once

#include "BoardAntenna.h"

#include <QDateTime>
#include <QString>

namespace korvane::sim::BoardTexts {

// The board's status text is written as a few short chunks, each a few CR LF
// lines. Markers that the station reads together stay in one chunk, and their
// order inside a chunk matters: the station cuts values between the first
// occurrence of two markers, so e.g. the compass reading must come after the
// distance and before the first elevation ("俯仰") of its chunk.

QString fixed(double value, int decimals);

// Own position and the base station (or the target ship) with its distance;
// with `receiverRateHz` > 0 the receiver's RMC sentence follows.
QString positionChunk(const BoardAntenna &antenna, int receiverRateHz, const QDateTime &utcNow);
// The angle marker must not sit in the first nine characters of a chunk.
QString angleChunk(const BoardAntenna &antenna, bool gnssFix);
QString executionChunk(const BoardAntenna &antenna, double compass);
QString headingChunk(const BoardAntenna &antenna);
// The key record is a chunk of its own: the station locates the key and the
// address by position within the whole chunk.
QString keyRecord(const QString &key, const QString &address);

QString rmcSentence(const GeoPoint &own, double speedKmh, double course, const QDateTime &utcNow);

// Replies to queries.
QString commandEcho(const QString &command);
QString attitudeLine(const BoardAntenna &antenna);
QString compassLine(const BoardAntenna &antenna, double compass);
QString receiverLine(bool gnssFix, int receiverRateHz);
QString helpText(int baseCount);

} // namespace korvane::sim::BoardTexts
