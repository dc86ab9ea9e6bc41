// The store's upkeep between batches: the integrity check at open, the
// minute rows an older file lacks, retention, checkpoints on the worker, and
// the file's identity.
#include "history/HistoryStore.h"

#include "history/HistorySchema.h"
#include "history/HistorySummary.h"
#include "history/MinuteFold.h"
#include "history/Retention.h"
#include "history/WorkerThread.h"
#include "platform/Clock.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>

#include <atomic>

namespace korvane::history {

namespace {

constexpr qint64 kCheckpointMs = 60'000;
constexpr int kBackfillGapMs = 10;
constexpr int kRetryMs = 1000;

struct CheckResult {
    bool damaged = false;
    QString text;
};

} // namespace

// The worker's own connection to the store's file: read-write for
// checkpoints, never making a file that is not there (mode=rw), reopened
// when the path names another file.
class UpkeepConnection {
public:
    explicit UpkeepConnection(QString file) : m_file(std::move(file))
    {
        static std::atomic<int> count{0};
        m_name = QStringLiteral("history-upkeep-%1").arg(++count);
    }

    bool ensure()
    {
        const auto now = identityOf(m_file);
        if (m_open && now && now == m_identity)
            return true;
        close();
        if (!now)
            return false;
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(QUrl::fromLocalFile(QFileInfo(m_file).absoluteFilePath()).toString(QUrl::FullyEncoded)
                           + QStringLiteral("?mode=rw"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=1000"));
        m_open = db.open();
        m_identity = now;
        if (m_open)
            interrupter.attach(db);
        return m_open;
    }

    void close()
    {
        interrupter.detach();
        if (QSqlDatabase::contains(m_name)) {
            QSqlDatabase::database(m_name, false).close();
            QSqlDatabase::removeDatabase(m_name);
        }
        m_open = false;
    }

    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

    CheckResult quickCheck()
    {
        if (!ensure())
            return {};
        QSqlQuery q(db());
        if (!q.exec(QStringLiteral("PRAGMA quick_check(1)")))
            return {isDamageError(q.lastError()), errorText(q.lastError())};
        if (!q.next())
            return {};
        const QString text = q.value(0).toString();
        return {text != QLatin1String("ok"), text};
    }

    void checkpoint()
    {
        if (ensure())
            QSqlQuery(db()).exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
    }

    Interrupter interrupter;

private:
    QString m_file;
    QString m_name;
    bool m_open = false;
    std::optional<FileIdentity> m_identity;
};

WorkerThread &HistoryStore::worker()
{
    if (!m_worker) {
        m_upkeep = std::make_shared<UpkeepConnection>(m_path);
        m_worker = std::make_unique<WorkerThread>(QStringLiteral("history-upkeep"));
        auto link = m_upkeep;
        m_worker->setInterrupt([link] { link->interrupter.interrupt(); });
        m_worker->setCleanup([link] { link->close(); });
    }
    return *m_worker;
}

// A small file is checked at once; a large one on the worker, the rows
// waiting in memory meanwhile.
void HistoryStore::startCheck()
{
    if (QFileInfo(m_path).size() <= kInlineCheckBytes) {
        QSqlQuery q(database());
        if (!q.exec(QStringLiteral("PRAGMA quick_check(1)"))) {
            if (isDamageError(q.lastError()))
                replaceDamaged(errorText(q.lastError()));
            else
                afterCheck();
            return;
        }
        const QString result = q.next() ? q.value(0).toString() : QStringLiteral("ok");
        q.finish();
        if (result != QLatin1String("ok"))
            replaceDamaged(result);
        else
            afterCheck();
        return;
    }
    m_checking = true;
    WorkerThread &w = worker();
    auto link = m_upkeep;
    w.post([this, link, &w] {
        const CheckResult result = link->quickCheck();
        w.reply([this, result] { checkDone(result.damaged, result.text); });
    });
}

void HistoryStore::checkDone(bool damaged, const QString &result)
{
    if (!m_checking)
        return;
    m_checking = false;
    if (damaged) {
        replaceDamaged(result);
        return;
    }
    afterCheck();
    succeeded();
    QTimer::singleShot(0, this, [this] { flush(); });
}

// A file of the earlier layout gets the column and the minute rows it
// lacks; the minute rows are made in small steps between other events.
void HistoryStore::afterCheck()
{

    QSqlDatabase db = database();
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next() || q.value(0).toInt() >= kSchemaVersion)
        return;
    bool hasWords = false;
    if (q.exec(QStringLiteral("PRAGMA table_info(events)")))
        while (q.next())
            hasWords = hasWords || q.value(1).toString() == QLatin1String("words");
    if (!hasWords)
        q.exec(QStringLiteral("ALTER TABLE events ADD COLUMN words TEXT"));
    // Two statements: SQLite looks up a lone min() or max() in the index at
    // once, but both in one statement scan the table.
    QSqlQuery last(db);
    if (q.exec(QStringLiteral("SELECT min(rowid) FROM samples")) && q.next() && !q.value(0).isNull()
        && last.exec(QStringLiteral("SELECT max(rowid) FROM samples")) && last.next()) {
        m_backfillNext = q.value(0).toLongLong();
        m_backfillLast = last.value(0).toLongLong();
        q.finish();
        last.finish();
        m_stepTimer.start(0);
        return;
    }
    q.exec(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion));
}

void HistoryStore::backfillStep()
{

    QSqlDatabase db = database();
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT max(rowid) FROM (SELECT rowid FROM samples WHERE rowid >= ? AND rowid <= ?"
                             " ORDER BY rowid LIMIT %1)")
                  .arg(kBackfillRows));
    q.addBindValue(m_backfillNext);
    q.addBindValue(m_backfillLast);
    QSqlError error;
    bool ok = db.transaction() && q.exec() && q.next();
    if (!ok)
        error = q.lastError().isValid() ? q.lastError() : db.lastError();
    const qint64 upper = ok && !q.value(0).isNull() ? q.value(0).toLongLong() : m_backfillLast;
    q.finish();
    ok = ok && foldRowids(db, m_backfillNext, upper, &error);
    if (ok && upper >= m_backfillLast)
        ok = QSqlQuery(db).exec(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion));
    if (ok && !db.commit()) {
        error = db.lastError();
        ok = false;
    }
    if (!ok) {
        db.rollback();
        if (isDamageError(error))
            replaceDamaged(errorText(error));
        else
            m_stepTimer.start(kRetryMs);
        return;
    }
    m_backfillNext = upper >= m_backfillLast ? -1 : upper + 1;
    m_stepTimer.start(m_backfillNext >= 0 ? kBackfillGapMs : 0);
}

