#include "history/LogPruner.h"

#include "platform/Clock.h"

#include <QDir>
#include <QFile>

namespace korvane::history {

LogPruner::LogPruner(const Clock &clock, const QString &folder, const QString &programName, int keepDays)
    : m_clock(clock), m_folder(folder), m_programName(programName), m_keepDays(keepDays)
{
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

int LogPruner::prune()
{
    if (m_keepDays <= 0 || m_folder.isEmpty())
        return 0;
    const QDate oldestKept = m_clock.now().date().addDays(-m_keepDays);
    const QString head = m_programName + QLatin1Char('-');
    const QDir dir(m_folder);
    int removed = 0;
    for (const QString &name : dir.entryList({head + QStringLiteral("*.log")}, QDir::Files)) {
        const QString datePart = name.mid(head.size(), name.size() - head.size() - 4);
        const QDate date = QDate::fromString(datePart, QStringLiteral("yyyy-MM-dd"));
        if (date.isValid() && date < oldestKept && QFile::remove(dir.filePath(name)))
            ++removed;
    }
    return removed;
}

} // namespace korvane::history
