#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace korvane::test {

// One simulated peer (`korvane-sim <peer> …`) run as a separate process for a
// test. start() waits for the peer's listening line; control lines go to its
// stdin; every later stdout line is kept for waitForLine(). The peer is
// stopped when the object goes.
class SimProcess {
public:
    SimProcess();
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Adds "--port 0" unless `arguments` name a port. False when the peer
    // exits or does not announce itself within `timeoutMs`.
    bool start(const QString &peer, const QStringList &arguments = {}, int timeoutMs = 10000);

    QString host() const { return m_host; }
    quint16 port() const { return m_port; }
    QProcess &process() { return m_process; }

    // Stops the peer and starts it again with `arguments`, which name the
    // port it had. Something else may take that port for a moment once it
    // is free, so the start is tried again within the bound.
    bool restart(const QString &peer, const QStringList &arguments, int boundMs = 10000);
    // Writes one control line (a line end is added).
    void control(const QString &line);
    // Writes a control line and waits for the peer's "ok …" acknowledgement.
    bool controlAcknowledged(const QString &line, int timeoutMs = 5000);
    // The next stdout line, after those already taken, that starts with
    // `prefix`; empty when none arrives within `timeoutMs`.
    QString waitForLine(const QString &prefix, int timeoutMs = 5000);
    // Sends "status" and returns the number after "<name>=" in the answer,
    // -1 when there is none.
    qint64 statusValue(const QString &name, int timeoutMs = 5000);
    // Sends "status" and returns the text after "<name>=" up to the next
    // blank, empty when there is none.
    QString statusText(const QString &name, int timeoutMs = 5000);
    // Sends "status" once and returns the numbers after each "<name>=", all
    // from the same answer (-1 for a missing one).
    QList<qint64> statusValues(const QStringList &names, int timeoutMs = 5000);

    // Ends the peer's stdin, as when it runs detached from a terminal.
    void closeInput();

    // Asks the peer to quit (or terminates it once its stdin is closed), and
    // kills it if it does not end within a bound.
    void stop();

protected:
    // Starts `korvane-sim` with `arguments` and returns its first line that
    // starts with `announcement`; empty when it exits or says nothing in time.
    QString launch(const QStringList &arguments, const QString &announcement, int timeoutMs);

private:
    void readOutput();

    QProcess m_process;
    QByteArray m_partial;
    QStringList m_lines;
    qsizetype m_taken = 0;
    QString m_host;
    quint16 m_port = 0;
    bool m_inputClosed = false;
};

} // namespace korvane::test
