#pragma once

#include "geo/AisFix.h"

#include <QDateTime>
#include <QString>
#include <QStringView>

#include <optional>

namespace korvane {

// One AIVDM sentence to the position report it carries (ITU-R M.1371
// messages 1, 2, 3 and 18). Anything else, or anything malformed, gives the
// empty fix; a report without a usable position keeps its MMSI and heading.
// The checksum is not verified and fragments are not reassembled.
AisFix DecodeAIS(QStringView AISMessage);

// A Unix time stamp as the station's local time, UTC+8, whatever the
// machine's own zone is. The returned value carries the +8 h offset, so it
// prints as the UTC+8 wall time.
QDateTime AisTime(qint32 unixTime);

// The payload as a text of "0"/"1", six per character, most significant bit
// first. Armouring per ITU-R M.1371, with one extension of this system:
// "(" ... "/" read as 8 ... 15. Any other character reads as 0.
QString PayloadToBin(QStringView payload);

// The low six bits of `value`, weight 32 first.
QString SixBitToBin(qint16 value);

// Unsigned reading of a "0"/"1" text (anything but "1" counts as 0; empty
// is 0). Empty when the value does not fit a signed 32-bit integer.
std::optional<qint32> BinToDec(QStringView bits);

// Two's-complement reading over the text's length; empty when the unsigned
// reading does not fit.
std::optional<qint32> BinToDecSigned(QStringView bits);

} // namespace korvane
