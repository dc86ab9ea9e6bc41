#include "text/Numbers.h"

#include <QString>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

struct NumberCase {
    const char *text;
    double expected;
};

class NumberOfTextTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberOfTextTest, ReadsLeadingDecimal)
{
    const auto &c = GetParam();
    EXPECT_DOUBLE_EQ(numberOfText(QString::fromUtf8(c.text)), c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Table, NumberOfTextTest,
    ::testing::Values(
        NumberCase{"", 0}, NumberCase{"   ", 0}, NumberCase{"abc", 0},
        NumberCase{"12abc", 12}, NumberCase{"  42", 42}, NumberCase{"\t7", 7},
        NumberCase{"-.5", -0.5}, NumberCase{".5", 0.5}, NumberCase{"-0.5", -0.5},
        NumberCase{"+3", 3}, NumberCase{"3.25.1", 3.25}, NumberCase{"12.", 12},
        NumberCase{"1e5", 1}, NumberCase{"0x1F", 0}, NumberCase{"&H10", 0},
        NumberCase{"-", 0}, NumberCase{".", 0}, NumberCase{"- 5", 0},
        NumberCase{"121.4831234", 121.4831234}, NumberCase{"8233\r\n", 8233},
        NumberCase{"９", 0}, NumberCase{"99999999999", 99999999999.0}));

struct WidthCase {
    double value;
    std::optional<std::int16_t> int16;
    std::optional<std::int32_t> int32;
    std::optional<std::uint8_t> byte;
};

class WidthTest : public ::testing::TestWithParam<WidthCase> {};

TEST_P(WidthTest, HalvesGoToEvenNeighbour)
{
    const auto &c = GetParam();
    EXPECT_EQ(toInt16(c.value), c.int16) << c.value;
    EXPECT_EQ(toInt32(c.value), c.int32) << c.value;
    EXPECT_EQ(toByte(c.value), c.byte) << c.value;
}

INSTANTIATE_TEST_SUITE_P(Table, WidthTest,
    ::testing::Values(
        WidthCase{0.5, 0, 0, 0}, WidthCase{1.5, 2, 2, 2}, WidthCase{2.5, 2, 2, 2},
        WidthCase{-0.5, 0, 0, 0}, WidthCase{-1.5, -2, -2, std::nullopt},
        WidthCase{-2.5, -2, -2, std::nullopt}, WidthCase{2.4999, 2, 2, 2},
        WidthCase{2.5001, 3, 3, 3}, WidthCase{255.5, 256, 256, std::nullopt},
        WidthCase{254.5, 254, 254, 254}, WidthCase{32767.4, 32767, 32767, std::nullopt},
        WidthCase{32767.5, std::nullopt, 32768, std::nullopt},
        WidthCase{-32768.5, -32768, -32768, std::nullopt},
        WidthCase{-32769, std::nullopt, -32769, std::nullopt},
        WidthCase{2147483647.5, std::nullopt, std::nullopt, std::nullopt},
        WidthCase{-2147483648.0, std::nullopt, INT32_MIN, std::nullopt},
        WidthCase{std::numeric_limits<double>::infinity(), std::nullopt, std::nullopt, std::nullopt},
        WidthCase{std::numeric_limits<double>::quiet_NaN(), std::nullopt, std::nullopt, std::nullopt}));

TEST(TextToWidth, OverflowingStoredValueIsAbsent)
{
    EXPECT_EQ(textToWidth<std::int16_t>(u"40000"), std::nullopt);
    EXPECT_EQ(textToWidth<std::int16_t>(u"9754"), std::int16_t{9754});
    EXPECT_EQ(textToWidth<std::int16_t>(u""), std::int16_t{0});
    EXPECT_EQ(textToWidth<std::int32_t>(u"12abc"), 12);
}

TEST(IsNumericText, AcceptsOnlyOnePlainNumber)
{
    for (const char *yes : {"9000", " 9000 ", "-1", ".5", "12.", "+7"})
        EXPECT_TRUE(isNumericText(QString::fromUtf8(yes))) << yes;
    for (const char *no : {"", "  ", "90a", "1e3", "0x10", "1 2", "-", ".", "9000:1"})
        EXPECT_FALSE(isNumericText(QString::fromUtf8(no))) << no;
}

TEST(RoundHalfAwayFromZero, UsesDecimalHalves)
{
    EXPECT_DOUBLE_EQ(roundHalfAwayFromZero(0.25, 1), 0.3);
    EXPECT_DOUBLE_EQ(roundHalfAwayFromZero(-0.25, 1), -0.3);
    EXPECT_DOUBLE_EQ(roundHalfAwayFromZero(1.005, 2), 1.01); // binary 1.00499999...
    EXPECT_DOUBLE_EQ(roundHalfAwayFromZero(121.12345675, 7), 121.1234568);
    EXPECT_DOUBLE_EQ(roundHalfAwayFromZero(9.96, 1), 10.0);
    EXPECT_DOUBLE_EQ(roundHalfAwayFromZero(0.04, 1), 0.0);
    EXPECT_DOUBLE_EQ(roundHalfAwayFromZero(30, 1), 30.0);
}

TEST(FloorPart, RoundsDown)
{
    EXPECT_EQ(floorPart(-0.4), -1);
    EXPECT_EQ(floorPart(3.9), 3);
}

} // namespace
