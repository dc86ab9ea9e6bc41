#pragma once

#include "history/SqliteSupport.h"

#include <QHash>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVector>

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
    QString text;  // the log line
    QString words; // what to show
};

// Events of one kind that fall within a few pixels of each other: one mark
// with their number; `t` and the words are the first one's.
struct MarkerGroup {
    qint64 t = 0;
    QString kind;
    int count = 0;
    QString words;
};

// Every figure and state known at one time, by column name; a name that is
// missing was NULL. States are 1 / 0 from a sample, the up share from a
// minute row.
struct Reading {
    qint64 t = 0;
    bool fromMinutes = false;
    QHash<QString, double> values;
};

// What the window asks for one span.
struct LoadRequest {
    QStringList figures;
    QStringList states;
    Span span;
    // Kinds left out of the marks and the list (the filter).
    QStringList hiddenKinds;
    // Marks of a kind closer than this many columns merge.
    int markerColumns = 6;
    // The list: at most this many events, the newest first; or, with
    // `around`, as many on either side of that time, in time order.
    int listLimit = 500;
    std::optional<qint64> around;
};

// What a chart draws over one span.
struct SpanData {
    Span span;
    QVector<FigureColumns> figures;
    QHash<QString, QVector<LinkRun>> bands; // by state column
    QVector<MarkerGroup> markers;           // in time order
    QVector<LinkRun> signalLost;            // signal-lost episodes
    QVector<Event> events;                  // the list
    bool newestFirst = true;
    qint64 listedOf = 0;                    // events shown by the filter in the span
    QHash<QString, qint64> kindCounts;      // every event in the span, by kind
    bool fromMinutes = false;               // figures read from the minute rows
    bool complete = true;
};

// Reads the history file while the station writes it, on a read-only
// connection of its own; meant to run on a worker thread (HistoryReader),
// never on the event loop. Every figure query returns at most one extent
// per column, grouped by the database, so a chart never holds more rows
// than it has pixels. A span holding at least as many minutes as it has
// columns reads the minute rows for all of it (a week is 10,080 rows, a
// year half a million); a shorter one reads the per-second rows, and the
// minute rows of minutes whose seconds are gone.
class HistoryQuery {
public:
    explicit HistoryQuery(QString file);
    ~HistoryQuery();
    HistoryQuery(const HistoryQuery &) = delete;
    HistoryQuery &operator=(const HistoryQuery &) = delete;

    // Opens the file read-only; false (and errorText()) when it is missing
    // or not a history file.
    bool open();
    bool isOpen() const { return m_connection.isOpen(); }
    QString errorText() const { return m_error; }
    QString file() const { return m_connection.file(); }
    // Cuts short a query running on another thread.
    void interrupt() { m_connection.interrupter().interrupt(); }
    void close() { m_connection.close(); }

    static bool readsMinutes(const Span &span);

    QVector<FigureColumns> figures(const QStringList &names, const Span &span);
    // Up/down runs of each state column over the span, in time order.
    QHash<QString, QVector<LinkRun>> bands(const QStringList &states, const Span &span);
    // The events in [from, until), in time order (write order among equals).
    QVector<Event> events(qint64 from, qint64 until);
    // The newest sample at or before `t`, if one is within `tolerance`.
    std::optional<Reading> readingAt(qint64 t, qint64 tolerance);
    // The time of the newest row, if any.
    std::optional<qint64> lastTime();

    // Figures, bands, marks and the list in one go.
    SpanData load(const LoadRequest &request);
    SpanData load(const QStringList &figureNames, const QStringList &states, const Span &span);

private:
    bool ready();
    void groupFigures(const LoadRequest &request, SpanData &data);
    void groupEvents(const LoadRequest &request, SpanData &data);
    void listEvents(const LoadRequest &request, SpanData &data);
    void readSignalLost(const Span &span, SpanData &data);
    QVector<Event> readEvents(QSqlQuery &q);

    ReadOnlyConnection m_connection;
    QString m_error;
};

// The signal-lost episodes among `events` (in time order), as down runs
// within [from, until): from a link_lost event saying "信号丢失…" to the
// next link_back saying "信号恢复…"; one lost before `from` and back after
// it starts at `from`, one not back yet lasts to `until`.
QVector<LinkRun> signalLostRuns(const QVector<Event> &events, qint64 from, qint64 until);

} // namespace korvane::history
