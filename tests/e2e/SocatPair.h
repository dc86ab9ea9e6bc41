#pragma once

#include "support/Wait.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace korvane::test {

// Two pseudo-terminals joined by socat, as a null-modem cable: the station
// opens stationEnd(), the AIS feed writes feedEnd().
class SocatPair {
public:
    static QString program() { return QStandardPaths::findExecutable(QStringLiteral("socat")); }

    SocatPair() { m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel); }
    ~SocatPair() { stop(); }
    SocatPair(const SocatPair &) = delete;
    SocatPair &operator=(const SocatPair &) = delete;

    bool start()
    {
        if (program().isEmpty() || !m_dir.isValid())
            return false;
        m_process.start(program(), {QStringLiteral("pty,raw,echo=0,link=") + stationEnd(),
                                    QStringLiteral("pty,raw,echo=0,link=") + feedEnd()});
        return waitUntil([this] { return QFileInfo::exists(stationEnd()) && QFileInfo::exists(feedEnd()); }, 5000);
    }

    QString stationEnd() const { return QDir(m_dir.path()).filePath(QStringLiteral("station")); }
    QString feedEnd() const { return QDir(m_dir.path()).filePath(QStringLiteral("feed")); }

    // Pulls the cable: both terminals go away.
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};

} // namespace korvane::test
