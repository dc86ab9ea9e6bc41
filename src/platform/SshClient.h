#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QTemporaryDir;

namespace korvane {

// Runs one remote command over SSH with the plink client (PuTTY), started
// detached and never waited for. The password goes to plink in a file only
// the user can read (-pwfile), so it never shows in the process list; the
// file is removed once plink has had ample time to read it, and at the
// latest when this object goes. "-batch" keeps plink from ever waiting on a
// prompt: a host key plink has not stored makes it give up, so the radio's
// key has to be accepted once by hand (plink -ssh USER@RADIO).
class SshClient {
public:
    // Starts `program` with `arguments` detached; false when it could not
    // be started.
    using Starter = std::function<bool(const QString &program, const QStringList &arguments)>;

    static constexpr int kPasswordFileLifetimeMs = 30000;

    SshClient();
    ~SshClient();
    SshClient(const SshClient &) = delete;
    SshClient &operator=(const SshClient &) = delete;

    // Every text reaches plink as one argument, unchanged. False, with
    // nothing started, when the host is empty or would read as an option,
    // when the password file cannot be written, or when the start fails.
    bool startRemoteCommand(const QString &host, const QString &user, const QString &password,
                            const QString &command);

    // plink beside the executable, else on PATH; bare "plink" when neither
    // has it (the start then fails).
    static QString plinkProgram();
    // The real start: detached, with standard input, output and error on
    // the null device, so plink can neither take the station's input nor
    // print into its output.
    static bool startDetachedQuietly(const QString &program, const QStringList &arguments);

    Starter starter = startDetachedQuietly;
    int passwordFileLifetimeMs = kPasswordFileLifetimeMs;

private:
    QString writePasswordFile(const QString &password);

    std::unique_ptr<QTemporaryDir> m_dir;
    QObject m_timers; // owns the pending removals
};

} // namespace korvane
