#pragma once

#include "cloud/CloudQuery.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace korvane {

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
    };
    using EventLine = std::function<QString(const QString &)>;

    CloudReporter(Parts parts, EventLine eventLine);

    void Timer_Cloud_Timer();
    void Winsock_Cloud_Connect();
    void Winsock_Cloud_DataArrival();
    void Winsock_Cloud_Error(int number, const QString &description);
    void Cloud_Click();

    // The reply handling of the data event, on bytes already read.
    void replyReceived(const QByteArray &reply);

private:
    void queryBoard();
    CloudForm currentForm() const;
    CloudFigures currentFigures(CloudForm form);
    void closeStuckSocket();
    void connectAndPrepare(const QString &query);
    bool radioOnline() const;
    void sendPending();

    Parts m_parts;
    EventLine m_eventLine;
};

} // namespace korvane
