#include "gui/HistoryChart.h"

#include "gui/ChartPalette.h"
#include "gui/HistoryChartScale.h"
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

using chartscale::timeStep;

namespace {

constexpr double kLeft = 58;
constexpr double kRight = 10;
constexpr double kMarkRow = 12;      // one row of event marks
constexpr double kTop = 2 * kMarkRow; // losses and alarms, then the rest
constexpr double kAxis = 18;          // the time figures
constexpr double kBandHeight = 12;
constexpr double kBandGap = 3;
constexpr double kLaneGap = 6;
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

void HistoryChart::setLoading(bool loading)
{
    if (m_loading == loading)
        return;
    m_loading = loading;
    update();
}

QRectF HistoryChart::plotRect() const
{
    return QRectF(rect()).adjusted(kLeft, kTop, -kRight, -kAxis);
}

QRectF HistoryChart::markRow(bool severe) const
{
    const QRectF area = plotRect();
    return {area.left(), severe ? 0.0 : kMarkRow, area.width(), kMarkRow};
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
    paintMarks(painter);
    for (int lane = 0; lane < historyLanes().size(); ++lane)
        paintLegend(painter, lane);
    paintCursor(painter);
    if (m_loading) {
        const QString text = QStringLiteral("加载中…");
        const QRectF box(plotRect().right() - 90, plotRect().top() + 2, 86, 20);
        painter.fillRect(box, QColor(255, 255, 255, 220));
        painter.setPen(kCaption);
        painter.drawText(box, Qt::AlignCenter, text);
    }
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
    const QRectF area = traceRect(lane);
    painter.fillRect(area, kBackground);
    const auto [low, high] = laneRange(lane);
    const double step = laneStep(lane, low, high);
    // The grid first: values across, the time ticks down; traces over it.
    painter.setPen(kGrid);
    for (double v = low; v <= high + step / 2; v += step) {
        const double y = area.bottom() - (v - low) / (high - low) * area.height();
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    }
    const qint64 length = m_data.span.length();
    if (length > 0) {
        const qint64 tick = timeStep(length, plotRect().width());
        const qint64 offset = qint64(QDateTime::fromMSecsSinceEpoch(m_data.span.from).offsetFromUtc()) * 1000;
        for (qint64 t = ((m_data.span.from + offset) / tick + 1) * tick - offset; t < m_data.span.until; t += tick)
            painter.drawLine(QPointF(xAt(t), area.top() + 1), QPointF(xAt(t), area.bottom() - 1));
    }
    painter.setPen(kCaption);
    for (const auto &[box, text] : valueLabels(lane))
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, text);
    paintTraces(painter, lane, area, low, high);
    painter.setPen(kFrame);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);
}

// The caption and the legend, top left inside the lane, on a ground of
// their own so no grid line or trace runs through the words.
void HistoryChart::paintLegend(QPainter &painter, int lane) const
{
    const HistoryLane &l = historyLanes()[lane];
    const QRectF area = traceRect(lane);
    const QFontMetricsF metrics(painter.font());
    const QString title = l.title + QStringLiteral(" (") + l.unit + QLatin1Char(')');
    double width = metrics.horizontalAdvance(title) + 12;
    for (const HistoryTrace &trace : l.traces)
        width += 13 + metrics.horizontalAdvance(trace.label) + 10;
    const QRectF ground(area.left() + 1, area.top() + 1, std::min(width, area.width() - 2), metrics.height() + 3);
    painter.fillRect(ground, QColor(kBackground.red(), kBackground.green(), kBackground.blue(), 235));
    painter.save();
    painter.setClipRect(ground);
    double x = area.left() + 6;
    const double baseline = area.top() + metrics.ascent() + 2;
    painter.setPen(kCaption);
    painter.drawText(QPointF(x, baseline), title);
    x += metrics.horizontalAdvance(title) + 12;
    for (const HistoryTrace &trace : l.traces) {
        painter.fillRect(QRectF(x, area.top() + metrics.height() / 2, 10, 3), trace.colour);
        x += 13;
        painter.drawText(QPointF(x, baseline), trace.label);
        x += metrics.horizontalAdvance(trace.label) + 10;
    }
    painter.restore();
}

// Each column's extent as a vertical stroke, joined to the last column with
// a value unless a sample is missing between them: on a short span a column
// can fall between two samples without the line breaking there. On an angle
// strip a column that passed through north (least near 0, greatest near
// 360) is two short strokes at the edges, not one across the strip.
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
            if (circular && e->max - e->min > 180) {
                lines.append(QLineF(x, area.top(), x, std::min(area.bottom(), area.top() + 3)));
                lines.append(QLineF(x, std::max(area.top(), area.bottom() - 3), x, area.bottom()));
                previous.reset();
                continue;
            }
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
    for (const history::LinkRun &run : m_data.signalLost) {
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
        if (inRun(m_data.signalLost) == history::LinkState::Down)
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

void HistoryChart::paintCursor(QPainter &painter) const
{
    if (!m_cursor)
        return;
    const QRectF area = plotRect();
    // However the span moved, the cursor stays on the chart: at its edge
    // when its time has left the span.
    const double x = std::clamp(xAt(*m_cursor), area.left(), area.right());
    painter.setPen(QPen(kCursor, 1.4));
    painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
}

void HistoryChart::setCursorTime(std::optional<qint64> t)
{
    m_cursor = t;
    update();
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
