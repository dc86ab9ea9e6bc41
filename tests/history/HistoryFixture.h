#pragma once

#include "history/HistoryStore.h"
#include "history/Sample.h"
#include "support/StationFixture.h"

#include <QBuffer>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <memory>

namespace korvane::test {

// A second connection to a history file, as another process would hold it.
class OtherConnection {
public:
    explicit OtherConnection(const QString &file)
        : m_name(QStringLiteral("other-%1").arg(reinterpret_cast<quintptr>(this)))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        db.open();
    }
    ~OtherConnection()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }
    bool exec(const QString &sql)
    {
        QSqlQuery q(db());
        return q.exec(sql);
    }
    // The first column of the first row, or an invalid value.
    QVariant value(const QString &sql)
    {
        QSqlQuery q(db());
        return q.exec(sql) && q.next() ? q.value(0) : QVariant();
    }

private:
    QString m_name;
};

// A store on a file in a throw-away folder, its notices collected.
class HistoryFixture {
public:
    HistoryFixture() : file(QDir(dir.path()).filePath(QStringLiteral("data/history.sqlite"))) {}

    history::HistoryStore &makeStore(const QString &path = {})
    {
        store = std::make_unique<history::HistoryStore>(clock, path.isEmpty() ? file : path);
        QObject::connect(store.get(), &history::HistoryStore::notice,
                         [this](const QString &text) { notices << text; });
        return *store;
    }

    history::Sample sample(double signal)
    {
        history::Sample s;
        s.t = clock.time.toMSecsSinceEpoch();
        s.set(history::Figure::Signal, signal);
        s.boardLink = 1;
        s.radioLink = 1;
        return s;
    }

    qint64 count(const QString &table)
    {
        OtherConnection other(file);
        return other.value(QStringLiteral("SELECT count(*) FROM ") + table).toLongLong();
    }

    QTemporaryDir dir;
    QString file;
    FakeClock clock;
    QStringList notices;
    std::unique_ptr<history::HistoryStore> store;
};

} // namespace korvane::test
