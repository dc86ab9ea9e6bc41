#include "history/EventWords.h"
#include "history/HistorySchema.h"

#include <gtest/gtest.h>

using namespace korvane::history;

namespace {

struct WordsCase {
    const char *kind;
    const char *line;
    const char *words;
};

class EventWordsTable : public ::testing::TestWithParam<WordsCase> {};

TEST_P(EventWordsTable, SaysTheLineInWords)
{
    const WordsCase &c = GetParam();
    EXPECT_EQ(eventWords(QString::fromUtf8(c.kind), QString::fromUtf8(c.line)).toStdString(), c.words);
}

const WordsCase kCases[] = {
    // The time once (the list has it), no event head.
    {"link_lost", "12:00:01 主机类型(1)事件：微波连接中断（连接被拒绝）", "微波连接中断（连接被拒绝）"},
    {"sweep", "2024-05-01 12:00:01信号丢失系统自动搜索和扫描中......", "信号丢失系统自动搜索和扫描中......"},
    // One comparison: the three readings and the decision.
    {"comparison", "2024-05-01 12:00:01信号最强(R)：-52 信号(L)：-65 信号(M)：-56 注：-120表示无信号",
     "左 -65，中 -56，右 -52 dBm，右最强，停在右侧"},
    {"comparison", "2024-05-01 12:00:01信号最强(L)：-50 信号(M)：-60 信号(R)：-61 注：-120表示无信号",
     "左 -50，中 -60，右 -61 dBm，左最强，转回左侧"},
    {"comparison", "2024-05-01 12:00:01信号最强(M)：-55 信号(L)：-60 信号(R)：-120 注：-120表示无信号",
     "左 -60，中 -55，右 -120 dBm，中最强，回到中间"},
    // A drive with no words stored: the offset it turned by.
    {"drive", "12:00:01 主机类型(1)事件：手动驱动：[P0H73V0]", "手动驱动：转动+73°"},
    {"drive", "12:00:01 主机类型(1)事件：手动驱动：[P0H-320V0]", "手动驱动：转动-320°"},
    {"other", "plain text", "plain text"},
};

INSTANTIATE_TEST_SUITE_P(Lines, EventWordsTable, ::testing::ValuesIn(kCases));

TEST(EventWords, SidesOfTheBowAndTheDriveOffset)
{
    EXPECT_EQ(sideOfBow(90), QStringLiteral("右舷90°"));
    EXPECT_EQ(sideOfBow(270), QStringLiteral("左舷90°"));
    EXPECT_EQ(sideOfBow(0), QStringLiteral("船首方向"));
    EXPECT_EQ(sideOfBow(360), QStringLiteral("船首方向"));
    EXPECT_EQ(sideOfBow(180), QStringLiteral("船尾方向"));
    EXPECT_EQ(sideOfBow(-30), QStringLiteral("左舷30°"));
    EXPECT_EQ(sideOfBow(390), QStringLiteral("右舷30°"));
    EXPECT_EQ(driveOffset(QStringLiteral("手动驱动：[P0H-10V0]")), -10);
    EXPECT_EQ(driveOffset(QStringLiteral("手动驱动：[P0H2.5V0]")), 2.5);
    EXPECT_FALSE(driveOffset(QStringLiteral("自动AIS驱动:r120")));
    EXPECT_EQ(withoutStamp(QStringLiteral("2024-05-01 12:00:00 主机类型(5)事件：x")), QStringLiteral("x"));
}

} // namespace
