#include "gui/HistoryChart.h"

#include "gui/ChartPalette.h"
#include "gui/HistoryLanes.h"

#include <QDateTime>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace korvane {

namespace {

constexpr double kLeft = 58;
constexpr double kRight = 10;
constexpr double kTop = 12;      // the event marks
constexpr double kAxis = 18;     // the time figures
constexpr double kBandHeight = 12;
constexpr double kBandGap = 3;
constexpr double kLaneGap = 6;
constexpr double kEventReach = 3;
constexpr qint64 kMinute = 60'000;
// The sampler's period. Columns whose empty ones between them hold a whole
// period have lost a sample there: the station was not recording, or the
// figure was stale and stored as NULL. Gaps are not joined. (Where a column
// is wider than half a period, one lost second may still be bridged.)
constexpr double kSampleMs = 1000;
// A signal below this counts as lost where the log recorded no episode.
constexpr double kSignalLostDbm = -110;

using chart::kBackground;
using chart::kCaption;
using chart::kFrame;
using chart::kGrid;
const QColor kUp(76, 175, 80);
const QColor kDown(211, 47, 47);
const QColor kUnknown(225, 228, 232);
const QColor kCursor(214, 96, 0);

double niceStep(double rough)
{
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double m : {1.0, 2.0, 5.0})
        if (rough <= m * power)
            return m * power;
    return 10 * power;
}

// A tick every so often, at least ~110 pixels apart.
qint64 timeStep(qint64 span, double width)
{
    static const qint64 steps[] = {kMinute,      2 * kMinute,  5 * kMinute,  10 * kMinute, 15 * kMinute,
                                   30 * kMinute, 60 * kMinute, 120 * kMinute, 180 * kMinute, 360 * kMinute,
                                   720 * kMinute, 1440 * kMinute};
    for (qint64 step : steps)
        if (span / double(step) * 110 <= width)
            return step;
    return 1440 * kMinute;
}

QString formatValue(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

} // namespace

