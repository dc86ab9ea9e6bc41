#include "text/Formats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <clocale>

using namespace korvane;

namespace {

struct ShortCase {
    double value;
    const char *text;
};

class ShortestDecimalTest : public ::testing::TestWithParam<ShortCase> {};

TEST_P(ShortestDecimalTest, PlainFifteenDigits)
{
    EXPECT_EQ(shortestDecimal(GetParam().value), QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Table, ShortestDecimalTest,
    ::testing::Values(
        ShortCase{0.1 + 0.2, "0.3"}, ShortCase{121.5, "121.5"}, ShortCase{30, "30"},
        ShortCase{0, "0"}, ShortCase{-0.0, "0"}, ShortCase{-7.25, "-7.25"},
        ShortCase{1e-7, "0.0000001"}, ShortCase{1.5e20, "150000000000000000000"},
        ShortCase{123456789012345678.0, "123456789012346000"},
        ShortCase{1.0 / 3.0, "0.333333333333333"}, ShortCase{2.0 / 3.0, "0.666666666666667"},
        ShortCase{31.2304123, "31.2304123"}, ShortCase{-120, "-120"},
        ShortCase{0.9999999999999999, "1"}, ShortCase{99.99999999999999, "100"},
        ShortCase{NAN, "0"}));

struct FixedCase {
    double value;
    int decimals;
    const char *text;
};

class FormatFixedTest : public ::testing::TestWithParam<FixedCase> {};

TEST_P(FormatFixedTest, Rounds)
{
    const auto &c = GetParam();
    EXPECT_EQ(formatFixed(c.value, c.decimals), QString::fromLatin1(c.text));
}

INSTANTIATE_TEST_SUITE_P(Table, FormatFixedTest,
    ::testing::Values(
        FixedCase{12.345, 2, "12.35"}, FixedCase{1.005, 2, "1.01"}, FixedCase{0, 2, "0.00"},
        FixedCase{-0.001, 2, "0.00"}, FixedCase{-1.25, 1, "-1.3"}, FixedCase{9.96, 1, "10.0"},
        FixedCase{0.5, 0, "1"}, FixedCase{31.23041234, 6, "31.230412"},
        FixedCase{121.12345675, 7, "121.1234568"}, FixedCase{-45, 2, "-45.00"},
        FixedCase{0.05, 1, "0.1"}, FixedCase{123456.7, 1, "123456.7"}));

TEST(FormatSparse7, KeepsPointDropsLeadingZero)
{
    EXPECT_EQ(formatSparse7(30), QStringLiteral("30."));
    EXPECT_EQ(formatSparse7(0.5), QStringLiteral(".5"));
    EXPECT_EQ(formatSparse7(31.23041234), QStringLiteral("31.2304123"));
    EXPECT_EQ(formatSparse7(121.12345675), QStringLiteral("121.1234568"));
    EXPECT_EQ(formatSparse7(-0.25), QStringLiteral("-.25"));
    EXPECT_EQ(formatSparse7(0), QStringLiteral("."));
    EXPECT_EQ(formatSparse7(0.00000004), QStringLiteral("."));
}

TEST(Formats, IgnoreTheProcessLocale)
{
    // Qt applications take the C library's locale from the environment; a
    // comma-decimal locale must not leak into wire texts.
    const char *old = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(shortestDecimal(121.5), QStringLiteral("121.5"));
    EXPECT_EQ(formatFixed(1.25, 2), QStringLiteral("1.25"));
    std::setlocale(LC_NUMERIC, old ? "C" : "C");
}

TEST(DateTexts, FixedForms)
{
    const QDateTime t(QDate(2024, 5, 1), QTime(7, 3, 9));
    EXPECT_EQ(dateText(t.date()), QStringLiteral("2024-05-01"));
    EXPECT_EQ(timeText(t), QStringLiteral("07:03:09"));
    EXPECT_EQ(dateTimeText(t), QStringLiteral("2024-05-01 07:03:09"));
    EXPECT_EQ(timeText(QDateTime(QDate(2024, 5, 1), QTime(23, 59, 59))), QStringLiteral("23:59:59"));
}

} // namespace
