#include "platform/SshClient.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimer>

namespace korvane {

namespace {

#ifdef Q_OS_WIN
const QString kPlink = QStringLiteral("plink.exe");
#else
const QString kPlink = QStringLiteral("plink");
#endif

} // namespace

SshClient::SshClient() = default;
SshClient::~SshClient() = default;

bool SshClient::startRemoteCommand(const QString &host, const QString &user, const QString &password,
                                   const QString &command)
{
    // plink would take such a host as one of its own options.
    if (host.isEmpty() || host.startsWith(QLatin1Char('-')))
        return false;
    const QString passwordFile = writePasswordFile(password);
    if (passwordFile.isEmpty())
        return false;
    const QStringList arguments{QStringLiteral("-ssh"), host,         QStringLiteral("-l"),     user,
                                QStringLiteral("-pwfile"), passwordFile, QStringLiteral("-batch"), command};
    if (!starter || !starter(plinkProgram(), arguments)) {
        QFile::remove(passwordFile);
        return false;
    }
    QTimer::singleShot(passwordFileLifetimeMs, &m_timers, [passwordFile] { QFile::remove(passwordFile); });
    return true;
}

QString SshClient::plinkProgram()
{
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(kPlink);
    if (QFileInfo(beside).isExecutable())
        return beside;
    const QString onPath = QStandardPaths::findExecutable(kPlink);
    return onPath.isEmpty() ? kPlink : onPath;
}

bool SshClient::startDetachedQuietly(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

QString SshClient::writePasswordFile(const QString &password)
{
    // A private folder (0700) holding private files (0600).
    if (!m_dir || !m_dir->isValid())
        m_dir = std::make_unique<QTemporaryDir>();
    if (!m_dir->isValid())
        return {};
    QTemporaryFile file(QDir(m_dir->path()).filePath(QStringLiteral("pw-XXXXXX")));
    file.setAutoRemove(false);
    if (!file.open())
        return {};
    const QByteArray bytes = password.toUtf8() + '\n';
    if (file.write(bytes) != bytes.size()) {
        file.remove();
        return {};
    }
    file.close();
    return file.fileName();
}

} // namespace korvane
