#pragma once

#include <QStringView>

#include <optional>

namespace korvane::sentence {

// Field `index` (from 0) of a comma-separated sentence, without copying;
// empty optional when the sentence has fewer fields.
inline std::optional<QStringView> fieldAt(QStringView s, int index)
{
    qsizetype start = 0;
    for (int k = 0; k < index; ++k) {
        const qsizetype comma = s.indexOf(u',', start);
        if (comma < 0)
            return std::nullopt;
        start = comma + 1;
    }
    const qsizetype end = s.indexOf(u',', start);
    return end < 0 ? s.sliced(start) : s.sliced(start, end - start);
}

// Leading and trailing U+0020 removed; other white space stays.
inline QStringView trimSpaces(QStringView s)
{
    while (!s.isEmpty() && s.front() == u' ')
        s = s.sliced(1);
    while (!s.isEmpty() && s.back() == u' ')
        s.chop(1);
    return s;
}

} // namespace korvane::sentence
