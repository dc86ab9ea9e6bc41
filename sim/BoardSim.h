#pragma once

#include "BoardAntenna.h"
#include "BoardCommands.h"
#include "SimCommon.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTcpServer>
#include <QTimer>

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
    BoardAntenna::Setup antenna;
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
    void statusTick();
    QString nextStatusChunk();
    void motionTick();
    void dropAll();
    void startFlood(qint64 bytes);
    void topUpFlood(Client &client);
    bool setSwitch(const QString &argument, bool &flag);
    QString statusSummary() const;

    BoardOptions m_options;
    BoardAntenna m_antenna;
    BoardRegisters m_registers;
    BoardCommands m_commands;
    QTcpServer m_server;
    std::vector<Client> m_clients;
    ByteRecorder m_recorder;
    QTimer m_statusTimer;
    QTimer m_motionTimer;
    QElapsedTimer m_motionClock;
    bool m_silent = false;
    int m_statusSlot = 0;

    struct Counts {
        qint64 accepted = 0;
        qint64 refused = 0;
        qint64 dropped = 0;
        qint64 commands = 0;
        qint64 bytesIn = 0;
        qint64 bytesOut = 0;
    } m_counts;
};

} // namespace korvane::sim
