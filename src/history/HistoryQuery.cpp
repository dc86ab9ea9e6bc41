#include "history/HistoryQuery.h"

#include "history/HistorySchema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace korvane::history {

namespace {

const QString kSamples = QStringLiteral("samples");
const QString kMinutes = QStringLiteral("minutes");
constexpr qint64 kMinuteMs = 60'000;

// A reader never takes the write lock; a short wait covers the moment the
// writer checkpoints.
const QString kReadOnlyOptions = QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=500");

std::optional<double> real(const QVariant &v)
{
    if (v.isNull())
        return std::nullopt;
    return v.toDouble();
}

LinkState stateOf(double least)
{
    if (std::isnan(least))
        return LinkState::Unknown;
    return least >= 1.0 ? LinkState::Up : LinkState::Down;
}

} // namespace

qint64 Span::column(qint64 t) const
{
    const qint64 len = std::max<qint64>(1, length());
    const qint64 offset = t - from;
    // Floor division, so times before the span land left of column 0.
    const qint64 scaled = offset * width;
    return scaled >= 0 ? scaled / len : -((-scaled + len - 1) / len);
}

qint64 Span::columnStart(qint64 c) const
{
    return from + (c * length() + width - 1) / std::max(1, width);
}

struct HistoryQuery::Source {
    QString table;
    qint64 from;
    qint64 until;
};

HistoryQuery::HistoryQuery(QString file)
    : m_file(std::move(file)),
      m_connection(QStringLiteral("korvane-history-read-%1").arg(reinterpret_cast<quintptr>(this), 0, 16)),
      m_cache(m_connection)
{
}

HistoryQuery::~HistoryQuery()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool HistoryQuery::open()
{
    m_open = false;
    QSqlDatabase db = QSqlDatabase::contains(m_connection)
                          ? QSqlDatabase::database(m_connection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_file);
    db.setConnectOptions(kReadOnlyOptions);
    if (!db.open()) {
        m_error = db.lastError().text();
        return false;
    }
    // Reading the layout proves it is a history file and not any database.
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("SELECT t FROM samples LIMIT 0"))
        || !probe.exec(QStringLiteral("SELECT t FROM minutes LIMIT 0"))
        || !probe.exec(QStringLiteral("SELECT t, kind, text FROM events LIMIT 0"))) {
        m_error = probe.lastError().text();
        db.close();
        return false;
    }
    m_error.clear();
    m_open = true;
    return true;
}

std::optional<qint64> HistoryQuery::firstRawTime()
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("SELECT MIN(t) FROM samples")) || !q.next() || q.value(0).isNull())
        return std::nullopt;
    return q.value(0).toLongLong();
}

std::optional<qint64> HistoryQuery::lastTime()
{
    if (!m_open)
        return std::nullopt;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("SELECT MAX(t) FROM (SELECT MAX(t) AS t FROM samples"
                               " UNION ALL SELECT MAX(t) FROM minutes)"))
        || !q.next() || q.value(0).isNull())
        return std::nullopt;
    return q.value(0).toLongLong();
}

// The per-second rows where they still exist, the minute rows before them.
QVector<HistoryQuery::Source> HistoryQuery::sourcesFor(const Span &span)
{
    if (span.length() > kRawSpanMs)
        return {{kMinutes, span.from, span.until}};
    const auto raw = firstRawTime();
    if (!raw || *raw >= span.until)
        return {{kMinutes, span.from, span.until}};
    if (*raw <= span.from)
        return {{kSamples, span.from, span.until}};
    return {{kMinutes, span.from, *raw}, {kSamples, *raw, span.until}};
}

void HistoryQuery::groupColumns(const Span &span, const QStringList &names, const QStringList &states,
                                const std::function<void(qint64, const double *)> &collect)
{
    m_complete = true;
    if (!m_open || span.length() <= 0 || span.width <= 0)
        return;
    const bool binned = span.length() / span.width >= ExtentCache::kBinMs;
    for (const Source &source : sourcesFor(span)) {
        if (source.table == kMinutes || !binned) {
            groupQuery(span, source, names, states, collect);
            continue;
        }
        bool complete = true;
        if (!m_cache.update(names, states, source.from, source.until, &complete)) {
            m_error = m_cache.errorText();
            continue;
        }
        m_complete = m_complete && complete;
        m_cache.forEach(source.from, source.until, [&](qint64 bin, const ExtentCache::Values &values) {
            collect(std::clamp<qint64>(span.column(std::max(bin, span.from)), 0, span.width - 1), values.constData());
        });
    }
}

