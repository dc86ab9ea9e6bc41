// airOS replies in, RadioStats and displays out.
#include "radio/RadioFixture.h"

#include "radio/RadioFigures.h"

#include <functional>

using namespace korvane;
using namespace korvane::test;

namespace {

const QString kBanner = QStringLiteral("\r\n\r\nBusyBox v1.19.4 built-in shell (ash)\r\n\r\n Welcome to airOS\r\n\r\n"
                                       "XM.v6.2.0# ");

struct Status {
    QString signal = QStringLiteral("-80");
    qint64 wlanRx = 1000000;
    qint64 wlanTx = 500000;
    QString latitude = QStringLiteral("0.000000");
    QString longitude = QStringLiteral("0.000000");
    QString name = QStringLiteral("Mast 1");
    bool priorityLine = true;
};

// Every marker pair the station reads, in the order the radio writes them.
QString airOs(const Status &s)
{
    return QStringLiteral("deviceName=%1,deviceId=24:5A:4C:BC:66:4C,firmwareVersion=XW.v6.2.0,platform=Rocket M5\r\n"
                          "\r\nsignal=%2\r\nchain0Signal=-51\r\nchain1Signal=-55\r\nnoise=-95\r\ncinr=40\r\n"
                          "wlanDownlinkCapacity=150000\r\nwlanUplinkCapacity=120500\r\n")
               .arg(s.name, s.signal)
           + (s.priorityLine ? QStringLiteral("wlanDesiredPriority=0\r\n") : QString())
           + QStringLiteral("lanRxBytes=2097152\r\nlanRxPackets=1\r\nlanTxBytes=1048576\r\nlanTxPackets=1\r\n"
                            "wlanRxBytes=%1\r\nwlanRxPackets=1\r\nwlanTxBytes=%2\r\nwlanTxPackets=1\r\n"
                            "latitude=%3\r\nlongitude=%4\r\nboardCrc=f810c92a\r\nXM.v6.2.0# ")
                 .arg(s.wlanRx)
                 .arg(s.wlanTx)
                 .arg(s.latitude, s.longitude);
}

struct AirOsCase {
    const char *name;
    std::vector<QString> replies; // after the banner
    std::function<void(const Station &)> check;
};

void PrintTo(const AirOsCase &c, std::ostream *os) { *os << c.name; }

class AirOs : public ::testing::TestWithParam<AirOsCase> {};

TEST_P(AirOs, FiguresAndDisplays)
{
    RadioFixture f(false);
    f.reply(kBanner);
    for (const QString &reply : GetParam().replies)
        f.reply(reply);
    GetParam().check(f.station);
}

const QString &bar(const Station &s, int level) { return s.radio.signalBars[level]; }

Status with(std::function<void(Status &)> change)
{
    Status s;
    change(s);
    return s;
}

INSTANTIATE_TEST_SUITE_P(Table, AirOs, ::testing::Values(
    AirOsCase{"BannerLogsIn", {}, [](const Station &s) {
        EXPECT_EQ(s.radio.RadioFamily, RadioFamilyAirOs);
        EXPECT_TRUE(s.radio.loggedIn);
        EXPECT_EQ(s.display.Label_NOTE.text(), QStringLiteral("微波登录成功！"));
        EXPECT_TRUE(s.display.lanByte.visible());
        EXPECT_TRUE(s.display.lanBytes.visible());
        EXPECT_TRUE(s.display.Text2.text().endsWith(QStringLiteral(" 已经登录微波设备，数据持续获取中......\r\n")));
    }},
    AirOsCase{"StatusFillsEveryFigure", {airOs({})}, [](const Station &s) {
        EXPECT_EQ(s.display.Text15.text(), QStringLiteral("150 /120.5"));
        EXPECT_DOUBLE_EQ(s.radioStats.capacityDownMbps, 150);
        EXPECT_DOUBLE_EQ(s.radioStats.capacityUpMbps, 120.5);
        EXPECT_EQ(s.display.Text1.text(), QStringLiteral("-80"));
        EXPECT_EQ(s.radioStats.signalDbm, -80);
        EXPECT_EQ(s.display.MainWindow.text(), s.caption + QStringLiteral(" -80"));
        EXPECT_EQ(s.display.Text_Level.toolTip(), QStringLiteral("N:-95"));
        EXPECT_EQ(s.radioStats.noiseDbm, -95);
        EXPECT_EQ(s.display.Text_Level.text(), bar(s, 3)) << "margin 15 dB";
        EXPECT_EQ(s.display.Text_delta.text(), QStringLiteral("Δ:4"));
        EXPECT_EQ(s.radioStats.chainDeltaDb, 4);
        EXPECT_EQ(s.display.lanByte.toolTip(), QStringLiteral("累计收发数据字节Mbyte:1.0 /2.0"));
        EXPECT_EQ(s.display.Ship.text(), QStringLiteral("Mast 1"));
        EXPECT_EQ(s.display.Ship.toolTip(), QStringLiteral("Mast 1"));
        EXPECT_EQ(s.radio.radioMac, QStringLiteral("245A4CBC664C"));
    }},
    AirOsCase{"UplinkUpToTheLanCountersStands", {airOs(with([](Status &x) { x.priorityLine = false; }))},
              [](const Station &s) {
        EXPECT_EQ(s.display.Text15.text(), QStringLiteral("150 /120.5"));
        EXPECT_DOUBLE_EQ(s.radioStats.capacityUpMbps, 120.5);
    }},
    AirOsCase{"FirstReplyShowsNoThroughput", {airOs({})}, [](const Station &s) {
        EXPECT_EQ(s.display.lanByte.text(), QString());
        EXPECT_EQ(s.radioStats.rxMbps, 0.0);
        EXPECT_EQ(s.radioStats.lastRxBytes, 1000000.0);
        EXPECT_EQ(s.radioStats.lastTxBytes, 500000.0);
    }},
    AirOsCase{"SecondReplyShowsTwoDecimals",
              {airOs({}), airOs(with([](Status &x) { x.wlanRx += 2500000; x.wlanTx += 1000001; }))},
              [](const Station &s) {
        // 2 500 000 B * 8 / 2 s = 9.5367 Mbit/s; 1 000 001 B -> 3.8147.
        EXPECT_EQ(s.display.lanByte.text(), QStringLiteral("9.54 /3.81"));
        EXPECT_DOUBLE_EQ(s.radioStats.rxMbps, 9.54);
        EXPECT_DOUBLE_EQ(s.radioStats.txMbps, 3.81);
    }},
    AirOsCase{"EqualCountersShowZero", {airOs({}), airOs({})}, [](const Station &s) {
        EXPECT_EQ(s.display.lanByte.text(), QStringLiteral("0 /0"));
    }},
    AirOsCase{"CounterGoingBackShowsNothingNewAndRebases",
              {airOs({}), airOs(with([](Status &x) { x.wlanRx += 2500000; })), airOs(with([](Status &x) { x.wlanRx = 10; }))},
              [](const Station &s) {
        EXPECT_EQ(s.display.lanByte.text(), QStringLiteral("9.54 /0"));
        EXPECT_EQ(s.radioStats.lastRxBytes, 10.0);
    }},
    AirOsCase{"SignalZeroMeansNoSignalAndKeepsTheBox",
              {airOs({}), airOs(with([](Status &x) { x.signal = QStringLiteral("0"); }))}, [](const Station &s) {
        EXPECT_EQ(s.radioStats.signalDbm, -120);
        EXPECT_EQ(s.display.Text1.text(), QStringLiteral("-80"));
    }},
    AirOsCase{"PositiveSignalChangesOnlyCountersNameAndPosition",
              {airOs({}), airOs(with([](Status &x) {
                   x.signal = QStringLiteral("12");
                   x.wlanRx += 2500000;
                   x.name = QStringLiteral("Mast 2");
                   x.latitude = QStringLiteral("31.5");
                   x.longitude = QStringLiteral("121.25");
               }))},
              [](const Station &s) {
        EXPECT_EQ(s.display.Text1.text(), QStringLiteral("-80"));
        EXPECT_EQ(s.radioStats.signalDbm, -80);
        EXPECT_EQ(s.radioStats.noiseDbm, -95);
        EXPECT_EQ(s.radioStats.chainDeltaDb, 4);
        EXPECT_EQ(s.display.Text_Level.text(), bar(s, 3));
        EXPECT_EQ(s.display.lanByte.text(), QStringLiteral("9.54 /0"));
        EXPECT_EQ(s.display.Ship.text(), QStringLiteral("Mast 2"));
        EXPECT_DOUBLE_EQ(s.controllerStatus.OwnLatitude, 31.5);
        EXPECT_DOUBLE_EQ(s.controllerStatus.OwnLongitude, 121.25);
    }},
    AirOsCase{"PositionBelowOneDegreeIsNoFix",
              {airOs(with([](Status &x) { x.latitude = QStringLiteral("0.7"); x.longitude = QStringLiteral("121.25"); }))},
              [](const Station &s) {
        EXPECT_EQ(s.controllerStatus.OwnLatitude, 0.0);
        EXPECT_DOUBLE_EQ(s.controllerStatus.OwnLongitude, 121.25);
    }}
), [](const auto &info) { return std::string(info.param.name); });

TEST(AirOsStatus, BeforeTheBannerNothingIsRead)
{
    RadioFixture f(false);
    f.reply(airOs({}));
    EXPECT_EQ(f.station.radio.RadioFamily, RadioFamilyUnknown);
    EXPECT_EQ(f.station.display.Text15.text(), QString());
    EXPECT_EQ(f.station.radio.radioMac, QStringLiteral("245A4CBC664C")) << "the MAC is read whatever the family";
}

TEST(AirOsStatus, RealAirOs6SampleParsesToItsFigures)
{
    RadioFixture f(false);
    Station &s = f.station;
    f.reply(kBanner);
    f.reply(QString::fromUtf8(sampleBytes(QStringLiteral("airos6_mca-status_rocketM5_XW_v6.2.0.txt"))));
    EXPECT_EQ(s.display.Text1.text(), QStringLiteral("-49")) << "the value is cut before CR LF; neither reaches the box";
    EXPECT_EQ(s.radioStats.signalDbm, -49);
    EXPECT_EQ(s.display.MainWindow.text(), s.caption + QStringLiteral(" -49"));
    EXPECT_EQ(s.display.Text_delta.text(), QStringLiteral("Δ:2"));
    EXPECT_EQ(s.radioStats.chainDeltaDb, 2);
    // airOS 6 writes no cinr=, so the noise reads 0 and a negative margin leaves the bar.
    EXPECT_EQ(s.display.Text_Level.toolTip(), QStringLiteral("N:0"));
    EXPECT_EQ(s.display.Text_Level.text(), QString());
    // airOS 6 writes no wlanDownlinkCapacity= / wlanUplinkCapacity=, so the capacity reads 0.
    EXPECT_EQ(s.display.Text15.text(), QStringLiteral("0 /0"));
    EXPECT_EQ(s.radioStats.capacityDownMbps, 0.0);
    EXPECT_EQ(s.radioStats.lastRxBytes, 1090206412.0);
    EXPECT_EQ(s.radioStats.lastTxBytes, 1569115095.0);
    EXPECT_EQ(s.display.lanByte.toolTip(), QStringLiteral("累计收发数据字节Mbyte:797.7 /832.3"));
    EXPECT_EQ(s.display.lanByte.text(), QString());
    EXPECT_EQ(s.display.Ship.text(), QStringLiteral("Rocket M5 Wamv"));
    EXPECT_EQ(s.radio.radioMac, QStringLiteral("245A4CBC664C"));
    EXPECT_EQ(s.controllerStatus.OwnLatitude, 0.0) << "latitude=0.000000 is no fix";
    for (const Control *c : s.display.controls()) {
        if (c == &s.display.Text2)
            continue; // the terminal's lines end in CR LF
        EXPECT_FALSE(c->text().contains(u'\r') || c->toolTip().contains(u'\r')) << qPrintable(c->name());
    }
}

TEST(AirOsStatus, RadioPositionCountsOnlyWhileTheBoardIsAway)
{
    RadioFixture f(false);
    Station &s = f.station;
    LoopbackServer board;
    s.Winsock2.RemoteHost = QStringLiteral("127.0.0.1");
    s.Winsock2.RemotePort = board.port();
    s.Winsock2.Connect();
    ASSERT_TRUE(waitUntil([&] { return s.controllerLink.isConnected(); }));
    f.reply(kBanner);
    Status st;
    st.latitude = QStringLiteral("31.5");
    st.longitude = QStringLiteral("121.25");
    f.reply(airOs(st));
    EXPECT_EQ(s.controllerStatus.OwnLatitude, 0.0);
    s.Winsock2.Close();
    f.reply(airOs(st));
    EXPECT_DOUBLE_EQ(s.controllerStatus.OwnLatitude, 31.5);
}

struct MacCase {
    const char *name;
    const char *deviceId;
    const char *stored;
};

void PrintTo(const MacCase &c, std::ostream *os) { *os << c.name; }

class AirOsMac : public ::testing::TestWithParam<MacCase> {};

TEST_P(AirOsMac, NormalisedOrRejectedAndLoggedEitherWay)
{
    RadioFixture f(false);
    f.reply(QStringLiteral("deviceName=x,deviceId=%1,firmwareVersion=v6\r\n").arg(QLatin1String(GetParam().deviceId)));
    EXPECT_EQ(f.station.radio.radioMac, QLatin1String(GetParam().stored));
    EXPECT_TRUE(f.log().contains(QStringLiteral(" 主机类型(0)事件：KORVANE_MAC地址：%1\r\n")
                                     .arg(QLatin1String(GetParam().stored))))
        << qPrintable(f.log());
}

INSTANTIATE_TEST_SUITE_P(Table, AirOsMac, ::testing::Values(
    MacCase{"LowerCasePairs", "24:5a:4c:bc:66:4c", "245A4CBC664C"},
    MacCase{"AlreadyBare", "245A4CBC664C", "245A4CBC664C"},
    MacCase{"FivePairs", "24:5a:4c:bc:66", ""},
    MacCase{"SevenPairs", "24:5a:4c:bc:66:4c:01", ""},
    MacCase{"NotHexadecimal", "24:5a:4c:bc:66:zz", ""},
    MacCase{"DashSeparated", "24-5a-4c-bc-66-4c", ""}
), [](const auto &info) { return std::string(info.param.name); });

TEST(AirOsMacCapture, OnceCapturedItStays)
{
    RadioFixture f(false);
    f.reply(QStringLiteral("deviceId=24:5a:4c:bc:66:4c,firmwareVersion=v6"));
    f.reply(QStringLiteral("deviceId=00:11:22:33:44:55,firmwareVersion=v6"));
    EXPECT_EQ(f.station.radio.radioMac, QStringLiteral("245A4CBC664C"));
}

struct LevelCase {
    double margin;
    int level;
};

void PrintTo(const LevelCase &c, std::ostream *os) { *os << "margin " << c.margin; }

class QualityBar : public ::testing::TestWithParam<LevelCase> {};

TEST_P(QualityBar, MarginToLevel)
{
    EXPECT_EQ(RadioFigures::qualityLevel(GetParam().margin), GetParam().level);
}

INSTANTIATE_TEST_SUITE_P(Table, QualityBar, ::testing::Values(
    LevelCase{-1, 0}, LevelCase{0, 1}, LevelCase{6, 1}, LevelCase{7, 2}, LevelCase{12, 2}, LevelCase{13, 3},
    LevelCase{18, 3}, LevelCase{19, 4}, LevelCase{24, 4}, LevelCase{25, 5}, LevelCase{120, 5}));

} // namespace
