#include "history/SampleWriter.h"

#include "history/HistorySchema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace korvane::history {

namespace {

const QString &insertSample()
{
    static const QString sql = [] {
        QStringList columns{QStringLiteral("t")};
        columns << kFigureColumns << kStateColumns << QStringLiteral("radio_family") << QStringLiteral("alarm");
        QStringList marks;
        for (qsizetype i = 0; i < columns.size(); ++i)
            marks << QStringLiteral("?");
        return QStringLiteral("INSERT INTO samples (%1) VALUES (%2)")
            .arg(columns.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    }();
    return sql;
}

template <typename T>
QVariant orNull(const std::optional<T> &value)
{
    return value ? QVariant::fromValue(*value) : QVariant(QMetaType::fromType<T>());
}

bool fail(const QSqlQuery &q, QSqlError &error)
{
    error = q.lastError();
    return false;
}

QVariant textOrNull(const QString &text)
{
    return text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}

} // namespace

bool writeSamples(QSqlDatabase &db, std::span<const Sample> samples, QSqlError &error, WrittenRows *written)
{
    if (samples.empty())
        return true;
    QSqlQuery q(db);
    if (!q.prepare(insertSample()))
        return fail(q, error);
    for (const Sample &s : samples) {
        int i = 0;
        q.bindValue(i++, s.t);
        for (const std::optional<double> &f : s.figures)
            q.bindValue(i++, orNull(f));
        q.bindValue(i++, orNull(s.boardLink));
        q.bindValue(i++, orNull(s.radioLink));
        q.bindValue(i++, orNull(s.cloudOk));
        q.bindValue(i++, orNull(s.radioFamily));
        q.bindValue(i++, textOrNull(s.alarm));
        if (!q.exec())
            return fail(q, error);
        if (written) {
            const qint64 rowid = q.lastInsertId().toLongLong();
            if (written->first < 0)
                written->first = rowid;
            written->last = rowid;
        }
    }
    return true;
}

bool writeEvents(QSqlDatabase &db, std::span<const EventRow> events, QSqlError &error)
{
    if (events.empty())
        return true;
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("INSERT INTO events (t, kind, text, words) VALUES (?, ?, ?, ?)")))
        return fail(q, error);
    for (const EventRow &e : events) {
        q.bindValue(0, e.t);
        q.bindValue(1, e.kind);
        q.bindValue(2, e.text);
        q.bindValue(3, textOrNull(e.words));
        if (!q.exec())
            return fail(q, error);
    }
    return true;
}

} // namespace korvane::history