HistoryChart::HistoryChart(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("historyChart"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize HistoryChart::sizeHint() const
{
    return {900, 560};
}

QSize HistoryChart::minimumSizeHint() const
{
    return {360, 300};
}

void HistoryChart::setData(history::SpanData data)
{
    m_data = std::move(data);
    update();
}

QRectF HistoryChart::plotRect() const
{
    return QRectF(rect()).adjusted(kLeft, kTop, -kRight, -kAxis);
}

int HistoryChart::plotWidth() const
{
    return std::max(1, int(plotRect().width()));
}

double HistoryChart::xAt(qint64 t) const
{
    const QRectF area = plotRect();
    const qint64 length = std::max<qint64>(1, m_data.span.length());
    return area.left() + double(t - m_data.span.from) / double(length) * area.width();
}

qint64 HistoryChart::timeAt(double x) const
{
    const QRectF area = plotRect();
    const double share = std::clamp((x - area.left()) / std::max(1.0, area.width()), 0.0, 1.0);
    return m_data.span.from + qint64(std::llround(share * double(m_data.span.length())));
}

// The lanes share what the bands leave, evenly.
QRectF HistoryChart::laneRect(int lane) const
{
    const QRectF area = plotRect();
    const int lanes = int(historyLanes().size());
    const double bands = historyBands().size() * (kBandHeight + kBandGap);
    const double height = (area.height() - bands - lanes * kLaneGap) / lanes;
    return {area.left(), area.top() + lane * (height + kLaneGap), area.width(), std::max(10.0, height)};
}

QRectF HistoryChart::bandRect(int band) const
{
    const QRectF area = plotRect();
    const double bottom = area.bottom() - (historyBands().size() - band) * (kBandHeight + kBandGap) + kBandGap;
    return {area.left(), bottom, area.width(), kBandHeight};
}

const history::FigureColumns *HistoryChart::columnsOf(const QString &figure) const
{
    for (const history::FigureColumns &f : m_data.figures)
        if (f.figure == figure)
            return &f;
    return nullptr;
}

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

void HistoryChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    QFont small = font();
    small.setPointSizeF(font().pointSizeF() * 0.85);
    painter.setFont(small);
    for (int lane = 0; lane < historyLanes().size(); ++lane)
        paintLane(painter, lane);
    paintBands(painter);
    paintSignalBand(painter);
    paintTimeAxis(painter);
    paintEvents(painter);
    paintCursor(painter);
}

// The signal strip gives the bottom of its room to the signal-lost band, so
// a loss shows right under the curve that fell.
QRectF HistoryChart::traceRect(int lane) const
{
    const QRectF r = laneRect(lane);
    return lane == 0 ? r.adjusted(0, 0, 0, -(kBandHeight + kBandGap)) : r;
}

QRectF HistoryChart::signalBandRect() const
{
    const QRectF r = laneRect(0);
    return {r.left(), r.bottom() - kBandHeight, r.width(), kBandHeight};
}

void HistoryChart::paintLane(QPainter &painter, int lane) const
{
    const HistoryLane &l = historyLanes()[lane];
    const QRectF area = traceRect(lane);
    painter.fillRect(area, kBackground);
    const auto [low, high] = laneRange(lane);
    const double step = l.fixedRange ? l.leastSpan : niceStep((high - low) / 4);
    const int decimals = step >= 1 ? 0 : l.decimals;
    for (double v = low; v <= high + step / 2; v += step) {
        const double y = area.bottom() - (v - low) / (high - low) * area.height();
        painter.setPen(kGrid);
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        painter.setPen(kCaption);
        // The signal band's caption sits right under the signal strip.
        const double textY = lane == 0 ? std::min(y, area.bottom() - 5) : y;
        painter.drawText(QRectF(0, textY - 8, kLeft - 5, 16), Qt::AlignRight | Qt::AlignVCenter,
                         formatValue(v, decimals));
    }
    paintTraces(painter, lane, area, low, high);
    painter.setPen(kFrame);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);
    // The caption and the legend, top left inside the lane.
    double x = area.left() + 6;
    const QFontMetricsF metrics(painter.font());
    const QString title = l.title + QStringLiteral(" (") + l.unit + QLatin1Char(')');
    painter.setPen(kCaption);
    painter.drawText(QPointF(x, area.top() + metrics.ascent() + 2), title);
    x += metrics.horizontalAdvance(title) + 12;
    for (const HistoryTrace &trace : l.traces) {
        painter.fillRect(QRectF(x, area.top() + 5, 10, 3), trace.colour);
        x += 13;
        painter.drawText(QPointF(x, area.top() + metrics.ascent() + 2), trace.label);
        x += metrics.horizontalAdvance(trace.label) + 10;
    }
}

// Each column's extent as a vertical stroke, joined to the last column with
// a value unless a sample is missing between them: on a short span a column
// can fall between two samples without the line breaking there.
void HistoryChart::paintTraces(QPainter &painter, int lane, const QRectF &area, double low, double high) const
{
    const int width = m_data.span.width;
    if (width <= 0)
        return;
    const double columnWidth = area.width() / width;
    const double columnMs = double(m_data.span.length()) / width;
    const auto joined = [columnMs](int columns) {
        return columns == 1 || (columns - 1) * columnMs < kSampleMs;
    };
    const auto yAt = [&](double v) {
        return std::clamp(area.bottom() - (v - low) / (high - low) * area.height(), area.top(), area.bottom());
    };
    const bool circular = historyLanes()[lane].circular;
    painter.save();
    painter.setClipRect(area);
    for (const HistoryTrace &trace : historyLanes()[lane].traces) {
        const auto *f = columnsOf(trace.column);
        if (!f)
            continue;
        QVector<QLineF> lines;
        lines.reserve(2 * f->columns.size());
        std::optional<history::Extent> previous;
        int previousColumn = 0;
        for (int c = 0; c < f->columns.size(); ++c) {
            const auto &e = f->columns[c];
            if (!e)
                continue;
            const double x = area.left() + (c + 0.5) * columnWidth;
            const double top = yAt(e->max);
            const double bottom = yAt(e->min);
            if (bottom - top < 1)
                lines.append(QLineF(x - columnWidth / 2, top, x + columnWidth / 2, top));
            else
                lines.append(QLineF(x, top, x, bottom));
            const bool wrapped = circular && previous
                                 && std::min(std::abs(previous->min - e->max), std::abs(previous->max - e->min)) > 180;
            if (previous && joined(c - previousColumn) && !wrapped) {
                const double xp = area.left() + (previousColumn + 0.5) * columnWidth;
                if (previous->max < e->min)
                    lines.append(QLineF(xp, yAt(previous->max), x, bottom));
                else if (previous->min > e->max)
                    lines.append(QLineF(xp, yAt(previous->min), x, top));
                else if (c - previousColumn > 1) {
                    const double y = yAt(std::clamp((previous->min + previous->max) / 2, e->min, e->max));
                    lines.append(QLineF(xp, y, x, y));
                }
            }
            previous = e;
            previousColumn = c;
        }
        painter.setPen(QPen(trace.colour, 1.2));
        painter.drawLines(lines);
    }
    painter.restore();
}

