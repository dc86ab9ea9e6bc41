#include "support/Files.h"
#include "support/LoopbackServer.h"
#include "support/PeerClient.h"
#include "support/SimProcess.h"
#include "support/StationFixture.h"
#include "support/Wait.h"

#include <QFile>
#include <QTemporaryDir>

#include <utility>

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::LoopbackServer;
using korvane::test::PeerClient;
using korvane::test::readFile;
using korvane::test::SimProcess;
using korvane::test::StationFixture;
using korvane::test::waitUntil;

namespace {

class ManualDriveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Station &s = f.start();
        s.blink.stop();
        s.Timer_Ping.stop();
        s.Winsock2.RemoteHost = QStringLiteral("127.0.0.1");
        s.Winsock2.RemotePort = board.port();
        s.Winsock2.Connect();
        ASSERT_TRUE(waitUntil([&] { return s.Winsock2.State() == 7 && board.openClients() == 1; }));
    }
    Station &station() { return *f.station; }
    QByteArray wire()
    {
        station().controllerLink.send(QStringLiteral("#"));
        EXPECT_TRUE(waitUntil([&] { return board.received.endsWith('#'); }));
        QByteArray got = board.received.chopped(1);
        board.received.clear();
        return got;
    }

    LoopbackServer board;
    StationFixture f;
};

struct DotCase {
    double angleH;
    double offset;
    int dot;
    const char *wire;
    const char *caption;
};

class DotTest : public ManualDriveTest, public ::testing::WithParamInterface<DotCase> {};

TEST_P(DotTest, SendsTheOffsetAndShowsTheDirection)
{
    const DotCase &c = GetParam();
    station().controllerStatus.AngleH = c.angleH;
    station().controllerStatus.AngleOffset = static_cast<float>(c.offset);
    station().click(QStringLiteral("angle"), c.dot);
    EXPECT_EQ(wire(), QByteArray(c.wire));
    EXPECT_EQ(station().display.Command_HFIX.text(), QString::fromLatin1(c.caption));
    EXPECT_TRUE(station().display.Label_NOTE.text().startsWith(QStringLiteral("手动驱动：")));
}

INSTANTIATE_TEST_SUITE_P(Table, DotTest, ::testing::Values(
    DotCase{100, 0, 3, "[P0H-10V0]\r\n", "90"},
    DotCase{100, 0, 0, "[P0H-100V0]\r\n", "0"},
    DotCase{350, 0, 1, "[P0H-320V0]\r\n", "30"},
    DotCase{100.4, 0, 3, "[P0H-11V0]\r\n", "90"},      // -10.4 floors to -11
    DotCase{10, 0, 11, "[P0H320V0]\r\n", "330"},
    DotCase{100, 2.5, 3, "[P0H-8V0]\r\n", "90"}));

TEST_F(ManualDriveTest, DotDriveIsLogged)
{
    station().controllerStatus.AngleH = 100;
    station().click(QStringLiteral("angle"), 3);
    QFile log(f.logPath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(log.readAll()), QStringLiteral("12:00:00 主机类型(0)事件：手动驱动：[P0H-10V0]\r\n"));
}

TEST_F(ManualDriveTest, CentreDotReturnsToAutomaticAndEndsAScan)
{
    station().optimisation.scanOffset = 5;
    station().click(QStringLiteral("angle"), 12);
    EXPECT_EQ(wire(), QByteArray("[P0H0V0]\r\n"));
    EXPECT_EQ(station().optimisation.scanOffset, 32);
    EXPECT_EQ(station().display.Label_NOTE.text(), QStringLiteral("您已退出自动扫描模式，已经恢复自动驱动模式。"));
    ASSERT_EQ(f.dialogs.shown.size(), 1);
    station().click(QStringLiteral("angle"), 12);
    EXPECT_EQ(station().display.Label_NOTE.text(), QStringLiteral("已经恢复自动驱动模式。"));
    EXPECT_EQ(f.dialogs.shown.size(), 1);
}

TEST_F(ManualDriveTest, SliderApplySendsTheOffsetAndTheButtonFollowsTheSlider)
{
    station().controllerStatus.AngleH = 100;
    station().setControl(QStringLiteral("Slider1"), QStringLiteral("250"));
    EXPECT_EQ(station().display.Command_HFIX.text(), QStringLiteral("250"));
    station().click(QStringLiteral("Command_HFIX"));
    EXPECT_EQ(wire(), QByteArray("[P0H150V0]\r\n"));
    EXPECT_TRUE(station().display.Label_NOTE.text().startsWith(QStringLiteral("手动强制驱动方位")));
}

struct EntryCase {
    const char *box;
    const char *text;
    int key;
    const char *wire;
    const char *notice; // after the key; the test starts with "before"
};

void PrintTo(const EntryCase &c, std::ostream *os) { *os << c.box << " \"" << c.text << "\" key " << c.key; }

class EntryTest : public ManualDriveTest, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(EntryTest, OnlyANumberInTheOpenRangeIsSentOnEnter)
{
    const EntryCase &c = GetParam();
    station().display.Label_NOTE.setText(QStringLiteral("before"));
    station().setControl(QString::fromLatin1(c.box), QString::fromLatin1(c.text));
    station().key(QString::fromLatin1(c.box), c.key);
    EXPECT_EQ(wire(), QByteArray(c.wire));
    EXPECT_EQ(station().display.Label_NOTE.text(), QString::fromUtf8(c.notice));
}

