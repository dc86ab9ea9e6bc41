#pragma once

#include <QDate>
#include <QString>

namespace korvane {
class Clock;
}

namespace korvane::history {

// Removes the daily text logs (<program>-yyyy-MM-dd.log) older than a number
// of days; 0 keeps them all. Runs once a day: at the first call and at the
// first call after midnight.
class LogPruner {
public:
    LogPruner(const Clock &clock, const QString &folder, const QString &programName, int keepDays);

    // Reads LOG_KEEP_DAYS: empty or not a number keeps the default of 365.
    static int keepDaysFromText(const QString &text);

    // Prunes when the date has changed since the last run; the number of
    // files removed.
    int pruneIfDue();
    int prune();

private:
    const Clock &m_clock;
    QString m_folder;
    QString m_programName;
    int m_keepDays;
    QDate m_lastRun;
};

} // namespace korvane::history
