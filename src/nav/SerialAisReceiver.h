#pragma once

#include "geo/AisFix.h"
#include "nav/NmeaLineFramer.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>

namespace korvane {

class AisHeadingSaver;
class Clock;
class ControllerLink;
class Display;
class EventLog;
class SerialLink;
class SerialPortLister;
struct AisState;
struct ControllerStatus;
struct OptimisationState;

// The AIS receiver on the serial port `MSComm1`: discovery of the USB
// adapters at start-up, the port's opening rules, and the receive handler
// that turns the target vessel's heading into relative-turn commands.
class SerialAisReceiver {
public:
    struct Parts {
        Display &display;
        AisState &ais;
        ControllerStatus &status;      // own and target positions; the drive record
        ControllerLink &controller;
        OptimisationState &optimisation; // countdowns restarted by a drive
        AisHeadingSaver &headingSaver;   // USE_SHIP_AIS_ANG
        EventLog &log;
        const Clock &clock;
        SerialLink &port;
    };

    explicit SerialAisReceiver(Parts parts);

    // Lists the CH340 adapters (at most three) into the detected-port slots,
    // the console list and the port picker; a failed or empty listing is
    // reported on the notice line.
    void FindComPorts(const SerialPortLister &lister);
    // The start-up rule: a configured name opens when discovery found it; a
    // device path opens without that check; anything else stays closed.
    void openAtStart(const QString &configured);
    // The console's port command: closes the port and opens the one named,
    // a discovered name as it is, else "COM" and the number; without a
    // number the port in use before is opened again.
    void reopen(const QString &name, std::optional<std::int16_t> number);
    bool isDiscoveredPort(const QString &text) const;

    // The receive event: everything waiting is read and every complete
    // sentence handled in order.
    void MSComm1_OnComm();
    void receive(QByteArrayView bytes);

    // AIVDM sentences dropped for a wrong or missing checksum.
    quint64 corruptCount() const { return m_corrupt; }

private:
    void handleSentence(const QString &s);
    QString fixPieces(const AisFix &fix) const;
    void drive(const QString &s, const AisFix &fix, const QString &line);
    void openPort(const QString &name);

    Parts m_parts;
    NmeaLineFramer m_framer;
    QString m_portInUse;
    quint64 m_corrupt = 0;
};

} // namespace korvane
