// A radio whose telnet port refuses makes the headless station ask it over
// SSH to start "telnetd": a real sshd on 127.0.0.1:22 (plink always uses the
// SSH port) with a throw-away user, whose PATH leads to a stub telnetd that
// records that it ran. plink trusts the test's host key through its own
// settings folder (PUTTYDIR), as an operator's one-time acceptance would.
#include "support/Files.h"
#include "support/StationProcess.h"
#include "support/Wait.h"

#include "platform/SettingsStore.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

using namespace korvane;
using namespace korvane::test;

namespace {

const QString kSshd = QStringLiteral("/usr/sbin/sshd");
const QString kPrivilegeSeparationDir = QStringLiteral("/run/sshd");
// Shell metacharacters must reach the radio unchanged.
const QString kPassword = QStringLiteral("Pw'd $x;|&`id`");

QString run(const QString &program, const QStringList &arguments, const QByteArray &input = {})
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    if (!p.waitForStarted(5000))
        return QStringLiteral("cannot start ") + program;
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return program + QStringLiteral(" failed: ") + QString::fromUtf8(p.readAll());
    return {};
}

bool write(const QString &path, const QByteArray &bytes, QFileDevice::Permissions permissions)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.setPermissions(permissions);
}

// Processes owned by `uid` (never root) or naming `text` on their command
// line.
QList<qint64> processes(uint uid, const QByteArray &text)
{
    QList<qint64> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric || pid == ::getpid())
            continue;
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        const bool named = cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(text);
        if (named || (uid != 0 && QFileInfo(QStringLiteral("/proc/%1").arg(pid)).ownerId() == uid))
            found << pid;
    }
    return found;
}

constexpr QFileDevice::Permissions kOpen = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                           | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
                                           | QFileDevice::ExeOther;

