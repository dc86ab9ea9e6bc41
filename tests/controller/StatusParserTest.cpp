#include "support/LoopbackServer.h"
#include "support/StationFixture.h"
#include "support/Wait.h"

#include "controller/StatusParser.h"

#include <QFile>

#include <functional>

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::LoopbackServer;
using korvane::test::StationFixture;
using korvane::test::waitUntil;

namespace {

QString logText(const StationFixture &f)
{
    QFile file(f.logPath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

struct ChunkCase {
    const char *name;
    std::vector<const char *> chunks;
    std::function<void(const Station &)> check;
};

class ChunkTest : public ::testing::TestWithParam<ChunkCase> {};

TEST_P(ChunkTest, FieldsAndDisplays)
{
    StationFixture f;
    Station &s = f.start();
    for (const char *chunk : GetParam().chunks)
        s.statusParser.handleChunk(QString::fromUtf8(chunk));
    GetParam().check(s);
}

const ControllerStatus &st(const Station &s) { return s.controllerStatus; }

INSTANTIATE_TEST_SUITE_P(Table, ChunkTest, ::testing::Values(
    ChunkCase{"OwnPosition", {"本地纬度:31.2304123经度:121.4737010海拔:12.0\r\n"}, [](const Station &s) {
        EXPECT_DOUBLE_EQ(st(s).OwnLatitude, 31.2304123);
        EXPECT_DOUBLE_EQ(st(s).OwnLongitude, 121.473701);
        EXPECT_DOUBLE_EQ(st(s).ReportedLatitude, 31.2304123);
    }},
    ChunkCase{"SmallPositiveLatitudeIgnored", {"本地纬度:0.5经度:120.1海拔:3"}, [](const Station &s) {
        EXPECT_EQ(st(s).OwnLatitude, 0.0);
        EXPECT_DOUBLE_EQ(st(s).OwnLongitude, 120.1);
    }},
    ChunkCase{"NegativeLatitudeAccepted", {"动中通纬度:-0.5经度:120.1海拔:3"}, [](const Station &s) {
        EXPECT_DOUBLE_EQ(st(s).OwnLatitude, -0.5);
    }},
    ChunkCase{"SevenDecimalsHalfAwayFromZero", {"本地纬度:31.12345675经度:-121.12345675海拔:1"},
              [](const Station &s) {
        EXPECT_DOUBLE_EQ(st(s).OwnLatitude, 31.1234568);
        EXPECT_DOUBLE_EQ(st(s).OwnLongitude, -121.1234568);
    }},
    ChunkCase{"WindowCutShortKeepsLongitude",
              {"本地纬度:31.2304123经度:121.4737010海"}, [](const Station &s) {
        EXPECT_DOUBLE_EQ(st(s).OwnLatitude, 31.2304123);
        EXPECT_EQ(st(s).OwnLongitude, 0.0) << "no 海拔: inside the window";
    }},
    ChunkCase{"LongitudeBeyondSixtyCharacters",
              {"本地纬度:31.23041230000000000000000000000000000000000000000000000000000经度:121.5海拔:1"},
              [](const Station &s) {
        EXPECT_EQ(st(s).OwnLatitude, 0.0) << "经度: falls outside the 60-character window";
        EXPECT_EQ(st(s).OwnLongitude, 0.0);
    }},
    ChunkCase{"ReceiverSentenceWins", {"本地纬度:31.2304123经度:121.4737010海拔:12.0\r\n"
                                       "$GPRMC,083559.00,A,3130.0000,N,12115.0000,E,0.004,77.52,091202,,,A*50\r\n"},
              [](const Station &s) {
        EXPECT_DOUBLE_EQ(st(s).OwnLatitude, 31.5);
        EXPECT_DOUBLE_EQ(st(s).OwnLongitude, 121.25);
        EXPECT_DOUBLE_EQ(st(s).ReportedLongitude, 121.25);
    }},
    ChunkCase{"BadChecksumSentenceLoses", {"本地纬度:31.2304123经度:121.4737010海拔:12.0\r\n"
                                           "$GPRMC,083559.00,A,3130.0000,N,12115.0000,E,0.004,77.52,091202,,,A*00\r\n"},
              [](const Station &s) { EXPECT_DOUBLE_EQ(st(s).OwnLatitude, 31.2304123); }},
    ChunkCase{"TargetOverridesBase", {"本地纬度:31.2经度:121.4海拔:1\r\n基站纬度:31.3经度:121.5海拔:5\r\n"
                                      "目标纬度:30.1经度:122.9海拔:0,距离:9.87km\r\n"},
              [](const Station &s) {
        EXPECT_DOUBLE_EQ(st(s).ShipTarget.latitude, 30.1);
        EXPECT_DOUBLE_EQ(st(s).ShipTarget.longitude, 122.9);
        EXPECT_DOUBLE_EQ(st(s).DistanceKm, 9.87);
        EXPECT_EQ(s.display.distvalue.text(), QStringLiteral("5.32海里/9.87公里"));
    }},
    ChunkCase{"BothGnssMarkersEndValid", {"信号:0%\r\n信号:100%\r\n"}, [](const Station &s) {
        EXPECT_TRUE(st(s).GnssValid);
        EXPECT_EQ(s.display.Lbl_ALARM.text(), QString());
    }},
    ChunkCase{"GnssLost", {"信号:0%\r\n"}, [](const Station &s) {
        EXPECT_FALSE(st(s).GnssValid);
        EXPECT_EQ(s.display.Lbl_ALARM.text(), QStringLiteral("北斗/GPS信号异常"));
    }},
    ChunkCase{"PcasAlarm", {"$PCAS04,3*1A"}, [](const Station &s) { EXPECT_FALSE(st(s).GnssValid); }},
    ChunkCase{"MotorAlarmShowsWholeChunk", {"电机告警:堵转\r\n"}, [](const Station &s) {
        EXPECT_EQ(s.display.Lbl_ALARM.text(), QStringLiteral("电机告警:堵转\r\n"));
    }},
    ChunkCase{"BusAlarm", {"总线异常"}, [](const Station &s) {
        EXPECT_EQ(s.display.Lbl_ALARM.text(), QStringLiteral("上次启动总线自检异常，将忽略总线设备，下次启动启用。"));
    }},
    ChunkCase{"BaseCountAccepted", {"当前基站数量5,设置的参数"}, [](const Station &s) {
        EXPECT_TRUE(st(s).MultiBase);
        EXPECT_EQ(st(s).BaseCount, 5);
    }},
    ChunkCase{"BaseCountOutOfRange", {"当前基站数量249,设置的参数", "当前基站数量0,设置的参数"},
              [](const Station &s) {
        EXPECT_FALSE(st(s).MultiBase);
        EXPECT_EQ(st(s).BaseCount, 0);
    }},
    ChunkCase{"ColonSpeedAndHeading", {"航速:18.55节 航向:45.25\r\n"}, [](const Station &s) {
        EXPECT_DOUBLE_EQ(st(s).Speed, 18.6);
        EXPECT_DOUBLE_EQ(st(s).Heading, 45.3);
    }},
    ChunkCase{"AngleFromTenthCharacter", {"天线状态正常,当前水平角度:H123.4V5.0\r\n"}, [](const Station &s) {
        EXPECT_DOUBLE_EQ(st(s).AngleH, 123.4);
    }},
    ChunkCase{"AngleTooEarlyIgnored", {"当前角度:H123.4V5.0\r\n"}, [](const Station &s) {
        EXPECT_EQ(st(s).AngleH, 0.0);
    }},
    ChunkCase{"ExecutionReportSplitsOffset", {"执行123.4+0.5目标:123.9距离9.87 罗盘201.3俯仰5.0\r\n"},
              [](const Station &s) {
        EXPECT_DOUBLE_EQ(st(s).AngleH, 123.9);
        EXPECT_FLOAT_EQ(st(s).AngleOffset, 0.5f);
        EXPECT_DOUBLE_EQ(st(s).LastCompass, 201.3);
        EXPECT_EQ(s.display.navAngle.text(), QStringLiteral("201度"));
        EXPECT_DOUBLE_EQ(st(s).DistanceKm, 9.87);
        EXPECT_EQ(s.display.distvalue.text(), QStringLiteral("5.32海里/9.87公里"));
    }},
    ChunkCase{"NegativeExecutionReport", {"执行-10.0-2.0目标:-12距离1"}, [](const Station &s) {
        EXPECT_DOUBLE_EQ(st(s).AngleH, -12.0);
        EXPECT_FLOAT_EQ(st(s).AngleOffset, -2.0f);
    }},
    ChunkCase{"CompassCountGrowsAndResets",
              {"执行1目标:1 罗盘100.0俯仰1", "执行1目标:1 罗盘100.0俯仰1", "执行1目标:1 罗盘100.0俯仰1"},
              [](const Station &s) { EXPECT_EQ(st(s).CompassSameCount, 2); }},
    ChunkCase{"CompassChangeResets",
              {"执行1目标:1 罗盘100.0俯仰1", "执行1目标:1 罗盘100.0俯仰1", "执行1目标:1 罗盘100.1俯仰1"},
              [](const Station &s) { EXPECT_EQ(st(s).CompassSameCount, 0); }},
    ChunkCase{"PlainHeadingForm", {"航向45.9航速18.5俯仰5.0\r\n"}, [](const Station &s) {
        EXPECT_EQ(s.display.navAngle.text(), QStringLiteral("45度航速9节"));
        EXPECT_DOUBLE_EQ(st(s).Heading, 45.9);
        EXPECT_DOUBLE_EQ(st(s).Speed, 18.5);
        EXPECT_EQ(st(s).HeadingArrow, QString());
    }},
    ChunkCase{"SwitchNote", {"切换2号基站,海拔10"}, [](const Station &s) {
        EXPECT_EQ(s.display.Label_NOTE.text(), QStringLiteral("2号基站"));
    }},
    ChunkCase{"ShortChunkShownNotLogged", {"ok\r\n"}, [](const Station &s) {
        EXPECT_EQ(s.display.Text2.text(), QStringLiteral("ok\r\n"));
        EXPECT_EQ(s.display.Label4.text(), QStringLiteral("超级终端"));
    }},
    ChunkCase{"DuplicatePrefixRemoved", {"ABCDEFGH12345678xABCDEFGH:g2 rest"}, [](const Station &s) {
        EXPECT_EQ(s.display.Text2.text(), QStringLiteral("xABCDEFGH:g2 rest"));
    }},
    ChunkCase{"MarkersAtTheVeryEnd", {"本地纬度:", "经度:", "海拔:", "航速:", "执行", "罗盘", "距离", ",距离"},
              [](const Station &s) {
        EXPECT_EQ(st(s).OwnLatitude, 0.0);
        EXPECT_EQ(st(s).AngleH, 0.0);
    }}),
    [](const ::testing::TestParamInfo<ChunkCase> &info) { return std::string(info.param.name); });

TEST(StatusLog, HeaderOncePerConnectThenPositionAndChunk)
{
    StationFixture f;
    Station &s = f.start();
    s.display.Text4.setText(QStringLiteral("127.0.0.1:8233"));
    s.display.Text10.setText(QStringLiteral("8233"));
    s.display.Text1.setText(QStringLiteral("-55"));
    s.statusParser.handleChunk(QStringLiteral("本地纬度:31.5经度:121经度:海拔:1\r\n"));
    s.statusParser.handleChunk(QStringLiteral("4G网络正常 命令:p\r\n"));
    const QString log = logText(f);
    EXPECT_TRUE(log.startsWith(QStringLiteral("======  2024-05-01 12:00:00  127.0.0.1:8233  8233  ====== "
                                              "微波设备：IP   信号-55 带宽 收发数据 设备\r\n")))
        << qPrintable(log);
    EXPECT_EQ(log.count(QStringLiteral("======  ")), 1);
    EXPECT_TRUE(log.contains(QStringLiteral("坐标：31.5,121. \r\n4G网络正常 命令:p\r\n"))) << qPrintable(log);
    EXPECT_EQ(s.display.Label4.text(), QStringLiteral("超级终端（日志）"));
}

TEST(StatusLog, LostFixLineCarriesTimeHeadingAndSpeed)
{
    StationFixture f;
    Station &s = f.start();
    s.statusParser.handleChunk(QStringLiteral("本地纬度:31.5经度:121.25海拔:1"));
    s.statusParser.handleChunk(QStringLiteral("航向45.9航速18.6俯仰5.0"));
    s.statusParser.handleChunk(QStringLiteral("信号:0% 4G网络 命令:g"));
    EXPECT_TRUE(logText(f).contains(QStringLiteral("2024-05-01 12:00:00坐标：31.5,121.25 航向45 航速10节\r\n")))
        << qPrintable(logText(f));
}

TEST(StatusLog, SplitExecutionReportIsJoinedForTheLog)
{
    StationFixture f;
    Station &s = f.start();
    s.statusParser.handleChunk(QStringLiteral("执行123.4+0.5"));
    EXPECT_EQ(s.controllerStatus.PendingFragment, QStringLiteral("执行123.4+0.5"));
    s.statusParser.handleChunk(QStringLiteral("目标:123.9距离9.87俯仰5.0\r\n"));
    EXPECT_EQ(s.controllerStatus.PendingFragment, QString());
    EXPECT_TRUE(logText(f).contains(QStringLiteral("执行123.4+0.5目标:123.9距离9.87俯仰5.0  信号-120 噪声 带宽")))
        << qPrintable(logText(f));
}

class StatusReplies : public ::testing::Test {
protected:
    void SetUp() override
    {
        Station &s = f.start();
        s.Winsock2.RemoteHost = QStringLiteral("127.0.0.1");
        s.Winsock2.RemotePort = board.port();
        s.Winsock2.Connect();
        ASSERT_TRUE(waitUntil([&] { return s.Winsock2.State() == 7 && board.openClients() == 1; }));
    }
    Station &station() { return *f.station; }
    QByteArray receivedAfterRoundTrip()
    {
        // A marker command after the replies: once it arrives, all before it has.
        station().controllerLink.send(QStringLiteral("#"));
        EXPECT_TRUE(waitUntil([&] { return board.received.endsWith('#'); }));
        return board.received.chopped(1);
    }

    LoopbackServer board;
    StationFixture f;
};

TEST_F(StatusReplies, CompassRebasingIsAnsweredOncePerChunkWithDriveOff)
{
    station().statusParser.handleChunk(QStringLiteral("执行初始罗盘"));
    station().statusParser.handleChunk(QStringLiteral("以当前罗盘为基准"));
    EXPECT_EQ(receivedAfterRoundTrip(), QByteArray("o\r\no\r\n"));
}

TEST_F(StatusReplies, UnconfirmedDriveHoldsTheRebasingReply)
{
    station().ais.aisDrive = true;
    station().controllerStatus.DriveConfirmed = false;
    station().statusParser.handleChunk(QStringLiteral("执行初始罗盘"));
    EXPECT_EQ(receivedAfterRoundTrip(), QByteArray());
}

TEST_F(StatusReplies, DriveEchoMismatchResendsUntilItMatches)
{
    Station &s = station();
    s.ais.aisDrive = true;
    s.ais.aisHeading = 10;
    s.controllerStatus.OwnLatitude = 31.0;
    s.controllerStatus.OwnLongitude = 121.0;
    s.controllerStatus.ShipTarget = {31.0, 122.0}; // bearing 89.7: the drive value is 79.70
    s.controllerStatus.DriveConfirmed = false;
    s.statusParser.handleChunk(QStringLiteral("4G网络正常 命令:r12.00\r\n"));
    s.statusParser.handleChunk(QStringLiteral("4G网络正常 命令:r12.00\r\n"));
    EXPECT_EQ(s.display.Label_NOTE.text(), QStringLiteral("控制命令校验错误，重新发送！r79.70"));
    EXPECT_FALSE(s.controllerStatus.DriveConfirmed);
    EXPECT_EQ(s.controllerStatus.DriveCommand, QStringLiteral("r79.70"));
    s.statusParser.handleChunk(QStringLiteral("4G网络正常 命令:r79.70\r\n"));
    EXPECT_TRUE(s.controllerStatus.DriveConfirmed);
    EXPECT_EQ(receivedAfterRoundTrip(), QByteArray("r79.70\r\nr79.70\r\n"));
}

TEST_F(StatusReplies, SettledExecutionReportsResendTheDriveAtMostOnceASecond)
{
    // The board answers every drive command with an execution report; were
    // each one answered at once, the two would ping-pong without end.
    Station &s = station();
    s.ais.aisDrive = true;
    s.controllerStatus.DriveCommand = QStringLiteral("r160.00");
    for (int i = 0; i < 5; ++i)
        s.statusParser.handleChunk(QStringLiteral("4G网络正常 命令:r160.00执行160.0+0.0目标:160.0距离55.64\r\n"));
    EXPECT_EQ(receivedAfterRoundTrip(), QByteArray("r160.00\r\n"));
}

TEST_F(StatusReplies, NoDriveIsResentWhileTheSurveyRuns)
{
    Station &s = station();
    s.ais.aisDrive = true;
    s.ais.aisHeading = 10;
    s.controllerStatus.OwnLatitude = 31.0;
    s.controllerStatus.OwnLongitude = 121.0;
    s.controllerStatus.ShipTarget = {31.0, 122.0};
    s.controllerStatus.DriveCommand = QStringLiteral("r160.00");
    s.controllerStatus.DriveConfirmed = false;
    s.autoScan.autoscan();
    s.statusParser.handleChunk(QStringLiteral("4G网络正常 命令:r12.00\r\n"));
    s.statusParser.handleChunk(QStringLiteral("4G网络正常 命令:r160.00执行160.0+0.0目标:160.0距离55.64\r\n"));
    EXPECT_EQ(receivedAfterRoundTrip(), QByteArray());
    EXPECT_FALSE(s.display.Label_NOTE.text().startsWith(QStringLiteral("控制命令校验错误")));

    ASSERT_TRUE(s.autoScan.cancel());
    board.received.clear();
    s.statusParser.handleChunk(QStringLiteral("4G网络正常 命令:r12.00\r\n"));
    EXPECT_EQ(receivedAfterRoundTrip(), QByteArray("r79.70\r\n")) << "the check resumes after the survey";
}

TEST_F(StatusReplies, RadioKeyIsTakenWhenTheAddressMatches)
{
    Station &s = station();
    s.display.Text3.setText(QStringLiteral("192.168.1.20 "));
    const QString key = QStringLiteral("0123456789abcdef0123456789ABCDEF");
    s.statusParser.handleChunk(QStringLiteral("secretkey:") + key + QStringLiteral("(192.168.1.20)\r\n"));
    EXPECT_EQ(s.controllerStatus.RadioKey, key);
    EXPECT_TRUE(s.radio.keyReady);
    s.controllerStatus.RadioKey.clear();
    s.statusParser.handleChunk(QStringLiteral("secretkey:") + key + QStringLiteral("(192.168.1.21)\r\n"));
    EXPECT_EQ(s.controllerStatus.RadioKey, QString());
}

TEST(StatusParser, HeadingSectors)
{
    const std::pair<double, const char *> table[] = {
        {0, " ↑"}, {22.4, " ↑"}, {22.5, " ↗"}, {67.5, " →"}, {112.5, " ↘"}, {157.5, " ↓"},
        {202.5, " ↙"}, {247.5, " ←"}, {292.5, " ↖"}, {337.4, " ↖"}, {337.5, " ↑"}, {359.9, " ↑"}};
    for (const auto &[h, arrow] : table)
        EXPECT_EQ(StatusParser::headingArrow(h), QString::fromUtf8(arrow)) << h;
}

TEST(StatusParser, GarbageChangesNothingAndTheTerminalStaysCapped)
{
    StationFixture f;
    Station &s = f.start();
    QString junk;
    for (int i = 0; i < 5000; ++i)
        junk += QChar(static_cast<char16_t>((i * 7919) % 0xD7FF + 1));
    for (int i = 0; i < 20; ++i)
        s.statusParser.handleChunk(junk);
    s.statusParser.handleChunk(QString(40000, QLatin1Char('x')) + QStringLiteral("本地纬度:31经度:121海拔:"));
    EXPECT_EQ(s.display.Text2.text().size(), 20000);
    EXPECT_LE(s.controllerStatus.PendingFragment.size(), 499);
}

} // namespace

namespace {

TEST(StatusLog, HeldFragmentStaysBoundedWhenTheReportNeverEnds)
{
    StationFixture f;
    Station &s = f.start();
    s.statusParser.handleChunk(QStringLiteral("执行123.4+0.5"));
    for (int i = 0; i < 200; ++i)
        s.statusParser.handleChunk(QStringLiteral("目标:123.9距离9.87"));
    EXPECT_LE(s.controllerStatus.PendingFragment.size(), 499);
    EXPECT_TRUE(logText(f).contains(QStringLiteral("执行123.4+0.5目标:123.9距离9.87目标:")))
        << "what was held is logged, not dropped";
}

} // namespace
