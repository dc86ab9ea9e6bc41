#include "history/HistoryQuery.h"

#include "history/EventWords.h"
#include "history/HistorySchema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <utility>

namespace korvane::history {

namespace {

constexpr qint64 kMinuteMs = 60'000;
constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();
const QString kSignalLostWord = QStringLiteral("信号丢失");
const QString kSignalBackWord = QStringLiteral("信号恢复");

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

void bindSpan(QSqlQuery &q, const Span &span)
{
    q.bindValue(QStringLiteral(":from"), span.from);
    q.bindValue(QStringLiteral(":width"), span.width);
    q.bindValue(QStringLiteral(":len"), std::max<qint64>(1, span.length()));
    q.bindValue(QStringLiteral(":lo"), span.from);
    q.bindValue(QStringLiteral(":hi"), span.until);
}

Event eventOf(const QSqlQuery &q)
{
    Event e{q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString()};
    if (e.words.isEmpty())
        e.words = eventWords(e.kind, e.text);
    return e;
}

// "AND kind NOT IN ('a','b')" for the kinds the filter hides; kinds are
// the schema's own words, checked, never the operator's text.
QString kindFilter(const QStringList &hidden)
{
    QStringList quoted;
    for (const QString &kind : hidden) {
        if (std::all_of(kind.begin(), kind.end(), [](QChar c) { return c.isLetterOrNumber() || c == u'_'; }))
            quoted << QLatin1Char('\'') + kind + QLatin1Char('\'');
    }
    return quoted.isEmpty() ? QString() : QStringLiteral(" AND kind NOT IN (%1)").arg(quoted.join(QLatin1Char(',')));
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

HistoryQuery::HistoryQuery(QString file) : m_connection(file, 500) {}

HistoryQuery::~HistoryQuery() = default;

bool HistoryQuery::open()
{
    const bool ok = m_connection.open();
    m_error = ok ? QString() : m_connection.errorText();
    return ok;
}

// Open, and open anew when the station has made a new file at the path.
bool HistoryQuery::ready()
{
    if (m_connection.isOpen() && !m_connection.replaced())
        return true;
    return open();
}

bool HistoryQuery::readsMinutes(const Span &span)
{
    return span.length() >= qint64(std::max(1, span.width)) * kMinuteMs;
}

std::optional<qint64> HistoryQuery::lastTime()
{
    if (!ready())
        return std::nullopt;
    QSqlQuery q(m_connection.db());
    if (!q.exec(QStringLiteral("SELECT MAX(t) FROM (SELECT MAX(t) AS t FROM samples"
                               " UNION ALL SELECT MAX(t) FROM minutes)"))
        || !q.next() || q.value(0).isNull())
        return std::nullopt;
    return q.value(0).toLongLong();
}

// The figures and states grouped by column: from the minute rows over a long
// span; over a short one from the seconds, with the minute rows of minutes
// whose seconds the file no longer holds in full. Per-second rows are read
// in a rowid bracket found through the time index, which is cheaper than an
// index walk and still right when the clock stepped back.
void HistoryQuery::groupFigures(const LoadRequest &request, SpanData &data)
{
    const Span &span = request.span;
    const int width = std::max(0, span.width);
    data.fromMinutes = readsMinutes(span);
    for (const QString &name : request.figures)
        data.figures.append({name, QVector<std::optional<Extent>>(width)});
    QVector<QVector<double>> least(request.states.size(), QVector<double>(width, kUnknown));
    const int names = int(request.figures.size());
    // Folds one grouped or single row into the columns [first, last].
    const auto put = [&](qint64 first, qint64 last, const QSqlQuery &q) {
        first = std::max<qint64>(0, first);
        last = std::min<qint64>(width - 1, last);
        for (qint64 c = first; c <= last; ++c) {
            for (int f = 0; f < names; ++f) {
                const auto low = real(q.value(1 + 2 * f));
                const auto high = real(q.value(2 + 2 * f));
                if (!low || !high)
                    continue;
                auto &cell = data.figures[f].columns[c];
                // A column at the seam between minute and second rows gets both.
                cell = cell ? Extent{std::min(cell->min, *low), std::max(cell->max, *high)} : Extent{*low, *high};
            }
            for (int s = 0; s < request.states.size(); ++s) {
                const auto v = real(q.value(1 + 2 * (names + s)));
                double &cell = least[s][c];
                if (v && (std::isnan(cell) || *v < cell))
                    cell = *v;
            }
        }
    };
    // `grouped`: one row per column; else one row per minute row, which
    // covers every column its minute overlaps.
    const auto run = [&](bool minutes, bool grouped, const QString &where) {
        QStringList aggregates;
        for (const QString &name : request.figures) {
            const QString low = minutes ? name + QStringLiteral("_min") : name;
            const QString high = minutes ? name + QStringLiteral("_max") : name;
            aggregates << (grouped ? QStringLiteral("MIN(%1), MAX(%2)") : QStringLiteral("%1, %2")).arg(low, high);
        }
        for (const QString &state : request.states)
            aggregates << (grouped ? QStringLiteral("MIN(%1), NULL") : QStringLiteral("%1, NULL")).arg(state);
        QSqlQuery q(m_connection.db());
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT %1, %2 FROM %3 %4%5")
                      .arg(grouped ? QStringLiteral("(t - :from) * :width / :len AS c") : QStringLiteral("t"),
                           aggregates.join(QStringLiteral(", ")),
                           minutes ? QStringLiteral("minutes") : QStringLiteral("samples"), where,
                           grouped ? QStringLiteral(" GROUP BY c") : QString()));
        bindSpan(q, span);
        if (!q.exec()) {
            m_error = history::errorText(q.lastError());
            return;
        }
        while (q.next()) {
            if (grouped) {
                const qint64 c = q.value(0).toLongLong();
                if (c >= 0 && c < width)
                    put(c, c, q);
            } else {
                const qint64 t = q.value(0).toLongLong();
                put(span.column(t), span.column(t + kMinuteMs - 1), q);
            }
        }
    };
    if (data.fromMinutes) {
        run(true, true, QStringLiteral("WHERE t >= :lo AND t < :hi"));
    } else {
        run(false, true, QStringLiteral("NOT INDEXED WHERE rowid BETWEEN"
                                        " (SELECT MIN(rowid) FROM samples WHERE t >= :lo AND t < :hi)"
                                        " AND (SELECT MAX(rowid) FROM samples WHERE t >= :lo AND t < :hi)"
                                        " AND t >= :lo AND t < :hi"));
        run(true, false, QStringLiteral("WHERE t > :lo - 60000 AND t < :hi AND (SELECT count(*) FROM samples s"
                                        " WHERE s.t >= minutes.t AND s.t < minutes.t + 60000) < n"));
    }
    for (int s = 0; s < request.states.size(); ++s) {
        QVector<LinkRun> runs;
        for (int c = 0; c < width; ++c) {
            const LinkState state = stateOf(least[s][c]);
            if (!runs.isEmpty() && runs.last().state == state)
                runs.last().until = span.columnStart(c + 1);
            else
                runs.append({span.columnStart(c), span.columnStart(c + 1), state});
        }
        data.bands.insert(request.states[s], runs);
    }
}

// The marks: one per kind per few columns, with the count, and the number
// of each kind in the span for the filter.
void HistoryQuery::groupEvents(const LoadRequest &request, SpanData &data)
{
    const Span &span = request.span;
    QSqlQuery counts(m_connection.db());
    counts.setForwardOnly(true);
    counts.prepare(QStringLiteral("SELECT kind, count(*) FROM events WHERE t >= :lo AND t < :hi GROUP BY kind"));
    bindSpan(counts, span);
    if (counts.exec())
        while (counts.next())
            data.kindCounts.insert(counts.value(0).toString(), counts.value(1).toLongLong());
    const QString filter = kindFilter(request.hiddenKinds);
    data.listedOf = 0;
    for (auto it = data.kindCounts.cbegin(); it != data.kindCounts.cend(); ++it)
        if (!request.hiddenKinds.contains(it.key()))
            data.listedOf += it.value();
    QSqlQuery q(m_connection.db());
    q.setForwardOnly(true);
    // With a single min(), SQLite takes the bare columns from its row.
    q.prepare(QStringLiteral("SELECT min(t), kind, text, words, count(*) FROM events WHERE t >= :lo AND t < :hi%1"
                             " GROUP BY kind, (t - :from) * :width / :len / %2 ORDER BY 1")
                  .arg(filter)
                  .arg(std::max(1, request.markerColumns)));
    bindSpan(q, span);
    if (!q.exec()) {
        m_error = history::errorText(q.lastError());
        return;
    }
    while (q.next()) {
        const Event first = eventOf(q);
        data.markers.append({first.t, first.kind, q.value(4).toInt(), first.words});
    }
}

void HistoryQuery::listEvents(const LoadRequest &request, SpanData &data)
{
    const Span &span = request.span;
    const QString filter = kindFilter(request.hiddenKinds);
    const auto read = [&](const QString &where, const QString &order, int limit, qint64 at) {
        QSqlQuery q(m_connection.db());
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT t, kind, text, words FROM events WHERE t >= :lo AND t < :hi%1%2"
                                 " ORDER BY %3 LIMIT %4")
                      .arg(filter, where, order)
                      .arg(limit));
        bindSpan(q, span);
        if (where.contains(QLatin1String(":at")))
            q.bindValue(QStringLiteral(":at"), at);
        return readEvents(q);
    };
    if (!request.around) {
        data.newestFirst = true;
        data.events = read(QString(), QStringLiteral("t DESC, rowid DESC"), request.listLimit, 0);
        return;
    }
    data.newestFirst = false;
    const int half = std::max(1, request.listLimit / 2);
    QVector<Event> before = read(QStringLiteral(" AND t <= :at"), QStringLiteral("t DESC, rowid DESC"), half,
                                 *request.around);
    std::reverse(before.begin(), before.end());
    data.events = before + read(QStringLiteral(" AND t > :at"), QStringLiteral("t, rowid"), half, *request.around);
}

