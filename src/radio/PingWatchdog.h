#pragma once

#include "platform/Waits.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace korvane {

class Display;
class EventLog;
class TcpLink;
struct ControllerStatus;
struct RadioSessionState;

// The GET_SIGN tick: pings the radio while its session is up, keeps the
// round-trip times of the last 100 answers, shows their mean on the radio
// lamp's tool tip, and reboots the radio through its own console when a
// full window averages more than 100 ms and the operator allows it.
class PingWatchdog {
public:
    using EventLine = std::function<QString(const QString &message)>;
    // Round-trip time in ms of one echo to the address, -1 on failure.
    using Pinger = std::function<Task<int>(const QString &address)>;

    struct Parts {
        TcpLink &socket; // Winsock1
        Display &display;
        EventLog &log;
        RadioSessionState &radio;         // RadioFamily and the ping window
        const ControllerStatus &status;   // RadioKey
        const std::int16_t &rebootSwitch; // PING_100MS_REBOOT: 1 on
        const Scope &scope;
    };

    static constexpr int kWindowSize = 100;
    static constexpr double kRebootMeanMs = 100.0;
    static constexpr float kRebootWaitSeconds = 1.0f;

    PingWatchdog(Parts parts, EventLine eventLine);

    // Starts the tick's ping and returns; the rest follows the answer.
    void GET_SIGN_Timer();
    bool isRunning() const { return m_running; }

    // Replaceable for tests: the echo, and the wait between the two reboot
    // commands.
    Pinger pinger;
    Wait wait;

private:
    Task<> tick(QString address);
    void record(std::int32_t rtt);
    void showMean(double mean);
    Task<> rebootRule(double mean);
    static bool hasConsole(std::int16_t family);
    void reportHighLatency(double mean);
    Task<> sendRebootTwice();

    Parts m_parts;
    EventLine m_eventLine;
    // A tick arriving while the ping or the reboot wait is out starts no
    // second ping or reboot.
    bool m_running = false;
    // The high latency of a radio without console has been reported; cleared
    // once the rule's condition no longer holds.
    bool m_highLatencyReported = false;
};

} // namespace korvane
