#pragma once

#include <QString>

namespace korvane::statustext {

// Small cuts of the board's status text, as the status steps use them.

inline bool has(const QString &s, const QString &marker)
{
    return s.contains(marker);
}

// `count` characters starting at the first `marker` (the marker included);
// empty when the marker is missing. A window cut short by the end of the
// text is simply shorter.
inline QString windowAt(const QString &s, const QString &marker, qsizetype count)
{
    const qsizetype at = s.indexOf(marker);
    return at < 0 ? QString() : s.mid(at, count);
}

// `count` characters right after the first `marker` (-1: all the rest).
inline QString after(const QString &s, const QString &marker, qsizetype count = -1)
{
    const qsizetype at = s.indexOf(marker);
    return at < 0 ? QString() : s.mid(at + marker.size(), count);
}

} // namespace korvane::statustext
