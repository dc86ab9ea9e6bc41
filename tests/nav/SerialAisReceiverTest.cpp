// The serial AIS receiver in a station connected to a silent board on
// 127.0.0.1: the bytes that reach the board, and what the operator sees.
#include "nav/AisStationFixture.h"
#include "platform/PtyPair.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

// Position reports of vessel 413000000 at 31.25 N 121.5 E with the heading
// named, and one of another vessel; made with `korvane-sim ais-feed`'s
// encoder and checked against gpsdecode.
const QByteArray kHeading100 = "!AIVDM,1,1,,A,169oQ@0P1T8d;e0ApJ<3Q39p0000,0*0E";
const QByteArray kHeading10 = "!AIVDM,1,1,,A,169oQ@0P1T8d;e0ApJ<3Q0Ep0000,0*71";
const QByteArray kHeading350 = "!AIVDM,1,1,,A,169oQ@0P1T8d;e0ApJ<3Q:up0000,0*4B";
const QByteArray kHeading0 = "!AIVDM,1,1,,A,169oQ@0P1T8d;e0ApJ<3Q01p0000,0*05";
const QByteArray kHeading511 = "!AIVDM,1,1,,A,169oQ@0P1T8d;e0ApJ<3Q?wp0000,0*4C";
const QByteArray kClassB100 = "!AIVDM,1,1,,A,B69oQ@00I2;2s@4N6S0p@jN40000,0*5B";
const QByteArray kOtherVessel = "!AIVDM,1,1,,A,168rO0@P1T8cu3PAr?H3Q39p0000,0*70"; // 412000001
const QByteArray kCrLf = "\r\n";

// Targets seen from (31 N, 121 E) at the bearing named.
struct Target {
    double latitude, longitude;
};
constexpr Target kBearing250{30.8278, 120.4528};
constexpr Target kBearing350_5{31.4931, 120.9032};
constexpr Target kBearing5{31.4981, 121.0511};
constexpr Target kBearing0{31.5, 121.0};

struct WireCase {
    const char *name;
    QByteArray sentence;
    Target target;
    int correction;
    QByteArray expected; // what the board receives
};

TEST(SerialAisDrive, TheBoardGetsExactlyTheRightCommand)
{
    const WireCase cases[] = {
        {"heading 100 bearing 250", kHeading100, kBearing250, 0, "r150.00\r\n"},
        {"heading 10 bearing 350.5 correction -5", kHeading10, kBearing350_5, -5, "r345.50\r\n"},
        {"heading 350 bearing 5 correction 20 folds", kHeading350, kBearing5, 20, "r-5.00\r\n"},
        {"class B report", kClassB100, kBearing0, 0, "r-100.00\r\n"},
        {"heading 0 is not used", kHeading0, kBearing250, 0, ""},
        {"heading 511 is not sent", kHeading511, kBearing250, 0, ""},
        {"another vessel", kOtherVessel, kBearing250, 0, ""},
        {"target latitude 0.4 counts as missing", kHeading100, {0.4, 121.0}, 0, ""},
        {"target latitude -0.4 does not", kHeading100, {-0.4, 121.0}, 0, "r80.00\r\n"},
    };
    for (const WireCase &c : cases) {
        AisStationFixture f;
        Station &s = f.start();
        ASSERT_EQ(s.Winsock2.State(), TcpLink::Connected) << c.name;
        f.driveTowards(c.target.latitude, c.target.longitude);
        s.ais.headingCorrection = c.correction;
        s.serialAis.receive(c.sentence + kCrLf);
        // A marker command after it: everything before it has arrived.
        s.controllerLink.send(QStringLiteral("#"));
        EXPECT_EQ(f.boardReceived(c.expected.size() + 1), c.expected + "#") << c.name;
    }
}

