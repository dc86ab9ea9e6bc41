#pragma once

#include "support/TestDataFile.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace korvane::test {

// Lines of a recorded file under the test data, CR LF or LF ended.
inline QStringList testDataLines(const QString &relativePath)
{
    QStringList lines = QString::fromUtf8(testDataBytes(relativePath)).split(u'\n');
    for (QString &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    return lines;
}

// A truth table: a header row, then one record per line; quoted fields may
// hold commas ("" inside quotes is a quote).
class CsvTable
{
public:
    explicit CsvTable(const QString &relativePath)
    {
        const QStringList lines = testDataLines(relativePath);
        for (const QString &line : lines) {
            if (line.isEmpty())
                continue;
            if (m_columns.isEmpty()) {
                const QStringList names = splitRecord(line);
                for (qsizetype i = 0; i < names.size(); ++i)
                    m_columns.insert(names[i], i);
            } else {
                m_rows.append(splitRecord(line));
            }
        }
    }

    qsizetype size() const { return m_rows.size(); }
    QString value(qsizetype row, const QString &column) const
    {
        return m_rows[row].value(m_columns.value(column, -1));
    }

private:
    static QStringList splitRecord(const QString &line)
    {
        QStringList fields(1);
        bool quoted = false;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line[i];
            if (quoted && c == u'"' && i + 1 < line.size() && line[i + 1] == u'"')
                fields.last() += line[++i];
            else if (c == u'"')
                quoted = !quoted;
            else if (c == u',' && !quoted)
                fields.append(QString());
            else
                fields.last() += c;
        }
        return fields;
    }

    QHash<QString, qsizetype> m_columns;
    QList<QStringList> m_rows;
};

} // namespace korvane::test
