#pragma once

#include <functional>

#include <QString>

namespace korvane {

class Display;
class EventLog;
class FileReveal;

// The window's own small handlers: opening the log, clearing the alarm,
// collapsing the window.
class WindowHandlers {
public:
    using EventLine = std::function<QString(const QString &message)>;

    WindowHandlers(Display &display, EventLog &log, FileReveal &reveal, EventLine eventLine);

    void Label4_DblClick();
    void Lbl_ALARM_DblClick();
    void Label18_Click();

    static constexpr int kExpandedTwips = 9405;
    static constexpr int kCollapsedTwips = 2900;

private:
    Display &m_display;
    EventLog &m_log;
    FileReveal &m_reveal;
    EventLine m_eventLine;
};

} // namespace korvane
