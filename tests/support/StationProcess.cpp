#include "support/StationProcess.h"

#include "support/Wait.h"

namespace korvane::test {

StationProcess::StationProcess()
{
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput,
                     [this] { m_output += m_process.readAllStandardOutput(); });
}

StationProcess::~StationProcess()
{
    stop();
}

bool StationProcess::start(const QStringList &arguments, const QProcessEnvironment &extraEnv,
                           const QString &workingDir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_dataHome.path());
    env.insert(extraEnv);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    m_process.setProcessEnvironment(env);
    if (!workingDir.isEmpty())
        m_process.setWorkingDirectory(workingDir);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setReadChannel(QProcess::StandardOutput);
    m_process.start(QStringLiteral(KORVANE_STATION_PATH), QStringList{QStringLiteral("--headless")} + arguments);
    return m_process.waitForStarted(10000);
}

void StationProcess::send(const QString &line)
{
    m_process.write((line + QLatin1Char('\n')).toUtf8());
}

bool StationProcess::waitForOutput(const QString &text, int timeoutMs)
{
    const QByteArray needle = text.toUtf8();
    return waitUntil([&] { return m_output.contains(needle); }, timeoutMs);
}

bool StationProcess::waitForExit(int timeoutMs)
{
    return waitUntil([&] { return m_process.state() == QProcess::NotRunning; }, timeoutMs);
}

void StationProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    send(QStringLiteral(":quit"));
    if (!waitForExit(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

} // namespace korvane::test
