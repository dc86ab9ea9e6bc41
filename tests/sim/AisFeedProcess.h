#pragma once

#include "support/Wait.h"

#include <QProcess>
#include <QStringList>

namespace korvane::test {

// `korvane-sim ais-feed` as a separate process: it writes to a device, so
// it announces that instead of a listening address.
class AisFeedProcess {
public:
    AisFeedProcess()
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] { readOutput(); });
    }
    ~AisFeedProcess() { stop(); }
    AisFeedProcess(const AisFeedProcess &) = delete;
    AisFeedProcess &operator=(const AisFeedProcess &) = delete;

    bool start(const QString &device, const QStringList &arguments = {}, int timeoutMs = 10000)
    {
        m_process.start(QStringLiteral(KORVANE_SIM_PATH),
                        QStringList{QStringLiteral("ais-feed"), QStringLiteral("--device"), device} + arguments);
        return waitForLine(QStringLiteral("korvane-sim ais-feed writing to ") + device, timeoutMs).size() > 0;
    }

    void control(const QString &line) { m_process.write((line + u'\n').toUtf8()); }

    bool controlAcknowledged(const QString &line, int timeoutMs = 5000)
    {
        control(line);
        return !waitForLine(QStringLiteral("ok ") + line, timeoutMs).isEmpty();
    }

    // The sentence the feed's encoder makes for `fields` ("heading=100 …").
    QByteArray encode(const QString &fields)
    {
        control(QStringLiteral("encode ") + fields);
        return waitForLine(QStringLiteral("sentence ")).mid(9).toLatin1();
    }

    QString waitForLine(const QString &prefix, int timeoutMs = 5000)
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

    QString status(const QString &name)
    {
        control(QStringLiteral("status"));
        const QString line = waitForLine(QStringLiteral("status "));
        for (const QString &field : line.split(u' ')) {
            if (field.startsWith(name + u'='))
                return field.mid(name.size() + 1);
        }
        return {};
    }

    QProcess &process() { return m_process; }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        control(QStringLiteral("quit"));
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

private:
    void readOutput()
    {
        m_partial += m_process.readAllStandardOutput();
        qsizetype end;
        while ((end = m_partial.indexOf('\n')) >= 0) {
            m_lines << QString::fromUtf8(m_partial.left(end)).trimmed();
            m_partial.remove(0, end + 1);
        }
    }

    QProcess m_process;
    QByteArray m_partial;
    QStringList m_lines;
    qsizetype m_taken = 0;
};

} // namespace korvane::test
