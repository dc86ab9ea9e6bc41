#include "history/HistorySummary.h"

#include <QSqlQuery>
#include <QVariant>

namespace korvane::history {

namespace {

std::optional<double> single(const QSqlDatabase &db, const QString &sql, qint64 from, qint64 offset = 0)
{
    QSqlQuery q(db);
    q.prepare(sql);
    q.addBindValue(from);
    if (sql.contains(QLatin1String("OFFSET")))
        q.addBindValue(offset);
    if (!q.exec() || !q.next() || q.value(0).isNull())
        return std::nullopt;
    return q.value(0).toDouble();
}

QString figure(const std::optional<double> &v)
{
    return v ? QString::number(*v, 'g', 6) : QStringLiteral("-");
}

QString percent(const std::optional<double> &v)
{
    return v ? QString::number(*v, 'f', 1) + QLatin1Char('%') : QStringLiteral("-");
}

} // namespace

QString HistorySummary::line() const
{
    return QStringLiteral("history minutes=%1 samples=%2 signal_min=%3 signal_median=%4 signal_max=%5 "
                          "board_up=%6 radio_up=%7 cloud_ok=%8 events=%9")
        .arg(minutes)
        .arg(samples)
        .arg(figure(signalMin), figure(signalMedian), figure(signalMax), percent(boardUp), percent(radioUp),
             percent(cloudOk))
        .arg(events);
}

HistorySummary summarise(const QSqlDatabase &db, qint64 nowMs, int minutes)
{
    HistorySummary s;
    s.minutes = minutes;
    const qint64 from = nowMs - qint64(minutes) * 60 * 1000;
    s.samples = single(db, QStringLiteral("SELECT count(*) FROM samples WHERE t >= ?"), from).value_or(0);
    s.signalMin = single(db, QStringLiteral("SELECT min(signal_dbm) FROM samples WHERE t >= ?"), from);
    s.signalMax = single(db, QStringLiteral("SELECT max(signal_dbm) FROM samples WHERE t >= ?"), from);
    const qint64 known =
        single(db, QStringLiteral("SELECT count(signal_dbm) FROM samples WHERE t >= ?"), from).value_or(0);
    if (known > 0) {
        s.signalMedian = single(db,
                                QStringLiteral("SELECT signal_dbm FROM samples WHERE t >= ? AND signal_dbm IS NOT NULL"
                                               " ORDER BY signal_dbm LIMIT 1 OFFSET ?"),
                                from, known / 2);
    }
    const auto share = [&](const char *column) -> std::optional<double> {
        const auto v = single(db, QStringLiteral("SELECT avg(%1) * 100 FROM samples WHERE t >= ?")
                                      .arg(QLatin1String(column)), from);
        return v;
    };
    s.boardUp = share("board_link");
    s.radioUp = share("radio_link");
    s.cloudOk = share("cloud_ok");
    s.events = single(db, QStringLiteral("SELECT count(*) FROM events WHERE t >= ?"), from).value_or(0);
    return s;
}

} // namespace korvane::history
