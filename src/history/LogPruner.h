#pragma once

#include <QDate>
#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <functional>

namespace korvane {
class Clock;
}

namespace korvane::history {

// One of the station's daily logs: <program>-yyyy-MM-dd.log, or the same
// compressed with ".gz" after it. Nothing else is one: not another case,
// not another date form, not a symbolic link.
struct DailyLog {
    QDate date;
    QString path;
    bool compressed = false;
};

// The daily logs in `folder`, oldest first.
QList<DailyLog> dailyLogs(const QString &folder, const QString &programName);

// Removes the daily logs (plain or compressed) more than a number of days
// older than the newest one; 0 keeps them all. The date it goes by is the
// newest log's own date, and within a run never further on than the
// monotonic clock has gone since the start, so a clock set forward deletes
// nothing; the newest log is never removed. Runs once a day: at the first
// call and at the first call after midnight.
class LogPruner {
public:
    // Milliseconds of a monotonic clock; tests pass their own.
    using Monotonic = std::function<qint64()>;

    LogPruner(const Clock &clock, const QString &folder, const QString &programName, int keepDays,
              Monotonic monotonic = {});

    // Reads LOG_KEEP_DAYS: empty or not a number keeps the default of 365.
    static int keepDaysFromText(const QString &text);

    // Prunes when the date has changed since the last run; the number of
    // files removed.
    int pruneIfDue();
    int prune();
    // The date the logs' age is counted from; invalid with no log.
    QDate referenceDate(const QList<DailyLog> &logs) const;

private:
    const Clock &m_clock;
    QString m_folder;
    QString m_programName;
    int m_keepDays;
    Monotonic m_monotonic;
    QElapsedTimer m_elapsed;
    qint64 m_startMs = 0;
    QDateTime m_startWall;
    QDate m_lastRun;
};

} // namespace korvane::history
