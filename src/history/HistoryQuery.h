#pragma once

#include "history/ExtentCache.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <optional>

namespace korvane::history {

// A stretch of time cut into `width` equal columns, one per pixel of a chart.
// Times are ms since the epoch, UTC; `until` is not part of the span.
struct Span {
    qint64 from = 0;
    qint64 until = 0;
    int width = 1;

    qint64 length() const { return until - from; }
    // The column holding `t`; outside 0…width-1 when `t` is outside the span.
    qint64 column(qint64 t) const;
    // The first instant of column `c` (c == width gives `until`).
    qint64 columnStart(qint64 c) const;
};

// The least and greatest value of a figure in one column.
struct Extent {
    double min = 0;
    double max = 0;
};

// One figure over a span: `width` columns, empty where nothing was known.
struct FigureColumns {
    QString figure;
    QVector<std::optional<Extent>> columns;
};

enum class LinkState { Unknown, Up, Down };

// A run of neighbouring columns in which a link had the same state. A column
// in which the link was down at any time counts as down.
struct LinkRun {
    qint64 from = 0;
    qint64 until = 0;
    LinkState state = LinkState::Unknown;
};

struct Event {
    qint64 t = 0;
    QString kind;
    QString text;
};

// Every figure and state known at one time, by column name; a name that is
// missing was NULL. States are 1 / 0 from a sample, the up share from a
// minute row.
struct Reading {
    qint64 t = 0;
    bool fromMinutes = false;
    QHash<QString, double> values;
};

// What a chart draws over one span.
struct SpanData {
    Span span;
    QVector<FigureColumns> figures;
    QHash<QString, QVector<LinkRun>> bands; // by state column
    QVector<Event> events;
    // False while older seconds of a long span are still to be read: ask
    // again (on the next turn of the event loop) for the rest.
    bool complete = true;
};

// Reads the history file while the station writes it. Every figure query
// returns at most one extent per column, grouped by the database, so a chart
// never holds more rows than it has pixels. Spans up to kRawSpanMs read the
// per-second rows where there still are some and the minute rows before
// them; longer spans read the minute rows only. Where a pixel column is
// wider than ten seconds, the per-second rows are read through a cache of
// ten-second bins, so a live 48-hour chart reads only the newest rows; the
// first look at a long span reads its seconds three hours a call, newest first.
class HistoryQuery {
public:
    static constexpr qint64 kRawSpanMs = 72LL * 3600 * 1000;

    explicit HistoryQuery(QString file);
    ~HistoryQuery();
    HistoryQuery(const HistoryQuery &) = delete;
    HistoryQuery &operator=(const HistoryQuery &) = delete;

    // Opens the file read-only; false (and errorText()) when it is missing
    // or not a history file.
    bool open();
    bool isOpen() const { return m_open; }
    QString errorText() const { return m_error; }
    QString file() const { return m_file; }

    QVector<FigureColumns> figures(const QStringList &names, const Span &span);
    // Up/down runs of each state column over the span, in time order.
    QHash<QString, QVector<LinkRun>> bands(const QStringList &states, const Span &span);
    // The events in [from, until), in time order (write order among equals).
    QVector<Event> events(qint64 from, qint64 until);
    // The newest sample at or before `t`, if one is within `tolerance`.
    std::optional<Reading> readingAt(qint64 t, qint64 tolerance);
    // The time of the newest row, if any.
    std::optional<qint64> lastTime();

    // Figures, bands and events in one go.
    SpanData load(const QStringList &figureNames, const QStringList &states, const Span &span);

private:
    struct Source;
    QVector<Source> sourcesFor(const Span &span);
    // Runs `collect` over each grouped row of the sources covering the span.
    // `collect` gets the column and, for each name, its least and greatest
    // value (NaN: unknown).
    void groupColumns(const Span &span, const QStringList &figures, const QStringList &states,
                      const std::function<void(qint64, const double *)> &collect);
    void groupQuery(const Span &span, const Source &source, const QStringList &figures, const QStringList &states,
                    const std::function<void(qint64, const double *)> &collect);
    std::optional<qint64> firstRawTime();

    QString m_file;
    QString m_connection;
    bool m_open = false;
    bool m_complete = true;
    QString m_error;
    ExtentCache m_cache;
};

} // namespace korvane::history