std::optional<qint64> HistoryStore::reference() const
{
    const auto newest = newestRowTime(database());
    if (!newest || !m_anchor)
        return newest;
    return std::min(*newest, *m_anchor + m_sinceAnchor.elapsed());
}

// One step: an older file's minutes first, then retention; a backlog of
// either goes on in small steps with the loop running in between.
void HistoryStore::upkeepStep()
{
    if (!m_open || m_checking || m_stopped)
        return;
    if (backfilling()) {
        backfillStep();
        return;
    }
    const auto present = reference();
    if (!present)
        return;
    bool stepFailed = false;
    QSqlError error;
    QSqlDatabase db = database();
    const bool more = retentionStep(db, *present, m_limits, &stepFailed, &error);
    if (stepFailed && isDamageError(error))
        replaceDamaged(errorText(error));
    else if (more)
        m_stepTimer.start(kBackfillGapMs);
}

void HistoryStore::upkeep()
{
    if (!m_stepTimer.isActive())
        upkeepStep();
    if (!m_checkpointed.isValid() || m_checkpointed.elapsed() >= kCheckpointMs) {
        m_checkpointed.start();
        WorkerThread &w = worker();
        auto link = m_upkeep;
        w.post([link] { link->checkpoint(); });
    }
}

// The file deleted or replaced under the running station: said once, and a
// new one made (or the new one taken).
bool HistoryStore::noticeReplaced()
{
    if (m_identityChecked.isValid() && m_identityChecked.elapsed() < m_identityCheckMs)
        return true;
    m_identityChecked.start();
    if (identityOf(m_path) == m_identity)
        return true;
    closeConnection();
    Q_EMIT notice(QStringLiteral("历史记录文件 %1 在运行中被删除或替换，已重新建立").arg(QDir::toNativeSeparators(m_path)));
    return open();
}

void HistoryStore::summarise(qint64 nowMs, int minutes, std::function<void(const QString &)> done)
{
    WorkerThread &w = worker();
    auto link = m_upkeep;
    w.post([link, &w, nowMs, minutes, done = std::move(done)] {
        const QString line = link->ensure() ? history::summarise(link->db(), nowMs, minutes).line()
                                            : QStringLiteral("history unavailable");
        w.reply([done, line] { done(line); });
    });
}

} // namespace korvane::history
