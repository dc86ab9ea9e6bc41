// The ping window, the lamp's tool tip and the latency reboot, with scripted
// round-trip times and a loopback radio that records what the station sends.
#include "radio/RadioFixture.h"

#include "radio/PingWatchdog.h"

#include <QQueue>

#include <algorithm>
#include <numeric>

using namespace korvane;
using namespace korvane::test;

namespace {

const QString kFull = QStringLiteral("微波ping 100包延迟异常100.01毫秒，自动执行微波重启动作...");

class Watchdog : public ::testing::Test {
protected:
    Watchdog()
    {
        s.display.Text3.setText(QStringLiteral("127.0.0.1"));
        s.pingWatchdog.pinger = [this](const QString &address) -> Task<int> {
            pinged << address;
            co_return answers.isEmpty() ? -1 : answers.dequeue();
        };
        s.pingWatchdog.wait = [this](float seconds) -> Task<bool> {
            waits << seconds;
            waitUntil([&] { return !f.peer.received.isEmpty(); });
            sentAtWait << f.peer.received;
            if (insideWait)
                insideWait();
            co_return true;
        };
    }

    void ticks(const QList<int> &rtts)
    {
        for (const int rtt : rtts) {
            answers.enqueue(rtt);
            s.GET_SIGN_Timer();
        }
    }

    // 99 answers of 100 ms and one of 101: a full window averaging 100.01.
    void fillTo10001()
    {
        ticks(QList<int>(99, 100));
        ticks({101});
    }

    // Everything the radio received since the last look.
    QByteArray sent()
    {
        const QByteArray got = upToMarker(s.Winsock1, f.peer);
        f.peer.received.clear();
        return got;
    }

    QString tip() const { return s.display.radioLamp.toolTip(); }

    RadioFixture f;
    Station &s = f.station;
    QQueue<int> answers;
    QStringList pinged;
    QList<float> waits;
    QList<QByteArray> sentAtWait;
    std::function<void()> insideWait;
};

TEST_F(Watchdog, WindowSumAndToolTip)
{
    struct Case {
        const char *name;
        QList<int> rtts;
        int count;
        int sum;
        const char *tip;
    };
    QList<int> oneTo101(101);
    std::iota(oneTo101.begin(), oneTo101.end(), 1);
    const Case cases[] = {
        {"nothing answered", {-1, -1}, 0, 0, "无有效ping数据"},
        {"0 ms answers keep an even sum", {0, 0, 0, 0}, 4, 0, "最近4次ping平均延迟: <1 ms"},
        {"0 ms after an odd sum rounds up", {1, 0}, 2, 2, "最近2次ping平均延迟: 1.00 ms"},
        {"mean 0.4", {1, 0, 0, 0, 0}, 5, 2, "最近5次ping平均延迟: <1 ms"},
        {"a failed ping changes nothing", {3, -1, 4}, 2, 7, "最近2次ping平均延迟: 3.50 ms"},
        {"the 101st answer pushes the oldest out", oneTo101, 100, 5150, "最近100次ping平均延迟: 51.50 ms"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        s.radio.pingCount = 0;
        s.radio.pingSum = 0;
        s.radio.pingWindow.fill(0);
        s.display.radioLamp.setToolTip(QString());
        ticks(c.rtts);
        EXPECT_EQ(s.radio.pingCount, c.count);
        EXPECT_EQ(s.radio.pingSum, c.sum);
        EXPECT_EQ(tip(), QString::fromUtf8(c.tip));
    }
    EXPECT_EQ(s.radio.pingWindow.front(), 2);
    EXPECT_EQ(s.radio.pingWindow.back(), 101);
    EXPECT_EQ(pinged.last(), QStringLiteral("127.0.0.1"));
}

TEST_F(Watchdog, NoPingWithoutAddressOrSession)
{
    s.display.Text3.setText(QString());
    ticks({5});
    s.display.Text3.setText(QStringLiteral("127.0.0.1"));
    s.Winsock1.Close();
    ticks({5});
    EXPECT_TRUE(pinged.isEmpty());
    EXPECT_EQ(s.radio.pingCount, 0);
}

TEST_F(Watchdog, RebootOnlyAboveOneHundredWithAFullWindowAndTheOptionOn)
{
    struct Case {
        const char *name;
        std::int16_t option;
        QList<int> rtts;
        bool reboots;
    };
    const Case cases[] = {
        {"mean 100.01", 1, QList<int>(99, 100) << 101, true},
        {"mean exactly 100", 1, QList<int>(100, 100), false},
        {"option off", 0, QList<int>(100, 400), false},
        {"option 2 is off too", 2, QList<int>(100, 400), false},
        {"99 entries", 1, QList<int>(99, 400), false},
    };
    s.radio.RadioFamily = RadioFamilyAirOs;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        s.radio.pingCount = 0;
        s.radio.pingSum = 0;
        f.peer.received.clear();
        s.pingRebootSwitch = c.option;
        ticks(c.rtts);
        EXPECT_EQ(!sent().isEmpty(), c.reboots);
        EXPECT_EQ(s.radio.pingCount, c.reboots ? 1 : c.rtts.size());
    }
}

TEST_F(Watchdog, RebootSendsTwicePerFamilyAndRestartsTheWindow)
{
    struct Case {
        std::int16_t family;
        QByteArray first;
        QByteArray second;
    };
    const Case cases[] = {
        {RadioFamilyAirOs, "reboot\r\n", "reboot\r\n"},
        {RadioFamilyAirFiber, "reboot\r\n", "reboot\r\n"},
        {RadioFamilyIwconfig, "reboot\r\n", "reboot\r\n"},
        // A key renewed during the wait is the one the second command needs.
        {RadioFamilyJsonConsole, "tool {\"secretkey\": \"k1\" ,\"action\": \"reboot\"}\r\n",
         "tool {\"secretkey\": \"k2\" ,\"action\": \"reboot\"}\r\n"},
    };
    s.pingRebootSwitch = 1;
    insideWait = [this] { s.controllerStatus.RadioKey = QStringLiteral("k2"); };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.family);
        s.radio.RadioFamily = c.family;
        s.controllerStatus.RadioKey = QStringLiteral("k1");
        s.radio.pingCount = 0;
        s.radio.pingSum = 0;
        f.peer.received.clear();
        waits.clear();
        sentAtWait.clear();
        fillTo10001();
        EXPECT_EQ(waits, QList<float>({1.0f}));
        EXPECT_EQ(sentAtWait, QList<QByteArray>({c.first})) << "the first command goes before the wait";
        EXPECT_EQ(f.sentAfter(c.first.size() + c.second.size()), c.first + c.second);
        EXPECT_EQ(s.display.Label_NOTE.text(), kFull);
        EXPECT_EQ(s.radio.pingCount, 1);
        EXPECT_EQ(s.radio.pingSum, 1);
        EXPECT_TRUE(std::all_of(s.radio.pingWindow.begin(), s.radio.pingWindow.end(), [](int e) { return e == 0; }));
        EXPECT_TRUE(f.log().endsWith(QStringLiteral("12:00:00 主机类型(%1)事件：").arg(c.family) + kFull
                                     + QStringLiteral("\r\n")));
    }
    ticks({-1});
    EXPECT_EQ(tip(), QStringLiteral("最近1次ping平均延迟: 1.00 ms"));
}

