#pragma once

#include "platform/Waits.h"

#include <QStringList>

#include <functional>

namespace korvane {

class ControllerLink;
class Dialogs;
class Display;
class TcpLink;

// `init_board`: writes the factory parameter set into the controller board,
// one command at a time with a pause after each (58 s in all), telling the
// operator on the notice line what each command does.
class InitSequence {
public:
    // The pause between commands; the platform's Delay unless a test
    // records or shortens it.
    using Wait = korvane::Wait;

    static constexpr int kRowCount = 31;
    // The script's commands in sending order, without line ends.
    static QStringList rowCommands();

    InitSequence(Display &display, ControllerLink &controller, TcpLink &controllerSocket, Dialogs &dialogs,
                 const Scope &scope);

    // Starts a run and returns; the rows go out at their pace. Does nothing
    // while the board is not connected, or while a run is already going on.
    // Ends early, rows sent staying sent, when the link drops: no row goes
    // out on a later connection.
    void init_board();
    bool isRunning() const { return m_running; }
    void setWait(Wait wait) { m_wait = std::move(wait); }

private:
    Task<> run();
    Task<bool> sendRows();
    Task<> finish();

    Display &m_display;
    ControllerLink &m_controller;
    TcpLink &m_socket;
    Dialogs &m_dialogs;
    const Scope &m_scope;
    Wait m_wait;
    bool m_running = false;
};

} // namespace korvane
