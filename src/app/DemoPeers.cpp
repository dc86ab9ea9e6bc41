#include "app/DemoPeers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cstdio>

namespace korvane {

DemoPeers::DemoPeers(Radio radio)
    : m_radio(radio)
{
    m_dir.setAutoRemove(true);
}

DemoPeers::~DemoPeers()
{
    for (QProcess *p : m_processes) {
        p->kill();
        p->waitForFinished(2000);
        delete p;
    }
}

QString DemoPeers::settingsPath() const
{
    return QDir(m_dir.path()).filePath(QStringLiteral("korvane-demo.ini"));
}

QString DemoPeers::cloudReportsPath() const
{
    return QDir(m_dir.path()).filePath(QStringLiteral("cloud-reports.jsonl"));
}

QString DemoPeers::simProgram()
{
    const QDir here(QCoreApplication::applicationDirPath());
    for (const QString &candidate : {here.filePath(QStringLiteral("korvane-sim")),
                                     here.filePath(QStringLiteral("../sim/korvane-sim"))}) {
        if (QFileInfo(candidate).isExecutable())
            return QFileInfo(candidate).canonicalFilePath();
    }
    return QStandardPaths::findExecutable(QStringLiteral("korvane-sim"));
}

int DemoPeers::startPeer(const QStringList &arguments, QString &error)
{
    return startAnnounced(arguments, QStringLiteral("listening on [0-9.]+:(\\d+)"), error).toInt();
}

QString DemoPeers::startAnnounced(const QStringList &arguments, const QString &announcement, QString &error)
{
    const QString program = simProgram();
    if (program.isEmpty()) {
        error = QStringLiteral("korvane-sim not found");
        return {};
    }
    auto *process = new QProcess;
    m_processes.append(process);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(program, arguments);
    const QRegularExpression announced(announcement);
    QByteArray seen;
    while (process->waitForReadyRead(5000)) {
        seen += process->readAll();
        const QRegularExpressionMatch m = announced.match(QString::fromUtf8(seen));
        if (m.hasMatch()) {
            // Keep draining what the peer prints so its pipe never fills.
            QObject::connect(process, &QProcess::readyReadStandardOutput, process,
                             [process] { process->readAllStandardOutput(); });
            return m.captured(1);
        }
    }
    error = QStringLiteral("korvane-sim %1 did not start: %2")
                .arg(arguments.join(QLatin1Char(' ')), QString::fromUtf8(seen));
    return {};
}

// The AIS receiver needs a serial line: socat joins two pseudo-terminals,
// the station opens one end and the feed writes the other. Without socat
// the demo runs without it.
void DemoPeers::startAisFeed()
{
    const QString socat = QStandardPaths::findExecutable(QStringLiteral("socat"));
    if (socat.isEmpty()) {
        std::fprintf(stderr, "demo: socat not found, so no AIS feed (install the Debian package socat)\n");
        return;
    }
    const QString stationEnd = QDir(m_dir.path()).filePath(QStringLiteral("ais-station"));
    const QString feedEnd = QDir(m_dir.path()).filePath(QStringLiteral("ais-feed"));
    auto *cable = new QProcess;
    m_processes.append(cable);
    cable->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    cable->start(socat, {QStringLiteral("pty,raw,echo=0,link=") + stationEnd,
                         QStringLiteral("pty,raw,echo=0,link=") + feedEnd});
    QElapsedTimer waited;
    waited.start();
    // Bounded: the links appear at once, or socat has failed.
    while (!(QFileInfo::exists(stationEnd) && QFileInfo::exists(feedEnd)) && waited.elapsed() < 5000) {
        if (cable->waitForFinished(20))
            break;
    }
    if (!QFileInfo::exists(stationEnd) || !QFileInfo::exists(feedEnd)) {
        std::fprintf(stderr, "demo: socat made no pseudo-terminals, so no AIS feed\n");
        return;
    }
    QString error;
    const QString written = startAnnounced({QStringLiteral("ais-feed"), QStringLiteral("--device"), feedEnd,
                                            QStringLiteral("--mmsi"), QString::fromLatin1(kDemoMmsi),
                                            QStringLiteral("--lat"), QStringLiteral("31.3"), QStringLiteral("--lon"),
                                            QStringLiteral("121.6"), QStringLiteral("--course"), QStringLiteral("120"),
                                            QStringLiteral("--speed"), QStringLiteral("12"), QStringLiteral("--others"),
                                            QStringLiteral("2")},
                                           QStringLiteral("writing to (\\S+)"), error);
    if (written.isEmpty()) {
        std::fprintf(stderr, "demo: %s\n", qPrintable(error));
        return;
    }
    m_aisPort = stationEnd;
}

bool DemoPeers::start(QString &error)
{
    if (!m_dir.isValid()) {
        error = QStringLiteral("no temporary folder");
        return false;
    }
    // The target vessel of the ship service and the AIS feed is where the
    // board reports its target ship.
    // The board keeps where its antenna points in this file and the radio's
    // signal follows it, so the station's turns change what the radio reads.
    const QString bearing = QDir(m_dir.path()).filePath(QStringLiteral("antenna-bearing"));
    m_boardPort = startPeer({QStringLiteral("board"), QStringLiteral("--port"), QStringLiteral("0"),
                             QStringLiteral("--target-lat"), QStringLiteral("31.3"), QStringLiteral("--target-lon"),
                             QStringLiteral("121.6"),
                             QStringLiteral("--record"), QDir(m_dir.path()).filePath(QStringLiteral("board-received.bin")),
                             QStringLiteral("--bearing-file"), bearing},
                            error);
    if (m_boardPort <= 0)
        return false;
    // An airOS radio, read by the two-second poll; or a 5G CPE, found by
    // the same tick's probe at the radio address.
    m_radioPort = m_radio == Radio::Cpe
                      ? startPeer({QStringLiteral("cpe"), QStringLiteral("--port"), QStringLiteral("0")}, error)
                      : startPeer({QStringLiteral("radio"), QStringLiteral("--family"), QStringLiteral("airos"),
                                   QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--bearing-from"),
                                   bearing, QStringLiteral("--peak-bearing"), QString::fromLatin1(kDemoPeakOffset),
                                   QStringLiteral("--beamwidth"), QStringLiteral("6"), QStringLiteral("--jitter"),
                                   QStringLiteral("1")},
                                  error);
    if (m_radioPort <= 0)
        return false;
    m_cloudPort = startPeer({QStringLiteral("cloud"), QStringLiteral("--port"), QStringLiteral("0"),
                             QStringLiteral("--reports"), cloudReportsPath()},
                            error);
    if (m_cloudPort <= 0)
        return false;
    m_shipServicePort = startPeer({QStringLiteral("ship-service"), QStringLiteral("--port"), QStringLiteral("0"),
                                   QStringLiteral("--mmsi"), QString::fromLatin1(kDemoMmsi), QStringLiteral("--lat"),
                                   QStringLiteral("31.3"), QStringLiteral("--lon"), QStringLiteral("121.6"),
                                   QStringLiteral("--course"), QStringLiteral("120"), QStringLiteral("--speed"),
                                   QStringLiteral("12")},
                                  error);
    if (m_shipServicePort <= 0)
        return false;
    startAisFeed();
    return true;
}

} // namespace korvane