void HistoryQuery::readSignalLost(const Span &span, SpanData &data)
{
    QVector<Event> episodes;
    const QString signal = QStringLiteral(" AND kind IN ('link_lost', 'link_back')"
                                          " AND (instr(text, '信号丢失') > 0 OR instr(text, '信号恢复') > 0)");
    QSqlQuery q(m_connection.db());
    q.setForwardOnly(true);
    // The last one before the span says whether it begins lost.
    q.prepare(QStringLiteral("SELECT t, kind, text, words FROM (SELECT t, kind, text, words, rowid FROM events"
                             " WHERE t < :lo%1 ORDER BY t DESC, rowid DESC LIMIT 1)"
                             " UNION ALL SELECT * FROM (SELECT t, kind, text, words FROM events"
                             " WHERE t >= :lo AND t < :hi%1 ORDER BY t, rowid)")
                  .arg(signal));
    q.bindValue(QStringLiteral(":lo"), span.from);
    q.bindValue(QStringLiteral(":hi"), span.until);
    if (!q.exec()) {
        m_error = history::errorText(q.lastError());
        return;
    }
    while (q.next())
        episodes.append(eventOf(q));
    data.signalLost = signalLostRuns(episodes, span.from, span.until);
}

SpanData HistoryQuery::load(const LoadRequest &request)
{
    SpanData data;
    data.span = request.span;
    const int width = std::max(0, request.span.width);
    if (!ready() || request.span.length() <= 0 || width <= 0) {
        for (const QString &name : request.figures)
            data.figures.append({name, QVector<std::optional<Extent>>(width)});
        return data;
    }
    groupFigures(request, data);
    if (request.figures.isEmpty() && request.states.isEmpty())
        return data;
    groupEvents(request, data);
    listEvents(request, data);
    readSignalLost(request.span, data);
    return data;
}

