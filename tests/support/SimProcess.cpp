#include "support/SimProcess.h"

#include "support/Wait.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

namespace korvane::test {

SimProcess::SimProcess()
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] { readOutput(); });
}

SimProcess::~SimProcess() { stop(); }

bool SimProcess::start(const QString &peer, const QStringList &arguments, int timeoutMs)
{
    QStringList all{peer};
    if (!arguments.contains(QStringLiteral("--port")))
        all << QStringLiteral("--port") << QStringLiteral("0");
    all << arguments;
    static const QRegularExpression announce(QStringLiteral("^korvane-sim \\S+ listening on (\\S+):(\\d+)$"));
    const auto match = announce.match(launch(all, QStringLiteral("korvane-sim "), timeoutMs));
    if (!match.hasMatch())
        return false;
    m_host = match.captured(1);
    m_port = static_cast<quint16>(match.captured(2).toUInt());
    return true;
}

bool SimProcess::restart(const QString &peer, const QStringList &arguments, int boundMs)
{
    const QDeadlineTimer deadline(boundMs);
    do {
        stop();
        if (start(peer, arguments))
            return true;
    } while (!deadline.hasExpired());
    return false;
}

QString SimProcess::launch(const QStringList &arguments, const QString &announcement, int timeoutMs)
{
    m_process.start(QStringLiteral(KORVANE_SIM_PATH), arguments);
    return waitForLine(announcement, timeoutMs);
}

void SimProcess::control(const QString &line) { m_process.write((line + u'\n').toUtf8()); }

bool SimProcess::controlAcknowledged(const QString &line, int timeoutMs)
{
    control(line);
    return !waitForLine(QStringLiteral("ok ") + line, timeoutMs).isEmpty();
}

QString SimProcess::waitForLine(const QString &prefix, int timeoutMs)
{
    QString found;
    waitUntil(
        [&] {
            readOutput();
            for (; m_taken < m_lines.size(); ++m_taken) {
                if (m_lines.at(m_taken).startsWith(prefix)) {
                    found = m_lines.at(m_taken++);
                    return true;
                }
            }
            return m_process.state() == QProcess::NotRunning;
        },
        timeoutMs);
    return found;
}

qint64 SimProcess::statusValue(const QString &name, int timeoutMs)
{
    return statusValues({name}, timeoutMs).value(0, -1);
}

QList<qint64> SimProcess::statusValues(const QStringList &names, int timeoutMs)
{
    control(QStringLiteral("status"));
    const QString line = waitForLine(QStringLiteral("status "), timeoutMs);
    QList<qint64> values;
    for (const QString &name : names) {
        const QRegularExpression field(QStringLiteral("\\b%1=(\\d+)").arg(QRegularExpression::escape(name)));
        const auto match = field.match(line);
        values << (match.hasMatch() ? match.captured(1).toLongLong() : -1);
    }
    return values;
}

QString SimProcess::statusText(const QString &name, int timeoutMs)
{
    control(QStringLiteral("status"));
    const QString line = waitForLine(QStringLiteral("status "), timeoutMs);
    const QRegularExpression field(QStringLiteral("\\b%1=(\\S+)").arg(QRegularExpression::escape(name)));
    return field.match(line).captured(1);
}

void SimProcess::closeInput()
{
    m_process.closeWriteChannel();
    m_inputClosed = true;
}

void SimProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    if (m_inputClosed)
        m_process.terminate();
    else
        control(QStringLiteral("quit"));
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

void SimProcess::readOutput()
{
    m_partial += m_process.readAllStandardOutput();
    qsizetype end;
    while ((end = m_partial.indexOf('\n')) >= 0) {
        m_lines << QString::fromUtf8(m_partial.left(end)).trimmed();
        m_partial.remove(0, end + 1);
    }
}

} // namespace korvane::test
