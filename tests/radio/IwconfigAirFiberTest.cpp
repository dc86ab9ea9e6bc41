// Linux iwconfig and airFiber 5XHD replies in, RadioStats and displays out.
#include "radio/RadioFixture.h"

#include <functional>

using namespace korvane;
using namespace korvane::test;

namespace {

QString iwconfig(int signal, qint64 rx, qint64 tx, const QString &name = QStringLiteral("KV-Radio-04"))
{
    return QStringLiteral("ath0      IEEE 802.11a  ESSID:\"KORVANE\"  Nickname:\"\"\r\n"
                          "          Mode:Managed  Frequency:5.805 GHz  Access Point: 00:60:B3:65:08:A2   \r\n"
                          "          Bit Rate:54 Mb/s   Tx-Power=20 dBm   Sensitivity=1/1  \r\n"
                          "          Link Quality=44/70  Signal level=%1 dBm  Noise level=-96 dBm\r\n"
                          "          Rx invalid nwid:1107  Rx invalid crypt:0  Rx invalid frag:0\r\n\r\n"
                          "          RX bytes:%2 (1.1 GB)  TX bytes:%3 (1.6 GB)\r\nDeviceName\r\n"
                          "%4_http._tcp.local 80\r\n[root@radio]# ")
        .arg(signal)
        .arg(rx)
        .arg(tx)
        .arg(name);
}

struct AirFiber {
    QString signal = QStringLiteral("-60");
    qint64 rx = 3000000;
    qint64 tx = 1000000;
    QString latitude = QStringLiteral("0.5");
    QString name = QStringLiteral("AF Shore");
};

QString airFiber(const AirFiber &a)
{
    return QStringLiteral("deviceName=%1,deviceId=24:5A:4C:AA:00:01,firmwareVersion=v4.1.0,platform=AF-5XHD\r\n\r\n"
                          "afTxchanbw=100\r\nafRxchanbw=100\r\nafRxcapacity=687000\r\nafTxcapacity=652500\r\n"
                          "afRxpower0=-51\r\nafTxmodrate=8x\r\nafTxpower=23\r\nsignal=%2\r\nuptime=100\r\n")
               .arg(a.name, a.signal)
           + QStringLiteral("wlanRxBytes=%1\r\nwlanTxBytes=%2\r\nlatitude=%3\r\nlongitude=121.25\r\naltitude=12\r\n"
                            "afStats={\"noisefloor\":-92,\"chainrssi\":[-51,-53]}\r\naf5xhd.v4.1.0# ")
                 .arg(a.rx)
                 .arg(a.tx)
                 .arg(a.latitude);
}

const QString kIwconfigPrompt = QStringLiteral("\r\n000004 login: ");
const QString kAirFiberBanner = QStringLiteral("\r\n\r\nBusyBox v1.25.1 built-in shell (ash)\r\n\r\naf5xhd.v4.1.0# ");

struct ReplyCase {
    const char *name;
    std::vector<QString> replies;
    std::function<void(const Station &)> check;
};

void PrintTo(const ReplyCase &c, std::ostream *os) { *os << c.name; }

class TextFamily : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(TextFamily, FiguresAndDisplays)
{
    RadioFixture f(false);
    for (const QString &reply : GetParam().replies)
        f.reply(reply);
    GetParam().check(f.station);
}

const QString &bar(const Station &s, int level) { return s.radio.signalBars[level]; }

AirFiber changed(std::function<void(AirFiber &)> change)
{
    AirFiber a;
    change(a);
    return a;
}

INSTANTIATE_TEST_SUITE_P(Table, TextFamily, ::testing::Values(
    ReplyCase{"IwconfigStatus", {kIwconfigPrompt, iwconfig(-70, 1000000, 400000)}, [](const Station &s) {
        EXPECT_EQ(s.display.Text15.text(), QStringLiteral("54"));
        EXPECT_DOUBLE_EQ(s.radioStats.capacityDownMbps, 54);
        EXPECT_DOUBLE_EQ(s.radioStats.capacityUpMbps, 54);
        EXPECT_EQ(s.display.Text1.text(), QStringLiteral("-70"));
        EXPECT_EQ(s.display.Text1.toolTip(),
                  QStringLiteral("SSID：\"KORVANE\"  Nickname:\"\"链路质量：44/70  频率：5.805 GHz 发射功率：20 dBm"));
        EXPECT_EQ(s.radioStats.signalDbm, -70);
        EXPECT_EQ(s.display.MainWindow.text(), s.caption + QStringLiteral(" -70"));
        EXPECT_EQ(s.display.Text_Level.toolTip(), QStringLiteral("N:-96"));
        EXPECT_EQ(s.radioStats.noiseDbm, -96) << "the noise figure, not 0";
        EXPECT_EQ(s.display.Text_Level.text(), bar(s, 5)) << "margin 26 dB";
        EXPECT_EQ(s.display.lanByte.text(), QString()) << "no throughput on the first reply";
        EXPECT_EQ(s.display.lanByte.toolTip(), QStringLiteral("累计收发数据字节Mbyte:1.0 /0.4"));
        EXPECT_EQ(s.display.Ship.text(), QStringLiteral("KV-Radio-04"));
        EXPECT_EQ(s.display.Ship.toolTip(), QStringLiteral("KV-Radio-04"));
    }},
    ReplyCase{"IwconfigSecondReplyShowsThroughput",
              {kIwconfigPrompt, iwconfig(-70, 1000000, 400000), iwconfig(-71, 1262144, 465536)},
              [](const Station &s) {
        EXPECT_EQ(s.display.lanByte.text(), QStringLiteral("1 /0.25"));
        EXPECT_DOUBLE_EQ(s.radioStats.rxMbps, 1);
        EXPECT_DOUBLE_EQ(s.radioStats.txMbps, 0.25);
    }},
    ReplyCase{"IwconfigZeroSignalIsNoStatus", {kIwconfigPrompt, iwconfig(0, 1000000, 400000)}, [](const Station &s) {
        EXPECT_EQ(s.display.Text15.text(), QString());
        EXPECT_EQ(s.radioStats.lastRxBytes, 0.0);
    }},
    ReplyCase{"IwconfigNeedsItsPromptFirst", {iwconfig(-70, 1000000, 400000)}, [](const Station &s) {
        EXPECT_EQ(s.display.Text15.text(), QString());
    }},
    ReplyCase{"IwconfigNameWithIpKeepsTheName", {kIwconfigPrompt, iwconfig(-70, 1, 1, QStringLiteral("Ship-7"))},
              [](const Station &s) {
        // "Nickname" before "Ship" also passes the JSON console's name test;
        // it finds no name of its own and must not wipe this one.
        EXPECT_EQ(s.display.Ship.text(), QStringLiteral("Ship-7"));
    }},
    ReplyCase{"AirFiberBannerLogsIn", {kAirFiberBanner}, [](const Station &s) {
        EXPECT_EQ(s.radio.RadioFamily, RadioFamilyAirFiber);
        EXPECT_TRUE(s.radio.loggedIn);
        EXPECT_EQ(s.display.Label_NOTE.text(), QStringLiteral("微波登录成功！"));
    }},
    ReplyCase{"AirFiberStatus", {kAirFiberBanner, airFiber({})}, [](const Station &s) {
        EXPECT_EQ(s.display.Text15.text(), QStringLiteral("687 /652.5"));
        EXPECT_DOUBLE_EQ(s.radioStats.capacityDownMbps, 687);
        EXPECT_DOUBLE_EQ(s.radioStats.capacityUpMbps, 652.5);
        EXPECT_EQ(s.display.Text1.text(), QStringLiteral("-60"));
        EXPECT_EQ(s.radioStats.signalDbm, -60);
        EXPECT_EQ(s.display.Text_Level.toolTip(), QStringLiteral("8x"));
        EXPECT_EQ(s.radioStats.noiseDbm, -95);
        EXPECT_EQ(s.display.Text_Level.text(), bar(s, 5));
        EXPECT_EQ(s.display.lanByte.text(), QString()) << "the first counters are only a base";
        EXPECT_EQ(s.display.lanByte.toolTip(), QStringLiteral("累计收发数据字节Mbyte:2.9 /1.0"));
        EXPECT_DOUBLE_EQ(s.controllerStatus.OwnLatitude, 0.5) << "airFiber positions need no whole degree";
        EXPECT_DOUBLE_EQ(s.controllerStatus.OwnLongitude, 121.25);
        EXPECT_EQ(s.display.Ship.text(), QStringLiteral("AF Shore"));
        EXPECT_EQ(s.display.Ship.toolTip(), QStringLiteral("AF Shore"));
        EXPECT_EQ(s.display.dist.text(), QStringLiteral("AF Shore"));
    }},
    ReplyCase{"AirFiberSecondReplyShowsThroughput",
              {kAirFiberBanner, airFiber({}), airFiber(changed([](AirFiber &a) { a.rx += 262144; a.tx += 131072; }))},
              [](const Station &s) {
        EXPECT_EQ(s.display.lanByte.text(), QStringLiteral("1 /0.5"));
    }},
    ReplyCase{"AirFiberPositiveSignalIsNoSignal",
              {kAirFiberBanner, airFiber({}), airFiber(changed([](AirFiber &a) { a.signal = QStringLiteral("3"); }))},
              [](const Station &s) {
        EXPECT_EQ(s.radioStats.signalDbm, -120);
        EXPECT_EQ(s.display.Text1.text(), QStringLiteral("-60"));
    }},
    ReplyCase{"AirFiberNoiseFloorAloneUsesTheSignalShown",
              {kAirFiberBanner, airFiber({}), QStringLiteral("{\"noisefloor\":-92,\"chainrssi\":[-51,-53]}\r\n")},
              [](const Station &s) {
        EXPECT_EQ(s.display.Text_Level.toolTip(), QStringLiteral("N:-92"));
        EXPECT_EQ(s.radioStats.noiseDbm, -92);
        EXPECT_EQ(s.display.Text_Level.text(), bar(s, 5)) << "margin -60 - -92 = 32";
    }}
), [](const auto &info) { return std::string(info.param.name); });

// The real iwconfig / ifconfig pair as the poll command would return it:
// iwconfig ath0, the bytes line of the wifi0 block, DeviceName, mdns.conf;
// LF becomes CR LF as on a terminal.
TEST(IwconfigSample, RealMadwifiOutputParsesToItsFigures)
{
    RadioFixture f(false);
    Station &s = f.station;
    QString bytesLine;
    bool inWifi0 = false;
    for (const QString &line : QString::fromUtf8(sampleBytes(QStringLiteral("linux_madwifi_ifconfig_ath0_wifi0.txt")))
                                   .split(u'\n')) {
        inWifi0 = inWifi0 || line.startsWith(QLatin1String("wifi0"));
        if (inWifi0 && line.contains(QLatin1String("bytes")) && bytesLine.isEmpty())
            bytesLine = line;
    }
    ASSERT_FALSE(bytesLine.isEmpty());
    f.reply(kIwconfigPrompt);
    f.reply(asTerminal(sampleBytes(QStringLiteral("linux_madwifi_iwconfig_ath0.txt"))) + bytesLine
            + QStringLiteral("\r\nDeviceName\r\nknury-sta_http._tcp.local 80\r\n# "));
    EXPECT_EQ(s.display.Text15.text(), QStringLiteral("1"));
    EXPECT_EQ(s.display.Text1.text(), QStringLiteral("-56"));
    // This iwconfig writes "Tx-Power:14 dBm", not "Tx-Power=", so the power reads empty.
    EXPECT_EQ(s.display.Text1.toolTip(),
              QStringLiteral("SSID：\"knury\"  Nickname:\"\"链路质量：40/70  频率：2.462 GHz 发射功率：dBm"));
    EXPECT_EQ(s.radioStats.signalDbm, -56);
    EXPECT_EQ(s.display.Text_Level.toolTip(), QStringLiteral("N:-96"));
    EXPECT_EQ(s.radioStats.noiseDbm, -96);
    EXPECT_EQ(s.display.Text_Level.text(), s.radio.signalBars[5]);
    EXPECT_EQ(s.radioStats.lastRxBytes, 823516.0);
    EXPECT_EQ(s.radioStats.lastTxBytes, 39221.0);
    EXPECT_EQ(s.display.lanByte.toolTip(), QStringLiteral("累计收发数据字节Mbyte:0.8 /0.0"));
    EXPECT_EQ(s.display.Ship.text(), QStringLiteral("knury-sta"));
}

struct PromptCase {
    const char *prompt;
};

void PrintTo(const PromptCase &c, std::ostream *os) { *os << c.prompt; }

class DevicePrompt : public ::testing::TestWithParam<PromptCase> {};

TEST_P(DevicePrompt, MarksTheFamilyLoggedInAndStillSendsTheUser)
{
    RadioFixture f;
    f.reply(QStringLiteral("\r\n") + QLatin1String(GetParam().prompt) + QStringLiteral(" "));
    EXPECT_EQ(f.station.radio.RadioFamily, RadioFamilyIwconfig);
    EXPECT_TRUE(f.station.radio.loggedIn);
    EXPECT_EQ(f.station.display.Label_NOTE.text(), QStringLiteral("微波登录成功！"));
    EXPECT_TRUE(f.station.display.Text2.text().contains(QStringLiteral("已经登录微波设备，数据持续获取中......")));
    EXPECT_EQ(f.sentAfter(6), QByteArray("ubnt\r\n"));
}

INSTANTIATE_TEST_SUITE_P(Table, DevicePrompt,
                         ::testing::Values(PromptCase{"000004 login:"}, PromptCase{"94828A login:"},
                                           PromptCase{"040506 login:"}));

struct IncorrectCase {
    std::int16_t family;
    bool notice;
};

void PrintTo(const IncorrectCase &c, std::ostream *os) { *os << "family " << c.family; }

class LoginIncorrect : public ::testing::TestWithParam<IncorrectCase> {};

TEST_P(LoginIncorrect, NoticeForEveryTelnetFamily)
{
    RadioFixture f(false);
    f.station.radio.RadioFamily = GetParam().family;
    f.reply(QStringLiteral("\r\nLogin incorrect\r\n"));
    EXPECT_EQ(f.station.display.Label_NOTE.text() == QStringLiteral("微波登录用户名或密码错，请检查并修改后点击连接！"),
              GetParam().notice);
}

INSTANTIATE_TEST_SUITE_P(Table, LoginIncorrect,
                         ::testing::Values(IncorrectCase{0, true}, IncorrectCase{1, true}, IncorrectCase{2, true},
                                           IncorrectCase{3, true}, IncorrectCase{4, true}, IncorrectCase{5, false}));

TEST(TextLogin, PromptsAreAnsweredWithUserAndPasswordExactly)
{
    RadioFixture f;
    f.reply(QStringLiteral("\r\nKV login: "));
    f.reply(QStringLiteral("\r\nPassword: "));
    EXPECT_EQ(f.sentAfter(17), QByteArray("ubnt\r\ns3cret-pw\r\n"));
    EXPECT_FALSE(f.station.radio.loggedIn) << "a login prompt alone logs nobody in";
}

TEST(TextLogin, ThreeRejectionsEndTheRetriesUntilTheNextConnection)
{
    // The radio asks again at once after a wrong password: answering every
    // time would try the same credentials at network speed.
    RadioFixture f;
    const QString rejected = QStringLiteral("\r\nLogin incorrect\r\nKV login: ");
    f.reply(QStringLiteral("\r\nKV login: "));
    for (int i = 0; i < 6; ++i) {
        f.reply(QStringLiteral("\r\nPassword: "));
        f.reply(rejected);
    }
    f.station.Winsock1.SendData(QStringLiteral("#")); // marks the end of the replies
    const QByteArray tries = "ubnt\r\ns3cret-pw\r\n";
    EXPECT_EQ(f.sentAfter(3 * tries.size() + 7), tries + tries + tries + "ubnt\r\n#");
    f.station.Winsock1.Close();
    f.connect();
    f.reply(rejected);
    EXPECT_EQ(f.sentAfter(6), QByteArray("ubnt\r\n")) << "a new connection tries again";
}

TEST(TextLogin, NothingIsSentWhenTheSocketIsClosed)
{
    RadioFixture f;
    f.station.Winsock1.Close();
    f.reply(QStringLiteral("\r\nKV login: Password:"));
    EXPECT_FALSE(waitUntil([&] { return !f.peer.received.isEmpty(); }, 300));
}

} // namespace
