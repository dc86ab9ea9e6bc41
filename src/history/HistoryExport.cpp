#include "history/HistoryExport.h"

#include "history/CsvWriter.h"
#include "history/HistorySchema.h"
#include "history/SqliteSupport.h"

#include <QSqlQuery>
#include <QStringList>

#include <functional>

namespace korvane::history {

namespace {

// The export's columns in the samples table; the first thirteen after time
// are the fixed head of the CSV.
const QStringList &sampleColumns()
{
    static const QStringList columns = {
        QStringLiteral("signal_dbm"),     QStringLiteral("noise_dbm"),         QStringLiteral("rx_mbps"),
        QStringLiteral("tx_mbps"),        QStringLiteral("ping_ms"),           QStringLiteral("antenna_angle_deg"),
        QStringLiteral("heading_deg"),    QStringLiteral("own_lat"),           QStringLiteral("own_lon"),
        QStringLiteral("distance_km"),    QStringLiteral("board_link"),        QStringLiteral("radio_link"),
        QStringLiteral("cloud_ok"),       QStringLiteral("chain_delta_db"),    QStringLiteral("cap_down_mbps"),
        QStringLiteral("cap_up_mbps"),    QStringLiteral("ping_mean_ms"),      QStringLiteral("drive_offset_deg"),
        QStringLiteral("speed_kmh"),      QStringLiteral("target_lat"),        QStringLiteral("target_lon"),
        QStringLiteral("radio_family"),   QStringLiteral("alarm"),
    };
    return columns;
}

// The same columns in the minute table: each figure's mean, the shares as
// they are, nothing for what a minute does not keep.
QString minuteColumn(const QString &column)
{
    if (kFigureColumns.contains(column))
        return column + QStringLiteral("_mean");
    if (kStateColumns.contains(column))
        return column;
    return QStringLiteral("NULL");
}

// Minute rows whose seconds the file no longer holds in full, and the
// seconds; each in index order, merged by time as they are written.
QString minutesQuery()
{
    QStringList columns;
    for (const QString &c : sampleColumns())
        columns << minuteColumn(c);
    return QStringLiteral("SELECT t, %1, n FROM minutes WHERE t >= :a AND t <= :b"
                          " AND (SELECT count(*) FROM samples s WHERE s.t >= minutes.t AND s.t < minutes.t + 60000)"
                          " < n ORDER BY t")
        .arg(columns.join(QLatin1Char(',')));
}

QString secondsQuery()
{
    return QStringLiteral("SELECT t, %1, 1 FROM samples WHERE t >= :a AND t <= :b ORDER BY t, rowid")
        .arg(sampleColumns().join(QLatin1Char(',')));
}

bool setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

using RowWriter = std::function<void(const QSqlQuery &, CsvWriter &)>;

bool prepare(QSqlQuery &q, const QString &sql, const ExportRange &range)
{
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        return false;
    q.bindValue(QStringLiteral(":a"), range.fromMs);
    q.bindValue(QStringLiteral(":b"), range.untilMs);
    return q.exec();
}

bool cancelled(const ExportRange &range)
{
    return range.cancel && range.cancel->load();
}

// Writes the rows of the queries, merged by their first column (time).
bool exportRows(const QString &file, const QString &header, const QStringList &statements,
                const ExportRange &range, QIODevice &out, QString *error, const RowWriter &writeRow)
{
    ReadOnlyConnection connection(file, 2000);
    if (!connection.open())
        return setError(error, connection.errorText().startsWith(QLatin1String("history file"))
                                   ? connection.errorText()
                                   : QStringLiteral("history file %1: %2").arg(file, connection.errorText()));
    CsvWriter csv(out);
    for (const QString &name : header.split(QLatin1Char(',')))
        csv.field(name);
    csv.endRow();
    QList<QSqlQuery> queries;
    QList<bool> live;
    for (const QString &sql : statements) {
        queries.append(QSqlQuery(connection.db()));
        if (!prepare(queries.last(), sql, range))
            return setError(error, QStringLiteral("history file %1: %2").arg(file, errorText(queries.last().lastError())));
        live.append(queries.last().next());
    }
    qint64 rows = 0;
    for (;;) {
        int pick = -1;
        for (int i = 0; i < queries.size(); ++i)
            if (live[i] && (pick < 0 || queries[i].value(0).toLongLong() < queries[pick].value(0).toLongLong()))
                pick = i;
        if (pick < 0)
            break;
        writeRow(queries[pick], csv);
        csv.endRow();
        live[pick] = queries[pick].next();
        if (++rows % 4096 == 0 && cancelled(range))
            return setError(error, QStringLiteral("cancelled"));
    }
    for (const QSqlQuery &q : queries)
        if (q.lastError().isValid())
            return setError(error, QStringLiteral("history file %1: %2").arg(file, errorText(q.lastError())));
    if (!csv.finish())
        return setError(error, QStringLiteral("cannot write the export: ") + out.errorString());
    return true;
}

void writeSampleRow(const QSqlQuery &q, CsvWriter &csv)
{
    csv.time(q.value(0).toLongLong());
    const int last = static_cast<int>(sampleColumns().size()) + 1;
    for (int i = 1; i <= last; ++i)
        csv.value(q.value(i));
}

void writeEventRow(const QSqlQuery &q, CsvWriter &csv)
{
    csv.time(q.value(0).toLongLong());
    csv.field(q.value(1).toString());
    csv.field(q.value(2).toString());
}

// The end named by a time of whole seconds includes that whole second.
ExportRange rangeOf(const QDateTime &since, const QDateTime &until)
{
    ExportRange range;
    if (since.isValid())
        range.fromMs = since.toMSecsSinceEpoch();
    if (until.isValid())
        range.untilMs = until.toMSecsSinceEpoch() + 999;
    return range;
}

} // namespace

QString samplesCsvHeader()
{
    return QStringLiteral("time,") + sampleColumns().join(QLatin1Char(',')) + QStringLiteral(",sample_count");
}

bool writeSamplesCsv(const QString &historyFile, const ExportRange &range, QIODevice &out, QString *error)
{
    return exportRows(historyFile, samplesCsvHeader(), {minutesQuery(), secondsQuery()}, range, out, error,
                      writeSampleRow);
}

bool writeEventsCsv(const QString &historyFile, const ExportRange &range, QIODevice &out, QString *error)
{
    static const QString sql =
        QStringLiteral("SELECT t, kind, text FROM events WHERE t >= :a AND t <= :b ORDER BY t, rowid");
    return exportRows(historyFile, QStringLiteral("time,kind,text"), {sql}, range, out, error, writeEventRow);
}

bool writeSamplesCsv(const QString &historyFile, const QDateTime &since, const QDateTime &until, QIODevice &out,
                     QString *error)
{
    return writeSamplesCsv(historyFile, rangeOf(since, until), out, error);
}

bool writeEventsCsv(const QString &historyFile, const QDateTime &since, const QDateTime &until, QIODevice &out,
                    QString *error)
{
    return writeEventsCsv(historyFile, rangeOf(since, until), out, error);
}

} // namespace korvane::history
