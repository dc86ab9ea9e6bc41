#include "history/HistoryStore.h"

#include "history/HistorySchema.h"
#include "history/SampleWriter.h"
#include "platform/Clock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>

#include <algorithm>

namespace korvane::history {

namespace {

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// SQLite's result codes for a file that is no database or a damaged one.
bool isGarbageError(const QSqlError &e)
{
    const QString code = e.nativeErrorCode();
    return code == QLatin1String("26") || code == QLatin1String("11");
}

QString errorText(const QSqlError &e)
{
    const QString text = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    return text.isEmpty() ? QStringLiteral("unknown error") : text;
}

} // namespace

HistoryStore::HistoryStore(const Clock &clock, const QString &path, QObject *parent)
    : QObject(parent),
      m_clock(clock),
      m_path(path),
      m_connection(QStringLiteral("history-writer-%1").arg(reinterpret_cast<quintptr>(this)))
{
}

HistoryStore::~HistoryStore()
{
    // The last rows go out before the station ends, in as many steps as
    // they take.
    while (m_open && (!m_samples.isEmpty() || !m_events.isEmpty()) && flush()) {
    }
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

QSqlDatabase HistoryStore::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

bool HistoryStore::prepareFile(QString &error)
{
    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath())) {
        error = QStringLiteral("cannot make folder ") + info.absolutePath();
        return false;
    }
    if (info.exists())
        return true;
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly)) {
        error = file.errorString();
        return false;
    }
    return true;
}

bool HistoryStore::openConnection(QString &error, bool &garbage)
{
    garbage = false;
    QSqlDatabase db = QSqlDatabase::contains(m_connection)
                          ? QSqlDatabase::database(m_connection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.close();
    db.setDatabaseName(m_path);
    // Never wait for another process's lock: the rows wait instead.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
    if (!db.open()) {
        error = errorText(db.lastError());
        return false;
    }
    QSqlQuery q(db);
    QStringList statements{QStringLiteral("PRAGMA journal_mode=WAL"), QStringLiteral("PRAGMA synchronous=NORMAL")};
    for (const char *create : kCreateSchema)
        statements << QString::fromLatin1(create);
    statements << QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion);
    for (const QString &sql : statements) {
        if (!q.exec(sql)) {
            garbage = isGarbageError(q.lastError());
            error = errorText(q.lastError());
            db.close();
            return false;
        }
    }
    QFile::setPermissions(m_path, kOwnerOnly);
    return true;
}

void HistoryStore::renameAside()
{
    const QString stamp = m_clock.now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString aside = m_path + QStringLiteral(".broken-") + stamp;
    QFile::remove(aside);
    QFile::rename(m_path, aside);
    // A journal left beside the old file belongs to it, not to the new one.
    for (const char *suffix : {"-wal", "-shm"}) {
        const QString side = m_path + QLatin1String(suffix);
        if (QFile::exists(side)) {
            QFile::remove(aside + QLatin1String(suffix));
            QFile::rename(side, aside + QLatin1String(suffix));
        }
    }
    Q_EMIT notice(QStringLiteral("历史记录文件无法读取，已改名为 %1，并已新建历史记录文件").arg(aside));
}

bool HistoryStore::open()
{
    QString error;
    bool garbage = false;
    m_open = prepareFile(error) && openConnection(error, garbage);
    if (!m_open && garbage) {
        renameAside();
        m_open = prepareFile(error) && openConnection(error, garbage);
    }
    if (m_open)
        succeeded();
    else
        failed(error);
    return m_open;
}

void HistoryStore::addSample(const Sample &sample)
{
    if (m_samples.size() >= kMaxPendingSamples) {
        m_samples.removeFirst();
        ++m_dropped;
    }
    m_samples.append(sample);
}

void HistoryStore::addEvent(const EventRow &event)
{
    if (m_events.size() >= kMaxPendingEvents) {
        m_events.removeFirst();
        ++m_dropped;
    }
    m_events.append(event);
}

bool HistoryStore::writePending()
{
    QSqlDatabase db = database();
    if (!db.transaction()) {
        failed(errorText(db.lastError()));
        return false;
    }
    QString error;
    const qsizetype samples = std::min(m_samples.size(), kMaxRowsPerFlush);
    const qsizetype events = std::min(m_events.size(), kMaxRowsPerFlush);
    if (!writeSamples(db, {m_samples.constData(), static_cast<std::size_t>(samples)}, error) || !writeEvents(db, {m_events.constData(), static_cast<std::size_t>(events)}, error)
        || !db.commit()) {
        if (error.isEmpty())
            error = errorText(db.lastError());
        db.rollback();
        failed(error);
        return false;
    }
    m_samples.remove(0, samples);
    m_events.remove(0, events);
    succeeded();
    if (!m_samples.isEmpty() || !m_events.isEmpty())
        QTimer::singleShot(0, this, [this] { flush(); });
    return true;
}

bool HistoryStore::flush()
{
    if (!m_open && !open())
        return false;
    if ((!m_samples.isEmpty() || !m_events.isEmpty()) && !writePending())
        return false;
    QSqlDatabase db = database();
    retentionStep(db, m_clock.now().toMSecsSinceEpoch(), m_limits);
    return true;
}

void HistoryStore::failed(const QString &error)
{
    if (m_failing)
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
