#pragma once

#include "support/LoopbackServer.h"
#include "support/StationFixture.h"
#include "support/Wait.h"

#include "model/SettingKeys.h"
#include "nav/ShipService.h"
#include "platform/SerialLink.h"

#include <QFile>

namespace korvane::test {

// A fixed list of serial ports, or a listing that fails.
class FakeSerialPorts final : public SerialPortLister {
public:
    QList<SerialPortDescription> list;
    QString failure;
    std::optional<QList<SerialPortDescription>> ports(QString &error) const override
    {
        if (!failure.isEmpty()) {
            error = failure;
            return std::nullopt;
        }
        return list;
    }
    void add(const QString &name, const QString &description)
    {
        SerialPortDescription p;
        p.portName = name;
        p.description = description;
        list.append(p);
    }
};

// A station on throw-away settings, with its discovery and AIS port chosen
// by the test, connected to a silent board on 127.0.0.1 that records every
// byte. The timers are stopped: the test runs the handlers itself.
class AisStationFixture {
public:
    AisStationFixture()
    {
        settings().write(keys::DEVICE_KORVANE_IP, QStringLiteral("127.0.0.1:%1").arg(board.port()));
        settings().write(keys::DEVICE_KORVANE_PORT, QString::number(board.port()));
        settings().write(keys::KORVANE_AUTOLINK, QStringLiteral("1"));
        // Never the real service, whatever a test does.
        settings().write(keys::SHIP_SERVICE_URL, QStringLiteral("http://127.0.0.1:9"));
    }

    SettingsStore &settings() { return *base.settings; }

    Station &start(bool connect = true)
    {
        StationEnvironment env;
        env.programName = QStringLiteral("korvane-station");
        env.logFolder = base.dir.path();
        env.settings = base.settings.get();
        env.dialogs = &base.dialogs;
        env.reveal = &base.reveal;
        env.clock = &base.clock;
        env.aisPort = aisPort;
        env.serialPorts = &ports;
        station = std::make_unique<Station>(env);
        station->Form_Load();
        for (QTimer *t : {&station->Timer1, &station->blink, &station->Timer2, &station->GET_SIGN,
                          &station->Timer_Ping, &station->Timer_AutoScan, &station->Timer_Cloud})
            t->stop();
        if (connect)
            waitUntil([this] { return station->Winsock2.State() == TcpLink::Connected && board.openClients() > 0; });
        return *station;
    }

    // AIS drive on for the MMSI, from (31, 121) towards `target`.
    void driveTowards(double targetLatitude, double targetLongitude, const QString &mmsi = QStringLiteral("413000000"))
    {
        station->ais.aisDrive = true;
        station->ais.targetMmsi = mmsi;
        station->controllerStatus.OwnLatitude = 31.0;
        station->controllerStatus.OwnLongitude = 121.0;
        station->controllerStatus.ShipTarget = {targetLatitude, targetLongitude};
    }

    // Waits until the board holds at least `bytes`, then returns all it got.
    QByteArray boardReceived(qsizetype bytes = 0)
    {
        waitUntil([&] { return board.received.size() >= bytes; }, 5000);
        return board.received;
    }

    QString log() const { return base.logText(); }

    StationFixture base;
    LoopbackServer board;
    FakeSerialPorts ports;
    QString aisPort;
    std::unique_ptr<Station> station;
};

} // namespace korvane::test
