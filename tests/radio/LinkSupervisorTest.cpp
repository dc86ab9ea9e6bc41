// Timer1's supervision: lamps by socket state and the radio port search with
// its SSH start, on real loopback sockets.
#include "radio/RadioFixture.h"

#include "model/SettingKeys.h"
#include "support/ClosedPort.h"

using namespace korvane;
using namespace korvane::test;

namespace {

const QString kSearching = QStringLiteral("搜索设备中......");
const QString kSshLine = QStringLiteral("2024-05-01 12:00:00已尝试通过SSH开启telnet服务，稍后会重试连接...\r\n");

class Supervision : public ::testing::Test {
protected:
    Supervision()
    {
        s.display.Text3.setText(QStringLiteral("127.0.0.1"));
        s.linkSupervisor.ssh.starter = [this](const QString &program, const QStringList &arguments) {
            QFile file(arguments.value(arguments.indexOf(QStringLiteral("-pwfile")) + 1));
            passwordFiles << (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
            starts << (QStringList{program} + arguments);
            return clientStarts; // false: as when plink is missing
        };
    }

    void putInState(TcpLink &link, int state)
    {
        link.Close();
        link.RemoteHost = QStringLiteral("127.0.0.1");
        link.RemotePort = state == TcpLink::Error ? closed.port() : f.peer.port();
        if (state != TcpLink::Closed)
            link.Connect();
        if (state != TcpLink::Connecting) {
            ASSERT_TRUE(waitUntil([&] { return link.State() == state; }));
        }
    }

    // A radio socket error while the socket points at `port`.
    void radioFailsOn(int port)
    {
        putInState(s.Winsock1, TcpLink::Error);
        s.Winsock1.RemotePort = port;
    }

    RadioFixture f{false};
    const ClosedPort closed;
    Station &s = f.station;
    QList<QStringList> starts;
    QList<QByteArray> passwordFiles;
    bool clientStarts = false;
};

TEST_F(Supervision, LampsFollowEachSocketState)
{
    struct Case {
        int state;
        Rgb colour;
    };
    const Case cases[] = {
        {TcpLink::Closed, colours::Black},
        {TcpLink::Connecting, colours::Yellow},
        {TcpLink::Connected, colours::Green},
        {TcpLink::Error, colours::Red},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.state);
        putInState(s.Winsock1, c.state);
        putInState(s.Winsock2, c.state);
        s.radio.loggedIn = true;
        s.Timer1_Timer();
        EXPECT_EQ(s.display.radioLamp.colour(), c.colour);
        EXPECT_EQ(s.display.Label6.colour(), c.colour);
        EXPECT_EQ(s.radio.loggedIn, c.state == TcpLink::Connected) << "only a connected session stays logged in";
    }
    EXPECT_EQ(s.Winsock1.State(), TcpLink::Closed) << "a failed radio socket is closed";
    putInState(s.Winsock1, TcpLink::Connected);
    s.Timer1_Timer();
    EXPECT_EQ(f.fixture.settings->read(keys::DEVICE_WIRESS_PORT), QString::number(f.peer.port()));
}

TEST_F(Supervision, ErrorsFrom9754Give23Then9754WithOneSshStart)
{
    radioFailsOn(9754);
    s.linkSupervisor.supervise();
    EXPECT_EQ(s.Winsock1.RemotePort, 23);
    EXPECT_EQ(s.display.Label_NOTE.text(), kSearching);
    ASSERT_EQ(starts.size(), 1);
    const QStringList &start = starts.first();
    EXPECT_TRUE(start.first().endsWith(QStringLiteral("plink")));
    EXPECT_EQ(start.mid(1), QStringList({"-ssh", "127.0.0.1", "-l", "ubnt", "-pwfile", start.value(6), "-batch",
                                         "telnetd"}));
    EXPECT_EQ(passwordFiles.first(), QByteArray("s3cret-pw\n"));
    EXPECT_FALSE(f.log().contains(QStringLiteral("SSH"))) << "plink could not start: nothing was tried";

    s.display.Label_NOTE.setText(QString());
    radioFailsOn(23);
    s.linkSupervisor.supervise();
    EXPECT_EQ(s.Winsock1.RemotePort, 9754);
    EXPECT_EQ(s.display.Label_NOTE.text(), kSearching);
    EXPECT_EQ(starts.size(), 1);

    clientStarts = true;
    radioFailsOn(9754);
    s.linkSupervisor.supervise();
    radioFailsOn(23);
    s.linkSupervisor.supervise();
    EXPECT_EQ(starts.size(), 2);
    EXPECT_EQ(f.log().count(kSshLine), 1) << "logged once, for the client that started";
}

TEST_F(Supervision, ExplicitPortIsNeverSearched)
{
    s.display.Text3.setText(QStringLiteral("127.0.0.1:2323"));
    for (int i = 0; i < 2; ++i) {
        radioFailsOn(2323);
        s.linkSupervisor.supervise();
        EXPECT_EQ(s.Winsock1.RemotePort, 2323);
        EXPECT_EQ(s.Winsock1.State(), TcpLink::Closed);
        EXPECT_EQ(s.display.radioLamp.colour(), colours::Red);
    }
    // No search notice: only the loss, once, with the socket's reason.
    EXPECT_EQ(s.display.Label_NOTE.text(), QStringLiteral("微波连接失败（连接被拒绝）"));
    EXPECT_TRUE(starts.isEmpty());
}

TEST_F(Supervision, CpeLeavesTheRadioSocketAndLampAlone)
{
    s.radio.RadioFamily = RadioFamilyCpe;
    s.display.radioLamp.setColour(colours::Green);
    radioFailsOn(9754);
    putInState(s.Winsock2, TcpLink::Connected);
    s.linkSupervisor.supervise();
    EXPECT_EQ(s.display.radioLamp.colour(), colours::Green);
    EXPECT_EQ(s.Winsock1.State(), TcpLink::Error);
    EXPECT_EQ(s.Winsock1.RemotePort, 9754);
    EXPECT_TRUE(starts.isEmpty());
    EXPECT_EQ(s.display.Label6.colour(), colours::Green);
}

// The port the operator stores for the next start is what the next start
// uses, although another port works meanwhile.
TEST_F(Supervision, OperatorPortSurvivesUntilTheRestart)
{
    putInState(s.Winsock1, TcpLink::Connected);
    s.Timer1_Timer();
    ASSERT_EQ(f.fixture.settings->read(keys::DEVICE_WIRESS_PORT), QString::number(f.peer.port()));
    s.setControl(QStringLiteral("Combo2"), QStringLiteral("PORT=2323"));
    s.key(QStringLiteral("Combo2"), 13);
    EXPECT_EQ(s.display.Label_NOTE.text(), QStringLiteral("已经修改设置，请关闭软件重新打开！"));
    for (int i = 0; i < 3; ++i)
        s.Timer1_Timer();
    EXPECT_EQ(s.Winsock1.State(), TcpLink::Connected);
    EXPECT_EQ(f.fixture.settings->read(keys::DEVICE_WIRESS_PORT), QStringLiteral("2323"));

    f.fixture.reopenSettings();
    Station &next = f.fixture.start();
    EXPECT_EQ(next.Winsock1.RemotePort, 2323);
}

} // namespace
