#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringDecoder>

namespace korvane {

class Clock;
class ControllerLink;
class Display;
class EventLog;
class TcpLink;
struct AisState;
struct ControllerStatus;
struct OptimisationState;
struct RadioSessionState;

// Turns the board's free-running status text into ControllerStatus, the
// displays, a few replies and the log. Each data arrival is one chunk; every
// step looks for its markers anywhere in that chunk and stands on its own: a
// step that meets malformed text changes nothing and the next step runs.
class StatusParser {
public:
    struct State {
        ControllerStatus &status;
        AisState &ais;
        OptimisationState &optimisation;
        RadioSessionState &radio;
    };

    StatusParser(TcpLink &controller, ControllerLink &link, Display &display, EventLog &log,
                 const Clock &clock, State state);

    void Winsock2_DataArrival();
    // Bytes as they came off the socket.
    void receive(const QByteArray &bytes);
    // The steps after the read, on one decoded chunk (what the fuzz target
    // and the benchmark feed).
    void handleChunk(const QString &chunk);

    // The text a distance shows as: nautical miles and kilometres.
    static QString distanceText(double km);
    // " ↑", " ↗" ... for a heading in degrees.
    static QString headingArrow(double heading);

private:
    void receiverAlarm(const QString &s);
    void boardAlarms(const QString &s);
    void baseStationCount(const QString &s);
    void receiverRecovered(const QString &s);
    void speedAndHeadingColonForm(const QString &s);
    void mmsiConflict(const QString &s);
    void driveEcho(const QString &s);
    void executionEcho(const QString &s);
    void positionReports(const QString &s);
    void ownPosition(const QString &s, const QString &marker);
    void targetPosition(const QString &s, const QString &marker);
    void horizontalAngle(const QString &s);
    void executionReport(const QString &s);
    void distanceForms(const QString &s);
    void compassReport(const QString &s);
    void duplicatePrefixRepair(QString &s);
    void headingAndSpeed(const QString &s);
    void compassRebasing(const QString &s);
    void radioKey(const QString &s);
    QString positionLogLine(const QString &s) const;
    void reassemble(QString &s);
    void radioFiguresForLog(QString &s);
    void writeLog(const QString &s, const QString &positionLine);
    void reloadScanCountdown();
    bool sendLine(const QString &command);

    TcpLink &m_controller;
    ControllerLink &m_link;
    Display &m_display;
    EventLog &m_log;
    const Clock &m_clock;
    State m_state;
    // Keeps a character split between two reads for the next read, so
    // Chinese text cut by TCP is not turned into replacement characters.
    QStringDecoder m_decoder{QStringDecoder::Utf8};
    // When the execution echo last resent the drive command. The board
    // answers a drive command with an execution report, which would ask for
    // the next resend at once: without a spacing the two ping-pong.
    QElapsedTimer m_lastCorrection;
};

} // namespace korvane
