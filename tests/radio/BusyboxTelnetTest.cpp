// The station against a real telnet daemon (busybox telnetd on 127.0.0.1)
// whose login program plays an airOS radio: the daemon's option negotiation
// must be answered and kept out of the text, the login answered, and the
// status that follows read.
#include "radio/RadioFixture.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>

using namespace korvane;
using namespace korvane::test;

namespace {

// Prompts for a user (ignoring the blank line the station sends on
// connect), asks for the password with echo off as login(1) does, then
// shows the banner and a real airOS 6 status and answers mca-status.
const char *const kLoginScript = R"sh(#!/bin/sh
printf 'XM login: '
while read -r user; do [ -n "$user" ] && break; done
stty -echo
printf 'Password: '
read -r pass
stty echo
if [ "$user" != ubnt ] || [ "$pass" != s3cret-pw ]; then
  printf '\r\nLogin incorrect\r\n'
  exit 1
fi
printf '\r\n\r\nBusyBox v1.19.4 built-in shell (ash)\r\n\r\n Welcome to airOS\r\n\r\nXM.v6.2.0# '
cat "$(dirname "$0")/status.txt"
printf 'XM.v6.2.0# '
while read -r line; do
  [ "$line" = mca-status ] && cat "$(dirname "$0")/status.txt"
  printf 'XM.v6.2.0# '
done
)sh";

QString busyboxWithTelnetd()
{
    const QString busybox = QStandardPaths::findExecutable(QStringLiteral("busybox"));
    if (busybox.isEmpty())
        return {};
    QProcess list;
    list.start(busybox, {QStringLiteral("--list")});
    if (!list.waitForFinished(5000))
        return {};
    return list.readAllStandardOutput().split('\n').contains("telnetd") ? busybox : QString();
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

TEST(BusyboxTelnetd, StationLogsInAndReadsTheStatus)
{
    const QString busybox = busyboxWithTelnetd();
    if (busybox.isEmpty())
        GTEST_SKIP() << "busybox with telnetd is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString script = QDir(dir.path()).filePath(QStringLiteral("login.sh"));
    QFile scriptFile(script);
    ASSERT_TRUE(scriptFile.open(QIODevice::WriteOnly));
    scriptFile.write(kLoginScript);
    scriptFile.close();
    scriptFile.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile status(QDir(dir.path()).filePath(QStringLiteral("status.txt")));
    ASSERT_TRUE(status.open(QIODevice::WriteOnly));
    status.write(sampleBytes(QStringLiteral("airos6_mca-status_rocketM5_XW_v6.2.0.txt")));
    status.close();

    const quint16 port = freePort();
    QProcess telnetd;
    telnetd.setProcessChannelMode(QProcess::ForwardedChannels);
    telnetd.start(busybox, {QStringLiteral("telnetd"), QStringLiteral("-F"), QStringLiteral("-b"),
                            QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(port),
                            QStringLiteral("-f"), QStringLiteral("/dev/null"), QStringLiteral("-l"), script});
    ASSERT_TRUE(telnetd.waitForStarted(5000));

    RadioFixture f(false);
    Station &s = f.station;
    s.Winsock1.RemoteHost = QStringLiteral("127.0.0.1");
    s.Winsock1.RemotePort = port;
    // The daemon may need a moment before it listens.
    ASSERT_TRUE(waitUntil(
        [&] {
            if (s.Winsock1.State() == TcpLink::Connected)
                return true;
            if (s.Winsock1.State() != TcpLink::Connecting)
                s.Winsock1.Connect();
            return false;
        },
        10000));

    ASSERT_TRUE(waitUntil([&] { return s.radioStats.lastRxBytes != 0; }, 10000)) << qPrintable(f.log());
    EXPECT_EQ(s.radio.RadioFamily, RadioFamilyAirOs);
    EXPECT_TRUE(s.radio.loggedIn);
    EXPECT_EQ(s.display.Text1.text(), QStringLiteral("-49"));
    EXPECT_EQ(s.radioStats.signalDbm, -49);
    EXPECT_EQ(s.radioStats.lastRxBytes, 1090206412.0);
    EXPECT_EQ(s.display.Ship.text(), QStringLiteral("Rocket M5 Wamv"));
    EXPECT_EQ(s.radio.radioMac, QStringLiteral("245A4CBC664C"));
    const QString log = f.log();
    EXPECT_FALSE(log.contains(QChar(0xFFFD)) || log.contains(QChar(0xFF))) << "negotiation bytes reached the text";
    EXPECT_FALSE(log.contains(QLatin1String("s3cret-pw")));

    // The shell answers the status command too.
    s.radioStats.lastRxBytes = 0;
    s.Winsock1.SendData(QStringLiteral("mca-status\r\n"));
    EXPECT_TRUE(waitUntil([&] { return s.radioStats.lastRxBytes != 0; }, 10000));

    s.Winsock1.Close();
    telnetd.terminate();
    telnetd.waitForFinished(3000);
}

} // namespace
