#pragma once

#include <QString>

#include <cstdint>

namespace korvane {

class Clock;
class ControllerLink;
class Display;
class EventLog;
class TcpLink;
struct OptimisationState;
struct RadioSessionState;
struct RadioStats;

// Fine-tuning of the pointing from the radio's point of view, once a second:
// when the signal is lost the antenna sweeps in 14-degree steps until it
// returns; while it is present, every comparison interval the signal at the
// current bearing is compared with one step to each side and the antenna is
// left at the strongest. Both act through relative turns ("m") only.
class SignalComparison {
public:
    struct Parts {
        Display &display;               // writes Label_NOTE, Text2
        ControllerLink &controller;     // Winsock2's state and the command channel
        const TcpLink &radioSocket;     // Winsock1
        const RadioSessionState &radio; // the logged-in flag
        const RadioStats &stats;        // signalDbm
        OptimisationState &state;
        EventLog &log;
        const Clock &clock;
    };

    explicit SignalComparison(Parts parts);

    // The work of one Timer1 tick: the sweep, then the comparison; neither
    // while a survey runs, and both wait a full period after it.
    void Timer1_Timer();

    // The board's relative turn "m<n>", negative to the left.
    static QString turnCommand(int degrees);

private:
    bool radioReachable() const;
    bool signalPresent() const;
    void lostSignalSweep();
    void periodicComparison();
    void decide();
    void turn(int degrees);
    void consoleLine(const QString &text);
    void logLine(const QString &text);

    Parts m_parts;
};

} // namespace korvane
