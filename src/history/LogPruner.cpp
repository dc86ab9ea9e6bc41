#include "history/LogPruner.h"

#include "platform/Clock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace korvane::history {

QList<DailyLog> dailyLogs(const QString &folder, const QString &programName)
{
    QList<DailyLog> logs;
    if (folder.isEmpty())
        return logs;
    const QRegularExpression name(QStringLiteral("^%1-(\\d{4}-\\d{2}-\\d{2})\\.log(\\.gz)?$")
                                      .arg(QRegularExpression::escape(programName)));
    const QDir dir(folder);
    for (const QFileInfo &info : dir.entryInfoList(QDir::Files | QDir::NoSymLinks | QDir::NoDotAndDotDot,
                                                   QDir::Name)) {
        if (info.isSymLink())
            continue;
        const QRegularExpressionMatch m = name.match(info.fileName());
        if (!m.hasMatch())
            continue;
        const QDate date = QDate::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd"));
        if (!date.isValid())
            continue;
        logs.append({date, info.filePath(), !m.captured(2).isEmpty()});
    }
    std::stable_sort(logs.begin(), logs.end(), [](const DailyLog &a, const DailyLog &b) { return a.date < b.date; });
    return logs;
}

LogPruner::LogPruner(const Clock &clock, const QString &folder, const QString &programName, int keepDays,
                     Monotonic monotonic)
    : m_clock(clock), m_folder(folder), m_programName(programName), m_keepDays(keepDays),
      m_monotonic(std::move(monotonic)), m_startWall(clock.now())
{
    m_elapsed.start();
    if (m_monotonic)
        m_startMs = m_monotonic();
}

int LogPruner::keepDaysFromText(const QString &text)
{
    bool ok = false;
    const int days = text.trimmed().toInt(&ok);
    return ok && days >= 0 ? days : 365;
}

int LogPruner::pruneIfDue()
{
    const QDate today = m_clock.now().date();
    if (m_lastRun.isValid() && m_lastRun == today)
        return 0;
    m_lastRun = today;
    return prune();
}

QDate LogPruner::referenceDate(const QList<DailyLog> &logs) const
{
    if (logs.isEmpty())
        return {};
    const qint64 elapsed = m_monotonic ? m_monotonic() - m_startMs : m_elapsed.elapsed();
    const QDate steady = m_startWall.addMSecs(elapsed).date();
    return std::min(logs.last().date, steady);
}

int LogPruner::prune()
{
    if (m_keepDays <= 0 || m_folder.isEmpty())
        return 0;
    const QList<DailyLog> logs = dailyLogs(m_folder, m_programName);
    const QDate reference = referenceDate(logs);
    if (!reference.isValid())
        return 0;
    const QDate oldestKept = reference.addDays(-m_keepDays);
    int removed = 0;
    for (const DailyLog &log : logs) {
        // The newest day's log stays whatever the dates say.
        if (log.date >= oldestKept || log.date >= logs.last().date)
            break;
        removed += QFile::remove(log.path) ? 1 : 0;
    }
    return removed;
}

} // namespace korvane::history
