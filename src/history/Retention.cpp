#include "history/Retention.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace korvane::history {

namespace {

constexpr qint64 kMinuteMs = 60 * 1000;
constexpr int kPruneRows = 2000;

int positiveOr(const QString &text, int fallback)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= 1 ? value : fallback;
}

bool pruneStep(QSqlDatabase &db, const QString &table, qint64 cut, bool &more, QSqlError &error)
{
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("DELETE FROM %1 WHERE rowid IN (SELECT rowid FROM %1 WHERE t < ? LIMIT %2)")
                       .arg(table)
                       .arg(kPruneRows))) {
        error = q.lastError();
        return false;
    }
    q.addBindValue(cut);
    if (!q.exec()) {
        error = q.lastError();
        return false;
    }
    more = more || q.numRowsAffected() >= kPruneRows;
    return true;
}

std::optional<qint64> single(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql) || !q.next() || q.value(0).isNull())
        return std::nullopt;
    return q.value(0).toLongLong();
}

} // namespace

RetentionLimits retentionFromTexts(const QString &rawHours, const QString &days)
{
    const RetentionLimits defaults;
    return {positiveOr(rawHours, defaults.rawHours), positiveOr(days, defaults.days)};
}

std::optional<qint64> newestRowTime(const QSqlDatabase &db)
{
    if (const auto t = single(db, QStringLiteral("SELECT max(t) FROM samples")))
        return t;
    return single(db, QStringLiteral("SELECT max(t) FROM minutes"));
}

bool retentionStep(QSqlDatabase &db, qint64 reference, const RetentionLimits &limits, bool *failed,
                   QSqlError *error)
{
    QSqlError e;
    const qint64 rawCut = (reference - qint64(limits.rawHours) * 3600 * 1000) / kMinuteMs * kMinuteMs;
    const qint64 dayCut = reference - qint64(limits.days) * 24 * 3600 * 1000;
    bool more = false;
    const bool ok = db.transaction() && pruneStep(db, QStringLiteral("samples"), rawCut, more, e)
                    && pruneStep(db, QStringLiteral("minutes"), dayCut, more, e)
                    && pruneStep(db, QStringLiteral("events"), dayCut, more, e) && db.commit();
    if (!ok) {
        if (!e.isValid())
            e = db.lastError();
        db.rollback();
    }
    if (error)
        *error = e;
    if (failed)
        *failed = !ok;
    return ok && more;
}

} // namespace korvane::history
