#pragma once

#include <QDateTime>
#include <QProcess>
#include <QStringList>

namespace korvane::test {

// What `korvane-station --export-history` (or --export-events) printed.
struct HistoryExport {
    int exitCode = -1;
    QStringList rows; // without the header
    QString header;
    QString error;

    // The position of a column by its header name, -1 when there is none.
    int column(const QString &name) const { return header.split(QLatin1Char(',')).indexOf(name); }
};

// Runs the station's export as an engineer would: a program of its own.
inline HistoryExport runHistoryExport(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral(KORVANE_STATION_PATH), arguments);
    HistoryExport e;
    if (!p.waitForFinished(30000))
        return e;
    e.exitCode = p.exitCode();
    e.error = QString::fromUtf8(p.readAllStandardError());
    QStringList lines =
        QString::fromUtf8(p.readAllStandardOutput()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    if (!lines.isEmpty())
        e.header = lines.takeFirst();
    e.rows = lines;
    return e;
}

struct HistoryRow {
    QDateTime time;
    QStringList cells;
    QString cell(int i) const { return i >= 0 && i < cells.size() ? cells[i] : QString(); }
};

inline QList<HistoryRow> parseHistoryRows(const QStringList &rows)
{
    QList<HistoryRow> parsed;
    for (const QString &line : rows) {
        HistoryRow r;
        r.cells = line.split(QLatin1Char(','));
        r.time = QDateTime::fromString(r.cells[0], QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        parsed << r;
    }
    return parsed;
}

// The time to the second, as the export writes it.
inline QDateTime wholeSecond(const QDateTime &t)
{
    return QDateTime::fromSecsSinceEpoch(t.toSecsSinceEpoch());
}

} // namespace korvane::test
