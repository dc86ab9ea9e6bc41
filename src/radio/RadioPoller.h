#pragma once

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
    };

    // Status texts in a row with the same compass value before the board
    // is restarted.
    static constexpr int kCompassSameLimit = 100;

    explicit RadioPoller(Parts parts);

    void Timer2_Timer();

    CpeReader &cpe() { return m_cpe; }

private:
    // True when the radio is a CPE and the tick ends with its reading.
    bool cpeTick();
    void telnetPoll();
    void forwardKey();
    void compassWatchdog();

    Parts m_parts;
    CpeReader m_cpe;
    // The CPE's waits run events, this timer's among them: a tick never
    // starts inside the previous one.
    bool m_ticking = false;
};

} // namespace korvane
