#pragma once

#include <QMutex>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

#include <memory>
#include <optional>

class QTemporaryDir;

namespace korvane::history {

// SQLite's primary result codes for a file that is damaged (SQLITE_CORRUPT,
// extended codes included) or no database at all (SQLITE_NOTADB).
bool isDamageError(const QSqlError &error);
// SQLITE_FULL: the disk (or the quota) is full.
bool isFullError(const QSqlError &error);
QString errorText(const QSqlError &error);

// The database text of a failed statement, or Qt's.
QString lastErrorText(const QSqlDatabase &db);

// Which file a path names now: device and inode, so a store deleted or
// replaced under a running station is noticed. Empty when nothing is there
// (and on systems without inodes, where an open file cannot be deleted).
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileIdentity &) const = default;
};
std::optional<FileIdentity> identityOf(const QString &path);

// Lets another thread cut short a statement running on a connection
// (sqlite3_interrupt), for a worker that has to end while a long query
// runs. The handle is taken when the connection opens and given up before
// it closes, under the lock, so an interrupt never meets a closed handle.
class Interrupter {
public:
    void attach(const QSqlDatabase &db);
    void detach();
    void interrupt();

private:
    QMutex m_mutex;
    void *m_handle = nullptr;
};

// A reader's own connection to a history file, read-only. A file in a
// folder the reader cannot write (its -shm cannot be made) is opened as
// immutable; a file whose write-ahead log holds rows is then read from a
// private copy, so what it shows includes them.
class ReadOnlyConnection {
public:
    ReadOnlyConnection(const QString &file, int busyTimeoutMs);
    ~ReadOnlyConnection();
    ReadOnlyConnection(const ReadOnlyConnection &) = delete;
    ReadOnlyConnection &operator=(const ReadOnlyConnection &) = delete;

    // Opens and proves the file a history file (its three tables); false
    // with errorText() when it is not.
    bool open();
    void close();
    bool isOpen() const { return m_open; }
    QSqlDatabase db() const;
    QString errorText() const { return m_error; }
    QString name() const { return m_name; }
    const QString &file() const { return m_file; }
    // Whether the path names another file than the one opened.
    bool replaced() const;
    Interrupter &interrupter() { return m_interrupter; }

private:
    bool tryOpen(const QString &name, const QString &options);
    bool probe();

    QString m_file;
    QString m_name;
    int m_busyTimeoutMs;
    bool m_open = false;
    QString m_error;
    std::optional<FileIdentity> m_identity;
    std::unique_ptr<QTemporaryDir> m_copy;
    Interrupter m_interrupter;
};

} // namespace korvane::history