TEST(SerialAisDrive, ADriveRecordsAndReportsItself)
{
    AisStationFixture f;
    Station &s = f.start();
    f.driveTowards(kBearing250.latitude, kBearing250.longitude);
    s.optimisation.comparisonInterval = 600;
    s.optimisation.comparisonCountdown = -5; // in the middle of a comparison
    s.optimisation.scanInterval = 900;
    s.optimisation.scanCountdown = 3;
    s.serialAis.receive(kHeading100 + kCrLf);

    EXPECT_EQ(s.controllerStatus.DriveCommand, QStringLiteral("r150.00"));
    EXPECT_FALSE(s.controllerStatus.DriveConfirmed);
    EXPECT_EQ(s.optimisation.comparisonCountdown, 600);
    EXPECT_EQ(s.optimisation.scanCountdown, 900);
    EXPECT_EQ(s.ais.aisHeading, 100);
    EXPECT_TRUE(waitUntil([&] { return f.settings().read(keys::USE_SHIP_AIS_ANG) == QLatin1String("100"); }))
        << "saved once the event loop is free";
    const QString line = QStringLiteral("串口AIS：船舶MMSI:413000000 艏向:100 经度:121.500000 纬度:31.250000\r\n");
    EXPECT_EQ(s.display.Text2.text(), QString::fromLatin1(kHeading100 + kCrLf) + line);
    EXPECT_EQ(s.display.Label_NOTE.text(),
              QStringLiteral("接收到本地串口AI驱动数据：船舶MMSI:413000000 艏向:100 经度:121.500000 纬度:31.250000"));
    EXPECT_EQ(s.display.Label4.text(), QStringLiteral("超级终端（日志）"));
    EXPECT_EQ(f.log(), QStringLiteral("本地串口AIS原始数据：2024-05-01 12:00:00  ") + QString::fromLatin1(kHeading100)
                           + QStringLiteral("\r\n船舶MMSI:413000000 艏向:100 经度:121.500000 纬度:31.250000\r\n"));
}

TEST(SerialAisDrive, AFixDuringTheSurveyDrivesNothingAndIsNotSentLater)
{
    AisStationFixture f;
    Station &s = f.start();
    f.driveTowards(kBearing250.latitude, kBearing250.longitude);
    s.autoScan.autoscan();
    s.serialAis.receive(kHeading100 + kCrLf);
    s.controllerLink.send(QStringLiteral("#"));
    EXPECT_EQ(f.boardReceived(1), QByteArray("#"));
    EXPECT_EQ(s.ais.aisHeading, 100) << "the heading is still taken";

    ASSERT_TRUE(s.autoScan.cancel());
    s.controllerLink.send(QStringLiteral("#"));
    EXPECT_EQ(f.boardReceived(2), QByteArray("##")) << "the held fix stays unsent";
    s.serialAis.receive(kHeading10 + kCrLf);
    s.controllerLink.send(QStringLiteral("#"));
    EXPECT_EQ(f.boardReceived(2 + 9 + 1), QByteArray("##r240.00\r\n#"));
}

TEST(SerialAisDrive, NothingHappensWithoutTheLinkOrTheDrive)
{
    AisStationFixture f;
    Station &s = f.start();
    f.driveTowards(kBearing250.latitude, kBearing250.longitude);
    s.Winsock2.Close();
    s.serialAis.receive(kHeading100 + kCrLf);
    EXPECT_EQ(s.controllerStatus.DriveCommand, QString());
    EXPECT_EQ(f.log(), QString()) << "no send, no log";
    EXPECT_EQ(s.display.Text2.text(), QString());

    // Drive switched off by its box: nothing at all, not even in monitor mode.
    AisStationFixture g;
    Station &t = g.start();
    g.driveTowards(kBearing250.latitude, kBearing250.longitude);
    t.display.SHIP_AIS_DRIVE.setValue(1);
    t.click(QStringLiteral("SHIP_AIS_DRIVE"));
    ASSERT_FALSE(t.ais.aisDrive);
    t.setControl(QStringLiteral("Combo2"), QStringLiteral("ais"));
    t.serialAis.receive(kHeading100 + kCrLf);
    t.controllerLink.send(QStringLiteral("#"));
    EXPECT_EQ(g.boardReceived(1), QByteArray("#"));
    EXPECT_EQ(t.display.Text2.text(), QString());
}

