#include "console/CommandConsole.h"

#include "app/Display.h"
#include "controller/ControllerLink.h"

namespace korvane {

namespace {
constexpr int kEnterKey = 13;
}

CommandConsole::CommandConsole(Display &display, ControllerLink &controller)
    : m_display(display), m_controller(controller)
{
}

void CommandConsole::Combo2_KeyDown(int keyCode, int /*shift*/)
{
    if (keyCode != kEnterKey)
        return;
    passThrough();
}

void CommandConsole::Command3_Click()
{
    passThrough();
}

void CommandConsole::passThrough()
{
    const QString text = m_display.Combo2.text();
    // No terminator: the board takes the text as typed; while the link is
    // down the command is dropped without a notice.
    if (!text.isEmpty() && m_controller.isConnected())
        m_controller.send(text);
}

} // namespace korvane
