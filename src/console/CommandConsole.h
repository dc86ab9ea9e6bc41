#pragma once

namespace korvane {

class ControllerLink;
class Display;

// The operator's command line: Enter in the command box and the send
// button. A text no table knows goes to the board exactly as typed.
class CommandConsole {
public:
    CommandConsole(Display &display, ControllerLink &controller);

    void Combo2_KeyDown(int keyCode, int shift);
    void Command3_Click();

private:
    void passThrough();

    Display &m_display;
    ControllerLink &m_controller;
};

} // namespace korvane