TEST(SerialAisDrive, TheMonitorEchoesEveryVesselWhileTheDriveIsOn)
{
    AisStationFixture f;
    Station &s = f.start();
    f.driveTowards(kBearing250.latitude, kBearing250.longitude);
    for (const char *box : {"ais", "AIS"}) {
        s.display.Text2.setText(QString());
        s.setControl(QStringLiteral("Combo2"), QString::fromLatin1(box));
        s.serialAis.receive(kOtherVessel + kCrLf);
        EXPECT_EQ(s.display.Text2.text(),
                  QString::fromLatin1(kOtherVessel + kCrLf)
                      + QStringLiteral("串口AIS：船舶MMSI:412000001 艏向:100 经度:121.450000 纬度:31.300000\r\n"))
            << box;
    }
    // "Ais" is not the monitor.
    s.display.Text2.setText(QString());
    s.setControl(QStringLiteral("Combo2"), QStringLiteral("Ais"));
    s.serialAis.receive(kOtherVessel + kCrLf);
    EXPECT_EQ(s.display.Text2.text(), QString());
}

TEST(SerialAisDrive, ReadsAreFramedAndCorruptSentencesDropped)
{
    AisStationFixture f;
    Station &s = f.start();
    f.driveTowards(kBearing250.latitude, kBearing250.longitude);
    QByteArray corrupt = kHeading10;
    corrupt.back() = '0'; // checksum 70 instead of 71
    const QList<QByteArray> reads = {
        kHeading100.left(17),                                   // split across three reads
        kHeading100.mid(17, 20),
        kHeading100.mid(37) + kCrLf + kHeading350 + kCrLf,      // ... and two in one read
        QByteArray("\x01\xfe garbage \x7f\r\n", 14),           // garbage between sentences
        corrupt + kCrLf,                                        // wrong checksum
        kHeading350.mid(12) + kCrLf,                            // a read starting mid-sentence
        QByteArray("junk") + kHeading350.left(30),              // cut off by the next start
        kHeading100 + kCrLf,
    };
    for (const QByteArray &r : reads)
        s.serialAis.receive(r);
    s.controllerLink.send(QStringLiteral("#"));
    const QByteArray expected("r150.00\r\nr-100.00\r\nr150.00\r\n#");
    EXPECT_EQ(f.boardReceived(expected.size()), expected);
    EXPECT_EQ(s.serialAis.corruptCount(), 1u);
    EXPECT_EQ(s.display.aisPorts.toolTip(), QStringLiteral("已丢弃校验错误的AIS语句：1条"));
}

TEST(SerialPortDiscovery, FillsTheSlotsAndTheListsOrSaysWhy)
{
    AisStationFixture f;
    f.ports.add(QStringLiteral("ttyUSB0"), QStringLiteral("USB-SERIAL CH340"));
    f.ports.add(QStringLiteral("ttyS0"), QStringLiteral("16550A"));
    f.ports.add(QStringLiteral("ttyUSB1"), QStringLiteral("CH340"));
    Station &s = f.start(false);
    EXPECT_EQ(s.ais.detectedPorts, (std::array<QString, 3>{"ttyUSB0", "ttyUSB1", QString()}));
    EXPECT_EQ(s.display.Combo2.items().mid(12), QStringList({"ttyUSB0", "ttyUSB1"}));
    EXPECT_EQ(s.display.aisPorts.items(), QStringList({"ttyUSB0", "ttyUSB1"}));

    AisStationFixture none;
    Station &n = none.start(false);
    EXPECT_EQ(n.display.Label_NOTE.text(), QStringLiteral("未找到任何串口设备"));
    EXPECT_TRUE(n.display.aisPorts.items().isEmpty());

    AisStationFixture failing;
    failing.ports.failure = QStringLiteral("/sys/class/tty is not readable");
    Station &x = failing.start(false);
    EXPECT_EQ(x.display.Label_NOTE.text(), QStringLiteral("无法连接到WMI服务: /sys/class/tty is not readable"));
    EXPECT_EQ(x.ais.detectedPorts[0], QString());
}

// The pseudo-terminal as the system would name it: "pts/N" under /dev.
QString portName(const PtyPair &pty)
{
    return pty.device().mid(5);
}

