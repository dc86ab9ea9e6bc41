#pragma once

#include <QDate>
#include <QString>

#include <functional>

namespace korvane {

class Clock;

// The daily event log: one file per day named <program>-yyyy-MM-dd.log in
// the log folder. Each append opens, writes and closes the file, so a line
// is on disk when the call returns; every failure is swallowed.
class EventLog {
public:
    EventLog(const Clock &clock, const QString &folder, const QString &programName);

    // Drops one trailing line break (CR LF, else LF) from the caller's text,
    // then writes it with CR LF. Blank texts write nothing.
    void append(QString &text);
    void append(const QString &text);

    // Today's file, as a path in the log folder.
    QString todayPath() const;
    QString fileNameFor(const QDate &date) const;
    const QString &folder() const { return m_folder; }

    // Called with each line after it is written (or failed to be), without
    // its line break; whatever the listener does cannot cost the file a line.
    void setLineListener(std::function<void(const QString &)> listener) { m_listener = std::move(listener); }
    // A second listener, for a front end that shows the lines as they are
    // written (the quiet headless console); the first one is the history's.
    void setEchoListener(std::function<void(const QString &)> listener) { m_echo = std::move(listener); }

private:
    const Clock &m_clock;
    QString m_folder;
    QString m_programName;
    std::function<void(const QString &)> m_listener;
    std::function<void(const QString &)> m_echo;
};

} // namespace korvane
