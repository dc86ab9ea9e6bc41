#pragma once

#include "optimise/AutoScanRecord.h"

#include <QString>

#include <functional>
#include <optional>

namespace korvane {

class Clock;
class ControllerLink;
class Dialogs;
class Display;
class EventLog;
class TcpLink;
struct OptimisationState;
struct RadioSessionState;

// The operator-started survey: the antenna steps through offsets −30 to +30
// degrees from its automatic direction, one a tick, the radio's signal is
// noted for each, and at the end the antenna is left at the strongest. A
// tick without readings waits, so no step is lost, but not for ever: the
// survey holds the other drives. Without the board it ends.
class AutoScan {
public:
    using EventLine = std::function<QString(const QString &message)>;

    struct Parts {
        Display &display;           // reads Text1; writes Text2, Label_NOTE
        ControllerLink &controller; // Winsock2's state and the command channel
        const TcpLink &radioSocket; // Winsock1
        const RadioSessionState &radio; // the logged-in flag (a 5G CPE has no socket)
        OptimisationState &state;   // scan offset, best offset, best signal
        Dialogs &dialogs;
        EventLog &log;
        const Clock &clock;
    };

    AutoScan(Parts parts, EventLine eventLine);

    // Arms a survey from −30 (a running one starts again). Sends nothing.
    void autoscan();
    void Timer_AutoScan_Timer();
    // Ends a running survey where it stands, with the notice, a box and an
    // event line; false (and nothing happens) when none runs.
    bool cancel();
    // Ends a running survey without a word: the program is ending.
    void stop();
    bool running() const;

    const AutoScanRecord &record() const { return m_record; }

private:
    std::optional<double> signalReading() const;
    QString now() const;
    void firstStep(QString &event);
    void readingStep(int offset, bool announce, QString &event);
    void lastStep(QString &event);
    void drive(int offset);
    void pauseStep(QString &event);
    void end(const QString &why, QString &event);

    Parts m_parts;
    EventLine m_eventLine;
    AutoScanRecord m_record;
    int m_pausedTicks = 0;
};

} // namespace korvane
