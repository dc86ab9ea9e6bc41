// The 5G CPE read over HTTP from the simulated CPE: recognition, the lamp
// for every registration status, the figures on display, the throughput
// from the counters, and the failures.
#include "radio/RadioFixture.h"

#include "support/SimProcess.h"

#include <QElapsedTimer>
#include <QEventLoop>

using namespace korvane;
using namespace korvane::test;

namespace {

const QString kDate = QStringLiteral("2024-05-01 12:00:00");

class Cpe : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.start(QStringLiteral("cpe")));
        address = QStringLiteral("http://127.0.0.1:%1").arg(sim.port());
        s.display.Text3.setText(address);
    }

    void tick() { runRadioTick(s); }
    bool control(const QString &line) { return sim.controlAcknowledged(line); }
    // Recognised by its first tick, which also makes the first reading.
    bool recognised()
    {
        tick();
        return s.radio.RadioFamily == RadioFamilyCpe;
    }

    SimProcess sim;
    RadioFixture f{false};
    Station &s = f.station;
    QString address;
};

struct Recognition {
    const char *name;
    const char *body; // empty: the simulated CPE's own object
    const char *mode;
    bool recognised;
    bool loggedIn; // after the reading the recognising tick makes
    const char *logLine; // after the date; %1 the host, %2 its web port; empty: none
};

void PrintTo(const Recognition &c, std::ostream *os) { *os << c.name; }

class CpeRecognition : public Cpe, public ::testing::WithParamInterface<Recognition> {};

