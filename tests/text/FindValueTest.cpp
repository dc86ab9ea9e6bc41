#include "text/Encoding.h"
#include "text/FindValue.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

struct FindCase {
    const char *start;
    const char *end;
    const char *text;
    const char *expected;
};

class FindValueTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindValueTest, CutsBetweenFirstMarkers)
{
    const auto &c = GetParam();
    EXPECT_EQ(FindValue(QString::fromUtf8(c.start), QString::fromUtf8(c.end), QString::fromUtf8(c.text)),
              QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Table, FindValueTest,
    ::testing::Values(
        FindCase{"本地纬度:", "经度:", "本地纬度:31.2经度:121.5海拔:3", "31.2"},
        FindCase{"经度:", "海拔:", "本地纬度:31.2经度:121.5海拔:3", "121.5"},
        // the end marker is searched from the start, not after the start marker
        FindCase{"A", "B", "xBxAyyB", ""},
        FindCase{"A", "B", "AyyBxAzzB", "yy"},
        FindCase{"a", "B", "AyyB", ""},            // case-sensitive
        FindCase{"X", "B", "AyyB", ""},            // start missing
        FindCase{"A", "Z", "AyyB", ""},            // end missing
        FindCase{"AB", "B", "xxABzz", ""},         // end inside the start marker
        FindCase{"A", "B", "AB", ""},              // nothing between
        FindCase{":", "km", ",距离:12.5km", "12.5"}));

TEST(FindValue, LongTextFailsAtSixteenBitLimit)
{
    QString text = QStringLiteral("<a>1</a>");
    QString longText = text + QString(kFindValueMaxLength - text.size(), QLatin1Char('x'));
    EXPECT_EQ(FindValue(QStringLiteral("<a>"), QStringLiteral("</a>"), longText), QStringLiteral("1"));
    longText.append(QLatin1Char('x'));
    EXPECT_EQ(FindValue(QStringLiteral("<a>"), QStringLiteral("</a>"), longText), QString());
}

TEST(FindValue, CountsUtf16Units)
{
    // Characters outside the BMP take two units, as the board's texts count.
    const QString text = QStringLiteral("😀:ab;");
    EXPECT_EQ(FindValue(QStringLiteral(":"), QStringLiteral(";"), text), QStringLiteral("ab"));
}

TEST(Utf8ToUnicode, DecodesAndReplaces)
{
    EXPECT_EQ(Utf8ToUnicode(QByteArray()), QString());
    EXPECT_EQ(Utf8ToUnicode(QByteArray("\xe8\xb7\x9d\xe7\xa6\xbb")), QStringLiteral("距离"));
    EXPECT_EQ(Utf8ToUnicode(QByteArray("a\xffz")), QStringLiteral("a\uFFFDz"));
    EXPECT_EQ(Utf8ToUnicode(QByteArray("a\0b", 3)).size(), 3);
    // a truncated sequence at the end is replaced, not kept for later
    EXPECT_EQ(Utf8ToUnicode(QByteArray("x\xe8\xb7")).left(1), QStringLiteral("x"));
    EXPECT_TRUE(Utf8ToUnicode(QByteArray("x\xe8\xb7")).contains(QChar(0xFFFD)));
}

} // namespace
