#include "history/Retention.h"

#include "history/HistorySchema.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace korvane::history {

namespace {

constexpr qint64 kMinuteMs = 60 * 1000;
constexpr qint64 kFoldSpanMs = 60 * kMinuteMs;
constexpr int kPruneRows = 2000;

int positiveOr(const QString &text, int fallback)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= 1 ? value : fallback;
}

const QString &foldStatement()
{
    static const QString statement = [] {
        QStringList columns{QStringLiteral("t"), QStringLiteral("n")};
        QStringList values{QStringLiteral("(t / 60000) * 60000"), QStringLiteral("count(*)")};
        for (const QString &c : kFigureColumns) {
            columns << c + QStringLiteral("_min") << c + QStringLiteral("_mean") << c + QStringLiteral("_max");
            values << QStringLiteral("min(%1)").arg(c) << QStringLiteral("avg(%1)").arg(c)
                   << QStringLiteral("max(%1)").arg(c);
        }
        for (const QString &c : kStateColumns) {
            columns << c;
            values << QStringLiteral("avg(%1)").arg(c);
        }
        return QStringLiteral("INSERT OR REPLACE INTO minutes (%1) SELECT %2 FROM samples"
                              " WHERE t >= ? AND t < ? GROUP BY t / 60000")
            .arg(columns.join(QLatin1Char(',')), values.join(QLatin1Char(',')));
    }();
    return statement;
}

bool run(QSqlDatabase &db, const QString &sql, const QVariantList &values, QSqlQuery *out = nullptr)
{
    QSqlQuery q(db);
    if (!q.prepare(sql))
        return false;
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec())
        return false;
    if (out)
        *out = std::move(q);
    return true;
}

// Folds the oldest hour (at most) before the cut. Sets `more` when
// samples before the cut remain after it.
bool foldStep(QSqlDatabase &db, qint64 cut, bool &more)
{
    QSqlQuery oldest(db);
    if (!run(db, QStringLiteral("SELECT min(t) FROM samples WHERE t < ?"), {cut}, &oldest) || !oldest.next())
        return false;
    if (oldest.value(0).isNull())
        return true;
    const qint64 from = oldest.value(0).toLongLong() / kMinuteMs * kMinuteMs;
    const qint64 to = std::min(from + kFoldSpanMs, cut);
    more = to < cut;
    return run(db, foldStatement(), {from, to})
           && run(db, QStringLiteral("DELETE FROM samples WHERE t >= ? AND t < ?"), {from, to});
}

bool pruneStep(QSqlDatabase &db, const QString &table, qint64 cut, bool &more)
{
    QSqlQuery q(db);
    if (!run(db,
             QStringLiteral("DELETE FROM %1 WHERE rowid IN (SELECT rowid FROM %1 WHERE t < ? LIMIT %2)")
                 .arg(table)
                 .arg(kPruneRows),
             {cut}, &q))
        return false;
    more = more || q.numRowsAffected() >= kPruneRows;
    return true;
}

} // namespace

RetentionLimits retentionFromTexts(const QString &rawHours, const QString &days)
{
    const RetentionLimits defaults;
    return {positiveOr(rawHours, defaults.rawHours), positiveOr(days, defaults.days)};
}

bool retentionStep(QSqlDatabase &db, qint64 nowMs, const RetentionLimits &limits, bool *failed)
{
    const qint64 rawCut = (nowMs - qint64(limits.rawHours) * 3600 * 1000) / kMinuteMs * kMinuteMs;
    const qint64 dayCut = nowMs - qint64(limits.days) * 24 * 3600 * 1000;
    bool more = false;
    const bool ok = db.transaction() && foldStep(db, rawCut, more)
                    && pruneStep(db, QStringLiteral("minutes"), dayCut, more)
                    && pruneStep(db, QStringLiteral("events"), dayCut, more) && db.commit();
    if (!ok)
        db.rollback();
    if (failed)
        *failed = !ok;
    return ok && more;
}

} // namespace korvane::history