TEST(SerialPortOpening, StartUpOpensOnlyADiscoveredNameOrAPath)
{
    PtyPair pty;
    ASSERT_TRUE(pty.valid());
    struct Case {
        const char *name;
        bool discovered;   // the pty is among the CH340 adapters
        QString setting;   // USE_SHIP_AIS_COM
        QString option;    // --ais-port
        bool opens;
    };
    const Case cases[] = {
        {"discovered name in the setting", true, portName(pty), {}, true},
        {"undiscovered name in the setting", false, portName(pty), {}, false},
        {"device path in the setting", false, pty.device(), {}, true},
        {"device path by option", false, QStringLiteral("ttyUSB7"), pty.device(), true},
        {"option overrides the setting", true, portName(pty), QStringLiteral("ttyUSB7"), false},
        {"nothing configured", true, {}, {}, false},
    };
    for (const Case &c : cases) {
        AisStationFixture f;
        if (c.discovered)
            f.ports.add(portName(pty), QStringLiteral("USB-SERIAL CH340"));
        f.settings().write(keys::USE_SHIP_AIS_COM, c.setting);
        f.aisPort = c.option;
        Station &s = f.start(false);
        EXPECT_EQ(s.MSComm1.isOpen(), c.opens) << c.name;
        // Nothing is said about the port either way; only discovery speaks.
        EXPECT_EQ(s.display.Label_NOTE.text(), c.discovered ? QString() : QStringLiteral("未找到任何串口设备"))
            << c.name;
    }
}

TEST(SerialPortOpening, TheConsoleOpensADiscoveredNameAndReadsFromIt)
{
    PtyPair pty, other;
    ASSERT_TRUE(pty.valid() && other.valid());
    AisStationFixture f;
    f.ports.add(portName(pty), QStringLiteral("USB-SERIAL CH340"));
    f.settings().write(keys::USE_SHIP_AIS_COM, other.device());
    Station &s = f.start();
    ASSERT_TRUE(s.MSComm1.isOpen());
    ASSERT_EQ(s.MSComm1.portName(), other.device());
    f.driveTowards(kBearing250.latitude, kBearing250.longitude);

    // The discovered name typed in the console: the port moves there.
    s.setControl(QStringLiteral("Combo2"), portName(pty));
    s.key(QStringLiteral("Combo2"), 13);
    EXPECT_EQ(s.display.Label_NOTE.text(), QStringLiteral("设置通过本地串口接收AIS数据的端口号：") + portName(pty));
    EXPECT_EQ(f.settings().read(keys::USE_SHIP_AIS_COM), portName(pty));
    ASSERT_TRUE(s.MSComm1.isOpen());
    EXPECT_EQ(s.MSComm1.portName(), portName(pty));
    other.write(kHeading350 + kCrLf); // the old port is closed
    pty.write(kHeading100.left(25));
    pty.write(kHeading100.mid(25) + kCrLf);
    EXPECT_EQ(f.boardReceived(9), QByteArray("r150.00\r\n"));

    // Names that exist nowhere here are refused: the working port stays,
    // and so does the stored name.
    for (const QString &typed : {QStringLiteral("COMPORT"), QStringLiteral("COM3")}) {
        s.setControl(QStringLiteral("Combo2"), typed);
        s.key(QStringLiteral("Combo2"), 13);
        EXPECT_EQ(s.display.Label_NOTE.text(), QStringLiteral("未找到串口：") + typed + QStringLiteral("，AIS串口设置未修改"));
        EXPECT_TRUE(s.MSComm1.isOpen());
        EXPECT_EQ(s.MSComm1.portName(), portName(pty));
        EXPECT_EQ(f.settings().read(keys::USE_SHIP_AIS_COM), portName(pty));
    }
    // The port still drives.
    pty.write(kHeading100 + kCrLf);
    EXPECT_EQ(f.boardReceived(18), QByteArray("r150.00\r\nr150.00\r\n"));
}

TEST(SerialPortOpening, APortPulledAwayLeavesTheStationRunning)
{
    PtyPair pty;
    ASSERT_TRUE(pty.valid());
    AisStationFixture f;
    f.aisPort = pty.device();
    Station &s = f.start();
    f.driveTowards(kBearing250.latitude, kBearing250.longitude);
    pty.write(kHeading100.left(30)); // half a sentence, then the adapter goes
    pty.closeMaster();
    ASSERT_TRUE(waitUntil([&] { return !s.MSComm1.isOpen(); }, 5000));
    s.controllerLink.send(QStringLiteral("#"));
    EXPECT_EQ(f.boardReceived(1), QByteArray("#")) << "no command from half a sentence";
    // The station carries on: the console still works.
    s.setControl(QStringLiteral("Combo2"), QStringLiteral("p"));
    s.key(QStringLiteral("Combo2"), 13);
    EXPECT_EQ(f.boardReceived(2), QByteArray("#p"));
}

} // namespace
