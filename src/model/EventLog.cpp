#include "model/EventLog.h"

#include "platform/Clock.h"
#include "text/Formats.h"

#include <QDir>
#include <QFile>

namespace korvane {

namespace {

bool isAllSpaces(const QString &text)
{
    for (const QChar c : text) {
        if (c != QLatin1Char(' '))
            return false;
    }
    return true;
}

} // namespace

EventLog::EventLog(const Clock &clock, const QString &folder, const QString &programName)
    : m_clock(clock), m_folder(folder), m_programName(programName)
{
}

QString EventLog::fileNameFor(const QDate &date) const
{
    return m_programName + QLatin1Char('-') + dateText(date) + QStringLiteral(".log");
}

QString EventLog::todayPath() const
{
    return QDir(m_folder).filePath(fileNameFor(m_clock.now().date()));
}

void EventLog::append(QString &text)
{
    if (isAllSpaces(text))
        return;
    if (text.endsWith(QLatin1String("\r\n")))
        text.chop(2);
    else if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    QFile file(todayPath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        file.write(text.toUtf8());
        file.write("\r\n");
        file.close();
    }
    if (m_listener)
        m_listener(text);
    if (m_echo)
        m_echo(text);
}

void EventLog::append(const QString &text)
{
    QString copy = text;
    append(copy);
}

} // namespace korvane
