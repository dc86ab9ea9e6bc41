#pragma once

#include "BearingFile.h"
#include "BoardAntenna.h"
#include "BoardCommands.h"
#include "SimCommon.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTcpServer>
#include <QTimer>

#include <optional>
#include <vector>

class QTcpSocket;

namespace korvane::sim {

class CommandFramer;

struct BoardOptions {
    QString host = QStringLiteral("127.0.0.1");
    quint16 port = 8233;
    int intervalMs = 1000;
    // A station may send a command without a line end; this much quiet after
    // a fragment ends it.
    int commandGapMs = 200;
    QString recordPath;
    bool silent = false;
    bool mute = false;
    bool refuseSecond = false;
    int dropAfterMs = 0;
    QString key;
    QString keyAddress;
    bool splitReports = false;
    // Set: relay these receiver sentences from the start (rate 1 Hz).
    std::optional<NmeaKinds> nmea;
    BoardTexts::OwnMarker ownMarker = BoardTexts::OwnMarker::Local;
    BoardAntenna::Setup antenna;
    // Set: this file follows BoardAntenna::pointingFromDrive, for a simulated
    // radio whose signal depends on where the antenna points.
    QString bearingFile;
};

// The simulated antenna-controller board: a TCP server that streams status
// text to every connected station, executes their commands, records every
// byte they send, and injects faults on request.
//
// Faults: "drop" closes every connection; "silent" keeps connections but
// stops all talk until turned off; "mute" (start-up only) never talks at all;
// "refuse-second" accepts a further connection while one is open and closes
// it at once, so the station's probe sees its second socket closed;
// drop-after closes each connection a fixed time after it opened.
//
// Split reports: while on, every other execution report goes out in two or
// three writes a little apart, cut where the board's serial bridge cuts
// them, so the station sees the pieces as separate chunks.
class BoardSim : public QObject {
    Q_OBJECT
public:
    explicit BoardSim(const BoardOptions &options, QObject *parent = nullptr);
    ~BoardSim() override;

    bool start(QString *error);
    // One control line from the tester (stdin).
    void control(const QString &line);

private:
    struct Client {
        QTcpSocket *socket = nullptr;
        CommandFramer *framer = nullptr;
        qint64 floodLeft = 0;
    };

    void acceptPending();
    void adopt(QTcpSocket *socket);
    void forget(QTcpSocket *socket);
    Client *clientOf(QTcpSocket *socket);
    void received(QTcpSocket *socket);
    void executeCommand(const QByteArray &line);
    void say(const QString &text);
    void writeAll(const QByteArray &bytes);
    // Writes the pieces one after another within the current status slot.
    void sayPieces(const QStringList &pieces);
    void statusTick();
    void sayExecutionReport();
    int slotMs() const;
    void motionTick();
    void dropAll();
    void startFlood(qint64 bytes);
    void topUpFlood(Client &client);
    QString statusSummary() const;

    // Control lines from stdin; each answers whether its argument was valid.
    using ControlHandler = bool (BoardSim::*)(const QString &argument);
    struct ControlEntry {
        const char *word;
        ControlHandler handler;
    };
    static const ControlEntry kControls[];
    bool controlDrop(const QString &argument);
    bool controlSilent(const QString &argument);
    bool controlRefuseSecond(const QString &argument);
    bool controlGnss(const QString &argument);
    bool controlKey(const QString &argument);
    bool controlFlood(const QString &argument);
    bool controlSend(const QString &argument);
    bool controlSplit(const QString &argument);
    bool controlNmea(const QString &argument);
    bool controlAlarm(const QString &argument);
    bool controlBases(const QString &argument);
    bool controlBaseSwitch(const QString &argument);
    bool controlCompass(const QString &argument);

    BoardOptions m_options;
    BoardAntenna m_antenna;
    BoardRegisters m_registers;
    BoardCommands m_commands;
    QTcpServer m_server;
    std::vector<Client> m_clients;
    ByteRecorder m_recorder;
    BearingFileWriter m_bearing;
    QTimer m_statusTimer;
    QTimer m_motionTimer;
    QElapsedTimer m_motionClock;
    bool m_silent = false;
    int m_statusSlot = 0;
    bool m_splitReports = false;
    // Execution reports sent while splitting is on; odd ones are split.
    qint64 m_splitRound = 0;

    struct Counts {
        qint64 accepted = 0;
        qint64 refused = 0;
        qint64 dropped = 0;
        qint64 commands = 0;
        qint64 bytesIn = 0;
        qint64 bytesOut = 0;
        qint64 splitReports = 0;
    } m_counts;
};

} // namespace korvane::sim
