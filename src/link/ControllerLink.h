#pragma once

#include "platform/Waits.h"

#include <QString>

#include <optional>

namespace korvane {

class Display;
class SettingsStore;
class TcpLink;
struct ControllerStatus;
struct RadioSessionState;

// The controller board's TCP link and command channel, the connect button,
// the start-up connect and the periodic probe-and-reconnect. The button and
// the start-up also point the radio socket, since they share the address
// boxes.
class ControllerLink {
public:
    static constexpr int kDefaultControllerPort = 8233;
    static constexpr int kDefaultRadioPort = 9754;

    struct Sockets {
        TcpLink &radio;      // Winsock1
        TcpLink &controller; // Winsock2
        TcpLink &probe;      // Winsock_test
    };

    ControllerLink(Sockets sockets, Display &display, SettingsStore &settings,
                   ControllerStatus &status, RadioSessionState &radio, const Scope &scope);

    // The command channel: one send of the exact text. False (nothing sent)
    // unless the link is connected.
    bool send(const QString &command);
    bool isConnected() const;

    void Command1_Click();
    // `storedRadioPort`: DEVICE_WIRESS_PORT as read at start (0: default,
    // negative: leave the port unset).
    void startupConnect(int storedRadioPort, bool autoConnect);
    // The link supervision of the ping timer's tick: each link's probe
    // waits a second; about two seconds in all.
    Task<> supervise();

private:
    // An address whose port is out of range: a notice, and true.
    static bool pointsAt(const TcpLink &socket, const QString &address);
    bool refusePort(const QString &address);
    void radioHalf();
    void controllerHalf();
    void finalStep();
    // A second connection to the target's address, held for the probe's
    // wait: whether it stood (nothing when the target was not connected or
    // the wait was cut short). The target is one of the station's own
    // sockets, which outlive every wait.
    Task<std::optional<bool>> probe(TcpLink &target);
    Task<> probeRadio();
    Task<> probeController();
    void connectRadio();
    void reconnect(TcpLink &socket);

    Sockets m_sockets;
    Display &m_display;
    SettingsStore &m_settings;
    ControllerStatus &m_status;
    RadioSessionState &m_radio;
    const Scope &m_scope;
    bool m_portRefused = false; // an address of this click or start was refused
};

} // namespace korvane
