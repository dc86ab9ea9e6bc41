#pragma once

#include "platform/Waits.h"

#include "console/ConsoleCommand.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <span>

namespace korvane {

class BaseImport;
class Clock;
class ControllerLink;
class Dialogs;
class Display;
class EventLog;
class InitSequence;
class SettingCommands;
class TcpLink;
struct ControllerStatus;
struct RadioSessionState;

// The operator's command line: Enter in the command box (`Combo2_KeyDown`)
// and the send button (`Command3_Click`), each a table of tests tried in
// order on the box's text; a text no row claims goes to the board exactly
// as typed. Picking from the list (`Combo2_Click`) explains the entry.
class CommandConsole {
public:
    using EventLine = std::function<QString(const QString &message)>;

    struct Parts {
        Display &display;
        ControllerLink &controller;
        TcpLink &radioSocket;                 // Winsock1: the WR reboot
        const RadioSessionState &radio;       // the family decides the reboot text
        const ControllerStatus &status;       // the JSON radio's session key
        Dialogs &dialogs;
        EventLog &log;
        const Clock &clock;
        SettingCommands &settings;
        InitSequence &init;
        BaseImport &import;
        const Scope &scope; // the confirmations' boxes
    };

    CommandConsole(Parts parts, EventLine eventLine);

    // The ±30° survey, run when AUTOSCAN is confirmed. Empty: nothing runs.
    std::function<void()> autoscan;
    // Told of each command entered (a non-empty box on Enter or the button).
    std::function<void()> commandEntered;

    void Combo2_KeyDown(int keyCode, int shift);
    void Command3_Click();
    void Combo2_Click();

    // The handlers the last finished command ran, by name, in order.
    const QStringList &lastHandled() const { return m_lastHandled; }

private:
    enum class Test { Contains, EqualsIgnoringCase, SerialPortName, DiscoveredPortName, RadioRebootReady,
                      Anything };
    // One test of a table and what handles a text that passes it. A row that
    // continues lets the text go on to the rows after it.
    struct Row {
        Test test;
        std::array<const char *, 3> words; // any of them, unused ones null
        const char *name;
        bool continues;
        void (*run)(CommandConsole &console, ConsoleCommand &command);
    };

    void dispatch(ConsolePath path, std::span<const Row> rows);
    bool matches(const Row &row, const QString &text) const;
    bool scriptBusy();

    // Each asks and returns; the procedure starts when OK is chosen.
    Task<> confirmInit();
    Task<> confirmImport();
    Task<> confirmAutoscan();
    void radioReboot(ConsoleCommand &command);
    void passThrough();

    static const Row kEnterRows[];
    static const Row kButtonRows[];

    Parts m_parts;
    EventLine m_eventLine;
    QStringList m_lastHandled;
};

} // namespace korvane
