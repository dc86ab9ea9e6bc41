#pragma once

#include "e2e/SocatPair.h"
#include "sim/AisFeedProcess.h"
#include "support/SimProcess.h"
#include "support/StationProcess.h"

#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <utility>

namespace korvane::test {

// What the headless station's `:stats` line says; -1 where it said nothing.
struct StationStats {
    qint64 maxGapMs = -1;
    qint64 rssKb = -1;
    qint64 peakRssKb = -1;
    qint64 cpuMs = -1;
};

// The headless station with every simulated peer as a separate program on
// loopback: board, radio (airOS), cloud, ship-position service, and the AIS
// feed through a socat pseudo-terminal pair. Time runs faster (ten times
// unless told otherwise).
class FaultStation {
public:
    static constexpr const char *kPassword = "Pw-9Qz-4417";
    static constexpr const char *kMmsi = "413000000";

    struct Options {
        // Multiplies every timer interval of the station.
        double timeScale = 0.1;
        bool serial = true;
        // The cloud server's name (its address is always 127.0.0.1).
        QString cloudName = QStringLiteral("127.0.0.1");
        // A 5G CPE in the radio's place.
        bool cpe = false;
        // The radio's port (0: any free one), and whether the radio address
        // names it (without it the station searches the telnet ports).
        quint16 radioPort = 0;
        bool radioPortInAddress = true;
        // Settings written over the defaults before the station starts.
        QList<std::pair<QString, QString>> settings;
        // When set, makes the settings file's bytes instead (the peers run).
        std::function<QByteArray(const FaultStation &)> rawSettings;
        QProcessEnvironment env;
    };

    FaultStation() = default;
    FaultStation(const FaultStation &) = delete;
    FaultStation &operator=(const FaultStation &) = delete;

    // Peers, then the station; false with error() saying what failed.
    bool start(const Options &options);
    QString error() const { return m_error; }

    // One round of the ping timer's supervision: its interval, the probes'
    // two one-second waits and one ship lookup at its overall bound.
    int supervisionMs() const;
    // The cloud timer's interval.
    int cloudPeriodMs() const;

    QString path(const QString &name) const;
    QString logDir() const { return path(QStringLiteral("log")); }
    QString settingsPath() const { return path(QStringLiteral("station.ini")); }
    // Every daily log file of the log folder, in name order.
    QByteArray logBytes() const;

    // Where the station's output stands now; waits look after a mark.
    qsizetype mark() const { return station.outputBytes().size(); }
    bool waitForOutput(qsizetype since, const QString &text, int timeoutMs);
    bool printedSince(qsizetype since, const QString &text) const;
    // The last value printed for "CONTROL.property", empty when none.
    QString lastValue(const QString &controlProperty) const;
    // Operator line; waits until the station echoed it into Combo2 or a
    // bound passes, so later waits see its effects.
    void type(const QString &line);

    // Sends ":stats" and reads the answer (which resets the longest gap).
    StationStats stats();

    // The board sees the station connected and the station shows it green.
    bool boardLinkUp(int timeoutMs);
    // The radio has a logged-in session and the station shows the login.
    bool radioLoggedIn(qsizetype since, int timeoutMs);
    // The station took the radio for a CPE, and its readings keep the radio
    // lamp green.
    bool cpeReadsWell(int timeoutMs);
    bool usesCpe() const { return m_options.cpe; }
    // Stops the radio and starts it again on `port`.
    bool restartRadio(quint16 port);
    // Stops the board and starts it again on the same port.
    bool restartBoard(const QStringList &extra = {});
    bool stationRunning() { return station.process().state() == QProcess::Running; }
    // How the station ended: exit, its error output and its last lines.
    QString endReport();

    SimProcess board;
    SimProcess radio;
    SimProcess cloud;
    SimProcess ship;
    SimProcess cpe;
    SocatPair cable;
    AisFeedProcess feed;
    StationProcess station;

private:
    bool fail(const QString &what);
    bool startPeers(const Options &options);
    void writeSettings(const Options &options);
    QStringList boardArguments() const;
    QStringList radioArguments(quint16 port) const;

    QTemporaryDir m_dir;
    QString m_error;
    quint16 m_boardPort = 0;
    double m_timeScale = 0.1;
    Options m_options;
};

} // namespace korvane::test
