#include "history/HistoryStore.h"

#include "history/HistorySchema.h"
#include "history/MinuteFold.h"
#include "history/SampleWriter.h"
#include "history/StoreFile.h"
#include "history/WorkerThread.h"
#include "platform/Clock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace korvane::history {

namespace {

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

HistoryStore::HistoryStore(const Clock &clock, const QString &path, QObject *parent)
    : QObject(parent),
      m_clock(clock),
      m_path(path),
      m_connection(QStringLiteral("history-writer-%1").arg(reinterpret_cast<quintptr>(this)))
{
    m_stepTimer.setSingleShot(true);
    connect(&m_stepTimer, &QTimer::timeout, this, &HistoryStore::upkeepStep);
}

HistoryStore::~HistoryStore()
{
    // The last rows go out before the station ends, in as many steps as
    // they take.
    while (m_open && !m_checking && (!m_samples.isEmpty() || !m_events.isEmpty()) && flush()) {
    }
    m_worker.reset();
    closeConnection();
    if (QSqlDatabase::contains(m_connection))
        QSqlDatabase::removeDatabase(m_connection);
}

QSqlDatabase HistoryStore::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

// One station to a file: a lock beside it, held for the run. A lock left by
// a station that has ended (its process gone) is taken over.
bool HistoryStore::takeLock()
{
    if (m_lock && m_lock->isLocked() && QFileInfo::exists(m_lock->fileName()))
        return true;
    QString error;
    if (!makeOwnerOnlyFolder(QFileInfo(m_path).absolutePath(), &error)) {
        failed(error);
        return false;
    }
    if (m_lock)
        m_lock->unlock();
    m_lock = std::make_unique<QLockFile>(m_path + QStringLiteral(".lock"));
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        QFile::setPermissions(m_lock->fileName(), kOwnerOnly);
        return true;
    }
    if (m_lock->error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host;
        QString program;
        m_lock->getLockInfo(&pid, &host, &program);
        stop(QStringLiteral("历史记录文件 %1 已被另一个程序（%2，进程 %3）使用，本次运行不记录历史")
                 .arg(native(m_path), program.isEmpty() ? QStringLiteral("korvane-station") : program)
                 .arg(pid));
        m_lock.reset();
        return false;
    }
    // No lock can be made beside the file (a folder that cannot be
    // written): nor can a second station write there; go on without.
    m_lock.reset();
    return true;
}

