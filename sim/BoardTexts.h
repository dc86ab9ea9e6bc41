#pragma once

#include "BoardAntenna.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace korvane::sim::BoardTexts {

// The board's status text is written as a few chunks, each a few CR LF lines.
// Markers that the station reads together stay in one chunk, and their order
// inside a chunk matters: the station cuts values between the first
// occurrence of two markers, so e.g. the compass reading must come after the
// distance and before the first elevation ("俯仰") of its chunk.

QString fixed(double value, int decimals);

// How the board names its own position: "本地纬度:" (the ship) or, on
// boards that report the antenna unit itself, "动中通纬度:".
enum class OwnMarker { Local, Antenna };
std::optional<OwnMarker> ownMarkerFrom(const QString &word);

// Own position and the base station (or the target ship) with its distance,
// then the receiver sentences the board relays, one line each.
QString positionChunk(const BoardAntenna &antenna, OwnMarker marker, const QStringList &sentences);
// Antenna angle, receiver state, heading and speed in both forms. The angle
// marker must not sit in the first nine characters of a chunk.
QString attitudeChunk(const BoardAntenna &antenna, bool gnssFix);
// One execution report line: executed angle as drive part and signed
// offset, target angle, distance, compass and elevation.
QString executionLine(const BoardAntenna &antenna, double compass);
// The pieces of an execution report that the board's serial-to-network
// bridge sends as separate writes. `cut` picks where it breaks: 0 before
// "目标:", 1 before "俯仰", 2 at both places.
QStringList splitExecution(const QString &line, int cut);
// The key record is a chunk of its own: the station locates the key and the
// address by position within the whole chunk.
QString keyRecord(const QString &key, const QString &address);

// Events the board reports on its own, each a chunk of its own.
QStringList alarmNames();
std::optional<QString> alarmText(const QString &name);
QString compassInitText();  // the board starts re-basing its compass
QString compassBasedText(); // re-basing done: the station must confirm
QString baseSwitchText(int base, double altitude);

// Replies to queries.
QString commandEcho(const QString &command);
QString attitudeLine(const BoardAntenna &antenna);
QString compassLine(const BoardAntenna &antenna, double compass);
QString receiverLine(bool gnssFix, int receiverRateHz);
// Starts with "当前基站数量<n>,设置的参数", which the station cuts the count from.
QString helpText(int baseCount);

} // namespace korvane::sim::BoardTexts
