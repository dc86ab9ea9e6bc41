#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

namespace korvane::test {

// The headless station run as a separate program; its display lines are
// collected for the test to wait on.
class StationProcess {
public:
    StationProcess();
    ~StationProcess();
    StationProcess(const StationProcess &) = delete;
    StationProcess &operator=(const StationProcess &) = delete;

    // Starts `korvane-station --headless` with `arguments` added; the
    // environment is the test's own plus `extraEnv`.
    bool start(const QStringList &arguments, const QProcessEnvironment &extraEnv = {},
               const QString &workingDir = {});
    // Writes one stdin line (a line end is added).
    void send(const QString &line);
    // True once an output line containing `text` has been seen.
    bool waitForOutput(const QString &text, int timeoutMs = 10000);
    bool waitForExit(int timeoutMs = 10000);
    QString output() const { return QString::fromUtf8(m_output); }
    // Everything printed so far, as bytes (cheap to search while it grows).
    const QByteArray &outputBytes() const { return m_output; }
    QProcess &process() { return m_process; }
    void stop();

private:
    QProcess m_process;
    // The station's default data folder (the history file) for runs that
    // name no other, so no test writes into the account's own.
    QTemporaryDir m_dataHome;
    QByteArray m_output;
};

} // namespace korvane::test
