// Stands in for the recording side's CSV export until it joins this tree;
// removed then.
#include "history/HistoryExport.h"

#include "history/HistorySchema.h"

#include <QIODevice>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace korvane::history {

bool writeSamplesCsv(const QString &historyFile, const QDateTime &since, const QDateTime &until, QIODevice &out,
                     QString *error)
{
    const QString name = QStringLiteral("korvane-history-export-fallback");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(historyFile);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        const QStringList columns = kFigureColumns + kStateColumns;
        QSqlQuery q(db);
        if (db.open()
            && q.exec(QStringLiteral("SELECT t, %1 FROM samples WHERE t >= %2 AND t < %3 ORDER BY t, rowid")
                          .arg(columns.join(QLatin1Char(',')))
                          .arg(since.toMSecsSinceEpoch())
                          .arg(until.toMSecsSinceEpoch()))) {
            out.write("time," + columns.join(QLatin1Char(',')).toUtf8() + "\r\n");
            while (q.next()) {
                QStringList cells{QDateTime::fromMSecsSinceEpoch(q.value(0).toLongLong())
                                      .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))};
                for (int i = 1; i <= columns.size(); ++i)
                    cells << (q.value(i).isNull() ? QString() : q.value(i).toString());
                out.write(cells.join(QLatin1Char(',')).toUtf8() + "\r\n");
            }
            ok = true;
        } else if (error) {
            *error = db.isOpen() ? q.lastError().text() : db.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

} // namespace korvane::history
