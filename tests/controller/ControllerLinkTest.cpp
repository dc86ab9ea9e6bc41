#include "support/LoopbackServer.h"
#include "support/StationFixture.h"
#include "support/Wait.h"

#include "model/SettingKeys.h"

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::LoopbackServer;
using korvane::test::StationFixture;
using korvane::test::waitUntil;
using korvane::test::finish;
using korvane::test::runPingTick;
using korvane::test::runRadioTick;

namespace {

QString boardAddress(const LoopbackServer &server)
{
    return QStringLiteral("127.0.0.1:%1").arg(server.port());
}

void fillRadioBoxes(Station &s)
{
    // The radio half needs a radio address; point it at a closed loopback port.
    s.setControl(QStringLiteral("Text3"), QStringLiteral("127.0.0.9:1"));
    s.setControl(QStringLiteral("Text7"), QStringLiteral("pw"));
    s.setControl(QStringLiteral("Text14"), QStringLiteral("ubnt"));
}

TEST(ConnectButton, AddressWithPortIsSplitAndStoredWhole)
{
    LoopbackServer server;
    StationFixture f;
    Station &s = f.start();
    fillRadioBoxes(s);
    s.setControl(QStringLiteral("Text4"), boardAddress(server));
    s.setControl(QStringLiteral("Text10"), QStringLiteral("8233"));
    s.click(QStringLiteral("Command1"));
    EXPECT_EQ(s.Winsock2.RemoteHost, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(s.Winsock2.RemotePort, server.port());
    EXPECT_EQ(f.settings->read(keys::DEVICE_KORVANE_IP), boardAddress(server));
    EXPECT_EQ(f.settings->read(keys::DEVICE_KORVANE_PORT), QString::number(server.port()));
    EXPECT_EQ(f.settings->read(keys::DEVICE_WIRESS_IP), QStringLiteral("127.0.0.9:1"));
    EXPECT_EQ(f.settings->read(keys::DEVICE_WIRESS_USER), QStringLiteral("ubnt"));
    EXPECT_EQ(s.Winsock1.RemoteHost, QStringLiteral("127.0.0.9"));
    EXPECT_EQ(s.Winsock1.RemotePort, 1);
    EXPECT_EQ(s.display.Label_NOTE.text(), QString());
    ASSERT_TRUE(waitUntil([&] { return s.Winsock2.State() == 7 && server.openClients() == 1; }));

    // The same text again names the same host and port: the link stays.
    s.click(QStringLiteral("Command1"));
    EXPECT_EQ(s.Winsock2.State(), 7);
    EXPECT_EQ(server.accepted, 1);
}

TEST(ConnectButton, UnchangedRadioAddressWithPortKeepsTheSession)
{
    LoopbackServer radio;
    StationFixture f;
    Station &s = f.start();
    s.setControl(QStringLiteral("Text3"), QStringLiteral("127.0.0.1:%1").arg(radio.port()));
    s.setControl(QStringLiteral("Text7"), QStringLiteral("pw"));
    s.setControl(QStringLiteral("Text14"), QStringLiteral("ubnt"));
    s.setControl(QStringLiteral("Text4"), QStringLiteral("127.0.0.9:1"));
    s.click(QStringLiteral("Command1"));
    ASSERT_TRUE(waitUntil([&] { return s.Winsock1.State() == 7 && radio.openClients() == 1; }));
    s.click(QStringLiteral("Command1"));
    EXPECT_EQ(s.Winsock1.State(), 7);
    EXPECT_EQ(radio.accepted, 1);
}

TEST(ConnectButton, AddressWithoutPortUsesTheDefaultPort)
{
    StationFixture f;
    Station &s = f.start();
    s.setControl(QStringLiteral("Text4"), QStringLiteral("127.0.0.2"));
    s.click(QStringLiteral("Command1"));
    EXPECT_EQ(s.Winsock2.RemoteHost, QStringLiteral("127.0.0.2"));
    EXPECT_EQ(s.Winsock2.RemotePort, 8233);
    EXPECT_EQ(f.settings->read(keys::DEVICE_KORVANE_IP), QStringLiteral("127.0.0.2"));
    EXPECT_EQ(f.settings->read(keys::DEVICE_KORVANE_PORT), QStringLiteral("8233"));
}

TEST(ConnectButton, LeadingColonGivesAnEmptyHost)
{
    StationFixture f;
    Station &s = f.start();
    s.setControl(QStringLiteral("Text4"), QStringLiteral(":9000"));
    s.click(QStringLiteral("Command1"));
    EXPECT_EQ(s.Winsock2.RemoteHost, QString());
    EXPECT_EQ(s.Winsock2.RemotePort, 9000);
    EXPECT_EQ(f.settings->read(keys::DEVICE_KORVANE_PORT), QStringLiteral("9000"));
}

TEST(ConnectButton, OutOfRangePortIsRefusedWithANoticeAndTheLinkKept)
{
    LoopbackServer server;
    StationFixture f;
    Station &s = f.start();
    s.setControl(QStringLiteral("Text4"), boardAddress(server));
    s.click(QStringLiteral("Command1"));
    ASSERT_TRUE(waitUntil([&] { return s.Winsock2.State() == 7 && server.openClients() == 1; }));
    for (const char *typed : {"127.0.0.2:70000", "127.0.0.2:0", "127.0.0.2:\u30000"}) {
        const QString address = QString::fromUtf8(typed);
        s.setControl(QStringLiteral("Text4"), address);
        s.click(QStringLiteral("Command1"));
        EXPECT_EQ(s.display.Label_NOTE.text(),
                  QStringLiteral("地址中的端口号超出范围（1-65535），未修改连接：") + address);
        EXPECT_EQ(s.Winsock2.RemoteHost, QStringLiteral("127.0.0.1"));
        EXPECT_EQ(s.Winsock2.RemotePort, server.port());
        EXPECT_EQ(f.settings->read(keys::DEVICE_KORVANE_IP), boardAddress(server));
        EXPECT_EQ(f.settings->read(keys::DEVICE_KORVANE_PORT), QString::number(server.port()));
    }
    EXPECT_EQ(s.Winsock2.State(), 7);
    EXPECT_EQ(server.accepted, 1);
}

TEST(ConnectButton, FullWidthSpaceBeforeThePortStillReachesTheBoard)
{
    LoopbackServer server;
    StationFixture f;
    Station &s = f.start();
    fillRadioBoxes(s);
    // What a Chinese input method types after the colon.
    s.setControl(QStringLiteral("Text4"), QStringLiteral("127.0.0.1:\u3000%1").arg(server.port()));
    s.setControl(QStringLiteral("Text10"), QStringLiteral("8233"));
    s.click(QStringLiteral("Command1"));
    ASSERT_TRUE(waitUntil([&] { return s.Winsock2.State() == 7 && server.openClients() == 1; }));
    EXPECT_EQ(s.Winsock2.RemotePort, server.port());
    EXPECT_EQ(f.settings->read(keys::DEVICE_KORVANE_PORT), QString::number(server.port()));
}

TEST(StartupConnect, StoredAddressWithAnUnusablePortIsReportedAndNotDialled)
{
    StationFixture f;
    f.settings->write(keys::DEVICE_KORVANE_IP, QStringLiteral("127.0.0.1:99999"));
    f.settings->write(keys::KORVANE_AUTOLINK, QStringLiteral("1"));
    Station &s = f.start();
    EXPECT_EQ(s.display.Label_NOTE.text(),
              QStringLiteral("地址中的端口号超出范围（1-65535），未修改连接：127.0.0.1:99999"));
    EXPECT_EQ(s.Winsock2.State(), 0);
    // Nor does the supervision dial it.
    s.Timer_Ping.stop();
    finish(s.controllerLink.supervise());
    EXPECT_EQ(s.Winsock2.State(), 0);
}

TEST(ConnectButton, EmptyPortBoxStillConnectsTheChangedHalfButAsksForParameters)
{
    LoopbackServer server;
    StationFixture f;
    Station &s = f.start();
    fillRadioBoxes(s);
    s.setControl(QStringLiteral("Text4"), boardAddress(server));
    s.click(QStringLiteral("Command1"));
    EXPECT_EQ(s.display.Label_NOTE.text(), QStringLiteral("请填写参数后连接"));
    ASSERT_TRUE(waitUntil([&] { return s.Winsock2.State() == 7; }));
}

TEST(ConnectButton, UnchangedAddressWithoutPortLeavesAnOpenLinkAlone)
{
    LoopbackServer server;
    StationFixture f;
    f.settings->write(keys::DEVICE_KORVANE_IP, QStringLiteral("127.0.0.1"));
    Station &s = f.start();
    // Point the socket at the server without a port in the box.
    s.Winsock2.RemotePort = server.port();
    s.Winsock2.Connect();
    ASSERT_TRUE(waitUntil([&] { return s.Winsock2.State() == 7 && server.openClients() == 1; }));
    s.click(QStringLiteral("Command1"));
    s.click(QStringLiteral("Command1"));
    EXPECT_EQ(s.Winsock2.State(), 7);
    EXPECT_EQ(server.accepted, 1);
}

class Supervision : public ::testing::Test {
protected:
    Station &startConnected(bool autoConnect)
    {
        f.settings->write(keys::DEVICE_KORVANE_IP, boardAddress(server));
        f.settings->write(keys::KORVANE_AUTOLINK, autoConnect ? QStringLiteral("1") : QStringLiteral("0"));
        Station &s = f.start();
        // Ticks are driven by the test; the radio supervision would write its
        // own notices into Label_NOTE during the probe's wait.
        s.Timer_Ping.stop();
        s.Timer1.stop();
        if (!autoConnect)
            s.Winsock2.Connect();
        EXPECT_TRUE(waitUntil([&] { return s.Winsock2.State() == 7 && server.openClients() == 1; }));
        return s;
    }

    LoopbackServer server;
    StationFixture f;
};

TEST_F(Supervision, HealthyLinkClearsTheNotice)
{
    Station &s = startConnected(true);
    s.display.Label_NOTE.setText(QStringLiteral("天线控制网络连接中..."));
    runPingTick(s);
    EXPECT_EQ(s.display.Label_NOTE.text(), QString());
    EXPECT_EQ(s.Winsock2.State(), 7);
    EXPECT_EQ(server.accepted, 2) << "one probe connection";
}

TEST_F(Supervision, DroppedLinkIsReconnectedWithinOneTick)
{
    Station &s = startConnected(true);
    server.dropAll();
    ASSERT_TRUE(waitUntil([&] { return s.Winsock2.State() != 7; }));
    runPingTick(s);
    ASSERT_TRUE(waitUntil([&] { return s.Winsock2.State() == 7 && server.openClients() == 1; }));
    EXPECT_EQ(server.accepted, 2);
}

TEST_F(Supervision, WithoutAutoConnectALostLinkStaysClosed)
{
    Station &s = startConnected(false);
    server.dropAll();
    ASSERT_TRUE(waitUntil([&] { return s.Winsock2.State() != 7; }));
    runPingTick(s);
    EXPECT_NE(s.Winsock2.State(), 7);
    EXPECT_EQ(server.accepted, 1);
}

TEST_F(Supervision, BoardRefusingTheProbeIsTreatedAsLost)
{
    Station &s = startConnected(false);
    server.refuseFurther = true;
    runPingTick(s);
    // The loss with its reason replaces the probe's own notice.
    EXPECT_EQ(s.display.Label_NOTE.text(), QStringLiteral("控制板连接中断（探测连接无响应）"));
    EXPECT_EQ(s.Winsock2.State(), 0);
    EXPECT_EQ(s.Winsock_test.State(), 0) << "the probe socket is always closed";
}

TEST_F(Supervision, SliderFollowsTheAntenna)
{
    Station &s = startConnected(true);
    s.controllerStatus.AngleH = 372.5; // 372 after rounding half to even, 12 after mod
    runPingTick(s);
    EXPECT_EQ(s.display.Slider1.value(), 12);
}

TEST(Lamps, ControllerLampFollowsTheSocket)
{
    LoopbackServer server;
    StationFixture f;
    Station &s = f.start();
    s.Timer1_Timer();
    EXPECT_EQ(s.display.Label6.colour(), (Rgb{0, 0, 0}));
    s.Winsock2.RemoteHost = QStringLiteral("127.0.0.1");
    s.Winsock2.RemotePort = server.port();
    s.Winsock2.Connect();
    s.Timer1_Timer();
    EXPECT_EQ(s.display.Label6.colour(), (Rgb{255, 255, 0}));
    ASSERT_TRUE(waitUntil([&] { return s.Winsock2.State() == 7; }));
    s.Timer1_Timer();
    EXPECT_EQ(s.display.Label6.colour(), (Rgb{0, 255, 0}));
}

} // namespace

namespace {

TEST(StatusStream, CharacterSplitBetweenReadsArrivesWhole)
{
    LoopbackServer server;
    StationFixture f;
    Station &s = f.start();
    s.Winsock2.RemoteHost = QStringLiteral("127.0.0.1");
    s.Winsock2.RemotePort = server.port();
    s.Winsock2.Connect();
    ASSERT_TRUE(waitUntil([&] { return s.Winsock2.State() == 7 && server.openClients() == 1; }));
    const QByteArray text = QStringLiteral("距离:9.87km\r\n").toUtf8();
    // Counted after the station's own handler, which reads what came.
    int reads = 0;
    QObject::connect(&s.Winsock2, &TcpLink::dataArrival, [&] { ++reads; });
    server.sendToAll(text.left(1));
    ASSERT_TRUE(waitUntil([&] { return reads == 1; }));
    server.sendToAll(text.mid(1));
    ASSERT_TRUE(waitUntil([&] { return s.display.Text2.text().endsWith(QStringLiteral("\r\n")); }));
    EXPECT_EQ(s.display.Text2.text(), QStringLiteral("距离:9.87km\r\n"));
}

} // namespace
