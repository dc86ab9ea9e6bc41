// What the running station exposes: no listening socket, a private settings
// file, no radio password in its logs or output, and no file written where
// a hostile peer would like one. The headless station runs with its home,
// XDG folders and working folder in a temporary tree, beside real peers.
#include "support/Files.h"
#include "support/SimProcess.h"
#include "support/StationProcess.h"
#include "support/Wait.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace korvane::test;

namespace {

constexpr int kWaitMs = 20000;
const QByteArray kPassword = "Qx7-Secret-pw";

struct SocketEntry {
    QString table; // "tcp", "udp6", "icmp", "raw", "unix"…
    QString local;
    QString remote;
    QString state; // the state column; unix: the flags column
};

// The station's socket inodes, from its file descriptors.
QSet<QString> socketInodes(qint64 pid)
{
    QSet<QString> inodes;
    QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString &fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = QFile::symLinkTarget(fds.filePath(fd));
        if (target.contains(QLatin1String("socket:[")))
            inodes << target.section(u'[', 1).chopped(1);
    }
    return inodes;
}

// Every socket of the station's network namespace that belongs to it.
QList<SocketEntry> stationSockets(qint64 pid)
{
    const QSet<QString> inodes = socketInodes(pid);
    QList<SocketEntry> found;
    for (const char *table : {"tcp", "tcp6", "udp", "udp6", "icmp", "icmp6", "raw", "raw6", "unix"}) {
        QFile file(QStringLiteral("/proc/%1/net/%2").arg(pid).arg(QLatin1String(table)));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const bool local = qstrcmp(table, "unix") == 0;
        const QList<QByteArray> lines = file.readAll().split('\n');
        for (const QByteArray &line : lines.mid(1)) {
            const QList<QByteArray> f = line.simplified().split(' ');
            if (f.size() < (local ? 7 : 10))
                continue;
            const QString inode = QString::fromLatin1(local ? f[6] : f[9]);
            if (!inodes.contains(inode))
                continue;
            found.append({QString::fromLatin1(table), QString::fromLatin1(local ? f.value(7) : f[1]),
                          QString::fromLatin1(local ? QByteArray() : f[2]), QString::fromLatin1(f[3])});
        }
    }
    return found;
}

// A socket others could reach: a TCP listener, an unconnected bound UDP
// socket, a listening local socket. An ICMP socket (the ping datagram
// socket, or the raw one as root) takes only ICMP, answers nothing and
// offers no service, so it is allowed; it must be ICMP though.
QString exposure(const SocketEntry &s)
{
    const bool unconnected = s.remote.endsWith(QLatin1String(":0000")) && s.remote.count(u'0') >= 12;
    if (s.table.startsWith(QLatin1String("tcp")) && s.state == QLatin1String("0A"))
        return QStringLiteral("TCP listener on ") + s.local;
    if (s.table.startsWith(QLatin1String("udp")) && unconnected)
        return QStringLiteral("unconnected UDP socket on ") + s.local;
    if (s.table == QLatin1String("unix") && (s.state.toUInt(nullptr, 16) & 0x10000))
        return QStringLiteral("listening local socket ") + s.local;
    if (s.table.startsWith(QLatin1String("raw")) && !s.local.endsWith(QLatin1String(":0001")))
        return QStringLiteral("raw socket for protocol ") + s.local.section(u':', 1);
    return {};
}

// Every file and folder under `root`, relative.
QSet<QString> tree(const QString &root)
{
    QSet<QString> paths;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        paths << QDir(root).relativeFilePath(it.next());
    return paths;
}


