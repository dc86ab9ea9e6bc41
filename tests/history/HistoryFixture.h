#pragma once

#include "history/HistoryStore.h"
#include "history/Sample.h"
#include "support/StationFixture.h"

#include <QBuffer>
#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <memory>

#include <unistd.h>

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

// A tmpfs of its own for one test (root only), gone with the object.
struct SmallTmpfs {
    SmallTmpfs(const QString &path, const char *size) : path(path)
    {
        QDir().mkpath(path);
        mounted = ::geteuid() == 0
                  && QProcess::execute(QStringLiteral("mount"),
                                       {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                        QStringLiteral("size=") + QLatin1String(size), QStringLiteral("tmpfs"), path})
                         == 0;
    }
    ~SmallTmpfs()
    {
        if (mounted)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), path});
    }
    QString path;
    bool mounted = false;
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