TEST_F(Watchdog, FamilyWithoutConsoleIsWarnedOncePerEpisodeWithoutClaimingAReboot)
{
    s.pingRebootSwitch = 1;
    const QString warning = QStringLiteral("微波ping 100包延迟异常100.01毫秒，设备不支持自动重启，请检查微波链路！");
    for (const std::int16_t family : {RadioFamilyUnknown, RadioFamilyCpe}) {
        SCOPED_TRACE(family);
        s.radio.RadioFamily = family;
        s.radio.pingCount = 0;
        s.radio.pingSum = 0;
        const QString logBefore = f.log();
        fillTo10001();
        EXPECT_EQ(s.display.Label_NOTE.text(), warning);
        s.display.Label_NOTE.setText(QString());
        ticks({101, 101, 101});
        EXPECT_EQ(sent(), QByteArray());
        EXPECT_TRUE(waits.isEmpty());
        EXPECT_EQ(s.display.Label_NOTE.text(), QString()) << "the episode was reported already";
        const QString logged = f.log().mid(logBefore.size());
        EXPECT_EQ(logged.count(QStringLiteral("延迟异常")), 1) << qPrintable(logged);
        EXPECT_EQ(logged, QStringLiteral("12:00:00 主机类型(%1)事件：").arg(family) + warning + QStringLiteral("\r\n"));
        EXPECT_FALSE(logged.contains(QStringLiteral("重启动作")));
        EXPECT_EQ(s.radio.pingCount, 100);
        EXPECT_EQ(s.radio.pingSum, 10004);
        // Once the latency is back the mean says so; a new rise is a new episode.
        ticks(QList<int>(100, 1));
        EXPECT_EQ(s.radio.pingSum, 100);
        EXPECT_EQ(tip(), QStringLiteral("最近100次ping平均延迟: 1.00 ms"));
        EXPECT_EQ(s.display.Label_NOTE.text(), QString());
        ticks(QList<int>(100, 200));
        EXPECT_EQ(f.log().mid(logBefore.size()).count(QStringLiteral("延迟异常")), 2);
        EXPECT_EQ(sent(), QByteArray());
        s.radio.pingCount = 0;
        s.radio.pingSum = 0;
        ticks({1}); // ends the episode for the next family
    }
}

} // namespace
