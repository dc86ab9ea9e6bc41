#include "support/StationFixture.h"

#include "model/SettingKeys.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::StationFixture;

namespace {

TEST(FormLoad, FirstRunWithAnEmptyStore)
{
    StationFixture f;
    Station &s = f.start();
    EXPECT_EQ(s.display.Text3.text(), QString());
    EXPECT_EQ(s.display.Text4.text(), QString());
    EXPECT_EQ(s.display.Text10.text(), QString());
    EXPECT_EQ(s.display.Check1.value(), 0);
    EXPECT_EQ(s.Winsock2.State(), 0) << "no connect without auto-connect";
    EXPECT_EQ(s.Winsock1.State(), 0);
    EXPECT_EQ(s.Winsock1.RemotePort, 9754);
    EXPECT_EQ(s.Winsock2.RemotePort, 8233);
    EXPECT_EQ(s.optimisation.comparisonInterval, 300);
    EXPECT_EQ(s.optimisation.comparisonCountdown, 300);
    EXPECT_TRUE(s.optimisation.scanEnabled);
    EXPECT_EQ(s.optimisation.scanCountdown, 600);
    EXPECT_EQ(s.optimisation.comparisonStep, 1);
    EXPECT_EQ(s.ais.selectedPort, QString()) << "serial port stays closed";
    EXPECT_TRUE(s.controllerStatus.GnssValid);
    EXPECT_TRUE(s.controllerStatus.DriveConfirmed);
    EXPECT_FALSE(s.controllerStatus.MultiBase);
    EXPECT_EQ(s.radioStats.signalDbm, -120);
    EXPECT_EQ(s.display.Combo2.items(),
              QStringList({"g", "p", "j", "w", "c", "R", "WR", "COMP_TIME", "COMP_ANG", "SCAN_TIME", "?", "IMPORT"}));
    EXPECT_EQ(s.display.MainWindow.text(), QStringLiteral("korvane-station-动中通天线自动控制系统 V1.0.46"));
    EXPECT_EQ(s.radio.signalBars[3], QStringLiteral("▁ ▃ ▅ 　 　"));
    EXPECT_TRUE(s.Timer_Ping.isActive());
    EXPECT_EQ(s.Timer_Ping.interval(), 7030);
    EXPECT_EQ(s.Timer_Cloud.interval(), 59990);
}

TEST(FormLoad, StoredValuesFillTheBoxesAndSurviveRestart)
{
    StationFixture f;
    f.settings->write(keys::DEVICE_WIRESS_IP, QStringLiteral("127.0.0.20:2323"));
    f.settings->write(keys::DEVICE_WIRESS_USER, QStringLiteral("ubnt"));
    f.settings->write(keys::DEVICE_KORVANE_IP, QStringLiteral("127.0.0.10"));
    f.settings->write(keys::DEVICE_KORVANE_PORT, QStringLiteral("8233"));
    f.settings->write(keys::USE_SHIP_MMSI, QStringLiteral("413000000"));
    f.settings->write(keys::USE_SHIP_AIS, QStringLiteral("1"));
    Station &s = f.start();
    EXPECT_EQ(s.display.Text3.text(), QStringLiteral("127.0.0.20:2323"));
    EXPECT_EQ(s.Winsock1.RemoteHost, QStringLiteral("127.0.0.20"));
    EXPECT_EQ(s.Winsock1.RemotePort, 2323);
    EXPECT_EQ(s.Winsock2.RemoteHost, QStringLiteral("127.0.0.10"));
    EXPECT_EQ(s.radio.rememberedUser, QStringLiteral("ubnt"));
    EXPECT_EQ(s.display.Label5.toolTip(), QStringLiteral("船舶MMSI：413000000"));
    EXPECT_TRUE(s.ais.shipToShip);
    EXPECT_TRUE(s.display.CHK_SHIP_AIS.visible());

    s.setControl(QStringLiteral("Check1"), QStringLiteral("1"));
    EXPECT_EQ(f.settings->read(keys::KORVANE_AUTOLINK), QStringLiteral("1"));
    f.reopenSettings();
    Station &again = f.start();
    EXPECT_EQ(again.display.Check1.value(), 1);
    EXPECT_EQ(again.display.Text4.text(), QStringLiteral("127.0.0.10"));
}

TEST(FormLoad, ShipToShipOffHidesItsBoxes)
{
    StationFixture f;
    f.settings->write(keys::USE_SHIP_AIS, QStringLiteral("0"));
    f.settings->write(keys::USE_SHIP_AIS_DRIVE, QStringLiteral("0"));
    Station &s = f.start();
    EXPECT_FALSE(s.ais.shipToShip);
    EXPECT_FALSE(s.display.CHK_SHIP_AIS.visible());
    EXPECT_FALSE(s.display.Label5.visible());
    EXPECT_FALSE(s.display.SHIP_AIS_DRIVE.visible());
    EXPECT_FALSE(s.display.Label12.visible());
}

TEST(WindowHandlers, ClearingTheAlarmNotifiesAndLogs)
{
    StationFixture f;
    Station &s = f.start();
    s.display.Lbl_ALARM.setText(QStringLiteral("北斗/GPS信号异常"));
    ASSERT_TRUE(s.click(QStringLiteral("Lbl_ALARM")));
    EXPECT_EQ(s.display.Lbl_ALARM.text(), QString());
    EXPECT_EQ(s.display.Label_NOTE.text(), QStringLiteral("已经清除告警信息，您也可以通过日志查看信息记录！"));
    QFile log(f.logPath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(log.readAll()),
              QStringLiteral("12:00:00 主机类型(0)事件：已经清除告警信息，您也可以通过日志查看信息记录！\r\n"));
}

TEST(WindowHandlers, CollapseTwiceReturnsToTheStart)
{
    StationFixture f;
    Station &s = f.start();
    EXPECT_EQ(s.display.MainWindow.value(), 9405);
    s.click(QStringLiteral("Label18"));
    EXPECT_EQ(s.display.MainWindow.value(), 2900);
    EXPECT_EQ(s.display.Label18.text(), QStringLiteral("︾"));
    EXPECT_EQ(s.display.Label18.toolTip(), QStringLiteral("展开"));
    s.click(QStringLiteral("Label18"));
    EXPECT_EQ(s.display.MainWindow.value(), 9405);
    EXPECT_EQ(s.display.Label18.text(), QStringLiteral("︽"));
    EXPECT_EQ(s.display.Label18.toolTip(), QStringLiteral("折叠"));
}

TEST(WindowHandlers, OpeningTheLogCreatesTodaysFileAndShowsIt)
{
    StationFixture f;
    Station &s = f.start();
    ASSERT_FALSE(QFile::exists(f.logPath()));
    s.click(QStringLiteral("Label4"));
    EXPECT_TRUE(QFile::exists(f.logPath()));
    ASSERT_EQ(f.reveal.revealed.size(), 1);
    EXPECT_EQ(f.reveal.revealed.first(), QFileInfo(f.logPath()).absoluteFilePath());
}

TEST(Display, TerminalKeepsItsLastTwentyThousandCharacters)
{
    StationFixture f;
    Station &s = f.start();
    s.display.Text2.append(QString(19990, QLatin1Char('a')));
    s.display.Text2.append(QStringLiteral("0123456789ABCDEFGHIJ"));
    EXPECT_EQ(s.display.Text2.text().size(), 20000);
    EXPECT_TRUE(s.display.Text2.text().endsWith(QStringLiteral("ABCDEFGHIJ")));
    EXPECT_TRUE(s.display.Text2.text().startsWith(QStringLiteral("aaaa")));
}

} // namespace
