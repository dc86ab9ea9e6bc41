#include "app/DemoPeers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace korvane {

DemoPeers::DemoPeers()
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
    const QString program = simProgram();
    if (program.isEmpty()) {
        error = QStringLiteral("korvane-sim not found");
        return 0;
    }
    auto *process = new QProcess;
    m_processes.append(process);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(program, arguments);
    static const QRegularExpression listening(QStringLiteral("listening on [0-9.]+:(\\d+)"));
    QByteArray seen;
    while (process->waitForReadyRead(5000)) {
        seen += process->readAll();
        const QRegularExpressionMatch m = listening.match(QString::fromUtf8(seen));
        if (m.hasMatch()) {
            // Keep draining what the peer prints so its pipe never fills.
            QObject::connect(process, &QProcess::readyReadStandardOutput, process,
                             [process] { process->readAllStandardOutput(); });
            return m.captured(1).toInt();
        }
    }
    error = QStringLiteral("korvane-sim %1 did not start: %2")
                .arg(arguments.join(QLatin1Char(' ')), QString::fromUtf8(seen));
    return 0;
}

bool DemoPeers::start(QString &error)
{
    if (!m_dir.isValid()) {
        error = QStringLiteral("no temporary folder");
        return false;
    }
    m_boardPort = startPeer({QStringLiteral("board"), QStringLiteral("--port"), QStringLiteral("0"),
                             QStringLiteral("--record"), QDir(m_dir.path()).filePath(QStringLiteral("board-received.bin"))},
                            error);
    if (m_boardPort <= 0)
        return false;
    m_cloudPort = startPeer({QStringLiteral("cloud"), QStringLiteral("--port"), QStringLiteral("0"),
                             QStringLiteral("--reports"), cloudReportsPath()},
                            error);
    return m_cloudPort > 0;
}

} // namespace korvane
