#pragma once

#include "platform/Http.h"

#include <QString>

#include <functional>

namespace korvane {

class AisHeadingSaver;
class Clock;
class ControllerLink;
class Display;
class EventLog;
class SettingsStore;
struct AisState;
struct ControllerStatus;
struct OptimisationState;
struct ShipReport;

// The ship-position service in the ping timer's tick: the board's one-time
// queries, ship-to-ship mode (the target vessel's new position becomes the
// board's target) and AIS drive from the web (the vessel's heading turns the
// antenna, as a serial AIS report does). Both modes share the last report
// time, so one report is handled once.
class WebShipTracker {
public:
    using EventLine = std::function<QString(const QString &message)>;

    struct Parts {
        Display &display;
        AisState &ais;
        ControllerStatus &status;        // positions, MultiBase, the drive record, heading and speed
        ControllerLink &controller;
        OptimisationState &optimisation; // countdowns restarted by a drive
        SettingsStore &settings;         // the service's address
        AisHeadingSaver &headingSaver;   // USE_SHIP_AIS_ANG
        EventLog &log;
        const Clock &clock;
        Http &http;
        const Scope &scope;
    };

    WebShipTracker(Parts parts, EventLine eventLine);

    // The waits between the one-time queries. Tests replace it.
    Wait wait;
    // Each lookup's time-outs: a slow service never holds the tick longer
    // than their sum.
    HttpTimeouts timeouts{2000, 3000, 2000, 5000};

    // Everything after the link supervision in the ping tick.
    Task<> tick();

    Task<> oneTimeQueries();
    // False when the tick ends here (the request failed).
    Task<bool> shipToShipUpdate();
    // False when the tick ends here; `eventLine` gets the line of a report
    // without a usable heading.
    Task<bool> aisDriveUpdate(QString &eventLine);

private:
    struct Lookup {
        bool ok = false;
        QString reply;
    };
    Task<Lookup> lookUp(QString tag);
    bool isNewReport(const ShipReport &report);
    void logReply(const QString &reply, const QString &reportLine);
    void driveFromHeading(const ShipReport &report);
    void sendTarget(const ShipReport &report);

    Parts m_parts;
    EventLine m_eventLine;
    // A run of reports without a position is reported once, at its start.
    bool m_positionMissingShown = false;
};

} // namespace korvane