bool HistoryStore::openConnection(QSqlError &error)
{
    QSqlDatabase db = QSqlDatabase::contains(m_connection)
                          ? QSqlDatabase::database(m_connection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.close();
    db.setDatabaseName(m_path);
    // Never wait for another process's lock: the rows wait instead.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
    if (!db.open()) {
        error = db.lastError();
        return false;
    }
    QSqlQuery q(db);
    // Checkpoints run on the worker, so a commit never writes the database
    // file itself from the event loop.
    QStringList statements{QStringLiteral("PRAGMA journal_mode=WAL"), QStringLiteral("PRAGMA synchronous=NORMAL"),
                           QStringLiteral("PRAGMA wal_autocheckpoint=0"),
                           QStringLiteral("PRAGMA journal_size_limit=16777216")};
    for (const char *create : kCreateSchema)
        statements << QString::fromLatin1(create);
    for (const QString &sql : statements) {
        if (!q.exec(sql)) {
            error = q.lastError();
            db.close();
            return false;
        }
    }
    return true;
}

void HistoryStore::closeConnection()
{
    m_open = false;
    m_backfillNext = -1;
    m_stepTimer.stop();
    if (QSqlDatabase::contains(m_connection))
        QSqlDatabase::database(m_connection, false).close();
}

bool HistoryStore::open()
{
    if (m_stopped)
        return false;
    if (!takeLock())
        return false;
    QString prepareError;
    if (!prepareOwnerOnlyFile(m_path, &prepareError)) {
        failed(prepareError);
        return false;
    }
    QSqlError error;
    m_open = openConnection(error);
    if (!m_open && isDamageError(error))
        return replaceDamaged(errorText(error));
    if (!m_open) {
        failed(errorText(error));
        return false;
    }
    m_identity = identityOf(m_path);
    m_identityChecked.start();
    startCheck();
    if (!m_stopped && !m_checking)
        succeeded();
    return m_open && !m_stopped;
}

// A damaged file goes aside with the time in its name, and a new one takes
// its place; the rows waiting go to the new one.
bool HistoryStore::replaceDamaged(const QString &reason)
{
    closeConnection();
    m_checking = false;
    QString renameError;
    const QString aside = renameAside(m_path, m_clock.now(), &renameError);
    if (aside.isEmpty()) {
        stop(QStringLiteral("历史记录文件 %1 已损坏（%2），无法改名（%3），历史记录已停止写入")
                 .arg(native(m_path), reason, renameError));
        return false;
    }
    Q_EMIT notice(QStringLiteral("历史记录文件无法读取，已改名为 %1，并已新建历史记录文件").arg(native(aside)));
    QString prepareError;
    QSqlError error;
    if (!prepareOwnerOnlyFile(m_path, &prepareError)) {
        failed(prepareError);
        return false;
    }
    m_open = openConnection(error);
    if (!m_open) {
        failed(errorText(error));
        return false;
    }
    m_identity = identityOf(m_path);
    m_failing = false;
    afterCheck();
    return true;
}

// Writing ends for the run: one notice, and the rows are let go.
void HistoryStore::stop(const QString &text)
{
    if (m_stopped)
        return;
    m_stopped = true;
    closeConnection();
    m_dropped += m_samples.size() + m_events.size();
    m_samples.clear();
    m_events.clear();
    if (m_lock)
        m_lock->unlock();
    Q_EMIT notice(text);
}

void HistoryStore::addSample(const Sample &sample)
{
    if (m_stopped) {
        ++m_dropped;
        return;
    }
    if (m_samples.size() >= kMaxPendingSamples) {
        m_samples.removeFirst();
        ++m_dropped;
    }
    m_samples.append(sample);
}

void HistoryStore::addEvent(const EventRow &event)
{
    if (m_stopped) {
        ++m_dropped;
        return;
    }
    if (m_events.size() >= kMaxPendingEvents) {
        m_events.removeFirst();
        ++m_dropped;
    }
    m_events.append(event);
}

// The rows and the minutes they fall in, in one transaction: a minute row is
// never behind the seconds the file holds.
bool HistoryStore::writePending(QSqlError &error)
{
    QSqlDatabase db = database();
    if (!db.transaction()) {
        error = db.lastError();
        return false;
    }
    const qsizetype limit = m_failing ? kRecoveryRows : kMaxRowsPerFlush;
    const qsizetype samples = std::min(m_samples.size(), limit);
    const qsizetype events = std::min(m_events.size(), limit);
    WrittenRows written;
    bool ok = writeSamples(db, {m_samples.constData(), static_cast<std::size_t>(samples)}, error, &written)
              && (!written.any() || foldRowids(db, written.first, written.last, &error));
    ok = ok && writeEvents(db, {m_events.constData(), static_cast<std::size_t>(events)}, error);
    if (ok && !db.commit()) {
        error = db.lastError();
        ok = false;
    }
    if (!ok) {
        db.rollback();
        return false;
    }
    if (samples > 0 && !m_anchor) {
        m_anchor = m_samples[samples - 1].t;
        m_sinceAnchor.start();
    }
    m_samples.remove(0, samples);
    m_events.remove(0, events);
    return true;
}

bool HistoryStore::flush()
{
    if (m_stopped)
        return false;
    if (!m_open && !open())
        return false;
    if (m_checking || !noticeReplaced())
        return false;
    if (!m_samples.isEmpty() || !m_events.isEmpty()) {
        QSqlError error;
        if (!writePending(error)) {
            if (isDamageError(error)) {
                if (!replaceDamaged(errorText(error)) || !writePending(error)) {
                    if (!m_stopped)
                        failed(errorText(error));
                    return false;
                }
            } else {
                failed(errorText(error));
                return false;
            }
        }
        succeeded();
        if (!m_samples.isEmpty() || !m_events.isEmpty())
            QTimer::singleShot(0, this, [this] { flush(); });
    }
    upkeep();
    return true;
}

void HistoryStore::failed(const QString &error)
{
    if (m_failing || m_stopped)
        return;
    m_failing = true;
    Q_EMIT notice(QStringLiteral("历史记录暂时无法写入（%1），记录暂存内存，恢复后自动补写").arg(error));
}

void HistoryStore::succeeded()
{
    if (!m_failing)
        return;
    m_failing = false;
    Q_EMIT notice(QStringLiteral("历史记录已恢复写入"));
}

} // namespace korvane::history
