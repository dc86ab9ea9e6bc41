#include "history/MinuteFold.h"

#include "history/HistorySchema.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace korvane::history {

namespace {

constexpr qint64 kMinuteMs = 60'000;
// A batch whose seconds span more than this is folded minute by minute.
constexpr qint64 kContiguousMs = 6 * 3600'000LL;

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
        QStringList updates;
        for (qsizetype i = 1; i < columns.size(); ++i)
            updates << QStringLiteral("%1 = excluded.%1").arg(columns[i]);
        return QStringLiteral("INSERT INTO minutes (%1) SELECT %2 FROM samples"
                              " WHERE t >= ? AND t < ? GROUP BY t / 60000"
                              " ON CONFLICT(t) DO UPDATE SET %3 WHERE excluded.n > minutes.n")
            .arg(columns.join(QLatin1Char(',')), values.join(QLatin1Char(',')), updates.join(QLatin1Char(',')));
    }();
    return statement;
}

bool fail(const QSqlQuery &q, QSqlError *error)
{
    if (error)
        *error = q.lastError();
    return false;
}

qint64 minuteOf(qint64 t)
{
    return t >= 0 ? t / kMinuteMs * kMinuteMs : -((-t + kMinuteMs - 1) / kMinuteMs) * kMinuteMs;
}

} // namespace

bool foldMinutes(QSqlDatabase &db, qint64 from, qint64 until, QSqlError *error)
{
    if (until <= from)
        return true;
    QSqlQuery q(db);
    if (!q.prepare(foldStatement()))
        return fail(q, error);
    q.addBindValue(minuteOf(from));
    q.addBindValue(until);
    return q.exec() || fail(q, error);
}

bool foldRowids(QSqlDatabase &db, qint64 first, qint64 last, QSqlError *error)
{
    if (last < first)
        return true;
    QSqlQuery range(db);
    range.prepare(QStringLiteral("SELECT min(t), max(t) FROM samples WHERE rowid BETWEEN ? AND ?"));
    range.addBindValue(first);
    range.addBindValue(last);
    if (!range.exec() || !range.next())
        return fail(range, error);
    if (range.value(0).isNull())
        return true;
    const qint64 low = minuteOf(range.value(0).toLongLong());
    const qint64 high = minuteOf(range.value(1).toLongLong()) + kMinuteMs;
    if (high - low <= kContiguousMs)
        return foldMinutes(db, low, high, error);
    QSqlQuery minutes(db);
    minutes.setForwardOnly(true);
    minutes.prepare(QStringLiteral("SELECT DISTINCT (t / 60000) * 60000 FROM samples WHERE rowid BETWEEN ? AND ?"
                                   " ORDER BY 1"));
    minutes.addBindValue(first);
    minutes.addBindValue(last);
    if (!minutes.exec())
        return fail(minutes, error);
    QList<qint64> starts;
    while (minutes.next())
        starts << minutes.value(0).toLongLong();
    // Neighbouring minutes go in one statement.
    for (qsizetype i = 0; i < starts.size();) {
        qsizetype j = i + 1;
        while (j < starts.size() && starts[j] == starts[j - 1] + kMinuteMs)
            ++j;
        if (!foldMinutes(db, starts[i], starts[j - 1] + kMinuteMs, error))
            return false;
        i = j;
    }
    return true;
}

} // namespace korvane::history
