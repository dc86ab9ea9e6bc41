#pragma once

#include "history/HistorySchema.h"
#include "history/MinuteFold.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <stdexcept>

namespace korvane::test {

// Writes a history file through Qt SQL with the station's layout, so readers
// can be tried on rows whose every value the test chose. A value left out of
// a row is NULL.
class HistoryFill {
public:
    using Row = QHash<QString, QVariant>;

    explicit HistoryFill(const QString &file)
        : m_connection(QStringLiteral("korvane-history-fill-%1").arg(reinterpret_cast<quintptr>(this), 0, 16))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(file);
        if (!db.open())
            throw std::runtime_error(db.lastError().text().toStdString());
        exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        for (const char *statement : history::kCreateSchema)
            exec(QString::fromLatin1(statement));
        m_sampleColumns = history::kFigureColumns + history::kStateColumns
                          + QStringList{QStringLiteral("radio_family"), QStringLiteral("alarm")};
        QStringList minuteColumns{QStringLiteral("n")};
        for (const QString &figure : history::kFigureColumns)
            minuteColumns << figure + QStringLiteral("_min") << figure + QStringLiteral("_mean")
                          << figure + QStringLiteral("_max");
        m_minuteColumns = minuteColumns + history::kStateColumns;
    }

    ~HistoryFill()
    {
        m_sampleInsert = QSqlQuery();
        m_minuteInsert = QSqlQuery();
        {
            QSqlDatabase db = QSqlDatabase::database(m_connection, false);
            if (db.isOpen())
                db.commit();
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }

    void begin() { QSqlDatabase::database(m_connection, false).transaction(); }
    void commit() { QSqlDatabase::database(m_connection, false).commit(); }

    void sample(qint64 t, const Row &row) { insert(QStringLiteral("samples"), m_sampleColumns, t, row); }
    // `row` holds <figure>_min/_mean/_max, the state shares and n.
    void minute(qint64 t, const Row &row) { insert(QStringLiteral("minutes"), m_minuteColumns, t, row); }

    void event(qint64 t, const QString &kind, const QString &text)
    {
        QSqlQuery q(QSqlDatabase::database(m_connection, false));
        q.prepare(QStringLiteral("INSERT INTO events (t, kind, text) VALUES (?, ?, ?)"));
        q.addBindValue(t);
        q.addBindValue(kind);
        q.addBindValue(text);
        if (!q.exec())
            throw std::runtime_error(q.lastError().text().toStdString());
    }

    // The minute rows of every second written, as the station makes them
    // when each minute closes.
    void foldAll()
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT min(t), max(t) FROM samples")) || !q.next() || q.value(0).isNull())
            return;
        const qint64 from = q.value(0).toLongLong();
        const qint64 until = q.value(1).toLongLong() + 60000;
        q.finish();
        QSqlError error;
        if (!history::foldMinutes(db, from, until, &error))
            throw std::runtime_error(error.text().toStdString());
    }

    void exec(const QString &sql)
    {
        QSqlQuery q(QSqlDatabase::database(m_connection, false));
        if (!q.exec(sql))
            throw std::runtime_error(q.lastError().text().toStdString());
    }

private:
    void insert(const QString &table, const QStringList &columns, qint64 t, const Row &row)
    {
        QSqlQuery &q = table == QLatin1String("samples") ? m_sampleInsert : m_minuteInsert;
        if (q.lastQuery().isEmpty()) {
            q = QSqlQuery(QSqlDatabase::database(m_connection, false));
            QStringList marks(columns.size() + 1, QStringLiteral("?"));
            q.prepare(QStringLiteral("INSERT INTO %1 (t, %2) VALUES (%3)")
                          .arg(table, columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
        }
        q.bindValue(0, t);
        for (int i = 0; i < columns.size(); ++i) {
            const QVariant v = row.value(columns[i]);
            // A null of the right type, so the driver binds NULL.
            q.bindValue(i + 1, v.isValid() ? v : QVariant(QMetaType::fromType<double>()));
        }
        if (!q.exec())
            throw std::runtime_error(q.lastError().text().toStdString());
    }

    QString m_connection;
    QStringList m_sampleColumns;
    QStringList m_minuteColumns;
    QSqlQuery m_sampleInsert;
    QSqlQuery m_minuteInsert;
};

} // namespace korvane::test
