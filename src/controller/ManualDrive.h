#pragma once

#include <functional>

#include <QString>

namespace korvane {

class ControllerLink;
class Display;
class EventLog;
struct ControllerStatus;

// Pointing by hand: the ring of direction dots, the slider with its apply
// button, the target entry boxes, and the ring's blinking of the dot
// nearest the antenna's angle.
class ManualDrive {
public:
    using EventLine = std::function<QString(const QString &message)>;

    ManualDrive(Display &display, ControllerLink &link, ControllerStatus &status, EventLog &log,
                EventLine eventLine);

    // Ends a running auto-scan when the centre dot returns the board to
    // automatic drive. Empty: nothing to end.
    std::function<void()> cancelAutoScan;

    void angle_DblClick(int index);
    void Command_HFIX_Click();
    void Slider1_Change();
    // Moves the slider as the program does; the button follows it.
    void setSlider(int value);
    void Text12_KeyPress(int keyCode);
    void Text13_KeyPress(int keyCode);
    void blink_Timer();

    // The offset from the antenna to an absolute direction, folded once
    // each way, and back to an absolute direction in 0 to 360.
    static double relativeTo(double target, double angleH, double angleOffset);
    static double absoluteFrom(double rel, double angleH, double angleOffset);
    // The board's manual turn "[P0H<n>V0]", n the offset rounded down to
    // whole degrees; offset 0 returns the board to automatic drive.
    static QString offsetCommand(double rel);

private:
    void driveTo(double target);
    void targetEntry(const QString &text, int keyCode, double limit, const QString &command);

    Display &m_display;
    ControllerLink &m_link;
    ControllerStatus &m_status;
    EventLog &m_log;
    EventLine m_eventLine;
};

} // namespace korvane
