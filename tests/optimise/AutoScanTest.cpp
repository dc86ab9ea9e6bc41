#include "OptimiseFixture.h"

#include "model/SettingKeys.h"
#include "platform/SettingsStore.h"

#include <functional>
#include <map>
#include <utility>

using namespace korvane;
using korvane::test::LoopbackServer;
using korvane::test::OptimiseFixture;

namespace {

const QString kNow = QStringLiteral("2024-05-01 12:00:00");
const QString kDone =
    QStringLiteral("系统已经驱动到扫描完毕且切换到最佳方位角度，可能会存在一定误差，您也可以根据观察结果手动进行修正。");

class AutoScanTest : public OptimiseFixture {
protected:
    // Shows `signal` in the signal box, then runs one tick.
    void tick(const QString &signal)
    {
        station().display.Text1.setText(signal);
        station().display.radioFeed.reading();
        station().Timer_AutoScan_Timer();
    }

    // The commands of ticks `first` to `last` of an undisturbed run.
    static QByteArray steps(int firstOffset, int lastOffset)
    {
        QByteArray out;
        for (int o = firstOffset; o <= lastOffset; ++o)
            out += "[P0H" + QByteArray::number(o) + "V0]\r\n";
        return out;
    }
};

struct ScanCase {
    const char *name;
    const char *atDefault;
    std::map<int, const char *> readings; // by offset; others read -70
    int best;
    const char *bestSignal;
};

void PrintTo(const ScanCase &c, std::ostream *os) { *os << c.name; }

class ScanTest : public AutoScanTest, public ::testing::WithParamInterface<ScanCase> {};

TEST_P(ScanTest, LeavesTheAntennaAtTheStrongestOffset)
{
    const ScanCase &c = GetParam();
    station().display.Text1.setText(QString::fromLatin1(c.atDefault));
    station().console.autoscan();
    EXPECT_EQ(wire(), QByteArray()) << "arming sends nothing";
    tick(QString::fromLatin1(c.atDefault));
    for (int offset = -30; offset <= 30; ++offset) {
        const auto it = c.readings.find(offset);
        tick(QString::fromLatin1(it == c.readings.end() ? "-70" : it->second));
    }
    const QString best = QString::number(c.best);
    EXPECT_EQ(wire(), steps(-30, 30) + "[P0H" + best.toLatin1() + "V0]\r\n");
    EXPECT_EQ(station().optimisation.scanOffset, 32);
    EXPECT_EQ(f.dialogs.shown, QStringList{QStringLiteral("|") + kDone});
    const QString result = QStringLiteral(" 当前扫描角度扫描完毕，最佳扫描角度值为默认驱动方向偏转") + best
                           + QStringLiteral("度，信号强度值：") + QString::fromLatin1(c.bestSignal);
    EXPECT_TRUE(station().display.Text2.text().endsWith(kNow + result + QStringLiteral("\r\n") + kNow
                                                        + QLatin1Char(' ') + kDone + QStringLiteral("\r\n")));
    EXPECT_TRUE(log().endsWith(QStringLiteral("12:00:00 主机类型(0)事件：") + result + QStringLiteral("\r\n")));

    tick(QStringLiteral("-10"));
    EXPECT_EQ(wire(), QByteArray()) << "an ended scan sends nothing more";
}

INSTANTIATE_TEST_SUITE_P(Table, ScanTest, ::testing::Values(
    ScanCase{"equal_peaks_keep_the_earlier", "-60", {{12, "-55"}, {20, "-55"}}, 12, "-55"},
    ScanCase{"all_weaker_returns_to_the_default", "-60", {{-3, "-61"}, {29, "-60"}}, 0, "-60"},
    ScanCase{"the_last_offset_counts", "-60", {{30, "-41.6"}}, 30, "-42"},
    ScanCase{"a_box_without_a_number_is_no_reading", "-60", {{-30, "-50"}, {5, "--"}, {6, ""}}, -30, "-50"},
    ScanCase{"a_default_without_a_number_loses", "?", {}, -30, "-70"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(AutoScanTest, ReadingsAreShownLoggedAndRecordedAgainstTheOffsetCommandedBefore)
{
    station().display.Text1.setText(QStringLiteral("-60"));
    station().console.autoscan();
    tick(QStringLiteral("-60"));
    tick(QStringLiteral("-58"));
    const QString defaultLine = kNow + QStringLiteral(" 默认驱动角度信号强度值：-60");
    const QString offsetLine = kNow + QStringLiteral(" 当前扫描角度-30信号强度值：-58");
    EXPECT_TRUE(station().display.Text2.text().endsWith(defaultLine + QStringLiteral("\r\n") + offsetLine
                                                        + QStringLiteral("\r\n")));
    EXPECT_EQ(station().display.Label_NOTE.text(), offsetLine);
    EXPECT_TRUE(log().endsWith(QStringLiteral("12:00:00 主机类型(0)事件：") + defaultLine + QStringLiteral("\r\n")
                               + QStringLiteral("12:00:00 主机类型(0)事件：") + offsetLine + QStringLiteral("\r\n")));
    const AutoScanRecord &record = station().autoScan.record();
    EXPECT_EQ(record.ticks(), 2);
    EXPECT_EQ(record.defaultReading(), -60.0);
    EXPECT_EQ(record.reading(-30), -58.0);
    EXPECT_FALSE(record.reading(-29).has_value());
    EXPECT_EQ(record.bestOffset(), -30);
}

TEST_F(AutoScanTest, ALostLinkPausesTheScanAtItsStep)
{
    station().console.autoscan();
    for (int i = 0; i < 10; ++i)
        tick(QStringLiteral("-70"));
    EXPECT_EQ(wire(), steps(-30, -21));
    station().Winsock1.Close();
    for (int i = 0; i < 3; ++i)
        tick(QStringLiteral("-40"));
    EXPECT_EQ(wire(), QByteArray());
    const QString notice = QStringLiteral("当前通信异常，自动扫描过程中，请确保设备通信正常！");
    EXPECT_EQ(station().display.Label_NOTE.text(), notice);
    EXPECT_EQ(log().count(notice), 1) << "the pause is said once";
    EXPECT_EQ(station().autoScan.record().phase(), AutoScanRecord::Phase::Paused);

    korvane::test::connectLink(station().Winsock1, radio);
    tick(QStringLiteral("-65"));
    EXPECT_EQ(wire(), steps(-20, -20));
    EXPECT_EQ(station().autoScan.record().reading(-21), -65.0) << "the reading goes to the step that waited";
    EXPECT_EQ(station().autoScan.record().ticks(), 11);
}

// A 5G CPE never opens the console socket; its login stands for it, as it
// does for the comparison.
TEST_F(AutoScanTest, ALoggedInRadioWithoutItsSocketKeepsTheScanGoing)
{
    station().Winsock1.Close();
    station().radio.loggedIn = true;
    station().console.autoscan();
    for (int i = 0; i < 3; ++i)
        tick(QStringLiteral("-85"));
    EXPECT_EQ(wire(), steps(-30, -28));
    EXPECT_FALSE(log().contains(QStringLiteral("当前通信异常")));
    station().radio.loggedIn = false;
    tick(QStringLiteral("-85"));
    EXPECT_EQ(wire(), QByteArray());
    EXPECT_EQ(station().display.Label_NOTE.text(), QStringLiteral("当前通信异常，自动扫描过程中，请确保设备通信正常！"));
}

TEST_F(AutoScanTest, TheCentreDotCancelsARunningScan)
{
    station().console.autoscan();
    for (int i = 0; i < 30; ++i)
        tick(QStringLiteral("-70"));
    EXPECT_EQ(wire(), steps(-30, -1));
    station().click(QStringLiteral("angle"), 12);
    const QString cancelled = QStringLiteral("您已退出自动扫描模式，已经恢复自动驱动模式。");
    EXPECT_EQ(station().display.Label_NOTE.text(), cancelled);
    EXPECT_EQ(f.dialogs.shown, QStringList{QStringLiteral("|") + cancelled});
    EXPECT_TRUE(log().endsWith(QStringLiteral("12:00:00 主机类型(0)事件：") + cancelled + QStringLiteral("\r\n")));
    for (int i = 0; i < 40; ++i)
        tick(QStringLiteral("-50"));
    EXPECT_EQ(wire(), QByteArray("[P0H0V0]\r\n"));
    EXPECT_EQ(f.dialogs.shown.size(), 1) << "no closing box";
    EXPECT_EQ(station().autoScan.record().phase(), AutoScanRecord::Phase::Cancelled);
}

// Readings that never come back: the survey gives up, the antenna returns to
// automatic drive and the drives the survey holds are free again.
TEST_F(AutoScanTest, ASurveyWithoutReadingsGivesUpAfterAMinute)
{
    station().console.autoscan();
    for (int i = 0; i < 3; ++i)
        tick(QStringLiteral("-70"));
    station().Winsock1.Close();
    for (int i = 0; i < 7; ++i)
        station().Timer_AutoScan_Timer();
    EXPECT_EQ(wire(), steps(-30, -28) + "[P0H0V0]\r\n");
    EXPECT_FALSE(station().autoScan.running());
    EXPECT_FALSE(station().optimisation.surveyRunning());
    EXPECT_EQ(log().count(QStringLiteral("长时间无法读取信号强度，自动扫描已放弃，已经恢复自动驱动模式。")), 1);
    EXPECT_EQ(station().settings().read(keys::AUTOSCAN_UNFINISHED), QStringLiteral("0"));
}

// The board goes away: the survey ends at once and can be cancelled too;
// the board, back, is returned to automatic drive.
TEST_F(AutoScanTest, ASurveyWhoseBoardIsGoneEnds)
{
    station().console.autoscan();
    for (int i = 0; i < 3; ++i)
        tick(QStringLiteral("-70"));
    EXPECT_EQ(wire(), steps(-30, -28));
    station().Winsock2.Close();
    for (int i = 0; i < 3; ++i)
        tick(QStringLiteral("-70"));
    EXPECT_FALSE(station().autoScan.running());
    EXPECT_EQ(log().count(QStringLiteral("控制板连接中断，自动扫描已结束。")), 1);
    EXPECT_EQ(log().count(QStringLiteral("当前通信异常")), 0);
    EXPECT_EQ(station().settings().read(keys::AUTOSCAN_UNFINISHED), QStringLiteral("1"));

    station().console.autoscan();
    station().click(QStringLiteral("angle"), 12);
    EXPECT_FALSE(station().autoScan.running()) << "the centre dot cancels without the board";

    board.received.clear();
    korvane::test::connectLink(station().Winsock2, board);
    EXPECT_EQ(wire(), QByteArray("[P0H0V0]\r\n"));
    EXPECT_EQ(station().settings().read(keys::AUTOSCAN_UNFINISHED), QStringLiteral("0"));
}

TEST_F(AutoScanTest, ANewScanStartsAgainFromTheFirstOffset)
{
    station().console.autoscan();
    for (int i = 0; i < 5; ++i)
        tick(QStringLiteral("-70"));
    station().console.autoscan();
    tick(QStringLiteral("-70"));
    EXPECT_EQ(wire(), steps(-30, -26) + steps(-30, -30));
    EXPECT_EQ(station().autoScan.record().ticks(), 1);
}

// The closing box stays open while the station runs on, so the scan's timer
// may tick while it is shown.
class TickingDialogs final : public Dialogs {
public:
    std::function<void()> whileShown;
    int messages = 0;

protected:
    void show(const Question &q) override
    {
        if (q.buttons == Buttons::Ok) {
            ++messages;
            if (whileShown)
                std::exchange(whileShown, nullptr)();
        }
        answer(Answer::Ok);
    }
};

TEST(AutoScanBox, ATickWhileTheClosingBoxWaitsDoesNotFinishTheScanAgain)
{
    LoopbackServer board;
    LoopbackServer radio;
    korvane::test::StationFixture f;
    TickingDialogs dialogs;
    StationEnvironment env;
    env.programName = QStringLiteral("korvane-station");
    env.logFolder = f.dir.path();
    env.settings = f.settings.get();
    env.dialogs = &dialogs;
    env.reveal = &f.reveal;
    env.clock = &f.clock;
    Station s(env);
    s.Form_Load();
    korvane::test::stopTimers(s);
    korvane::test::connectLink(s.Winsock2, board);
    korvane::test::connectLink(s.Winsock1, radio);
    s.autoScan.autoscan();
    dialogs.whileShown = [&] { s.Timer_AutoScan_Timer(); };
    for (int i = 0; i < 62; ++i)
        s.Timer_AutoScan_Timer();
    EXPECT_EQ(dialogs.messages, 1);
    s.controllerLink.send(QStringLiteral("#"));
    ASSERT_TRUE(korvane::test::waitUntil([&] { return board.received.endsWith('#'); }));
    EXPECT_EQ(board.received.count("[P0H"), 62) << "61 steps and one final command";
}

} // namespace
