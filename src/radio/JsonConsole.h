#pragma once

#include "platform/Waits.h"

#include <QString>

#include <functional>
#include <optional>

namespace korvane {

class Display;
class EventLog;
class RadioFigures;
class TcpLink;
struct ControllerStatus;
struct JsonConsoleReply;
struct RadioSessionState;
struct RadioStats;

// The JSON-console radio's dialogue on the radio session: log in at its
// "console :" prompt, take the session key, ask for the configuration, and
// read the link status, the device name and the MAC. Runs on every reply
// whatever the family, after the text families' steps.
class JsonConsole {
public:
    using EventLine = std::function<QString(const QString &message)>;

    struct Parts {
        TcpLink &socket; // Winsock1
        Display &display;
        RadioSessionState &radio;
        RadioStats &stats;
        ControllerStatus &status; // RadioKey, HeadingArrow
        RadioFigures &figures;
        EventLog &log;      // lines of what happens after a wait
        const Scope &scope;
    };

    // A rejected login (error 12) is retried until this many rejections
    // have come; then no login is sent until the next connect. Wrong
    // credentials stay wrong, and each retry only brings another rejection.
    static constexpr int kMaxRejectedLogins = 3;
    static constexpr float kLoginWaitSeconds = 1.0f;

    JsonConsole(Parts parts, EventLine eventLine);

    // `eventLine` is the reply's prepared log line; a step that prepares
    // one replaces it.
    void handleReply(const QString &reply, QString &eventLine);
    // A new connection: its first device name is logged again.
    void newSession();

    // The wait between the two login commands.
    Wait wait;

private:
    void mac(const JsonConsoleReply &r, QString &eventLine);
    void login(const JsonConsoleReply &r);
    void credentialsRejected(const JsonConsoleReply &r, QString &eventLine);
    void keyExpired(const JsonConsoleReply &r, QString &eventLine);
    void rebootAccepted(const JsonConsoleReply &r, QString &eventLine);
    void keyIssued(const JsonConsoleReply &r, QString &eventLine);
    void linkStatus(const JsonConsoleReply &r);
    void deviceName(const JsonConsoleReply &r, QString &eventLine);

    bool connected() const;
    bool mayLogIn() const;
    void sendLogin();
    Task<> loginTwice();
    Task<> renewKey();
    QString noticeLine(const QString &notice);

    Parts m_parts;
    EventLine m_eventLine;
    // A login's wait is running: a prompt arriving meanwhile starts no second
    // dialogue beside it; its own second command follows anyway.
    bool m_waiting = false;
    // The device name line this session last logged. Every status reply
    // carries the name; it is logged when it first comes and when it changes.
    std::optional<QString> m_loggedName;
};

} // namespace korvane
