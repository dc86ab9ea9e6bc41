// The history chart's axes: the value range and grid of each strip, and
// the labels of both axes, placed so that none clips or touches another.
#include "gui/HistoryChart.h"

#include "gui/ChartPalette.h"
#include "gui/HistoryChartScale.h"
#include "gui/HistoryLanes.h"

#include <QDateTime>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace korvane {

using namespace chartscale;
using chart::kCaption;

namespace {

constexpr double kLeft = 58;
constexpr double kAxis = 18;

QString formatValue(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

} // namespace

// Whole grid steps around every value shown, at least the lane's least span.
std::pair<double, double> HistoryChart::laneRange(int lane) const
{
    const HistoryLane &l = historyLanes()[lane];
    if (l.fixedRange)
        return {l.low, l.high};
    double low = 0;
    double high = 0;
    bool any = false;
    for (const HistoryTrace &trace : l.traces) {
        const auto *f = columnsOf(trace.column);
        if (!f)
            continue;
        for (const auto &c : f->columns) {
            if (!c)
                continue;
            low = any ? std::min(low, c->min) : c->min;
            high = any ? std::max(high, c->max) : c->max;
            any = true;
        }
    }
    if (!any)
        return {l.low, l.high};
    if (l.fromZero)
        low = std::min(0.0, low);
    low -= l.roomBelow;
    // Room above the highest value, so a line along it stays off the frame.
    high += (high - low) * 0.05;
    if (high - low < l.leastSpan) {
        const double middle = (high + low) / 2;
        low = l.fromZero ? std::max(std::min(0.0, low), middle - l.leastSpan / 2) : middle - l.leastSpan / 2;
        high = low + l.leastSpan;
    }
    const double step = niceStep((high - low) / 4);
    return {std::floor(low / step) * step, std::ceil(high / step) * step};
}

// The grid step of a lane: its own, widened until the labels have room.
double HistoryChart::laneStep(int lane, double low, double high) const
{
    const HistoryLane &l = historyLanes()[lane];
    const double height = traceRect(lane).height();
    const double room = QFontMetricsF(font()).height() * 0.85 + 4;
    double step = l.fixedRange ? l.leastSpan : niceStep((high - low) / 4);
    while (step < high - low && step / (high - low) * height < room)
        step = l.fixedRange ? step * 2 : niceStep(step * 1.5);
    return step;
}

QList<std::pair<QRectF, QString>> HistoryChart::valueLabels(int lane) const
{
    const HistoryLane &l = historyLanes()[lane];
    const QRectF area = traceRect(lane);
    const auto [low, high] = laneRange(lane);
    const double step = laneStep(lane, low, high);
    const int decimals = step >= 1 ? 0 : l.decimals;
    const double half = QFontMetricsF(font()).height() * 0.85 / 2 + 1;
    QList<std::pair<QRectF, QString>> labels;
    // From the bottom up, each box kept inside its lane.
    for (double v = low; v <= high + step / 2; v += step) {
        const double y = area.bottom() - (v - low) / (high - low) * area.height();
        const double centre = std::clamp(y, area.top() + half, area.bottom() - half);
        labels.append({QRectF(0, centre - half, kLeft - 5, 2 * half), formatValue(v, decimals)});
    }
    std::reverse(labels.begin(), labels.end());
    keepApart(labels, true);
    return labels;
}

// Ticks at whole steps of local time; a span of a day or more says the
// date. A label never leaves the widget and never touches its neighbour.
QList<std::pair<QRectF, QString>> HistoryChart::timeLabels() const
{
    QList<std::pair<QRectF, QString>> labels;
    const QRectF area = plotRect();
    const qint64 length = m_data.span.length();
    if (length <= 0)
        return labels;
    const qint64 step = timeStep(length, area.width());
    const qint64 offset = qint64(QDateTime::fromMSecsSinceEpoch(m_data.span.from).offsetFromUtc()) * 1000;
    const QString format = step >= kDay       ? QStringLiteral("MM-dd")
                           : length >= kDay   ? QStringLiteral("MM-dd HH:mm")
                                              : QStringLiteral("HH:mm");
    QFont small = font();
    small.setPointSizeF(font().pointSizeF() * 0.85);
    const QFontMetricsF metrics(small);
    for (qint64 t = ((m_data.span.from + offset) / step + 1) * step - offset; t < m_data.span.until; t += step) {
        const QString text = QDateTime::fromMSecsSinceEpoch(t).toString(format);
        const double w = metrics.horizontalAdvance(text) + 4;
        const double x = std::clamp(xAt(t) - w / 2, 0.0, double(width()) - w);
        labels.append({QRectF(x, area.bottom() + 2, w, kAxis - 2), text});
    }
    keepApart(labels, false);
    return labels;
}

void HistoryChart::paintTimeAxis(QPainter &painter) const
{
    painter.setPen(kCaption);
    for (const auto &[box, text] : timeLabels())
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, text);
}

} // namespace korvane
