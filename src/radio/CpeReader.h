#pragma once

#include "platform/Waits.h"
#include "radio/RadioFigures.h"

#include <QString>

#include <optional>

namespace korvane {

class Clock;
class Display;
class EventLog;
class Http;
struct CpeReply;
struct RadioSessionState;
struct RadioStats;

// The 5G CPE on its web interface: the probe that recognises one at the
// radio address, and the reading of its link figures into the lamp, the
// signal, capacity and throughput boxes and the caption. Both fetch
// GET /cgi-bin/5g from port 80 of the radio address; a port after the
// address is the telnet console's and is not used here. A CPE whose web
// server listens elsewhere is named "http://host:port" in the radio box.
class CpeReader {
public:
    struct Parts {
        Display &display;
        EventLog &log;
        const Clock &clock;
        RadioSessionState &radio; // family, logged-in flag, MAC, status text, snapshot
        RadioStats &stats;
        Http &http;
        const QString &startCaption;
        const Scope &scope;
    };

    static constexpr int kProbeSpacingMs = 5000;
    static constexpr int kWebPort = 80;
    static constexpr int kPortProbeMs = 150;

    explicit CpeReader(Parts parts);

    // The identification probe: only while the radio family is unknown,
    // and at most once every five seconds.
    Task<> identify();
    // One reading. False when no usable reply came (the lamp shows it).
    Task<bool> read();
    // Everything a reply body shows, once fetched.
    void show(const QString &body);

private:
    struct WebTarget {
        QString host;
        int port;
    };
    WebTarget webTarget() const;
    Task<std::optional<QString>> fetch();
    void showLamp(const CpeReply &r, const QString &label);
    void showSignal(const CpeReply &r, const QString &label);
    void showCapacity(const CpeReply &r);
    void showThroughput(const CpeReply &r);
    void takeMac(const QString &mac);
    void logReply(const CpeReply &r, const QString &label, const QString &body);

    Parts m_parts;
    RadioFigures m_figures;
    // What the reply logged last showed: band, registration and MAC. The
    // counters move with every reading; the whole reply is logged when a
    // session starts (recognition, or a reading after a failed one) and when
    // that state changes, not at every poll.
    std::optional<QString> m_loggedState;
};

} // namespace korvane