class StationExposure : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        for (const char *dir : {"home", "config", "data", "cache", "run", "tmp", "work", "log"})
            ASSERT_TRUE(QDir(root.path()).mkpath(QString::fromLatin1(dir)));
        // As a login session makes it; Qt would otherwise make its own.
        ASSERT_TRUE(QFile::setPermissions(path("run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                           | QFileDevice::ExeOwner));
        ASSERT_TRUE(board.start(QStringLiteral("board"), {"--interval-ms", "300"}));
        ASSERT_TRUE(radio.start(QStringLiteral("radio"), {"--family", "airfiber", "--password", kPassword}));
        ASSERT_TRUE(cloud.start(QStringLiteral("cloud")));
        // A hand-made file, readable by all, with the radio's password to come
        // from the operator.
        QFile settings(settingsPath());
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        const QByteArray cloudAddress = "127.0.0.1:" + QByteArray::number(cloud.port());
        settings.write("[General]\nKORVANE_AUTOLINK=1\nDEVICE_WIRESS_USER=ubnt\nKORVANE_CLOUD=1\n"
                       "DEVICE_KORVANE_IP=127.0.0.1:" + QByteArray::number(board.port()) + "\n"
                       "CLOUD_SERVER_NAME=" + cloudAddress + "\nCLOUD_HOST=" + cloudAddress + "\n");
        settings.close();
        before = tree(root.path());
        QProcessEnvironment env;
        for (const auto &[name, dir] : {std::pair{"HOME", "home"}, {"XDG_CONFIG_HOME", "config"},
                                        {"XDG_DATA_HOME", "data"}, {"XDG_CACHE_HOME", "cache"},
                                        {"XDG_RUNTIME_DIR", "run"}, {"TMPDIR", "tmp"}})
            env.insert(QString::fromLatin1(name), path(dir));
        ASSERT_TRUE(station.start({"--settings", settingsPath(), "--log-dir", path("log"), "--time-scale", "0.05",
                                   "--answer", "ok"},
                                  env, path("work")));
        ASSERT_TRUE(station.waitForOutput(QStringLiteral("MainWindow.text="), kWaitMs));
        // The operator enters the radio's address and password and connects.
        station.send(QStringLiteral(":set Text3 127.0.0.1:%1").arg(radio.port()));
        station.send(QStringLiteral(":set Text7 ") + QString::fromLatin1(kPassword));
        station.send(QStringLiteral(":click Command1"));
        ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label_NOTE.text=微波登录成功！"), kWaitMs))
            << qPrintable(station.output());
    }

    QString path(const char *name) const { return QDir(root.path()).filePath(QString::fromLatin1(name)); }
    QString settingsPath() const { return path("config/station.ini"); }
    qint64 pid() { return station.process().processId(); }

    QTemporaryDir root;
    QSet<QString> before;
    SimProcess board;
    SimProcess radio;
    SimProcess cloud;
    StationProcess station;
};

TEST_F(StationExposure, OpensNoListeningSocketAndKeepsTheSettingsPrivate)
{
    // Sampled while every link works: board, radio session and its pings,
    // cloud reports.
    QStringList exposed;
    const bool covered = waitUntil(
        [&] {
            for (const SocketEntry &s : stationSockets(pid())) {
                const QString problem = exposure(s);
                if (!problem.isEmpty() && !exposed.contains(problem))
                    exposed << problem;
            }
            return cloud.statusValue(QStringLiteral("reports")) >= 2 && radio.statusValue(QStringLiteral("commands")) >= 3;
        },
        kWaitMs);
    EXPECT_TRUE(covered) << "the links did not all work";
    EXPECT_TRUE(exposed.isEmpty()) << qPrintable(exposed.join(u'\n'));
    EXPECT_FALSE(stationSockets(pid()).isEmpty()) << "the socket tables were not readable";

    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(settingsPath()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the file holds the radio password";
    EXPECT_TRUE(readFile(settingsPath()).contains(kPassword)) << "the password was stored, so the mode matters";
}

TEST_F(StationExposure, TheRadioPasswordReachesNoLogAndNoOutput)
{
    // The radio's raw replies on the terminal, and a radio that echoes the
    // password in a status reply.
    station.send(QStringLiteral(":set Combo2 aaa"));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Combo2.text=aaa")));
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("send echo ") + QString::fromLatin1(kPassword)
                                          + QStringLiteral("\\r\\nafTxchanbw=100\\r\\nafRxchanbw=100\\r\\n")));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Text2.text=echo ******")));
    station.send(QStringLiteral(":quit"));
    ASSERT_TRUE(station.waitForExit());
    const QByteArray output = station.outputBytes() + station.process().readAllStandardError();
    EXPECT_FALSE(output.contains(kPassword));
    QDirIterator logs(path("log"), QDir::Files, QDirIterator::Subdirectories);
    int files = 0;
    while (logs.hasNext()) {
        const QString file = logs.next();
        ++files;
        EXPECT_FALSE(readFile(file).contains(kPassword)) << qPrintable(file);
    }
    EXPECT_GE(files, 1);
}

TEST_F(StationExposure, AHostileBoardCreatesNoFileOutsideTheLogFolder)
{
    const QByteArray longLine(64 * 1024, 'A');
    const QList<QByteArray> texts = {
        "../../../../tmp/korvane-evil.log\\r\\n", "/tmp/korvane-evil\\r\\n", "..\\\\..\\\\evil.ini\\r\\n",
        "命令:r../../x 执行../目标:/etc/passwd距离1\\r\\n", "POINT.INI\\r\\nIMPORT\\r\\n",
        "secretkey:../../evil(127.0.0.1)\\r\\n", "%s%n%x file:///tmp/evil \\t\\t\\r\\n",
        "本地纬度:../x经度:/y海拔:\\r\\n",
    };
    for (const QByteArray &text : texts)
        ASSERT_TRUE(board.controlAcknowledged(QStringLiteral("send ") + QString::fromUtf8(text)));
    ASSERT_TRUE(board.controlAcknowledged(QStringLiteral("send ") + QString::fromLatin1(longLine)));
    ASSERT_TRUE(board.controlAcknowledged(QStringLiteral("flood 200000"))); // NUL bytes and broken text
    // The board sends in order: once the mark is shown, all before it was read.
    ASSERT_TRUE(board.controlAcknowledged(QStringLiteral("send \\r\\nKORVANE-END-MARK\\r\\n")));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("KORVANE-END-MARK"), kWaitMs));
    station.send(QStringLiteral(":quit"));
    ASSERT_TRUE(station.waitForExit());

    QStringList unexpected;
    for (const QString &p : tree(root.path()) - before) {
        const bool ours = p.startsWith(QLatin1String("log/")) || p.startsWith(QLatin1String("config/station.ini"))
                          || p.startsWith(QLatin1String("run/")) // the instance lock
                          || p == QLatin1String("data/Korvane")  // the history file's folder
                          || p.startsWith(QLatin1String("data/Korvane/korvane-station-history.sqlite"));
        if (!ours)
            unexpected << p;
    }
    EXPECT_TRUE(unexpected.isEmpty()) << qPrintable(unexpected.join(u'\n'));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/tmp/korvane-evil.log")));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/tmp/korvane-evil")));
}

} // namespace