INSTANTIATE_TEST_SUITE_P(Table, EntryTest, ::testing::Values(
    EntryCase{"Text12", "89.999", 13, "w89.999\r\n", "w89.999"},
    EntryCase{"Text12", "90", 13, "", "错误"},
    EntryCase{"Text12", "-90", 13, "", "错误"},
    EntryCase{"Text12", "31.5abc", 13, "", "错误"},
    EntryCase{"Text12", "", 13, "", "错误"},
    EntryCase{"Text12", "abc", 13, "", "错误"},
    EntryCase{"Text12", "-", 13, "", "错误"},
    EntryCase{"Text12", " 31.5 ", 13, "w31.5\r\n", "w31.5"},
    EntryCase{"Text12", "31.5", 49, "", "before"},   // typing: neither sent nor refused
    EntryCase{"Text12", "3x", 49, "", "before"},
    EntryCase{"Text13", "179.9", 13, "j179.9\r\n", "j179.9"},
    EntryCase{"Text13", "180", 13, "", "错误"},
    EntryCase{"Text13", "121,5", 13, "", "错误"},
    EntryCase{"Text13", "-179.5", 13, "j-179.5\r\n", "j-179.5"}));

TEST(TargetEntryBoard, TheSimulatedBoardTakesWhatTheBoxesSendAndNothingElse)
{
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("board.bin"));
    SimProcess board;
    ASSERT_TRUE(board.start(QStringLiteral("board"), {"--interval-ms", "200", "--speed", "0", "--record", record}));
    StationFixture f;
    Station &s = f.start();
    for (QTimer *t : {&s.Timer1, &s.blink, &s.Timer2, &s.GET_SIGN, &s.Timer_Ping, &s.Timer_AutoScan, &s.Timer_Cloud})
        t->stop();
    PeerClient echo; // a second station on the board sees every command's answer
    ASSERT_TRUE(echo.connectTo(board.port()));
    s.Winsock2.RemoteHost = QStringLiteral("127.0.0.1");
    s.Winsock2.RemotePort = board.port();
    s.Winsock2.Connect();
    ASSERT_TRUE(waitUntil([&] { return s.Winsock2.State() == TcpLink::Connected; }));
    for (const char *typed : {"31.5abc", "", "north"}) {
        s.setControl(QStringLiteral("Text12"), QString::fromUtf8(typed));
        s.key(QStringLiteral("Text12"), 13);
        EXPECT_EQ(s.display.Label_NOTE.text(), QStringLiteral("错误"));
    }
    s.setControl(QStringLiteral("Text13"), QStringLiteral("121.25"));
    s.key(QStringLiteral("Text13"), 13);
    s.setControl(QStringLiteral("Text12"), QStringLiteral("31.5"));
    s.key(QStringLiteral("Text12"), 13);
    EXPECT_EQ(s.display.Label_NOTE.text(), QStringLiteral("w31.5"));
    ASSERT_TRUE(echo.waitFor(QStringLiteral("命令:w31.5\r\n参数已设置")));
    EXPECT_TRUE(echo.text().contains(QStringLiteral("命令:j121.25\r\n参数已设置")));
    EXPECT_FALSE(echo.text().contains(QStringLiteral("参数错误")));
    const QByteArray wire = readFile(record);
    EXPECT_TRUE(wire.contains("j121.25\r\nw31.5\r\n")) << wire.constData();
    for (const char *refused : {"w31.5abc", "w\r\n", "wnorth"})
        EXPECT_FALSE(wire.contains(refused)) << refused;
}

TEST(ManualDriveOffline, NothingIsSentWhileDisconnected)
{
    StationFixture f;
    Station &s = f.start();
    s.controllerStatus.AngleH = 100;
    s.click(QStringLiteral("angle"), 3);
    EXPECT_EQ(s.display.Label_NOTE.text(), QString());
    s.click(QStringLiteral("Command_HFIX"));
    EXPECT_EQ(s.display.Label_NOTE.text(), QStringLiteral("当前未连接，请检查网络。"));
    s.setControl(QStringLiteral("Text12"), QStringLiteral("30"));
    s.key(QStringLiteral("Text12"), 13);
    EXPECT_EQ(s.display.Label_NOTE.text(), QStringLiteral("错误"));
}

TEST(RingAnimation, NormalisesTheAngleAndBlinksTheNearestDot)
{
    StationFixture f;
    Station &s = f.start();
    // A negative angle is the same direction a whole turn on.
    for (const auto &[reported, wrapped] : {std::pair{-5.0, 355.0}, {-14.5, 345.5}, {-725.0, 355.0}, {-360.0, 0.0}}) {
        s.controllerStatus.AngleH = reported;
        s.blink_Timer();
        EXPECT_EQ(s.controllerStatus.AngleH, wrapped) << reported;
    }
    s.display.angle[0]->setColour(colours::Black);
    s.controllerStatus.AngleH = -5;
    s.blink_Timer();
    EXPECT_EQ(s.display.angle[0]->colour(), colours::Red) << "355 is nearest the bow";
    s.controllerStatus.AngleH = -20;
    s.blink_Timer();
    EXPECT_EQ(s.controllerStatus.AngleH, 340);
    EXPECT_EQ(s.display.angle[11]->colour(), colours::Red);
    s.blink_Timer();
    EXPECT_EQ(s.display.angle[11]->colour(), colours::Black) << "blinks";
    s.controllerStatus.AngleH = 100;
    s.blink_Timer();
    EXPECT_EQ(s.display.angle[3]->colour(), colours::Red);
    EXPECT_EQ(s.display.angle[11]->colour(), colours::Black);
    s.controllerStatus.AngleH = 0;
    s.blink_Timer();
    EXPECT_EQ(s.display.angle[3]->colour(), colours::Red) << "an angle of 0 leaves the ring alone";
}

} // namespace
