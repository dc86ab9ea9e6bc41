// The headless station and the simulated board as separate programs.
#include "support/Files.h"
#include "support/SimProcess.h"
#include "support/StationProcess.h"
#include "support/Wait.h"

#include "platform/SettingsStore.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

class Spine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        recordPath = QDir(dir.path()).filePath(QStringLiteral("board.bin"));
        ASSERT_TRUE(board.start(QStringLiteral("board"), {QStringLiteral("--record"), recordPath}));
        settingsPath = QDir(dir.path()).filePath(QStringLiteral("station.ini"));
        SettingsStore settings(settingsPath);
        settings.write(QStringLiteral("DEVICE_KORVANE_IP"), QStringLiteral("127.0.0.1:%1").arg(board.port()));
        settings.write(QStringLiteral("DEVICE_KORVANE_PORT"), QString::number(board.port()));
        settings.write(QStringLiteral("KORVANE_AUTOLINK"), QStringLiteral("1"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    }

    QStringList stationArgs() const
    {
        return {QStringLiteral("--settings"), settingsPath, QStringLiteral("--log-dir"), dir.path()};
    }

    QTemporaryDir dir;
    QString recordPath;
    QString settingsPath;
    QProcessEnvironment env;
    SimProcess board;
};

TEST_F(Spine, ConsoleLineReachesTheBoardByteExactAndEventsAreLogged)
{
    StationProcess station;
    ASSERT_TRUE(station.start(stationArgs(), env));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label6.colour=0,255,0"))) << qPrintable(station.output());
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Text2.append="))) << "the board's status reaches the terminal";

    station.send(QStringLiteral("p"));
    station.send(QStringLiteral(":send [P0H5V0]"));
    ASSERT_TRUE(waitUntil([&] { return boardRecordWithoutFirstQueries(recordPath).size() >= 9; }, 10000));
    EXPECT_EQ(boardRecordWithoutFirstQueries(recordPath), QByteArray("p[P0H5V0]"));

    station.send(QStringLiteral(":click Lbl_ALARM"));
    const QString log = QDir(dir.path()).filePath(
        QStringLiteral("korvane-station-%1.log").arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))));
    ASSERT_TRUE(waitUntil([&] { return readFile(log).contains("已经清除告警信息"); }, 10000));
    EXPECT_TRUE(QString::fromUtf8(readFile(log)).contains(QStringLiteral(" 主机类型(0)事件：已经清除告警信息")));
}

TEST_F(Spine, SecondCopyCancelledEndsAndTheFirstKeepsRunning)
{
    StationProcess first;
    ASSERT_TRUE(first.start(stationArgs(), env));
    ASSERT_TRUE(first.waitForOutput(QStringLiteral("MainWindow.text=")));

    StationProcess second;
    ASSERT_TRUE(second.start(stationArgs() + QStringList{QStringLiteral("--answer"), QStringLiteral("cancel")}, env));
    ASSERT_TRUE(second.waitForExit());
    EXPECT_TRUE(second.output().contains(QStringLiteral("MsgBox title=通知： text=程序已经运行")));
    EXPECT_EQ(second.process().exitCode(), 0);
    EXPECT_EQ(first.process().state(), QProcess::Running);

    StationProcess third;
    ASSERT_TRUE(third.start(stationArgs() + QStringList{QStringLiteral("--answer"), QStringLiteral("ok")}, env));
    ASSERT_TRUE(first.waitForExit()) << "OK ends the earlier copy";
    ASSERT_TRUE(third.waitForOutput(QStringLiteral("MainWindow.text=")));
    EXPECT_EQ(third.process().state(), QProcess::Running);
}

TEST_F(Spine, GarbageFromTheBoardIsShownCappedAndTheStationKeepsServing)
{
    StationProcess station;
    ASSERT_TRUE(station.start(stationArgs(), env));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label6.colour=0,255,0")));
    ASSERT_TRUE(board.controlAcknowledged(QStringLiteral("flood 3000000")));
    // Still answering operator actions while (or after) the flood arrives.
    station.send(QStringLiteral(":click Label18"));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label18.text=︾"), 20000));
    station.send(QStringLiteral("?"));
    ASSERT_TRUE(waitUntil([&] { return readFile(recordPath).contains("?"); }, 20000));
    EXPECT_EQ(station.process().state(), QProcess::Running);
}

} // namespace
