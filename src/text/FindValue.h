#pragma once

#include <QString>

namespace korvane {

// The text strictly between the first `start` marker and the first `end`
// marker, both searched case-sensitively from the beginning of `text`.
// Empty when a marker is missing or the end marker does not lie after the
// start marker. Positions are 16-bit in the board's protocol heritage, so a
// text longer than 32767 characters yields empty as well.
QString FindValue(const QString &start, const QString &end, const QString &text);

// Longest text that FindValue still searches.
inline constexpr qsizetype kFindValueMaxLength = 32767;

} // namespace korvane