class SshTelnetdE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root: creates a throw-away user and runs sshd on 127.0.0.1:22";
        if (!QFileInfo(kSshd).isExecutable() || QStandardPaths::findExecutable(QStringLiteral("plink")).isEmpty())
            GTEST_SKIP() << "needs /usr/sbin/sshd (openssh-server) and plink (putty-tools)";
        QTcpServer telnetPort;
        if (!telnetPort.listen(QHostAddress::LocalHost, 9754))
            GTEST_SKIP() << "127.0.0.1:9754 is in use, so the station's radio connect would not fail";
        telnetPort.close();

        ASSERT_TRUE(dir.isValid());
        const QDir d(dir.path());
        ASSERT_TRUE(QFile::setPermissions(dir.path(), kOpen)) << "the test user reads its PATH entry here";
        ASSERT_TRUE(d.mkpath(QStringLiteral("bin")) && d.mkpath(QStringLiteral("record"))
                    && d.mkpath(QStringLiteral("putty/sessions")));
        ASSERT_TRUE(QFile::setPermissions(d.filePath(QStringLiteral("record")), kOpen | QFileDevice::WriteGroup
                                                                                  | QFileDevice::WriteOther));
        recordPath = d.filePath(QStringLiteral("record/telnetd"));
        ASSERT_TRUE(write(d.filePath(QStringLiteral("bin/telnetd")),
                          "#!/bin/sh\necho \"telnetd ran as $(id -un)\" >> '" + recordPath.toUtf8() + "'\n", kOpen));

        const QString hostKey = d.filePath(QStringLiteral("host_ed25519"));
        ASSERT_EQ(run(QStringLiteral("ssh-keygen"), {"-q", "-t", "ed25519", "-N", "", "-f", hostKey}), QString());
        ASSERT_TRUE(trustHostKey(hostKey + QStringLiteral(".pub")));

        user = QStringLiteral("kvssh%1").arg(::getpid());
        ASSERT_EQ(run(QStringLiteral("useradd"), {"-M", "-d", dir.path(), "-s", "/bin/sh", user}), QString());
        userCreated = true;
        QProcess id;
        id.start(QStringLiteral("id"), {"-u", user});
        ASSERT_TRUE(id.waitForFinished(5000));
        uid = id.readAllStandardOutput().trimmed().toUInt();
        ASSERT_NE(uid, 0u);
        ASSERT_EQ(run(QStringLiteral("chpasswd"), {}, (user + QLatin1Char(':') + kPassword + QLatin1Char('\n')).toUtf8()),
                  QString());

        startSshd(hostKey);
    }

    void TearDown() override
    {
        station.stop();
        if (sshd.state() != QProcess::NotRunning) {
            sshd.terminate();
            if (!sshd.waitForFinished(5000))
                sshd.kill();
            sshd.waitForFinished(3000);
        }
        if (userCreated) {
            endLeftovers();
            EXPECT_EQ(run(QStringLiteral("userdel"), {user}), QString());
        }
        if (createdPrivilegeSeparationDir)
            QDir().rmdir(kPrivilegeSeparationDir);
    }

    // plink's own settings: the host key it may accept without asking.
    bool trustHostKey(const QString &publicKey)
    {
        QProcess keygen;
        keygen.start(QStringLiteral("ssh-keygen"), {"-l", "-E", "sha256", "-f", publicKey});
        if (!keygen.waitForFinished(10000))
            return false;
        const QByteArray fingerprint = keygen.readAllStandardOutput().split(' ').value(1);
        return fingerprint.startsWith("SHA256:")
               && write(QDir(dir.path()).filePath(QStringLiteral("putty/sessions/Default%20Settings")),
                        "SSHManualHostKeys=" + fingerprint + "\n", QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void startSshd(const QString &hostKey)
    {
        if (!QFileInfo::exists(kPrivilegeSeparationDir)) {
            ASSERT_TRUE(QDir().mkpath(kPrivilegeSeparationDir));
            createdPrivilegeSeparationDir = true;
        }
        const QString config = QDir(dir.path()).filePath(QStringLiteral("sshd_config"));
        const QString text = QStringLiteral("Port 22\nListenAddress 127.0.0.1\nHostKey %1\nPidFile %2/sshd.pid\n"
                                            "PasswordAuthentication yes\nKbdInteractiveAuthentication no\n"
                                            "PubkeyAuthentication no\nUsePAM no\nPermitRootLogin no\n"
                                            "AllowUsers %3\nStrictModes no\nSetEnv PATH=%2/bin:/usr/bin:/bin\n")
                                 .arg(hostKey, dir.path(), user);
        ASSERT_TRUE(write(config, text.toUtf8(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        sshd.setProcessChannelMode(QProcess::MergedChannels);
        sshd.start(kSshd, {"-D", "-e", "-f", config});
        const bool listening = waitUntil(
            [&] {
                sshdOutput += sshd.readAll();
                return sshdOutput.contains("Server listening") || sshd.state() == QProcess::NotRunning;
            },
            10000);
        if (!listening || !sshdOutput.contains("Server listening"))
            GTEST_SKIP() << "sshd did not start on 127.0.0.1:22: " << sshdOutput.toStdString();
    }

    QByteArray record() const { return readFile(recordPath); }

    // The station's detached plink and the user's session end by themselves
    // once telnetd returns; any that stay are ended here, by their ids.
    void endLeftovers()
    {
        const QByteArray marker = user.toUtf8();
        if (!waitUntil([&] { return processes(uid, marker).isEmpty(); }, 5000)) {
            for (const qint64 pid : processes(uid, marker))
                ::kill(static_cast<pid_t>(pid), SIGKILL);
            waitUntil([&] { return processes(uid, marker).isEmpty(); }, 3000);
        }
    }

    QTemporaryDir dir;
    QString user;
    QString recordPath;
    bool userCreated = false;
    uint uid = 0;
    bool createdPrivilegeSeparationDir = false;
    QProcess sshd;
    QByteArray sshdOutput;
    StationProcess station;
};

TEST_F(SshTelnetdE2E, RefusedTelnetPortStartsTelnetdOnTheRadio)
{
    const QString settingsPath = QDir(dir.path()).filePath(QStringLiteral("station.ini"));
    {
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost, 0);
        SettingsStore settings(settingsPath);
        settings.write(QStringLiteral("DEVICE_WIRESS_IP"), QStringLiteral("127.0.0.1"));
        settings.write(QStringLiteral("DEVICE_WIRESS_USER"), user);
        settings.write(QStringLiteral("DEVICE_WIRESS_PASSWORD"), kPassword);
        settings.write(QStringLiteral("DEVICE_KORVANE_IP"), QStringLiteral("127.0.0.1:%1").arg(closed.serverPort()));
        settings.write(QStringLiteral("KORVANE_AUTOLINK"), QStringLiteral("1"));
    }
    QProcessEnvironment env;
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    env.insert(QStringLiteral("PUTTYDIR"), QDir(dir.path()).filePath(QStringLiteral("putty")));
    ASSERT_TRUE(station.start({QStringLiteral("--settings"), settingsPath, QStringLiteral("--log-dir"), dir.path()},
                              env));

    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label_NOTE.text=搜索设备中......"), 15000)) << station.output().toStdString();
    EXPECT_TRUE(waitUntil([&] { return record().contains("telnetd ran as " + user.toUtf8()); }, 20000))
        << "sshd said: " << (sshdOutput + sshd.readAll()).toStdString();

    QFile log(QDir(dir.path()).filePath(
        QStringLiteral("korvane-station-%1.log").arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")))));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(log.readAll()).contains(QStringLiteral("已尝试通过SSH开启telnet服务，稍后会重试连接...")));
}

} // namespace