TEST_P(CpeRecognition, CountsFeaturesAndLogs)
{
    const Recognition &c = GetParam();
    if (*c.body) {
        ASSERT_TRUE(control(QStringLiteral("body ") + QString::fromUtf8(c.body)));
    }
    ASSERT_TRUE(control(QStringLiteral("mode ") + QString::fromUtf8(c.mode)));
    s.display.lanByte.setVisible(false);
    tick();
    EXPECT_EQ(s.radio.RadioFamily, c.recognised ? RadioFamilyCpe : RadioFamilyUnknown);
    EXPECT_EQ(s.radio.loggedIn, c.loggedIn);
    EXPECT_EQ(s.display.lanByte.visible(), c.recognised);
    EXPECT_EQ(s.display.Label_NOTE.text(), c.recognised ? QStringLiteral("已识别为5G CPE设备") : QString());
    const QString line = QString::fromUtf8(c.logLine)
                             .replace(QStringLiteral("%1"), QStringLiteral("127.0.0.1"))
                             .replace(QStringLiteral("%2"), QString::number(sim.port()));
    if (line.isEmpty()) {
        EXPECT_FALSE(f.log().contains(QStringLiteral("CPE"))) << qPrintable(f.log());
    } else {
        EXPECT_TRUE(f.log().contains(kDate + line)) << qPrintable(f.log());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, CpeRecognition,
    ::testing::Values(
        Recognition{"FullObject", "", "ok", true, true, " 设备类型: 5G CPE (特征验证通过，特征数: 7)\r\n"},
        Recognition{"BandwidthAndNumericRsrp", R"({"bandwidth":"100","rsrp":"-90"})", "ok", true, true,
                    " 设备类型: 5G CPE (特征验证通过，特征数: 4)\r\n"},
        Recognition{"TwoWords", R"({"sinr":"x","rsrq":"y"})", "ok", true, false,
                    " 设备类型: 5G CPE (特征验证通过，特征数: 2)\r\n"},
        Recognition{"OneWord", R"({"rsrp":"n/a"})", "ok", false, false,
                    " 设备IP: %1 %2端口开放，但非5G CPE设备 (特征数: 1)，跳过\r\n"},
        Recognition{"WebPageOfARadio", "<html>airOS</html>", "ok", false, false,
                    " 设备IP: %1 %2端口开放，但非5G CPE设备 (特征数: 0)，跳过\r\n"},
        Recognition{"Status500", "", "error500", false, false, ""},
        Recognition{"DroppedConnection", "", "close", false, false, ""}));

TEST_F(Cpe, ProbesAtMostOnceInFiveSeconds)
{
    ASSERT_TRUE(control(QStringLiteral("body <html></html>")));
    tick();
    tick();
    EXPECT_EQ(sim.statusValue(QStringLiteral("connections")), 2) << "one port probe and one request";
    EXPECT_EQ(sim.statusValue(QStringLiteral("requests")), 1);
    s.radio.lastCpeProbe.invalidate(); // as when five seconds have passed
    ASSERT_TRUE(control(QStringLiteral("body off")));
    EXPECT_TRUE(recognised());
    EXPECT_EQ(sim.statusValue(QStringLiteral("requests")), 3) << "the probe's request, then the first reading";
    const qint64 connections = sim.statusValue(QStringLiteral("connections"));
    tick();
    EXPECT_EQ(sim.statusValue(QStringLiteral("connections")), connections + 1)
        << "a recognised CPE is read without a port probe";
}

TEST_F(Cpe, ReadingShowsEveryFigure)
{
    ASSERT_TRUE(recognised());
    const Display &d = s.display;
    EXPECT_EQ(sim.statusText(QStringLiteral("path")), QStringLiteral("/cgi-bin/5g"));
    EXPECT_EQ(sim.statusText(QStringLiteral("user_agent")), QStringLiteral("korvane-station/1.0"));
    EXPECT_EQ(s.radio.cpeStatusText, QStringLiteral("n78-3500M移动"));
    EXPECT_EQ(s.radio.radioMac, QStringLiteral("A45E601C2B3D"));
    EXPECT_EQ(d.radioLamp.colour(), colours::Green);
    EXPECT_EQ(d.radioLamp.toolTip(), QStringLiteral("5G CPE 已注册 | 信号: -85 dBm | n78-3500M移动"));
    EXPECT_EQ(d.Text1.text(), QStringLiteral("-85"));
    EXPECT_EQ(d.Text1.toolTip(), QStringLiteral("RSRP: -85 dBm | RSRQ: -11 dB | SINR: 18 dB | n78-3500M移动 (100 MHz) | "
                                                "STATUS: REG_HOME"));
    EXPECT_EQ(s.radioStats.signalDbm, -85);
    EXPECT_EQ(s.radioStats.noiseDbm, -103) << "the noise floor under an 18 dB SINR";
    EXPECT_EQ(d.MainWindow.text(), s.caption + QStringLiteral(" -85 REG_HOME B78"));
    EXPECT_EQ(d.Text15.text(), QStringLiteral("1200"));
    EXPECT_EQ(d.Text15.toolTip(), QStringLiteral("协商带宽: 下行 1200 Mbps"));
    EXPECT_EQ(s.radioStats.capacityDownMbps, 1200);
    EXPECT_EQ(s.radioStats.capacityUpMbps, 1200);
    EXPECT_EQ(d.Text_Level.text(), s.radio.signalBars[3]);
    EXPECT_EQ(d.Text_Level.toolTip(), QStringLiteral("SINR: 18 dB | 噪声: -103 dBm"));
    EXPECT_EQ(d.Ship.text(), QStringLiteral("5G动中通"));
    EXPECT_EQ(d.Ship.toolTip(), QStringLiteral("5G CPE | ") + address);
    const QString log = f.log();
    EXPECT_TRUE(log.contains(kDate + QStringLiteral(" 5G CPE MAC地址已获取: A45E601C2B3D\r\n"))) << qPrintable(log);
    EXPECT_TRUE(log.contains(QStringLiteral("5G数据: {\"rsrp\":\"-85\",\"rsrq\":\"-11\""))) << qPrintable(log);
}

TEST_F(Cpe, ThroughputFromTheSecondReadingOn)
{
    ASSERT_TRUE(recognised());
    const Control &box = s.display.lanByte;
    EXPECT_EQ(box.text(), QString()) << "the first reading has nothing to compare with";
    // The probe's request has moved the counters on once already.
    EXPECT_EQ(box.toolTip(), QStringLiteral("累计下行: 3.5 MB\r\n累计上行: 0.9 MB"));
    tick();
    EXPECT_EQ(box.text(), QStringLiteral("10.0 / 2.5"));
    EXPECT_DOUBLE_EQ(s.radioStats.rxMbps, 10.0);
    EXPECT_DOUBLE_EQ(s.radioStats.txMbps, 2.5);
    EXPECT_EQ(box.toolTip(), QStringLiteral("累计下行: 6.0 MB\r\n累计上行: 1.5 MB"));

    // Past 32 bits the counters go on counting.
    ASSERT_TRUE(control(QStringLiteral("set rx_bytes 4294000000")));
    tick();
    tick();
    EXPECT_EQ(box.text(), QStringLiteral("10.0 / 2.5"));

    // A CPE that restarted: counters back near zero show no traffic and
    // keep the last figures.
    ASSERT_TRUE(control(QStringLiteral("set rx_bytes 1000")));
    ASSERT_TRUE(control(QStringLiteral("set tx_bytes 1000")));
    tick();
    EXPECT_EQ(box.text(), QStringLiteral("0.0 / 0.0"));
    EXPECT_DOUBLE_EQ(s.radioStats.rxMbps, 10.0);
    tick();
    EXPECT_EQ(box.text(), QStringLiteral("10.0 / 2.5"));
}

struct StatusCase {
    const char *status;
    const char *rsrp;
    Rgb colour;
    const char *toolTip; // empty: left as it was
    bool loggedIn;
    const char *statusText;
};

void PrintTo(const StatusCase &c, std::ostream *os) { *os << c.status << "_rsrp_" << c.rsrp; }

class CpeStatus : public Cpe, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(CpeStatus, LampAndStatusText)
{
    const StatusCase &c = GetParam();
    ASSERT_TRUE(recognised());
    ASSERT_TRUE(control(QStringLiteral("status ") + QString::fromUtf8(c.status)));
    ASSERT_TRUE(control(QStringLiteral("set rsrp ") + QString::fromUtf8(c.rsrp)));
    s.display.radioLamp.setToolTip(QStringLiteral("before"));
    s.radio.loggedIn = !c.loggedIn;
    tick();
    EXPECT_EQ(s.display.radioLamp.colour(), c.colour);
    EXPECT_EQ(s.display.radioLamp.toolTip(), *c.toolTip ? QString::fromUtf8(c.toolTip) : QStringLiteral("before"));
    if (!*c.toolTip) {
        EXPECT_EQ(s.radio.loggedIn, c.loggedIn);
    }
    EXPECT_EQ(s.radio.cpeStatusText, QString::fromUtf8(c.statusText));
}

const char *const kRegistered = "5G CPE 已注册 | 信号: -85 dBm | n78-3500M移动";

INSTANTIATE_TEST_SUITE_P(
    Table, CpeStatus,
    ::testing::Values(
        StatusCase{"REG_HOME", "-85", colours::Green, kRegistered, true, "n78-3500M移动"},
        StatusCase{"ROAMING", "-85", colours::Green, kRegistered, true, "n78-3500M移动"},
        StatusCase{"CONNECT", "-85", colours::Green, kRegistered, true, "n78-3500M移动"},
        StatusCase{"LIMSRV", "-85", colours::Green, "5G CPE 无SIM卡或服务受限 | LIMSRV", true,
                   "n78-3500M移动 | LIMSRV"},
        StatusCase{"SEARCH", "-85", colours::Yellow, "5G CPE 正在搜索网络...", true, "n78-3500M移动 | SEARCH"},
        StatusCase{"DENIED", "-85", colours::Red, "5G CPE 注册失败: DENIED", true, "n78-3500M移动 | DENIED"},
        StatusCase{"NOT_REG", "-85", colours::Red, "5G CPE 注册失败: NOT_REG", true, "n78-3500M移动 | NOT_REG"},
        StatusCase{"NONE", "-85", colours::Red, "5G CPE 注册失败: NONE", true, "n78-3500M移动 | NONE"},
        StatusCase{"UNKNOWN", "-85", colours::Red, "5G CPE 注册失败: UNKNOWN", true, "n78-3500M移动 | UNKNOWN"},
        // A word of another firmware: the signal decides.
        StatusCase{"ATTACHED", "-139.5", colours::Green, "", true, "n78-3500M移动 | ATTACHED"},
        StatusCase{"ATTACHED", "-140", colours::Red, "", false, "n78-3500M移动 | ATTACHED"},
        StatusCase{"ATTACHED", "5", colours::Red, "", false, "n78-3500M移动 | ATTACHED"},
        StatusCase{"ATTACHED", "n/a", colours::Red, "", false, "n78-3500M移动 | ATTACHED"}));

TEST_F(Cpe, MissingAndZeroValues)
{
    ASSERT_TRUE(recognised());
    const Display &d = s.display;
    ASSERT_TRUE(control(QStringLiteral("set rate_dl_theory 0")));
    ASSERT_TRUE(control(QStringLiteral("set band 0")));
    ASSERT_TRUE(control(QStringLiteral("set sinr 0")));
    tick();
    EXPECT_EQ(d.Text15.text(), QStringLiteral("100 MHz"));
    EXPECT_EQ(d.Text15.toolTip(), QStringLiteral("协商带宽: 下行 0 Mbps"));
    EXPECT_EQ(s.radioStats.capacityDownMbps, 1200) << "the last negotiated rate stays";
    EXPECT_EQ(s.radio.cpeStatusText, QStringLiteral("Band 0"));
    EXPECT_EQ(d.MainWindow.text(), s.caption + QStringLiteral(" -85 REG_HOME B0"));
    EXPECT_EQ(s.radioStats.noiseDbm, -120) << "no SINR, no noise floor";
    EXPECT_EQ(d.Text_Level.toolTip(), QStringLiteral("SINR: 0 dB"));

    ASSERT_TRUE(control(QStringLiteral("set bandwidth 0")));
    ASSERT_TRUE(control(QStringLiteral("set rsrp")));
    s.display.Ship.setText(QStringLiteral("Mast 1"));
    tick();
    EXPECT_EQ(d.Text15.text(), QStringLiteral("--"));
    EXPECT_EQ(d.Text1.text(), QString());
    EXPECT_EQ(s.radioStats.signalDbm, -120);
    EXPECT_EQ(d.Text_Level.text(), s.radio.signalBars[0]) << "an empty rsrp is no signal, not five bars";
    EXPECT_EQ(d.Text_Level.toolTip(), QStringLiteral("无信号"));
    EXPECT_EQ(d.Ship.text(), QStringLiteral("Mast 1")) << "a name the operator sees stays";
}

struct FailureCase {
    const char *mode;
};

void PrintTo(const FailureCase &c, std::ostream *os) { *os << c.mode; }

class CpeFailure : public Cpe, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CpeFailure, RedLampAndTheTickEnds)
{
    ASSERT_TRUE(recognised());
    ASSERT_TRUE(control(QStringLiteral("mode ") + QString::fromUtf8(GetParam().mode)));
    s.controllerStatus.CompassSameCount = 101;
    tick();
    EXPECT_EQ(s.display.radioLamp.colour(), colours::Red);
    EXPECT_EQ(s.display.radioLamp.toolTip(), QStringLiteral("5G CPE 连接失败"));
    EXPECT_EQ(s.display.Text1.text(), QStringLiteral("-85")) << "the last reading stays on display";
    EXPECT_EQ(s.controllerStatus.CompassSameCount, 101) << "a CPE's tick ends before the compass watchdog";
    ASSERT_TRUE(control(QStringLiteral("mode ok")));
    tick();
    EXPECT_EQ(s.display.radioLamp.colour(), colours::Green);
}

