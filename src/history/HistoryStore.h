#pragma once

#include "history/Retention.h"
#include "history/Sample.h"
#include "history/SqliteSupport.h"

#include <QElapsedTimer>
#include <QList>
#include <QLockFile>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace korvane {
class Clock;
}

namespace korvane::history {

class UpkeepConnection;
class WorkerThread;

// The history file's writer. Rows wait in memory and go to the file in one
// transaction per flush, each minute folded into its minute row in the same
// transaction; a file that cannot be written (locked, folder not writable,
// disk full) leaves them waiting, within a bound, until it can. The
// connection never waits for a lock, so a flush never holds up the loop;
// what may take long (the integrity check of a large file, checkpoints,
// summaries) runs on a worker thread with a connection of its own.
//
// A damaged file (at the check at start, or SQLITE_CORRUPT / SQLITE_NOTADB
// from any write) is renamed aside with the time in its name and a new one
// made; if it cannot be renamed, writing stops for the run. A lock held for
// the run keeps a second station off the file.
class HistoryStore : public QObject {
    Q_OBJECT
public:
    // About six hours of samples, and as many events, wait at most; past
    // that the oldest go first.
    static constexpr qsizetype kMaxPendingSamples = 6 * 3600;
    static constexpr qsizetype kMaxPendingEvents = 20000;
    // Rows of each table one flush writes at most (a few tens of ms); a
    // backlog after a lock or a full disk goes out in such steps, the next
    // one queued behind the events that wait.
    static constexpr qsizetype kMaxRowsPerFlush = 2000;
    // After a failed write, the next try takes no more than one normal
    // batch, so a disk with room for a batch takes it.
    static constexpr qsizetype kRecoveryRows = 10;
    // A file up to this size is checked at open on the spot (milliseconds);
    // a larger one on the worker while the rows wait.
    static constexpr qint64 kInlineCheckBytes = 2 * 1024 * 1024;
    // Seconds of an older file folded per step at start.
    static constexpr qint64 kBackfillRows = 600;

    HistoryStore(const Clock &clock, const QString &path, QObject *parent = nullptr);
    ~HistoryStore() override;

    // Takes the lock, opens the file (making it, mode 0600, and its folder,
    // 0700, when missing) and checks it. False when it cannot be opened now
    // (flush retries) or writing has stopped.
    bool open();
    bool isOpen() const { return m_open; }

    void addSample(const Sample &sample);
    void addEvent(const EventRow &event);
    // Writes what waits (at most kMaxRowsPerFlush of each), then takes one
    // retention step. False when the rows stay in memory.
    bool flush();

    void setRetention(const RetentionLimits &limits) { m_limits = limits; }
    const RetentionLimits &retention() const { return m_limits; }
    QSqlDatabase database() const;
    const QString &path() const { return m_path; }
    qsizetype pendingSamples() const { return m_samples.size(); }
    qsizetype pendingEvents() const { return m_events.size(); }
    // Rows given up because the wait in memory was full or writing stopped.
    qint64 droppedRows() const { return m_dropped; }
    // False while writing fails.
    bool writing() const { return !m_failing && !m_stopped; }
    // Writing has stopped for this run (another station holds the file, or
    // a damaged file could not be moved aside).
    bool stopped() const { return m_stopped; }
    // The integrity check at open is still running; rows wait meanwhile.
    bool checking() const { return m_checking; }
    // An older file's minute rows are still being made.
    bool backfilling() const { return m_backfillNext >= 0; }

    // What the data says the present is, for retention: the newest row,
    // but within a run never further on than the monotonic clock has gone
    // since this run's first row, so a jump of the clock deletes nothing.
    std::optional<qint64> reference() const;

    // How often a flush asks whether the path still names the file opened
    // (a store deleted or replaced under the station); 30 s unless set.
    void setIdentityCheckInterval(qint64 ms) { m_identityCheckMs = ms; }

    // The headless summary of the last minutes, read on the worker and
    // handed to `done` on this object's thread.
    void summarise(qint64 nowMs, int minutes, std::function<void(const QString &)> done);

Q_SIGNALS:
    // One operator notice per change: the file renamed aside, writing
    // stopped, writing resumed, the file gone and made anew.
    void notice(const QString &text);

private:
    bool takeLock();
    bool openConnection(QSqlError &error);
    void closeConnection();
    void startCheck();
    void checkDone(bool damaged, const QString &result);
    void afterCheck();
    bool replaceDamaged(const QString &reason);
    void stop(const QString &text);
    bool writePending(QSqlError &error);
    bool noticeReplaced();
    void backfillStep();
    void upkeepStep();
    void upkeep();
    void failed(const QString &error);
    void succeeded();
    WorkerThread &worker();

    const Clock &m_clock;
    QString m_path;
    QString m_connection;
    bool m_open = false;
    bool m_failing = false;
    bool m_stopped = false;
    bool m_checking = false;
    RetentionLimits m_limits;
    QList<Sample> m_samples;
    QList<EventRow> m_events;
    qint64 m_dropped = 0;
    std::unique_ptr<QLockFile> m_lock;
    std::optional<FileIdentity> m_identity;
    QElapsedTimer m_identityChecked;
    qint64 m_identityCheckMs = 30'000;
    QElapsedTimer m_checkpointed;
    // Retention's anchor: the first row this run wrote, and since when.
    std::optional<qint64> m_anchor;
    QElapsedTimer m_sinceAnchor;
    // The next rowid of an older file to fold, -1 when none is left.
    qint64 m_backfillNext = -1;
    qint64 m_backfillLast = -1;
    // Drives the steps of backfill and of a retention backlog.
    QTimer m_stepTimer;
    std::shared_ptr<UpkeepConnection> m_upkeep;
    std::unique_ptr<WorkerThread> m_worker;
};

} // namespace korvane::history
