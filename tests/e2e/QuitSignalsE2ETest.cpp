// systemctl stop, kill and Ctrl-C: the demo station ends the orderly way,
// with its last log line written and no simulated peer or folder left.
#include "support/StationProcess.h"
#include "support/Wait.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <sys/types.h>

using namespace korvane;
using namespace korvane::test;

namespace {

// The processes whose parent is `parent`, from /proc.
QList<qint64> childrenOf(qint64 parent)
{
    QList<qint64> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // pid (comm) state ppid …; comm may hold blanks, so read after ")".
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == parent)
            children << pid;
    }
    return children;
}

bool isGone(qint64 pid)
{
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

class QuitSignal : public ::testing::TestWithParam<int> {};

TEST_P(QuitSignal, EndsTheDemoCleanly)
{
    QTemporaryDir logs;
    ASSERT_TRUE(logs.isValid());
    QProcessEnvironment env;
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), logs.path());
    StationProcess station;
    ASSERT_TRUE(station.start({QStringLiteral("--demo"), QStringLiteral("--log-dir"), logs.path()}, env));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("MainWindow.text="), 20000));
    // The peers answer: the board's status reaches the station.
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label6.colour=0,255,0"), 20000));
    QByteArray errors;
    static const QRegularExpression folderLine(QStringLiteral("settings and logs in (\\S+)"));
    QString folder;
    ASSERT_TRUE(waitUntil([&] {
        errors += station.process().readAllStandardError();
        folder = folderLine.match(QString::fromUtf8(errors)).captured(1);
        return !folder.isEmpty();
    }));
    ASSERT_TRUE(QFileInfo(folder).isDir()) << qPrintable(folder);
    const qint64 pid = station.process().processId();
    const QList<qint64> peers = childrenOf(pid);
    ASSERT_GE(peers.size(), 4) << "board, radio, cloud and ship service";

    ASSERT_EQ(::kill(static_cast<pid_t>(pid), GetParam()), 0);
    ASSERT_TRUE(station.waitForExit(15000));
    EXPECT_EQ(station.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(station.process().exitCode(), 0);
    for (const qint64 peer : peers)
        EXPECT_TRUE(waitUntil([&] { return isGone(peer); }, 5000)) << "peer " << peer << " still runs";
    EXPECT_FALSE(QFileInfo::exists(folder)) << qPrintable(folder);

    const QStringList files = QDir(logs.path()).entryList({QStringLiteral("korvane-station-*.log")}, QDir::Files);
    ASSERT_EQ(files.size(), 1) << qPrintable(files.join(u' '));
    QFile file(QDir(logs.path()).filePath(files.first()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    const QString name = GetParam() == SIGTERM ? QStringLiteral("SIGTERM") : QStringLiteral("SIGINT");
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral("事件：收到结束信号") + name + QStringLiteral("，程序退出")))
        << qPrintable(lines.last());
}

// A stop while INIT pauses between its rows (58 s in all) and while the
// ship-position service holds a lookup: nothing waits them out.
TEST(QuitDuringAWait, SigtermEndsInitAndAHangingLookupAtOnce)
{
    QTemporaryDir logs;
    ASSERT_TRUE(logs.isValid());
    QProcessEnvironment env;
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), logs.path());
    StationProcess station;
    ASSERT_TRUE(station.start({QStringLiteral("--demo"), QStringLiteral("--log-dir"), logs.path(),
                               QStringLiteral("--answer"), QStringLiteral("ok")},
                              env));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label6.colour=0,255,0"), 20000));
    station.send(QStringLiteral("INIT"));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label_NOTE.text=方位角变化驱动阈值2度"), 20000))
        << "INIT is at its third row";
    const qint64 pid = station.process().processId();
    QElapsedTimer sinceSignal;
    sinceSignal.start();
    ASSERT_EQ(::kill(static_cast<pid_t>(pid), SIGTERM), 0);
    ASSERT_TRUE(station.waitForExit(15000));
    const qint64 took = sinceSignal.elapsed();
    EXPECT_EQ(station.process().exitCode(), 0);
    // The demo's own peers are stopped too; their end is bounded apart.
    EXPECT_LT(took, 3000) << "the station waited out a pause";
    EXPECT_FALSE(station.output().contains(QStringLiteral("初始设置参数完毕"))) << "nothing ran on after the stop";
}

INSTANTIATE_TEST_SUITE_P(StopKillAndCtrlC, QuitSignal, ::testing::Values(SIGTERM, SIGINT),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return std::string(info.param == SIGTERM ? "SIGTERM" : "SIGINT");
                         });

} // namespace
