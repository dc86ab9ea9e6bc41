// The headless station with the simulated board and radio coupled through
// the board's bearing file, so the station's turns move the radio's signal.
// Timers run fast (--time-scale); the radio pushes its status every 100 ms.
#include "support/Files.h"
#include "support/SimProcess.h"
#include "support/StationProcess.h"
#include "support/Wait.h"

#include "model/SettingKeys.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cmath>
#include <csignal>
#include <sys/types.h>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

class OptimiseE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        bearingFile = QDir(dir.path()).filePath(QStringLiteral("antenna-bearing"));
        boardRecord = QDir(dir.path()).filePath(QStringLiteral("board.bin"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    }

    // `radioLink`: the radio's link options; `settings`: key, value pairs.
    void start(const QStringList &radioLink, const QList<std::pair<QString, QString>> &settings, double timeScale)
    {
        ASSERT_TRUE(board.start(QStringLiteral("board"),
                                {QStringLiteral("--speed"), QStringLiteral("0"), QStringLiteral("--bearing-file"),
                                 bearingFile, QStringLiteral("--record"), boardRecord}));
        ASSERT_TRUE(radio.start(QStringLiteral("radio"),
                                QStringList{QStringLiteral("--family"), QStringLiteral("airos"),
                                            QStringLiteral("--push-ms"), QStringLiteral("100"),
                                            QStringLiteral("--jitter"), QStringLiteral("0"),
                                            QStringLiteral("--bearing-from"), bearingFile}
                                    + radioLink));
        const QString settingsPath = QDir(dir.path()).filePath(QStringLiteral("station.ini"));
        {
            SettingsStore store(settingsPath);
            store.write(keys::DEVICE_KORVANE_IP, QStringLiteral("127.0.0.1:%1").arg(board.port()));
            store.write(keys::DEVICE_WIRESS_IP, QStringLiteral("127.0.0.1:%1").arg(radio.port()));
            store.write(keys::DEVICE_WIRESS_USER, QStringLiteral("ubnt"));
            store.write(keys::DEVICE_WIRESS_PASSWORD, QStringLiteral("ubnt"));
            store.write(keys::KORVANE_AUTOLINK, QStringLiteral("1"));
            for (const auto &[key, value] : settings)
                store.write(key, value);
        }
        stationArguments = {QStringLiteral("--settings"), settingsPath, QStringLiteral("--log-dir"), dir.path(),
                            QStringLiteral("--time-scale"), QString::number(timeScale),
                            QStringLiteral("--answer"), QStringLiteral("ok")};
        ASSERT_TRUE(station.start(stationArguments, env));
    }

    // With the comparison off and a 180 s delay, the far end is lost until
    // the sweep's first 14-degree step brings it back inside the lobe.
    void sweepBackToTheFarEnd()
    {
        start({QStringLiteral("--peak-bearing"), QStringLiteral("0"), QStringLiteral("--beamwidth"),
               QStringLiteral("10")},
              {{keys::USE_SHIP_AIS_SCAN_COMP, QStringLiteral("0")},
               {keys::USE_SHIP_AIS_SCAN_AUTO_TIME, QStringLiteral("180")}},
              0.08);
        ASSERT_TRUE(station.waitForOutput(QStringLiteral("Text1.text=-52"), 15000));
        // The board's execution reports would keep putting the sweep off.
        ASSERT_TRUE(board.controlAcknowledged(QStringLiteral("silent on")));
        ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("peak 25")));
        ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label_NOTE.text=信号丢失系统自动搜索和扫描中......"), 30000))
            << qPrintable(station.output().right(3000));
        const qsizetype seen = station.output().size();
        ASSERT_TRUE(waitUntil([&] { return station.output().mid(seen).contains(QStringLiteral("Text1.text=-67")); },
                              10000))
            << qPrintable(station.output().right(3000));
    }

    // The board's manual offset: where the station has left the antenna,
    // relative to the board's own drive direction.
    double boardOffset() { return board.statusText(QStringLiteral("offset")).toDouble(); }

    // Everything the station's log files hold.
    QString logText() const
    {
        QString text;
        for (const QFileInfo &file : QDir(dir.path()).entryInfoList({QStringLiteral("*.log")}, QDir::Files)) {
            QFile f(file.filePath());
            if (f.open(QIODevice::ReadOnly))
                text += QString::fromUtf8(f.readAll());
        }
        return text;
    }

    QTemporaryDir dir;
    QStringList stationArguments;
    QString bearingFile;
    QString boardRecord; // every byte the board received
    QProcessEnvironment env;
    SimProcess board;
    SimProcess radio;
    StationProcess station;
};

TEST_F(OptimiseE2E, ComparisonWalksTheAntennaToThePeak)
{
    start({QStringLiteral("--peak-bearing"), QStringLiteral("8"), QStringLiteral("--beamwidth"), QStringLiteral("6")},
          {{keys::USE_SHIP_AIS_SCAN_COMP, QStringLiteral("1")},
           {keys::USE_SHIP_AIS_SCAN_COMP_TIME, QStringLiteral("60")},
           {keys::USE_SHIP_AIS_SCAN_COMP_ANG, QStringLiteral("2")}},
          0.1);
    EXPECT_TRUE(waitUntil([&] { return std::abs(boardOffset() - 8) <= 2; }, 50000))
        << qPrintable(station.output().right(3000));
    EXPECT_TRUE(station.output().contains(QStringLiteral("信号最强(R)：")));
}

