#pragma once

#include "geo/NmeaPosition.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace korvane {

// The position of the first checksum-valid RMC or GGA sentence (NMEA 0183)
// among the CR LF separated lines of `GetTelnet`. Empty when no line
// qualifies, and also when that first sentence's coordinates are not
// numbers: the chunk then gives no position at all. The RMC status and the
// GGA fix quality are not looked at, so empty coordinate fields read as 0.
std::optional<NmeaPosition> ParseNMEAData(QStringView GetTelnet);

// 1-based position of the talker identifier of the sentence in `line`, 0
// when none is found.
int FindNmeaStart(QStringView line);

// More than two letters A-Z / a-z.
bool HasLetters(QStringView text);

// The XOR of the sentence's bytes (after a leading "$", up to the first "*")
// as two upper-case hexadecimal digits. Empty unless two hexadecimal digits
// follow that "*".
QString CalcNmeaChecksum(QStringView sentence);

// "0"-"9", "A"-"F", "a"-"f".
bool IsHexChar(int code);

// Up to two hexadecimal digits after the last "*", upper-cased; empty when
// fewer than two characters follow it or there is no "*".
QString GetNmeaChecksum(QStringView sentence);

// ddmm.mmmm or dddmm.mmmm to decimal degrees, negative for "W" or "S" in
// either case: the two digits before the "." and the decimals are minutes.
// 0 when there is no "." or it is the first or second character; empty when
// the degrees or the minutes are not a plain decimal number.
std::optional<double> NmeaToDegrees(QStringView value, QStringView hemisphere);

} // namespace korvane
