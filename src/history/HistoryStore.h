#pragma once

#include "history/Retention.h"
#include "history/Sample.h"

#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QString>

namespace korvane {
class Clock;
}

namespace korvane::history {

// The history file's writer. Rows wait in memory and go to the file in one
// transaction per flush; a file that cannot be written (locked, folder not
// writable, disk full) leaves them waiting, within a bound, until it can.
// The connection never waits for a lock, so a flush never holds up the loop.
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

    HistoryStore(const Clock &clock, const QString &path, QObject *parent = nullptr);
    ~HistoryStore() override;

    // Opens the file, making it (mode 0600) and its folder when missing. A
    // file that is not a database is renamed aside with the time in its name
    // and a new one made. False when it cannot be opened now; flush retries.
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
    // Rows given up because the wait in memory was full.
    qint64 droppedRows() const { return m_dropped; }
    // False while writing fails.
    bool writing() const { return !m_failing; }

Q_SIGNALS:
    // One operator notice per change: the file renamed aside, writing
    // stopped, writing resumed.
    void notice(const QString &text);

private:
    bool openConnection(QString &error, bool &garbage);
    bool prepareFile(QString &error);
    void renameAside();
    bool writePending();
    void failed(const QString &error);
    void succeeded();

    const Clock &m_clock;
    QString m_path;
    QString m_connection;
    bool m_open = false;
    bool m_failing = false;
    RetentionLimits m_limits;
    QList<Sample> m_samples;
    QList<EventRow> m_events;
    qint64 m_dropped = 0;
};

} // namespace korvane::history