TEST_F(OptimiseE2E, AutoScanLeavesTheAntennaAtThePeak)
{
    start({QStringLiteral("--peak-bearing"), QStringLiteral("12"), QStringLiteral("--beamwidth"), QStringLiteral("3")},
          {{keys::USE_SHIP_AIS_SCAN_COMP, QStringLiteral("0")}, {keys::USE_SHIP_AIS_SCAN_AUTO, QStringLiteral("0")}},
          0.08);
    // Out here the far end is not heard at all.
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label_NOTE.text=微波登录成功！"), 15000));
    station.send(QStringLiteral("AUTOSCAN"));
    // Each reading is credited to the offset of the tick before (800 ms
    // here), which leaves room for the turn to reach the radio's figures
    // through the board, its bearing file and the radio's push.
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("autoscan tick=62/62 done best=12@-52"), 90000))
        << qPrintable(station.output().right(3000));
    EXPECT_TRUE(waitUntil([&] { return boardOffset() == 12; }, 5000));
}

// systemctl restart during a survey, and a hard stop: the board is returned
// to automatic drive by the stop, or else by the next start.
TEST_F(OptimiseE2E, AStoppedSurveyLeavesTheBoardInAutomaticDrive)
{
    start({QStringLiteral("--peak-bearing"), QStringLiteral("0"), QStringLiteral("--beamwidth"), QStringLiteral("40")},
          {{keys::USE_SHIP_AIS_SCAN_COMP, QStringLiteral("0")}, {keys::USE_SHIP_AIS_SCAN_AUTO, QStringLiteral("0")}},
          0.08);
    const auto surveyUnderWay = [&](StationProcess &p) {
        if (!p.waitForOutput(QStringLiteral("Label_NOTE.text=微波登录成功！"), 15000))
            return false;
        p.send(QStringLiteral("AUTOSCAN"));
        return waitUntil([&] { return boardOffset() <= -28; }, 20000);
    };
    ASSERT_TRUE(surveyUnderWay(station)) << qPrintable(station.output().right(2000));
    ::kill(static_cast<pid_t>(station.process().processId()), SIGTERM);
    ASSERT_TRUE(station.waitForExit(10000));
    EXPECT_TRUE(waitUntil([&] { return boardOffset() == 0; }, 5000)) << qPrintable(logText().right(1500));
    EXPECT_EQ(logText().count(QStringLiteral("程序退出时自动扫描未完成，已经恢复自动驱动模式。")), 1);

    StationProcess killed;
    ASSERT_TRUE(killed.start(stationArguments, env));
    ASSERT_TRUE(surveyUnderWay(killed)) << qPrintable(killed.output().right(2000));
    killed.process().kill();
    ASSERT_TRUE(killed.waitForExit(10000));
    ASSERT_NE(boardOffset(), 0);

    StationProcess next;
    ASSERT_TRUE(next.start(stationArguments, env));
    EXPECT_TRUE(waitUntil([&] { return boardOffset() == 0; }, 15000)) << qPrintable(next.output().right(2000));
    EXPECT_TRUE(waitUntil([&] { return logText().contains(QStringLiteral("上次自动扫描未完成，已经恢复自动驱动模式。")); }, 5000));
}

TEST_F(OptimiseE2E, TheComparisonWaitsWhileTheSurveyRuns)
{
    // A wide lobe: the signal is heard at every offset, so the comparison
    // would have something to compare all through the survey.
    start({QStringLiteral("--peak-bearing"), QStringLiteral("0"), QStringLiteral("--beamwidth"), QStringLiteral("40")},
          {{keys::USE_SHIP_AIS_SCAN_COMP, QStringLiteral("1")},
           {keys::USE_SHIP_AIS_SCAN_COMP_TIME, QStringLiteral("60")},
           {keys::USE_SHIP_AIS_SCAN_AUTO, QStringLiteral("0")}},
          0.08);
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label_NOTE.text=微波登录成功！"), 15000));
    station.send(QStringLiteral("AUTOSCAN"));
    // Twenty survey ticks span more than two comparison periods here.
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("autoscan tick=20/62"), 40000))
        << qPrintable(station.output().right(3000));
    const QByteArray wire = readFile(boardRecord);
    const qsizetype surveyStart = wire.indexOf("[P0H-30V0]\r\n");
    ASSERT_GE(surveyStart, 0) << wire.constData();
    const QByteArray during = wire.mid(surveyStart);
    EXPECT_FALSE(during.contains("\nm")) << during.constData();
    EXPECT_TRUE(during.contains("[P0H-12V0]\r\n"));
}

TEST_F(OptimiseE2E, ALostSignalStartsTheSweepUntilTheSignalIsBack)
{
    sweepBackToTheFarEnd();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(boardOffset(), 14);
}

// A drop-out after a sweep has found the far end again waits the whole
// delay once more: the signal heard in between starts the wait again, with
// the comparison off as here.
TEST_F(OptimiseE2E, ADropOutAfterASweepWaitsTheWholeDelayAgain)
{
    sweepBackToTheFarEnd();
    ASSERT_FALSE(HasFatalFailure());

    // The far end drifts out of the lobe again.
    const qsizetype seen = station.output().size();
    const QString sweepLine = QStringLiteral("信号丢失系统自动搜索和扫描中......请耐心等待");
    QElapsedTimer lost;
    lost.start();
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("peak 60")));
    ASSERT_TRUE(waitUntil([&] { return station.output().mid(seen).contains(sweepLine); }, 40000))
        << qPrintable(station.output().right(3000));
    // 190 ticks of 80 ms here; a sweep carried on from the first loss would
    // step within 10 ticks. A loaded machine only makes the wait longer.
    EXPECT_GE(lost.elapsed(), 100 * 80) << "the next step came after " << lost.elapsed() << " ms";
}

} // namespace