// One grouped query: column number first, then for each name its least and
// greatest value. Per-second rows are read in a rowid bracket found through
// the time index, which is cheaper than an index walk over a long span and
// still right when the clock stepped back.
void HistoryQuery::groupQuery(const Span &span, const Source &source, const QStringList &names,
                              const QStringList &states, const std::function<void(qint64, const double *)> &collect)
{
    const bool minutes = source.table == kMinutes;
    QStringList aggregates;
    for (const QString &name : names)
        aggregates << (minutes ? QStringLiteral("MIN(%1_min), MAX(%1_max)") : QStringLiteral("MIN(%1), MAX(%1)"))
                          .arg(name);
    for (const QString &state : states)
        aggregates << QStringLiteral("MIN(%1), NULL").arg(state);
    QString sql = QStringLiteral("SELECT (t - :from) * :width / :len AS c, %1 FROM %2")
                      .arg(aggregates.join(QStringLiteral(", ")), source.table);
    if (minutes)
        sql += QStringLiteral(" WHERE t >= :lo AND t < :hi");
    else
        sql += QStringLiteral(" NOT INDEXED WHERE rowid BETWEEN"
                              " (SELECT MIN(rowid) FROM samples WHERE t >= :lo AND t < :hi)"
                              " AND (SELECT MAX(rowid) FROM samples WHERE t >= :lo AND t < :hi)"
                              " AND t >= :lo AND t < :hi");
    sql += QStringLiteral(" GROUP BY c");
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(sql);
    q.bindValue(QStringLiteral(":from"), span.from);
    q.bindValue(QStringLiteral(":width"), span.width);
    q.bindValue(QStringLiteral(":len"), span.length());
    q.bindValue(QStringLiteral(":lo"), source.from);
    q.bindValue(QStringLiteral(":hi"), source.until);
    if (!q.exec()) {
        m_error = q.lastError().text();
        return;
    }
    const int fields = 2 * int(names.size() + states.size());
    QVector<double> row(fields);
    while (q.next()) {
        for (int i = 0; i < fields; ++i) {
            const QVariant v = q.value(i + 1);
            row[i] = v.isNull() ? std::numeric_limits<double>::quiet_NaN() : v.toDouble();
        }
        collect(q.value(0).toLongLong(), row.constData());
    }
}

QVector<FigureColumns> HistoryQuery::figures(const QStringList &names, const Span &span)
{
    return load(names, {}, span).figures;
}

QHash<QString, QVector<LinkRun>> HistoryQuery::bands(const QStringList &states, const Span &span)
{
    return load({}, states, span).bands;
}

SpanData HistoryQuery::load(const QStringList &names, const QStringList &states, const Span &span)
{
    SpanData data;
    data.span = span;
    const int width = std::max(0, span.width);
    for (const QString &name : names)
        data.figures.append({name, QVector<std::optional<Extent>>(width)});
    // Per state and column, the least value seen (NaN: nothing known).
    QVector<QVector<double>> least(states.size(), QVector<double>(width, std::numeric_limits<double>::quiet_NaN()));
    groupColumns(span, names, states, [&](qint64 c, const double *row) {
        if (c < 0 || c >= width)
            return;
        for (int f = 0; f < names.size(); ++f) {
            const double low = row[2 * f];
            const double high = row[2 * f + 1];
            if (std::isnan(low) || std::isnan(high))
                continue;
            auto &cell = data.figures[f].columns[c];
            // A column at the seam between minute and second rows gets both.
            cell = cell ? Extent{std::min(cell->min, low), std::max(cell->max, high)} : Extent{low, high};
        }
        for (int s = 0; s < states.size(); ++s) {
            const double v = row[2 * (names.size() + s)];
            double &cell = least[s][c];
            if (!std::isnan(v) && (std::isnan(cell) || v < cell))
                cell = v;
        }
    });
    data.complete = m_complete;
    for (int s = 0; s < states.size(); ++s) {
        QVector<LinkRun> runs;
        for (int c = 0; c < width; ++c) {
            const LinkState state = stateOf(least[s][c]);
            if (!runs.isEmpty() && runs.last().state == state)
                runs.last().until = span.columnStart(c + 1);
            else
                runs.append({span.columnStart(c), span.columnStart(c + 1), state});
        }
        data.bands.insert(states[s], runs);
    }
    if (!names.isEmpty() || !states.isEmpty())
        data.events = events(span.from, span.until);
    return data;
}

QVector<Event> HistoryQuery::events(qint64 from, qint64 until)
{
    QVector<Event> out;
    if (!m_open)
        return out;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT t, kind, text FROM events WHERE t >= ? AND t < ? ORDER BY t, rowid"));
    q.addBindValue(from);
    q.addBindValue(until);
    if (!q.exec()) {
        m_error = q.lastError().text();
        return out;
    }
    while (q.next())
        out.append({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString()});
    return out;
}

std::optional<Reading> HistoryQuery::readingAt(qint64 t, qint64 tolerance)
{
    if (!m_open)
        return std::nullopt;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const QStringList columns = kFigureColumns + kStateColumns;
    const auto read = [&](const QString &table, const QStringList &selected,
                          qint64 reach) -> std::optional<Reading> {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("SELECT t, %1 FROM %2 WHERE t <= ? AND t >= ? ORDER BY t DESC, rowid DESC LIMIT 1")
                      .arg(selected.join(QStringLiteral(", ")), table));
        q.addBindValue(t);
        q.addBindValue(t - reach);
        if (!q.exec() || !q.next())
            return std::nullopt;
        Reading r;
        r.t = q.value(0).toLongLong();
        r.fromMinutes = table == kMinutes;
        for (int i = 0; i < columns.size(); ++i)
            if (const auto v = real(q.value(i + 1)))
                r.values.insert(columns[i], *v);
        return r;
    };
    if (auto r = read(kSamples, columns, tolerance))
        return r;
    QStringList means;
    for (const QString &figure : kFigureColumns)
        means << figure + QStringLiteral("_mean");
    return read(kMinutes, means + kStateColumns, std::max(tolerance, kMinuteMs));
}

} // namespace korvane::history