INSTANTIATE_TEST_SUITE_P(Table, CpeFailure,
                         ::testing::Values(FailureCase{"error500"}, FailureCase{"silent"}, FailureCase{"close"}));

TEST_F(Cpe, ATickDueInsideTheWaitOfTheLastOneIsSkipped)
{
    ASSERT_TRUE(recognised());
    ASSERT_TRUE(control(QStringLiteral("mode slow 500")));
    const qint64 before = sim.statusValue(QStringLiteral("requests"));
    bool nestedRan = false;
    QTimer::singleShot(100, [&] {
        tick();
        nestedRan = true;
    });
    tick();
    EXPECT_TRUE(nestedRan);
    EXPECT_EQ(sim.statusValue(QStringLiteral("requests")), before + 1);
}

// The window keeps being served while the ticks wait on a CPE that
// accepts and never answers.
TEST_F(Cpe, SilentCpeNeverFreezesTheEventLoop)
{
    ASSERT_TRUE(recognised());
    ASSERT_TRUE(control(QStringLiteral("mode silent")));
    const qint64 before = sim.statusValue(QStringLiteral("requests"));
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longestGap = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, clock.elapsed() - last);
        last = clock.elapsed();
    });
    heartbeat.start(10);
    s.Timer2.start();
    // A plain event loop: a spinning wait would load the processor itself.
    QEventLoop loop;
    QTimer::singleShot(10000, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    s.Timer2.stop();
    heartbeat.stop();
    // Four ticks fall due in the ten seconds; a loaded machine may skip one
    // that comes due inside the previous one's wait.
    EXPECT_GE(sim.statusValue(QStringLiteral("requests")) - before, 3) << "the ticks did run";
    EXPECT_LT(longestGap, 500);
    EXPECT_EQ(s.display.radioLamp.colour(), colours::Red);
}

} // namespace
