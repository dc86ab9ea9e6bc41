#include "text/FindValue.h"

namespace korvane {

QString FindValue(const QString &start, const QString &end, const QString &text)
{
    if (text.size() > kFindValueMaxLength)
        return {};
    const qsizetype s = text.indexOf(start);
    const qsizetype e = text.indexOf(end);
    if (s < 0 || e < 0)
        return {};
    const qsizetype from = s + start.size();
    if (e <= from)
        return {};
    return text.mid(from, e - from);
}

} // namespace korvane
