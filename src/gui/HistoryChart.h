#pragma once

#include "history/HistoryQuery.h"

#include <QWidget>

#include <optional>
#include <utility>

namespace korvane {

// The history's strip charts, one under the other on a shared time axis:
// each figure as its least-to-greatest extent per pixel column, the link
// bands, the events as marks (one per kind per few pixels, with their
// number; losses and alarms in the row above the routine marks) with their
// text on hover, and a cursor. The chart draws what it is given; the window
// queries.
class HistoryChart : public QWidget {
    Q_OBJECT
public:
    // Marks of one kind closer than this many pixels are one mark.
    static constexpr int kMarkColumns = 20;

    explicit HistoryChart(QWidget *parent = nullptr);

    void setData(history::SpanData data);
    const history::SpanData &data() const { return m_data; }
    // "加载中…" in the corner while a new span is read.
    void setLoading(bool loading);
    bool loading() const { return m_loading; }

    // The pixel columns a query should fill.
    int plotWidth() const;
    QRectF plotRect() const;
    double xAt(qint64 t) const;
    qint64 timeAt(double x) const;

    void setCursorTime(std::optional<qint64> t);
    std::optional<qint64> cursorTime() const { return m_cursor; }

    // What the band under `pos` says at its time ("云端：未上报"), or empty.
    QString bandTextAt(QPointF pos) const;
    // Where the signal-lost band is drawn, under the signal strip.
    QRectF signalBandRect() const;
    QRectF traceRect(int lane) const;
    // The rows of marks above the strips: losses and alarms, then the rest.
    QRectF markRow(bool severe) const;

    // The marks drawn within a few pixels of `x`, one line each.
    QStringList eventTextsNear(double x) const;
    // The time labels of the axis as drawn, with their boxes (tests).
    QList<std::pair<QRectF, QString>> timeLabels() const;
    // The value labels of a lane as drawn, with their boxes (tests).
    QList<std::pair<QRectF, QString>> valueLabels(int lane) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void cursorPicked(qint64 t);
    // Positive: towards the present; in spans.
    void scrollRequested(double spans);
    void plotWidthChanged(int width);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    bool event(QEvent *event) override;

private:
    QRectF laneRect(int lane) const;
    QRectF bandRect(int band) const;
    std::pair<double, double> laneRange(int lane) const;
    double laneStep(int lane, double low, double high) const;
    void paintLane(QPainter &painter, int lane) const;
    void paintLegend(QPainter &painter, int lane) const;
    void paintTraces(QPainter &painter, int lane, const QRectF &area, double low, double high) const;
    void paintBands(QPainter &painter) const;
    void paintSignalBand(QPainter &painter) const;
    void paintTimeAxis(QPainter &painter) const;
    void paintMarks(QPainter &painter) const;
    void paintCursor(QPainter &painter) const;
    void pick(double x);
    const history::FigureColumns *columnsOf(const QString &figure) const;

    history::SpanData m_data;
    std::optional<qint64> m_cursor;
    bool m_loading = false;
};

} // namespace korvane
