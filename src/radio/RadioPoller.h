#pragma once

#include "platform/Waits.h"

#include "radio/CpeReader.h"

#include <QString>

#include <cstdint>

namespace korvane {

class Clock;
class ControllerLink;
class Display;
class EventLog;
class Http;
class TcpLink;
struct ControllerStatus;
struct RadioSessionState;
struct RadioStats;

// The radio side of the two-second tick: a 5G CPE is recognised and read
// over HTTP; a telnet radio is asked for fresh figures with its family's
// poll command, and a new JSON-console key goes on to the board; a compass
// that has stopped changing restarts the board.
class RadioPoller {
public:
    struct Parts {
        Display &display;
        EventLog &log;
        const Clock &clock;
        RadioSessionState &radio;
        RadioStats &stats;
        ControllerStatus &status;   // RadioKey, CompassSameCount
        TcpLink &radioSocket;       // Winsock1
        ControllerLink &controller; // Winsock2
        const std::int16_t &compassRebootSwitch; // ERROR_COMPSAME_REBOOT
        Http &http;
        const QString &startCaption;
        const Scope &scope;
    };

    // Status texts in a row with the same compass value before the board
    // is restarted.
    static constexpr int kCompassSameLimit = 100;

    explicit RadioPoller(Parts parts);

    // Starts the tick and returns; a CPE's reading follows its answer.
    void Timer2_Timer();
    bool isTicking() const { return m_ticking; }

    CpeReader &cpe() { return m_cpe; }

private:
    Task<> tick();
    // True when the radio is a CPE and the tick ends with its reading.
    Task<bool> cpeTick();
    void telnetPoll();
    void forwardKey();
    void compassWatchdog();

    Parts m_parts;
    CpeReader m_cpe;
    // A CPE's answer may take longer than the tick: a tick never starts
    // while the previous one is out.
    bool m_ticking = false;
};

} // namespace korvane
