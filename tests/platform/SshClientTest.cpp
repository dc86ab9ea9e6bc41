#include "platform/SshClient.h"

#include "support/Wait.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::waitUntil;

namespace {

struct Started {
    QString program;
    QStringList arguments;
    QByteArray passwordFile; // its content when plink would read it
    QFileDevice::Permissions permissions;
};

class Ssh : public ::testing::Test {
protected:
    Ssh()
    {
        ssh.starter = [this](const QString &program, const QStringList &arguments) {
            const QString file = arguments.value(arguments.indexOf(QStringLiteral("-pwfile")) + 1);
            QFile f(file);
            Started s{program, arguments, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(),
                      QFileInfo(file).permissions()};
            started << s;
            return startSucceeds;
        };
    }

    QString passwordFile() const { return started.last().arguments.value(5); }

    SshClient ssh;
    QList<Started> started;
    bool startSucceeds = true;
};

TEST_F(Ssh, EveryTextIsOneUnchangedArgumentAndThePasswordStaysOffTheCommandLine)
{
    const QString host = QStringLiteral("127.0.0.1;touch /tmp/x $(id)");
    const QString user = QStringLiteral("ad min'\"`");
    const QString password = QStringLiteral("p w|&>*$HOME'\"密");
    ASSERT_TRUE(ssh.startRemoteCommand(host, user, password, QStringLiteral("telnetd")));
    ASSERT_EQ(started.size(), 1);
    const Started &s = started.first();
    EXPECT_TRUE(s.program.endsWith(QStringLiteral("plink")));
    EXPECT_EQ(s.arguments, QStringList({"-ssh", host, "-l", user, "-pwfile", passwordFile(), "-batch", "telnetd"}));
    EXPECT_FALSE(s.arguments.join(QLatin1Char(' ')).contains(password));
    EXPECT_EQ(s.passwordFile, password.toUtf8() + '\n');
    EXPECT_EQ(s.permissions & ~(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
                                | QFileDevice::WriteUser),
              QFileDevice::Permissions())
        << "only the owner may read the password";
}

TEST_F(Ssh, PasswordFileGoesAfterItsLifetimeOrAtOnceWhenTheStartFails)
{
    ssh.passwordFileLifetimeMs = 50;
    ASSERT_TRUE(ssh.startRemoteCommand(QStringLiteral("127.0.0.1"), QStringLiteral("u"), QStringLiteral("p"),
                                       QStringLiteral("telnetd")));
    const QString kept = passwordFile();
    EXPECT_TRUE(QFile::exists(kept));
    EXPECT_TRUE(waitUntil([&] { return !QFile::exists(kept); }, 3000));

    startSucceeds = false;
    EXPECT_FALSE(ssh.startRemoteCommand(QStringLiteral("127.0.0.1"), QStringLiteral("u"), QStringLiteral("p"),
                                        QStringLiteral("telnetd")));
    EXPECT_FALSE(QFile::exists(passwordFile()));
}

TEST_F(Ssh, HostThatPlinkWouldReadAsAnOptionStartsNothing)
{
    for (const char *host : {"", "-proxycmd", "-oProxyCommand=sh"})
        EXPECT_FALSE(ssh.startRemoteCommand(QString::fromLatin1(host), QStringLiteral("u"), QStringLiteral("p"),
                                            QStringLiteral("telnetd")))
            << host;
    EXPECT_TRUE(started.isEmpty());
}

} // namespace
