#include "gui/ScanChart.h"

#include "gui/ChartPalette.h"
#include "optimise/AutoScanRecord.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace korvane {

namespace {

constexpr int kFirst = AutoScanRecord::kFirstOffset;
constexpr int kLast = AutoScanRecord::kLastOffset;
constexpr int kGridStepDegrees = 10;
constexpr double kLeftMargin = 38;
constexpr double kBottomMargin = 16;
constexpr double kTopMargin = 8;
constexpr double kRightMargin = 34;

using chart::kBackground;
using chart::kCaption;
using chart::kFrame;
using chart::kGrid;
const QColor kReading(29, 79, 145);
const QColor kDefault(120, 128, 140);
const QColor kBest(214, 96, 0);

int floorTo5(double v)
{
    return static_cast<int>(std::floor(v / 5.0)) * 5;
}

int ceilTo5(double v)
{
    return static_cast<int>(std::ceil(v / 5.0)) * 5;
}

} // namespace

ScanChart::ScanChart(const AutoScanRecord &record, QWidget *parent)
    : QWidget(parent), m_record(record)
{
    setObjectName(QStringLiteral("scanChart"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    connect(&record, &AutoScanRecord::changed, this, [this] { update(); });
}

QSize ScanChart::sizeHint() const
{
    return {420, 120};
}

QSize ScanChart::minimumSizeHint() const
{
    return {240, 90};
}

std::pair<int, int> ScanChart::signalRange() const
{
    double low = 0;
    double high = 0;
    bool any = false;
    const auto take = [&](std::optional<double> v) {
        if (!v)
            return;
        low = any ? std::min(low, *v) : *v;
        high = any ? std::max(high, *v) : *v;
        any = true;
    };
    take(m_record.defaultReading());
    for (int o = kFirst; o <= kLast; ++o)
        take(m_record.reading(o));
    if (!any)
        return {-90, -40};
    int bottom = floorTo5(low - 2);
    int top = ceilTo5(high + 2);
    if (top - bottom < 10) {
        const int middle = ceilTo5((low + high) / 2);
        bottom = middle - 5;
        top = middle + 5;
    }
    return {bottom, top};
}

QRectF ScanChart::plotArea() const
{
    return QRectF(rect()).adjusted(kLeftMargin, kTopMargin, -kRightMargin, -kBottomMargin);
}

QPointF ScanChart::at(double offset, double signal) const
{
    const QRectF area = plotArea();
    const auto [bottom, top] = signalRange();
    const double x = area.left() + (offset - kFirst) / double(kLast - kFirst) * area.width();
    const double y = area.bottom() - (signal - bottom) / double(top - bottom) * area.height();
    return {x, std::clamp(y, area.top(), area.bottom())};
}

void ScanChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont small = font();
    small.setPointSizeF(font().pointSizeF() * 0.8);
    painter.setFont(small);
    paintAxes(painter);
    paintDefault(painter);
    paintReadings(painter);
    paintBest(painter);
}

// The frame, a grid line every 10 degrees and every 5 or 10 dB, and their
// figures outside the frame.
void ScanChart::paintAxes(QPainter &painter) const
{
    const QRectF area = plotArea();
    painter.fillRect(area, kBackground);
    const auto [bottom, top] = signalRange();
    const int dbStep = top - bottom > 30 ? 10 : 5;
    const int firstLine = static_cast<int>(std::ceil(bottom / double(dbStep))) * dbStep;
    for (int db = firstLine; db <= top; db += dbStep) {
        const double y = at(kFirst, db).y();
        painter.setPen(kGrid);
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        painter.setPen(kCaption);
        painter.drawText(QRectF(0, y - 8, kLeftMargin - 4, 16), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(db));
    }
    for (int o = kFirst; o <= kLast; o += kGridStepDegrees) {
        const double x = at(o, bottom).x();
        painter.setPen(o == 0 ? kFrame : kGrid);
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        painter.setPen(kCaption);
        painter.drawText(QRectF(x - 20, area.bottom() + 1, 40, kBottomMargin - 1), Qt::AlignCenter,
                         (o > 0 ? QStringLiteral("+") : QString()) + QString::number(o) + QStringLiteral("°"));
    }
    painter.setPen(QPen(kFrame, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);
}

void ScanChart::paintDefault(QPainter &painter) const
{
    const auto reading = m_record.defaultReading();
    if (!reading)
        return;
    const QRectF area = plotArea();
    const double y = at(0, *reading).y();
    painter.setPen(QPen(kDefault, 1, Qt::DashLine));
    painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    painter.setPen(kDefault);
    painter.drawText(QRectF(area.right() + 3, y - 8, kRightMargin - 3, 16), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("默认"));
}

// A line through neighbouring readings; an offset without one breaks it.
void ScanChart::paintReadings(QPainter &painter) const
{
    QPainterPath line;
    bool open = false;
    painter.setBrush(kReading);
    painter.setPen(Qt::NoPen);
    for (int o = kFirst; o <= kLast; ++o) {
        const auto reading = m_record.reading(o);
        if (!reading) {
            open = false;
            continue;
        }
        const QPointF p = at(o, *reading);
        if (open)
            line.lineTo(p);
        else
            line.moveTo(p);
        open = true;
        painter.drawEllipse(p, 2.2, 2.2);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kReading, 1.4));
    painter.drawPath(line);
}

void ScanChart::paintBest(QPainter &painter) const
{
    if (m_record.ticks() == 0)
        return;
    const QRectF area = plotArea();
    const int best = m_record.bestOffset();
    const QPointF p = at(best, m_record.bestSignal());
    painter.setPen(QPen(kBest, 1.2, Qt::DotLine));
    painter.drawLine(QPointF(p.x(), area.top()), QPointF(p.x(), area.bottom()));
    painter.setPen(QPen(kBest, 1.6));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(p, 4.5, 4.5);
    const QString text = QStringLiteral("最佳 %1° %2").arg(best).arg(m_record.bestSignal());
    const double width = painter.fontMetrics().horizontalAdvance(text) + 6;
    // The label sits beside the mark, on the side with room.
    const double left = p.x() + width + 6 > area.right() ? p.x() - width - 6 : p.x() + 6;
    painter.setPen(kBest);
    painter.drawText(QRectF(left, area.top() + 1, width, 16), Qt::AlignCenter, text);
}

} // namespace korvane