void HistoryChart::paintBands(QPainter &painter) const
{
    const auto &bands = historyBands();
    for (int b = 0; b < bands.size(); ++b) {
        const QRectF row = bandRect(b);
        painter.fillRect(row, kUnknown);
        for (const history::LinkRun &run : m_data.bands.value(bands[b].column)) {
            if (run.state == history::LinkState::Unknown)
                continue;
            const double left = std::max(row.left(), xAt(run.from));
            const double right = std::min(row.right(), xAt(run.until));
            // A down second stays visible however long the span.
            const double w = std::max(right - left, run.state == history::LinkState::Down ? 1.0 : 0.0);
            painter.fillRect(QRectF(left, row.top(), w, row.height()),
                             run.state == history::LinkState::Up ? kUp : kDown);
        }
        painter.setPen(kCaption);
        painter.drawText(QRectF(0, row.top() - 2, kLeft - 5, row.height() + 4), Qt::AlignRight | Qt::AlignVCenter,
                         bands[b].label);
    }
}

// Green where the radio gave a usable signal, red where it was below the
// lost-signal level and through each signal-lost episode the log recorded.
void HistoryChart::paintSignalBand(QPainter &painter) const
{
    const QRectF row = signalBandRect();
    painter.fillRect(row, kUnknown);
    if (const auto *signal = columnsOf(historyLanes()[0].traces[0].column)) {
        const double columnWidth = row.width() / std::max(1, m_data.span.width);
        for (int c = 0; c < signal->columns.size(); ++c)
            if (const auto &e = signal->columns[c])
                painter.fillRect(QRectF(row.left() + c * columnWidth, row.top(), columnWidth + 0.5, row.height()),
                                 e->max < kSignalLostDbm ? kDown : kUp);
    }
    for (const history::LinkRun &run : signalLostRuns(m_data.events, m_data.span.from, m_data.span.until)) {
        const double left = std::max(row.left(), xAt(run.from));
        const double right = std::min(row.right(), xAt(run.until));
        painter.fillRect(QRectF(left, row.top(), std::max(1.0, right - left), row.height()), kDown);
    }
    painter.setPen(kCaption);
    painter.drawText(QRectF(0, row.top() - 2, kLeft - 5, row.height() + 4), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("信号"));
}

QString HistoryChart::bandTextAt(QPointF pos) const
{
    const qint64 t = timeAt(pos.x());
    const auto inRun = [t](const QVector<history::LinkRun> &runs) {
        for (const history::LinkRun &run : runs)
            if (run.from <= t && t < run.until)
                return run.state;
        return history::LinkState::Unknown;
    };
    if (signalBandRect().contains(pos)) {
        if (inRun(signalLostRuns(m_data.events, m_data.span.from, m_data.span.until)) == history::LinkState::Down)
            return QStringLiteral("信号：丢失");
        const auto *signal = columnsOf(historyLanes()[0].traces[0].column);
        const qint64 c = m_data.span.column(t);
        if (!signal || c < 0 || c >= signal->columns.size() || !signal->columns[c])
            return QStringLiteral("信号：无数据");
        return signal->columns[c]->max < kSignalLostDbm ? QStringLiteral("信号：丢失") : QStringLiteral("信号：正常");
    }
    const auto &bands = historyBands();
    for (int b = 0; b < bands.size(); ++b) {
        if (!bandRect(b).contains(pos))
            continue;
        const history::LinkState state = inRun(m_data.bands.value(bands[b].column));
        return bands[b].label + QStringLiteral("：")
               + (state == history::LinkState::Up     ? QStringLiteral("通")
                  : state == history::LinkState::Down ? QStringLiteral("断")
                                                      : bands[b].unknownText);
    }
    return {};
}

