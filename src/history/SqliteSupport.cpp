#include "history/SqliteSupport.h"

#include <QAtomicInteger>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <QVariant>

#include <sqlite3.h>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace korvane::history {

namespace {

int primaryCode(const QSqlError &e)
{
    bool ok = false;
    const int code = e.nativeErrorCode().toInt(&ok);
    return ok ? code & 0xff : -1;
}

QAtomicInteger<int> s_connections{0};

} // namespace

bool isDamageError(const QSqlError &error)
{
    const int code = primaryCode(error);
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

bool isFullError(const QSqlError &error)
{
    return primaryCode(error) == SQLITE_FULL;
}

QString errorText(const QSqlError &e)
{
    const QString text = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    return text.isEmpty() ? QStringLiteral("unknown error") : text;
}

QString lastErrorText(const QSqlDatabase &db)
{
    return errorText(db.lastError());
}

std::optional<FileIdentity> identityOf(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return FileIdentity{quint64(st.st_dev), quint64(st.st_ino)};
#else
    if (!QFileInfo::exists(path))
        return std::nullopt;
    return FileIdentity{};
#endif
}

void Interrupter::attach(const QSqlDatabase &db)
{
    const QVariant v = db.driver() ? db.driver()->handle() : QVariant();
    QMutexLocker lock(&m_mutex);
    m_handle = v.isValid() && qstrcmp(v.typeName(), "sqlite3*") == 0 ? *static_cast<void *const *>(v.constData())
                                                                      : nullptr;
}

void Interrupter::detach()
{
    QMutexLocker lock(&m_mutex);
    m_handle = nullptr;
}

void Interrupter::interrupt()
{
    QMutexLocker lock(&m_mutex);
    if (m_handle)
        sqlite3_interrupt(static_cast<sqlite3 *>(m_handle));
}

ReadOnlyConnection::ReadOnlyConnection(const QString &file, int busyTimeoutMs)
    : m_file(file),
      m_name(QStringLiteral("korvane-history-ro-%1").arg(++s_connections)),
      m_busyTimeoutMs(busyTimeoutMs)
{
}

ReadOnlyConnection::~ReadOnlyConnection()
{
    close();
}

QSqlDatabase ReadOnlyConnection::db() const
{
    return QSqlDatabase::database(m_name, false);
}

void ReadOnlyConnection::close()
{
    m_interrupter.detach();
    if (QSqlDatabase::contains(m_name)) {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    m_open = false;
    m_copy.reset();
}

bool ReadOnlyConnection::tryOpen(const QString &name, const QString &options)
{
    if (QSqlDatabase::contains(m_name)) {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(name);
    QStringList all{QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyTimeoutMs)};
    if (!options.isEmpty())
        all << options;
    db.setConnectOptions(all.join(QLatin1Char(';')));
    if (!db.open()) {
        m_error = lastErrorText(db);
        return false;
    }
    return probe();
}

// Reading the layout proves it a history file and not any database.
bool ReadOnlyConnection::probe()
{
    QSqlQuery q(db());
    for (const char *sql : {"SELECT t FROM samples LIMIT 0", "SELECT t, n FROM minutes LIMIT 0",
                            "SELECT t, kind, text FROM events LIMIT 0"}) {
        if (!q.exec(QString::fromLatin1(sql))) {
            m_error = history::errorText(q.lastError());
            return false;
        }
    }
    return true;
}

bool ReadOnlyConnection::open()
{
    close();
    const QFileInfo info(m_file);
    if (!info.exists()) {
        m_error = QStringLiteral("history file %1 does not exist").arg(m_file);
        return false;
    }
    if (!info.isFile() || !info.isReadable()) {
        m_error = QStringLiteral("history file %1 cannot be read").arg(m_file);
        return false;
    }
    m_identity = identityOf(m_file);
    const QString readOnly = QStringLiteral("QSQLITE_OPEN_READONLY");
    m_open = tryOpen(m_file, readOnly);
    if (!m_open) {
        // A reader that cannot make the -shm beside the file (a folder it
        // may not write) cannot take part in the write-ahead log's locking.
        const QString first = m_error;
        const QFileInfo wal(m_file + QStringLiteral("-wal"));
        if (wal.exists() && wal.size() > 0) {
            m_copy = std::make_unique<QTemporaryDir>();
            const QString copy = m_copy->filePath(QStringLiteral("copy.sqlite"));
            const auto owned = [](const QString &path) {
                return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            };
            m_open = m_copy->isValid() && QFile::copy(m_file, copy) && owned(copy)
                     && QFile::copy(wal.filePath(), copy + QStringLiteral("-wal"))
                     && owned(copy + QStringLiteral("-wal")) && tryOpen(copy, QString());
            if (!m_open)
                m_copy.reset();
        } else {
            const QString uri = QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded)
                                + QStringLiteral("?immutable=1");
            m_open = tryOpen(uri, readOnly + QStringLiteral(";QSQLITE_OPEN_URI"));
        }
        if (!m_open && m_error != first)
            m_error = first + QStringLiteral("; read as immutable or from a copy: ") + m_error;
    }
    if (m_open) {
        m_error.clear();
        m_interrupter.attach(db());
    } else if (QSqlDatabase::contains(m_name)) {
        QSqlDatabase::database(m_name, false).close();
    }
    return m_open;
}

bool ReadOnlyConnection::replaced() const
{
    return m_open && !m_copy && identityOf(m_file) != m_identity;
}

} // namespace korvane::history
