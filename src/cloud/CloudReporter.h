#pragma once

#include "cloud/CloudQuery.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace korvane {

class Clock;
class LinkOutage;

class ControllerLink;
class Display;
class EventLog;
class SettingsStore;
class TcpLink;
struct AisState;
struct CloudState;
struct ControllerStatus;
struct RadioSessionState;
struct RadioStats;

// Telemetry to the cloud server: once a tick, a plain HTTP/1.1 GET written
// by hand on its own socket, with position, radio figures, speed, heading,
// distance and the alarm text in the query.
//
// The ship reaches the server through its radio, so while the radio is down
// no connection is opened: the tick's report (the "radio lost" form) is held
// and goes out, followed by the current report, on the first tick the radio
// is back. Every request has a connection of its own, opened only to carry
// it and closed once it is answered.
class CloudReporter {
public:
    struct Parts {
        Display &display;           // reads Ship, Lbl_ALARM, Cloud; writes Label_NOTE, Text2
        SettingsStore &settings;    // KORVANE_CLOUD, CLOUD_MODE_IP, the server settings
        EventLog &log;
        TcpLink &socket;            // Winsock_Cloud
        const TcpLink &radioSocket; // Winsock1
        ControllerLink &controller;
        CloudState &cloud;
        const ControllerStatus &status;
        RadioStats &radioStats; // throughput is clamped in place
        const RadioSessionState &radio;
        const AisState &ais;
        LinkOutage &outage;         // the server's ups and downs
        const Clock &clock;
    };
    using EventLine = std::function<QString(const QString &)>;

    CloudReporter(Parts parts, EventLine eventLine);

    void Timer_Cloud_Timer();
    void Winsock_Cloud_Connect();
    void Winsock_Cloud_DataArrival();
    void Winsock_Cloud_Error(int number, const QString &description);
    // The socket's state changed; a server that closes before answering
    // in full is judged on what it sent.
    void Winsock_Cloud_StateChanged(int state);
    void Cloud_Click();

    // Told of each report the server refused or could not be reached for.
    std::function<void()> reportFailed;

    // The reply handling of the data event, on bytes already read.
    void replyReceived(const QByteArray &bytes);

private:
    void queryBoard();
    CloudForm currentForm() const;
    CloudFigures currentFigures(CloudForm form);
    void closeStuckSocket();
    bool radioOnline() const;
    // Drops what is queued; a held report that never went out is held again.
    void keepUnsentHeldReport();
    void startNextRequest();
    void finishReply();

    Parts m_parts;
    EventLine m_eventLine;
};

} // namespace korvane