void HistoryChart::paintTimeAxis(QPainter &painter) const
{
    const QRectF area = plotRect();
    const qint64 length = m_data.span.length();
    if (length <= 0)
        return;
    const qint64 step = timeStep(length, area.width());
    // Ticks at whole steps of local time.
    const qint64 offset = qint64(QDateTime::fromMSecsSinceEpoch(m_data.span.from).offsetFromUtc()) * 1000;
    qint64 t = ((m_data.span.from + offset) / step + 1) * step - offset;
    const QString format = step >= 1440 * kMinute ? QStringLiteral("MM-dd")
                           : length > 1440 * kMinute ? QStringLiteral("MM-dd HH:mm")
                                                     : QStringLiteral("HH:mm");
    for (; t < m_data.span.until; t += step) {
        const double x = xAt(t);
        painter.setPen(kGrid);
        for (int lane = 0; lane < historyLanes().size(); ++lane) {
            const QRectF r = traceRect(lane);
            painter.drawLine(QPointF(x, r.top() + 1), QPointF(x, r.bottom() - 1));
        }
        painter.setPen(kCaption);
        painter.drawText(QRectF(x - 50, area.bottom() + 2, 100, kAxis - 2), Qt::AlignHCenter | Qt::AlignTop,
                         QDateTime::fromMSecsSinceEpoch(t).toString(format));
    }
}

// A triangle above the strips and a faint line through them.
void HistoryChart::paintEvents(QPainter &painter) const
{
    const QRectF area = plotRect();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    for (const history::Event &e : m_data.events) {
        const double x = xAt(e.t);
        if (x < area.left() || x > area.right())
            continue;
        QColor colour = eventKindColour(e.kind);
        QColor faint = colour;
        faint.setAlpha(70);
        painter.setPen(QPen(faint, 1));
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        const QPointF mark[] = {{x - 4, 1}, {x + 4, 1}, {x, kTop - 2}};
        painter.drawPolygon(mark, 3);
    }
    painter.restore();
}

void HistoryChart::paintCursor(QPainter &painter) const
{
    if (!m_cursor)
        return;
    const QRectF area = plotRect();
    const double x = xAt(*m_cursor);
    if (x < area.left() || x > area.right())
        return;
    painter.setPen(QPen(kCursor, 1.4));
    painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
}

void HistoryChart::setCursorTime(std::optional<qint64> t)
{
    m_cursor = t;
    update();
}

QStringList HistoryChart::eventTextsNear(double x) const
{
    QStringList texts;
    for (const history::Event &e : m_data.events)
        if (std::abs(xAt(e.t) - x) <= kEventReach)
            texts << QDateTime::fromMSecsSinceEpoch(e.t).toString(QStringLiteral("MM-dd HH:mm:ss "))
                         + eventKindLabel(e.kind) + QStringLiteral("：") + e.text;
    return texts;
}

void HistoryChart::pick(double x)
{
    const qint64 t = timeAt(x);
    setCursorTime(t);
    emit cursorPicked(t);
}

void HistoryChart::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        pick(event->position().x());
}

void HistoryChart::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        pick(event->position().x());
}

void HistoryChart::wheelEvent(QWheelEvent *event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches != 0)
        emit scrollRequested(-notches / 10.0);
    event->accept();
}

void HistoryChart::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    emit plotWidthChanged(plotWidth());
}

bool HistoryChart::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        QStringList texts = eventTextsNear(help->pos().x());
        if (const QString band = bandTextAt(help->pos()); !band.isEmpty())
            texts.prepend(band);
        if (texts.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), texts.join(QLatin1Char('\n')), this);
        return true;
    }
    return QWidget::event(event);
}

} // namespace korvane
