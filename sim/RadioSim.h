#pragma once

#include "RadioConnection.h"
#include "RadioLink.h"
#include "RadioTexts.h"
#include "SimCommon.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QTcpServer>
#include <QTimer>

#include <optional>
#include <vector>

namespace korvane::sim {

struct RadioOptions {
    RadioFamily family = RadioFamily::AirOs;
    QString host = QStringLiteral("127.0.0.1");
    quint16 port = 9754;
    QString user = QStringLiteral("ubnt");
    QString password = QStringLiteral("ubnt");
    QString recordPath;
    bool negotiate = true; // telnet option offers at connect (text families)
    int pushMs = 0;        // 0: status only when asked
    bool split = false;
    bool echo = false;     // lines typed come back, as from a shell behind telnetd
    RadioIdentity identity;
    RadioLink::Setup link;
    // Set: the bearing is read from this file before every reading (see
    // BearingFile), so the signal follows a simulated board's antenna.
    QString bearingFrom;
};

// The simulated radio: a TCP server on loopback speaking one family's
// console to every station that connects, with a link whose signal follows
// the antenna's bearing (see RadioLink). Faults and the bearing come as
// control lines on stdin.
class RadioSim : public QObject {
    Q_OBJECT
public:
    explicit RadioSim(const RadioOptions &options, QObject *parent = nullptr);
    ~RadioSim() override;

    bool start(QString *error);
    void control(const QString &line);

private:
    void acceptPending();
    void forget(QTcpSocket *socket);
    QString nextStatus();
    void followBearing();
    QString newKey();
    void pushAll();
    void writeAll(const QByteArray &bytes);
    void floodTopUp(QTcpSocket *socket);
    QString statusSummary() const;

    using ControlHandler = bool (RadioSim::*)(const QString &argument);
    struct ControlEntry {
        const char *word;
        ControlHandler handler;
    };
    static const ControlEntry kControls[];
    bool controlBearing(const QString &argument);
    bool controlPeak(const QString &argument);
    bool controlBeamwidth(const QString &argument);
    bool controlSignal(const QString &argument);
    bool controlNoise(const QString &argument);
    bool controlMisreport(const QString &argument);
    bool controlJitter(const QString &argument);
    bool controlPush(const QString &argument);
    bool controlSplit(const QString &argument);
    bool controlSilent(const QString &argument);
    bool controlEcho(const QString &argument);
    bool controlPassword(const QString &argument);
    bool controlExpireKey(const QString &argument);
    bool controlDrop(const QString &argument);
    bool controlSend(const QString &argument);
    bool controlFlood(const QString &argument);
    bool controlLongLine(const QString &argument);

    RadioOptions m_options;
    RadioLink m_link;
    QTcpServer m_server;
    std::vector<RadioConnection *> m_connections;
    RadioConnection::Counts m_counts;
    ByteRecorder m_recorder;
    QTimer m_pushTimer;
    QElapsedTimer m_uptime;
    QSet<QString> m_validKeys;
    quint64 m_keySerial = 0;
    bool m_silent = false;
    bool m_split = false;
    bool m_echo = false;
    // Bytes still to send per socket for a flood or a long line, and what
    // they are made of.
    struct Flood {
        QTcpSocket *socket;
        qint64 left;
        bool garbage;
    };
    std::vector<Flood> m_floods;
    RadioLink::Reading m_last;
    // A signal figure reported whatever the link does, as a radio's firmware
    // now and then reports nonsense (+30 dBm); empty: the link's own.
    std::optional<int> m_misreport;
    qint64 m_accepted = 0;
    qint64 m_bytesIn = 0;
    qint64 m_bytesOut = 0;
};

} // namespace korvane::sim