SpanData HistoryQuery::load(const QStringList &figureNames, const QStringList &states, const Span &span)
{
    LoadRequest request;
    request.figures = figureNames;
    request.states = states;
    request.span = span;
    request.listLimit = 100000;
    return load(request);
}

QVector<FigureColumns> HistoryQuery::figures(const QStringList &names, const Span &span)
{
    return load(names, {}, span).figures;
}

QHash<QString, QVector<LinkRun>> HistoryQuery::bands(const QStringList &states, const Span &span)
{
    return load({}, states, span).bands;
}

QVector<Event> HistoryQuery::events(qint64 from, qint64 until)
{
    if (!ready())
        return {};
    QSqlQuery q(m_connection.db());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT t, kind, text, words FROM events WHERE t >= ? AND t < ? ORDER BY t, rowid"));
    q.addBindValue(from);
    q.addBindValue(until);
    return readEvents(q);
}

QVector<Event> HistoryQuery::readEvents(QSqlQuery &q)
{
    QVector<Event> out;
    if (!q.exec()) {
        m_error = history::errorText(q.lastError());
        return out;
    }
    while (q.next())
        out.append(eventOf(q));
    return out;
}

std::optional<Reading> HistoryQuery::readingAt(qint64 t, qint64 tolerance)
{
    if (!ready())
        return std::nullopt;
    QSqlDatabase db = m_connection.db();
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
        r.fromMinutes = table == QLatin1String("minutes");
        for (int i = 0; i < columns.size(); ++i)
            if (const auto v = real(q.value(i + 1)))
                r.values.insert(columns[i], *v);
        return r;
    };
    if (auto r = read(QStringLiteral("samples"), columns, tolerance))
        return r;
    QStringList means;
    for (const QString &figure : kFigureColumns)
        means << figure + QStringLiteral("_mean");
    return read(QStringLiteral("minutes"), means + kStateColumns, std::max(tolerance, kMinuteMs));
}

QVector<LinkRun> signalLostRuns(const QVector<Event> &events, qint64 from, qint64 until)
{
    QVector<LinkRun> runs;
    bool lost = false;
    qint64 lostAt = from;
    bool seenAny = false;
    for (const Event &e : events) {
        const QString words = withoutStamp(e.text);
        if (e.kind == kind::LinkLost && words.startsWith(kSignalLostWord)) {
            if (!lost)
                lostAt = e.t;
            lost = true;
        } else if (e.kind == kind::LinkBack && words.startsWith(kSignalBackWord)) {
            // A return with no loss before it in the span ends one begun earlier.
            if ((lost || !seenAny) && e.t >= from)
                runs.append({std::max(from, lostAt), std::min(until, e.t), LinkState::Down});
            lost = false;
        } else {
            continue;
        }
        seenAny = true;
    }
    if (lost)
        runs.append({std::max(from, lostAt), until, LinkState::Down});
    return runs;
}

} // namespace korvane::history
