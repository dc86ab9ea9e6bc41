#pragma once

#include <QList>
#include <QRectF>
#include <QString>

#include <cmath>
#include <utility>

// The scales of the history's strip charts: grid steps and label places.
namespace korvane::chartscale {

inline constexpr qint64 kMinute = 60'000;
inline constexpr qint64 kDay = 1440 * kMinute;

inline double niceStep(double rough)
{
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double m : {1.0, 2.0, 5.0})
        if (rough <= m * power)
            return m * power;
    return 10 * power;
}

// A tick every so often, at least ~110 pixels apart.
inline qint64 timeStep(qint64 span, double width)
{
    static const qint64 steps[] = {kMinute,      2 * kMinute,  5 * kMinute,   10 * kMinute,  15 * kMinute,
                                   30 * kMinute, 60 * kMinute, 120 * kMinute, 180 * kMinute, 360 * kMinute,
                                   720 * kMinute, kDay,        2 * kDay,      7 * kDay,      14 * kDay,
                                   30 * kDay,    61 * kDay};
    for (qint64 step : steps)
        if (span / double(step) * 110 <= width)
            return step;
    return 61 * kDay;
}

// Places boxes one after the other, leaving out any that would touch the
// one placed before it.
inline void keepApart(QList<std::pair<QRectF, QString>> &labels, bool vertical)
{
    QList<std::pair<QRectF, QString>> kept;
    for (const auto &label : labels) {
        if (!kept.isEmpty()) {
            const QRectF &last = kept.last().first;
            const bool touches = vertical ? label.first.top() < last.bottom() + 1 && label.first.bottom() > last.top() - 1
                                          : label.first.left() < last.right() + 6;
            if (touches)
                continue;
        }
        kept.append(label);
    }
    labels = kept;
}

} // namespace korvane::chartscale
