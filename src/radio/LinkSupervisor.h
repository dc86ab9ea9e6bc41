#pragma once

#include "platform/SshClient.h"

namespace korvane {

class Clock;
class Display;
class EventLog;
class SettingsStore;
class TcpLink;
struct RadioSessionState;

// The start of every Timer1 tick: both link lamps by socket state, the radio
// port that worked remembered for the next start, and after a radio socket
// error the port search 9754 -> 23 -> 9754 ..., where every switch to 23
// first asks the radio over SSH to start its telnet daemon. The reconnect
// itself is the controller link's supervision; this only prepares the port.
class LinkSupervisor {
public:
    struct Parts {
        TcpLink &radioSocket;      // Winsock1
        TcpLink &controllerSocket; // Winsock2
        Display &display;
        SettingsStore &settings;
        EventLog &log;
        const Clock &clock;
        RadioSessionState &radio; // RadioFamily, logged-in flag
    };

    static constexpr int kTelnetPort = 23;

    explicit LinkSupervisor(Parts parts);

    void supervise();
    // The operator stored the port for the next start: the port that works
    // now is no longer remembered over it.
    void keepStoredPort() { m_keepStoredPort = true; }

    SshClient ssh;

private:
    void radioSteps();
    void rememberRadioPort();
    void radioFailed();
    void enableTelnetOverSsh();

    Parts m_parts;
    bool m_keepStoredPort = false;
};

} // namespace korvane
