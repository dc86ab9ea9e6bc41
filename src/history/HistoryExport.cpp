#include "history/HistoryExport.h"

#include "history/CsvWriter.h"
#include "history/HistorySchema.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <atomic>
#include <limits>

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

// Two statements, written one after the other: the minute rows lie before
// the oldest second by construction, and each half then reads in index
// order (the rowid breaks ties in the time index) with no sort of its own.
QStringList samplesQueries()
{
    QStringList minuteColumns;
    for (const QString &c : sampleColumns())
        minuteColumns << minuteColumn(c);
    return {QStringLiteral("SELECT t, %1, n FROM minutes WHERE t >= :a AND t <= :b"
                           " AND t < (SELECT coalesce(min(t), :open) FROM samples) ORDER BY t")
                .arg(minuteColumns.join(QLatin1Char(','))),
            QStringLiteral("SELECT t, %1, 1 FROM samples WHERE t >= :a AND t <= :b ORDER BY t, rowid")
                .arg(sampleColumns().join(QLatin1Char(',')))};
}

// A read-only connection of its own, gone with the object.
class ReadConnection {
public:
    explicit ReadConnection(const QString &file)
        : m_name(QStringLiteral("history-reader-%1").arg(++s_count))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"));
    }
    ~ReadConnection()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    static inline std::atomic<int> s_count{0};
    QString m_name;
};

qint64 lowEnd(const QDateTime &since)
{
    return since.isValid() ? since.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
}

qint64 highEnd(const QDateTime &until)
{
    return until.isValid() ? until.toMSecsSinceEpoch() : std::numeric_limits<qint64>::max();
}

bool setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

using RowWriter = void (*)(const QSqlQuery &, CsvWriter &);

bool exportRows(const QString &file, const QString &header, const QStringList &statements, const QDateTime &since,
                const QDateTime &until, QIODevice &out, QString *error, RowWriter writeRow)
{
    const QFileInfo info(file);
    if (!info.exists())
        return setError(error, QStringLiteral("history file %1 does not exist").arg(file));
    if (!info.isFile() || !info.isReadable())
        return setError(error, QStringLiteral("history file %1 cannot be read").arg(file));
    ReadConnection connection(file);
    QSqlDatabase db = connection.db();
    if (!db.open())
        return setError(error, QStringLiteral("history file %1: %2").arg(file, db.lastError().text()));
    CsvWriter csv(out);
    for (const QString &name : header.split(QLatin1Char(',')))
        csv.field(name);
    csv.endRow();
    for (const QString &sql : statements) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.prepare(sql))
            return setError(error, QStringLiteral("history file %1: %2").arg(file, q.lastError().text()));
        q.bindValue(QStringLiteral(":a"), lowEnd(since));
        q.bindValue(QStringLiteral(":b"), highEnd(until));
        if (sql.contains(QLatin1String(":open")))
            q.bindValue(QStringLiteral(":open"), std::numeric_limits<qint64>::max());
        if (!q.exec())
            return setError(error, QStringLiteral("history file %1: %2").arg(file, q.lastError().text()));
        while (q.next()) {
            writeRow(q, csv);
            csv.endRow();
        }
        if (q.lastError().isValid())
            return setError(error, QStringLiteral("history file %1: %2").arg(file, q.lastError().text()));
    }
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

} // namespace

QString samplesCsvHeader()
{
    return QStringLiteral("time,") + sampleColumns().join(QLatin1Char(',')) + QStringLiteral(",sample_count");
}

bool writeSamplesCsv(const QString &historyFile, const QDateTime &since, const QDateTime &until, QIODevice &out,
                     QString *error)
{
    return exportRows(historyFile, samplesCsvHeader(), samplesQueries(), since, until, out, error,
                      writeSampleRow);
}

bool writeEventsCsv(const QString &historyFile, const QDateTime &since, const QDateTime &until, QIODevice &out,
                    QString *error)
{
    static const QString sql = QStringLiteral("SELECT t, kind, text FROM events WHERE t >= :a AND t <= :b ORDER BY t, rowid");
    return exportRows(historyFile, QStringLiteral("time,kind,text"), {sql}, since, until, out, error,
                      writeEventRow);
}

} // namespace korvane::history
