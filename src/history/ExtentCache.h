#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <limits>
#include <utility>

namespace korvane::history {

// Per-second rows folded into ten-second bins held in memory: for each
// figure its least and greatest value, for each state its least (and NaN). Least and
// greatest do not change when the same row is folded twice, so the cache
// can be filled by time (going back) and by rowid (new rows, whatever their
// time) without bookkeeping. A long span then costs one pass over the bins
// instead of one over every second.
class ExtentCache {
public:
    static constexpr qint64 kBinMs = 10'000;
    // The most one call reads going back: three hours of seconds, some
    // 25 ms, so a long span fills in over a few event-loop turns.
    static constexpr qint64 kChunkMs = 3 * 3600'000LL;
    // Two values a name: least, greatest (NaN: unknown).
    using Values = QVector<double>;

    explicit ExtentCache(QString connection) : m_connection(std::move(connection)) {}

    // Folds in the rows written since the last call, or else one more chunk
    // of [from, until) going back; `complete` says whether all of it is in.
    // False when a query failed.
    bool update(const QStringList &figures, const QStringList &states, qint64 from, qint64 until, bool *complete);
    // The bins whose start lies in [from, until), oldest first.
    void forEach(qint64 from, qint64 until, const std::function<void(qint64, const Values &)> &visit) const;
    QString errorText() const { return m_error; }

private:
    void clear();
    bool fold(const QString &where, const QVector<qint64> &bounds);
    QString aggregates() const;

    QString m_connection;
    QStringList m_figures;
    QStringList m_states;
    QMap<qint64, Values> m_bins;
    qint64 m_coveredFrom = std::numeric_limits<qint64>::max();
    qint64 m_lastRowid = -1;
    QString m_error;
};

} // namespace korvane::history
