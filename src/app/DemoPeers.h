#pragma once

#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class QProcess;

namespace korvane {

// The demo's simulated peers, started as separate programs on loopback,
// and a throw-away folder for the demo's settings and logs, so a demo never
// touches the operator's.
class DemoPeers {
public:
    // What the demo's radio address reaches: a telnet radio or a 5G CPE.
    enum class Radio { AirOs, Cpe };

    explicit DemoPeers(Radio radio = Radio::AirOs);
    ~DemoPeers();

    // Starts the peers; false (with `error` set) when one cannot start.
    bool start(QString &error);

    QString folder() const { return m_dir.path(); }
    QString settingsPath() const;
    int boardPort() const { return m_boardPort; }
    int cloudPort() const { return m_cloudPort; }
    int radioPort() const { return m_radioPort; }
    Radio radio() const { return m_radio; }
    // The cloud peer's reports, one JSON line each.
    QString cloudReportsPath() const;
    int shipServicePort() const { return m_shipServicePort; }
    // The station's end of the AIS feed's pseudo-terminal pair; empty when
    // the feed could not run (no socat).
    QString aisPort() const { return m_aisPort; }
    // The vessel both the ship service and the AIS feed report.
    static constexpr const char *kDemoMmsi = "413000000";
    // How far off the board's own drive direction the demo radio's far end
    // lies, degrees: the signal comparison has something to find.
    static constexpr const char *kDemoPeakOffset = "4";

    // Finds korvane-sim beside the station, in the build tree, or on PATH.
    static QString simProgram();

private:
    int startPeer(const QStringList &arguments, QString &error);
    // Starts a peer and returns the first capture of `announcement` in what
    // it prints; empty (with `error` set) when it does not appear.
    QString startAnnounced(const QStringList &arguments, const QString &announcement, QString &error);
    void startAisFeed();

    QTemporaryDir m_dir;
    Radio m_radio;
    QList<QProcess *> m_processes;
    int m_boardPort = 0;
    int m_cloudPort = 0;
    int m_radioPort = 0;
    int m_shipServicePort = 0;
    QString m_aisPort;
};

} // namespace korvane
