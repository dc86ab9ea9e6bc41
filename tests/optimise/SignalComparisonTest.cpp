#include "OptimiseFixture.h"

using namespace korvane;
using korvane::test::OptimiseFixture;

namespace {

const QString kNow = QStringLiteral("2024-05-01 12:00:00");

class SignalComparisonTest : public OptimiseFixture {
protected:
    void SetUp() override
    {
        OptimiseFixture::SetUp();
        OptimisationState &o = station().optimisation;
        o.comparisonEnabled = true;
        o.comparisonStep = 1;
        o.comparisonInterval = o.comparisonCountdown = 300;
        o.scanEnabled = true;
        o.scanInterval = o.scanCountdown = 600;
        o.sweepStepCounter = 0;
    }

    void ticks(int n, std::int16_t signal)
    {
        station().radioStats.signalDbm = signal;
        station().display.radioFeed.reading();
        for (int i = 0; i < n; ++i)
            station().signalComparison.Timer1_Timer();
    }
};

struct ConditionCase {
    const char *name;
    std::int16_t signal;
    bool radioSocketUp;
    bool loggedIn;
    bool comparisonOn;
    bool sweepOn;
    const char *wire; // one tick before a comparison's M phase and a sweep step
};

void PrintTo(const ConditionCase &c, std::ostream *os) { *os << c.name; }

class ConditionTest : public SignalComparisonTest, public ::testing::WithParamInterface<ConditionCase> {};

TEST_P(ConditionTest, OnlyQualifyingTicksAct)
{
    const ConditionCase &c = GetParam();
    if (!c.radioSocketUp)
        station().Winsock1.Close();
    station().radio.loggedIn = c.loggedIn;
    OptimisationState &o = station().optimisation;
    o.comparisonEnabled = c.comparisonOn;
    o.scanEnabled = c.sweepOn;
    o.comparisonCountdown = 1;
    o.scanCountdown = -9;
    ticks(1, c.signal);
    EXPECT_EQ(wire(), QByteArray(c.wire));
}

INSTANTIATE_TEST_SUITE_P(Table, ConditionTest, ::testing::Values(
    ConditionCase{"weakest_signal_compares", -119, true, false, true, true, "m-1\r\n"},
    ConditionCase{"no_signal_sweeps", -120, true, false, true, true, "m14\r\n"},
    ConditionCase{"zero_is_no_reading", 0, true, false, true, true, ""},
    ConditionCase{"positive_is_no_reading", 3, true, false, true, true, ""},
    ConditionCase{"logged_in_stands_for_the_socket", -60, false, true, true, true, "m-1\r\n"},
    ConditionCase{"logged_in_sweeps_too", -120, false, true, true, true, "m14\r\n"},
    ConditionCase{"radio_unreachable_compares_not", -60, false, false, true, true, ""},
    ConditionCase{"radio_unreachable_sweeps_not", -120, false, false, true, true, ""},
    ConditionCase{"comparison_off", -60, true, false, false, true, ""},
    ConditionCase{"sweep_off", -120, true, false, true, false, ""}),
    [](const auto &info) { return std::string(info.param.name); });

// The last figure of a radio that stopped answering is no reading: neither
// the comparison nor the sweep acts on it, whatever the socket says.
TEST_F(SignalComparisonTest, AStaleSignalNeitherComparesNorSweeps)
{
    OptimisationState &o = station().optimisation;
    for (const std::int16_t signal : {std::int16_t(-60), std::int16_t(-120)}) {
        o.comparisonCountdown = 1;
        o.scanCountdown = -9;
        station().radioStats.signalDbm = signal;
        station().display.radioFeed.lost(QStringLiteral("连续三次轮询无应答"));
        station().signalComparison.Timer1_Timer();
        EXPECT_EQ(wire(), QByteArray()) << signal;
        ticks(1, signal);
        EXPECT_NE(wire(), QByteArray()) << "a fresh reading acts again";
    }
}

TEST_F(SignalComparisonTest, NothingActsWithoutTheController)
{
    station().Winsock2.Close();
    OptimisationState &o = station().optimisation;
    o.comparisonCountdown = 1;
    o.scanCountdown = -9;
    ticks(1, -60);
    ticks(1, -120);
    EXPECT_EQ(o.comparisonCountdown, 1);
    EXPECT_EQ(o.scanCountdown, -9);
}

struct DecisionCase {
    const char *name;
    std::int16_t step;
    std::int16_t m;
    std::int16_t l;
    std::int16_t r;
    const char *wire;     // the whole cycle
    const char *decision; // empty: no message
};

void PrintTo(const DecisionCase &c, std::ostream *os) { *os << c.name; }

class DecisionTest : public SignalComparisonTest, public ::testing::WithParamInterface<DecisionCase> {};

TEST_P(DecisionTest, TurnsBackToTheStrongest)
{
    const DecisionCase &c = GetParam();
    OptimisationState &o = station().optimisation;
    o.comparisonStep = c.step;
    o.comparisonInterval = 60;
    o.comparisonCountdown = 1;
    ticks(1, c.m);
    ticks(4, -70);
    ticks(1, c.l);
    ticks(4, -70);
    ticks(1, c.r);
    EXPECT_EQ(wire(), QByteArray(c.wire));
    EXPECT_EQ(o.comparisonCountdown, 60);
    const QString text = station().display.Text2.text();
    const QString rLine = QStringLiteral("\r\n") + kNow + QStringLiteral(" 当前位置(R)信号强度值：") + QString::number(c.r)
                          + QStringLiteral("\r\n");
    const QString decision = QString::fromUtf8(c.decision);
    if (decision.isEmpty()) {
        EXPECT_TRUE(text.endsWith(rLine)) << qPrintable(text.right(200));
        EXPECT_FALSE(log().contains(QStringLiteral("信号最强")));
    } else {
        EXPECT_TRUE(text.endsWith(rLine + QStringLiteral("\r\n") + kNow + QLatin1Char(' ') + decision
                                  + QStringLiteral("\r\n")))
            << qPrintable(text.right(300));
        EXPECT_TRUE(log().contains(kNow + decision + QStringLiteral("\r\n")));
    }
}

INSTANTIATE_TEST_SUITE_P(Table, DecisionTest, ::testing::Values(
    DecisionCase{"left_strongest", 3, -60, -50, -70, "m-3\r\nm6\r\nm-6\r\n",
                 "信号最强(L)：-50 信号(M)：-60 信号(R)：-70 注：-120表示无信号"},
    DecisionCase{"right_strongest", 3, -60, -70, -50, "m-3\r\nm6\r\n",
                 "信号最强(R)：-50 信号(L)：-70 信号(M)：-60 注：-120表示无信号"},
    DecisionCase{"middle_strongest", 3, -50, -60, -70, "m-3\r\nm6\r\nm-3\r\n",
                 "信号最强(M)：-50 信号(L)：-60 信号(R)：-70 注：-120表示无信号"},
    DecisionCase{"tie_with_a_side_keeps_the_middle", 1, -60, -60, -62, "m-1\r\nm2\r\nm-1\r\n",
                 "信号最强(M)：-60 信号(L)：-60 信号(R)：-62 注：-120表示无信号"},
    DecisionCase{"equal_sides_above_the_middle_stay_right", 1, -65, -60, -60, "m-1\r\nm2\r\n", ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(SignalComparisonTest, ReadingsAreLoggedWithoutASpaceAfterTheTime)
{
    station().optimisation.comparisonCountdown = 1;
    ticks(1, -61);
    ticks(4, -70);
    ticks(1, -62);
    EXPECT_TRUE(station().display.Text2.text().endsWith(
        QStringLiteral("\r\n") + kNow + QStringLiteral(" 当前位置(M)信号强度值：-61\r\n\r\n") + kNow
        + QStringLiteral(" 当前位置(L)信号强度值：-62\r\n")));
    EXPECT_TRUE(log().endsWith(kNow + QStringLiteral("当前位置(M)信号强度值：-61\r\n") + kNow
                               + QStringLiteral("当前位置(L)信号强度值：-62\r\n")))
        << qPrintable(log());
}

TEST_F(SignalComparisonTest, CountsOnlyQualifyingTicksAndResumesAnInterruptedCycle)
{
    for (int i = 0; i < 299; ++i) {
        ticks(1, -60);
        if (i % 3 == 0)
            ticks(1, -120); // lost a moment: neither counts nor starts a sweep
    }
    EXPECT_EQ(wire(), QByteArray());
    ticks(1, -60);
    EXPECT_EQ(wire(), QByteArray("m-1\r\n")) << "M on the 300th qualifying tick";

    ticks(2, -60);
    ticks(7, -120);
    station().Winsock1.Close();
    ticks(3, -60);
    EXPECT_EQ(wire(), QByteArray());
    korvane::test::connectLink(station().Winsock1, radio);
    ticks(2, -60);
    EXPECT_EQ(wire(), QByteArray());
    ticks(1, -60);
    EXPECT_EQ(wire(), QByteArray("m2\r\n")) << "L on the fifth qualifying tick after M";
}

TEST_F(SignalComparisonTest, SweepStepsEveryTenTicksAfterTheScanInterval)
{
    ticks(605, -120);
    ticks(1, -60); // a signal puts the sweep off again
    ticks(609, -120);
    EXPECT_EQ(wire(), QByteArray());
    ticks(1, -120);
    EXPECT_EQ(wire(), QByteArray("m14\r\n"));
    EXPECT_EQ(station().display.Label_NOTE.text(), QStringLiteral("信号丢失系统自动搜索和扫描中......"));
    EXPECT_TRUE(station().display.Text2.text().endsWith(
        QStringLiteral("\r\n") + kNow + QStringLiteral("  信号丢失系统自动搜索和扫描中......请耐心等待\r\n")));
    EXPECT_TRUE(log().endsWith(kNow + QStringLiteral("信号丢失系统自动搜索和扫描中......\r\n")));

    ticks(9, -120);
    EXPECT_EQ(wire(), QByteArray());
    ticks(1, -120);
    EXPECT_EQ(wire(), QByteArray("m14\r\n"));
    ticks(10 * 178, -120);
    EXPECT_EQ(wire(), QByteArray("m14\r\n").repeated(178));
    ticks(10, -120);
    EXPECT_EQ(wire(), QByteArray("m-14\r\n")) << "step 181 turns back";
    ticks(10 * 178, -120);
    EXPECT_EQ(wire(), QByteArray("m-14\r\n").repeated(178));
    ticks(10, -120);
    EXPECT_EQ(wire(), QByteArray()) << "step 360 is silent";
    EXPECT_EQ(station().optimisation.sweepStepCounter, 0);
    ticks(10, -120);
    EXPECT_EQ(wire(), QByteArray("m14\r\n")) << "and the cycle starts again";
}

// Short losses with a signal heard in between must not add up to a sweep,
// whether the comparison runs or not.
class SweepWaitTest : public SignalComparisonTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SweepWaitTest, OnlyAnUnbrokenLossAsLongAsTheIntervalSweeps)
{
    station().optimisation.comparisonEnabled = GetParam();
    for (int i = 0; i < 4; ++i) {
        ticks(400, -120);
        ticks(1, -70);
    }
    EXPECT_FALSE(wire().contains("m14")) << "1600 lost ticks, none 610 in a row";
    ticks(609, -120);
    EXPECT_FALSE(wire().contains("m14"));
    ticks(1, -120);
    EXPECT_EQ(wire(), QByteArray("m14\r\n"));

    // After a sweep a short signal puts the next loss a whole interval off.
    ticks(1, -70);
    ticks(609, -120);
    EXPECT_FALSE(wire().contains("m14")) << "a drop-out after the sweep waits the full delay again";
    ticks(1, -120);
    EXPECT_EQ(wire(), QByteArray("m14\r\n"));
}

INSTANTIATE_TEST_SUITE_P(Comparison, SweepWaitTest, ::testing::Values(false, true),
                         [](const auto &info) { return std::string(info.param ? "on" : "off"); });

TEST_F(SignalComparisonTest, NeitherTurnsTheAntennaWhileTheSurveyRuns)
{
    OptimisationState &o = station().optimisation;
    o.comparisonCountdown = -4; // at L, one tick before R
    o.scanCountdown = -9;       // one tick before a sweep step
    station().autoScan.autoscan();
    ticks(30, -120);
    ticks(30, -60);
    EXPECT_EQ(wire(), QByteArray());
    EXPECT_EQ(o.scanCountdown, 600);
    EXPECT_EQ(o.comparisonCountdown, 300);

    // Both wait a full period after the survey, from where it left the antenna.
    ASSERT_TRUE(station().autoScan.cancel());
    ticks(299, -60);
    EXPECT_EQ(wire(), QByteArray());
    ticks(1, -60);
    EXPECT_EQ(wire(), QByteArray("m-1\r\n")) << "a fresh M phase";
    ticks(609, -120);
    EXPECT_EQ(wire(), QByteArray());
    ticks(1, -120);
    EXPECT_EQ(wire(), QByteArray("m14\r\n"));
}

} // namespace
