#include "history/ExtentCache.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <cmath>

namespace korvane::history {

namespace {

constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();

double realOf(const QVariant &v)
{
    return v.isNull() ? kUnknown : v.toDouble();
}

// Times are after the epoch, so integer division floors.
qint64 binOf(qint64 t)
{
    return t / ExtentCache::kBinMs * ExtentCache::kBinMs;
}

} // namespace

void ExtentCache::clear()
{
    m_bins.clear();
    m_coveredFrom = std::numeric_limits<qint64>::max();
    m_lastRowid = -1;
}

QString ExtentCache::aggregates() const
{
    QStringList parts;
    for (const QString &name : m_figures)
        parts << QStringLiteral("MIN(%1), MAX(%1)").arg(name);
    // A state's least is all a band needs.
    for (const QString &name : m_states)
        parts << QStringLiteral("MIN(%1), NULL").arg(name);
    return parts.join(QStringLiteral(", "));
}

bool ExtentCache::update(const QStringList &figures, const QStringList &states, qint64 from, qint64 until,
                         bool *complete)
{
    if (figures != m_figures || states != m_states) {
        m_figures = figures;
        m_states = states;
        clear();
    }
    QSqlQuery top(QSqlDatabase::database(m_connection, false));
    if (!top.exec(QStringLiteral("SELECT MAX(rowid) FROM samples")) || !top.next()) {
        m_error = top.lastError().text();
        return false;
    }
    const qint64 lastRowid = top.value(0).isNull() ? 0 : top.value(0).toLongLong();
    // The table was emptied and rowids start again.
    if (lastRowid < m_lastRowid)
        clear();
    const qint64 first = binOf(from);
    if (m_lastRowid < 0) {
        // Everything from the newest stretch on, whatever its time.
        const qint64 low = std::max(first, binOf(until - kChunkMs));
        if (!fold(QStringLiteral("t >= ?"), {low}))
            return false;
        m_coveredFrom = low;
        m_lastRowid = lastRowid;
    } else {
        if (lastRowid > m_lastRowid) {
            if (!fold(QStringLiteral("rowid > ? AND rowid <= ?"), {m_lastRowid, lastRowid}))
                return false;
            m_lastRowid = lastRowid;
        }
        if (first < m_coveredFrom) {
            const qint64 low = std::max(first, m_coveredFrom - kChunkMs);
            if (!fold(QStringLiteral("t >= ? AND t < ?"), {low, m_coveredFrom}))
                return false;
            m_coveredFrom = low;
        }
    }
    if (complete)
        *complete = m_coveredFrom <= first;
    return true;
}

bool ExtentCache::fold(const QString &where, const QVector<qint64> &bounds)
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT t / %1 * %1 AS b, %2"
                             " FROM samples WHERE %3 GROUP BY 1")
                  .arg(kBinMs)
                  .arg(aggregates(), where));
    for (qint64 bound : bounds)
        q.addBindValue(bound);
    if (!q.exec()) {
        m_error = q.lastError().text();
        return false;
    }
    const int fields = 2 * int(m_figures.size() + m_states.size());
    while (q.next()) {
        Values &bin = m_bins[q.value(0).toLongLong()];
        if (bin.isEmpty())
            bin.fill(kUnknown, fields);
        for (int i = 0; i < fields; i += 2) {
            const double low = realOf(q.value(i + 1));
            const double high = realOf(q.value(i + 2));
            if (std::isnan(low))
                continue;
            bin[i] = std::isnan(bin[i]) ? low : std::min(bin[i], low);
            bin[i + 1] = std::isnan(bin[i + 1]) ? high : std::max(bin[i + 1], high);
        }
    }
    return true;
}

void ExtentCache::forEach(qint64 from, qint64 until, const std::function<void(qint64, const Values &)> &visit) const
{
    for (auto it = m_bins.lowerBound(binOf(from)); it != m_bins.end() && it.key() < until; ++it)
        visit(it.key(), it.value());
}

} // namespace korvane::history
