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

// busybox telnetd on a free loopback port with `login` as its login program.
quint16 startTelnetd(QProcess &telnetd, const QString &busybox, const QString &login)
{
    const quint16 port = freePort();
    telnetd.setProcessChannelMode(QProcess::ForwardedChannels);
    telnetd.start(busybox, {QStringLiteral("telnetd"), QStringLiteral("-F"), QStringLiteral("-b"),
                            QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(port),
                            QStringLiteral("-f"), QStringLiteral("/dev/null"), QStringLiteral("-l"), login});
    return telnetd.waitForStarted(5000) ? port : 0;
}

// The daemon may need a moment before it listens.
bool connectRadio(Station &s, quint16 port)
{
    s.Winsock1.RemoteHost = QStringLiteral("127.0.0.1");
    s.Winsock1.RemotePort = port;
    return waitUntil(
        [&] {
            if (s.Winsock1.State() == TcpLink::Connected)
                return true;
            if (s.Winsock1.State() != TcpLink::Connecting)
                s.Winsock1.Connect();
            return false;
        },
        10000);
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

    QProcess telnetd;
    const quint16 port = startTelnetd(telnetd, busybox, script);
    ASSERT_NE(port, 0);
    RadioFixture f(false);
    Station &s = f.station;
    ASSERT_TRUE(connectRadio(s, port));

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

// The radios' own shell: BusyBox ash behind BusyBox telnetd, a line editor
// that wraps at its window's width, prompts in short and long forms and asks
// for the cursor after each prompt. The login program plays the family's
// login; shell functions (which come before ash's own applets) and a program
// first on the PATH stand in for the radio's commands, with counters that
// grow on every poll.
const char *const kShellLogin = R"sh(#!/bin/sh
d=$(dirname "$0")
. "$d/family.sh"
printf '%s' "$LOGIN_PROMPT"
while read -r user; do [ -n "$user" ] && break; done
stty -echo
printf 'Password: '
read -r pass
stty echo
printf '\r\n%s\r\n' "$BANNER"
export ENV="$d/commands.sh" PATH="$d/bin:$PATH" PS1 d
exec busybox ash -i
)sh";

const char *const kShellCommands = R"sh(count() { n=$(($(busybox cat "$d/n" 2>/dev/null || echo 1048576) + 1048576)); echo $n >"$d/n"; }
iwconfig() { busybox cat "$d/iwconfig.txt"; }
ifconfig() { count; printf '  RX bytes:%d (1 MiB)  TX bytes:%d (2 MiB)\n' $n $((n * 2)); }
cat() { printf 'KV-Shell-01_http\n'; }
)sh";

// No function may be called so.
const char *const kMcaStatus = R"sh(#!/bin/sh
n=$(($(busybox cat "$d/n" 2>/dev/null || echo 1048576) + 1048576)); echo $n >"$d/n"
busybox sed "s/^wlanRxBytes=.*/wlanRxBytes=$n/;s/^wlanTxBytes=.*/wlanTxBytes=$((n * 2))/" "$d/status.txt"
)sh";

struct ShellCase {
    const char *name;
    const char *loginPrompt;
    const char *banner;
    const char *prompt;
    const char *statusSample;
    std::int16_t radioFamily;
    const char *deviceName;
};

void PrintTo(const ShellCase &c, std::ostream *os) { *os << c.name; }

class BusyboxShell : public ::testing::TestWithParam<ShellCase> {};

TEST_P(BusyboxShell, FiguresComeFromTheOutputAlone)
{
    const ShellCase &c = GetParam();
    const QString busybox = busyboxWithTelnetd();
    if (busybox.isEmpty())
        GTEST_SKIP() << "busybox with telnetd is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto put = [&](const char *name, const QByteArray &bytes) {
        QFile file(QDir(dir.path()).filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
    put("login.sh", kShellLogin);
    put("commands.sh", kShellCommands);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("bin")));
    put("bin/mca-status", kMcaStatus);
    // The prompt marks the shell as ready for commands each time it shows.
    const QString ready = QDir(dir.path()).filePath(QStringLiteral("ready"));
    put("family.sh", QStringLiteral("LOGIN_PROMPT='%1' BANNER='%2' PS1='$(busybox touch %3)%4'\n")
                         .arg(QLatin1String(c.loginPrompt), QLatin1String(c.banner), ready, QLatin1String(c.prompt))
                         .toUtf8());
    put("iwconfig.txt", sampleBytes(QStringLiteral("linux_madwifi_iwconfig_ath0.txt")));
    put("status.txt", c.statusSample[0] ? sampleBytes(QString::fromLatin1(c.statusSample)) : QByteArray());

    QProcess telnetd;
    const quint16 port = startTelnetd(telnetd, busybox, QDir(dir.path()).filePath(QStringLiteral("login.sh")));
    ASSERT_NE(port, 0);
    RadioFixture f(false);
    Station &s = f.station;
    ASSERT_TRUE(connectRadio(s, port));
    ASSERT_TRUE(waitUntil([&] { return s.radio.loggedIn; }, 10000)) << qPrintable(f.log());
    EXPECT_EQ(s.radio.RadioFamily, c.radioFamily);
    // Two polls: the second one's counters against the first's.
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(ready); }, 10000)) << qPrintable(f.log());
    for (int poll = 0; poll < 2; ++poll) {
        const double before = s.radioStats.lastRxBytes;
        s.Timer2_Timer();
        ASSERT_TRUE(waitUntil([&] { return s.radioStats.lastRxBytes > before; }, 10000)) << qPrintable(f.log());
    }
    EXPECT_GT(s.radioStats.lastTxBytes, s.radioStats.lastRxBytes) << qPrintable(f.log());
    EXPECT_GT(s.radioStats.txMbps, 0) << qPrintable(s.display.lanByte.text());
    EXPECT_FALSE(s.display.lanByte.toolTip().endsWith(QStringLiteral(" /0.0"))) << qPrintable(s.display.lanByte.toolTip());
    EXPECT_TRUE(s.display.Ship.text().startsWith(QString::fromLatin1(c.deviceName))) << qPrintable(s.display.Ship.text());
    EXPECT_FALSE(s.display.Text2.text().contains(QChar(0x1b))) << "a terminal control reached the console";

    s.Winsock1.Close();
    telnetd.terminate();
    telnetd.waitForFinished(3000);
}

INSTANTIATE_TEST_SUITE_P(Families, BusyboxShell, ::testing::Values(
    ShellCase{"IwconfigShortPrompt", "000004 login: ", "", "# ", "", RadioFamilyIwconfig, "KV-Shell-01"},
    ShellCase{"IwconfigLongPrompt", "000004 login: ", "", "root@KV-Shell-01:/tmp# ", "", RadioFamilyIwconfig,
              "KV-Shell-01"},
    ShellCase{"AirOs", "XM login: ", " Welcome to airOS", "XM.v6.2.0# ", "airos6_mca-status_rocketM5_XW_v6.2.0.txt",
              RadioFamilyAirOs, "Rocket M5 Wamv"}
), [](const auto &info) { return std::string(info.param.name); });

} // namespace
