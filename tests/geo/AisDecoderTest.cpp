#include "geo/AisDecoder.h"

#include "text/Formats.h"

#include <gtest/gtest.h>

#include <limits>

using namespace korvane;

namespace {

const AisFix kEmpty{};
const QString kSample = QStringLiteral("!AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g208CQ,0*4A");
const AisFix kSampleFix{371798000, 215, -74037230 / 600000.0, 29028980 / 600000.0};

// A 168-bit position report written field by field from ITU-R M.1371 and
// armoured, independently of the decoder.
QString report(int type, qint64 mmsi, int heading, qint64 lonRaw, qint64 latRaw)
{
    QString bits(168, u'0');
    const auto put = [&](int first, int width, qint64 value) {
        for (int i = 0; i < width; ++i)
            bits[first - 1 + i] = ((value >> (width - 1 - i)) & 1) ? u'1' : u'0';
    };
    const bool classB = type == 18;
    put(1, 6, type);
    put(9, 30, mmsi);
    put(classB ? 58 : 62, 28, lonRaw);
    put(classB ? 86 : 90, 27, latRaw);
    put(classB ? 125 : 129, 9, heading);
    QString payload;
    for (int c = 0; c < 28; ++c) {
        const int v = bits.mid(c * 6, 6).toInt(nullptr, 2);
        payload += QChar(v < 40 ? v + 48 : v + 56);
    }
    return QStringLiteral("!AIVDM,1,1,,B,%1,0*00").arg(payload);
}

TEST(AisDecoder, DecodesAClassAReportWhateverItsChecksum)
{
    EXPECT_EQ(DecodeAIS(kSample), kSampleFix);
    EXPECT_EQ(DecodeAIS(QString(kSample).replace(QStringLiteral("*4A"), QStringLiteral("*00"))), kSampleFix);
    EXPECT_EQ(DecodeAIS(kSample.left(kSample.indexOf(u'*'))), kSampleFix);
    EXPECT_EQ(DecodeAIS(QStringLiteral("  ") + kSample + QStringLiteral("  ")), kSampleFix);
    EXPECT_EQ(DecodeAIS(u"!AIVDM,1,1,,A, 15RTgt0PAso;90TKcjM8h6g208CQ ,0*4A"), kSampleFix);
}

TEST(AisDecoder, MalformedOrOtherSentencesGiveTheEmptyFix)
{
    const char16_t *cases[] = {
        u"", u"   ", u"!AIVDM,1,1,,A",                 // five fields
        u"!AIVDM,1,1,,A,,0*26",                          // empty payload
        u"!AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g,0*4A",   // 23 characters
        u"!AIVDM,1,1,,A,402B4L0000Htt1Lg@6FV5vG01d7N,0*06", // type 4
        u"!AIVDM,2,1,9,B,55R3Vn82=ILTQ3KKS>1<D60Dq@E918U<F222221J1`?164vc03S1CCAD,0*2A",
        u"!AIVDM,1,1,,A,H52KMeDU653hhhi0000000000000,0*1A",   // type 24
    };
    for (const char16_t *s : cases)
        EXPECT_EQ(DecodeAIS(QStringView(s)), kEmpty) << QString::fromUtf16(s).toStdString();
    EXPECT_NE(DecodeAIS(u"!AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g2,0*4A"), kEmpty); // 24
}

struct ReportCase {
    int type;
    int heading;
    qint64 lonRaw, latRaw;
    AisFix expected;
};

TEST(AisDecoder, HeadingAndPositionRules)
{
    const ReportCase cases[] = {
        {1, 511, 60000000, 18000000, {123456789, 511, 100.0, 30.0}},   // not sent stays
        {2, 360, 60000000, 18000000, {123456789, -1, 100.0, 30.0}},
        {3, 400, 60000000, 18000000, {123456789, -1, 100.0, 30.0}},
        {1, 359, -60000000, -18000000, {123456789, 359, -100.0, -30.0}},
        {1, 0, 108600000, 18000000, {123456789, 0, -1000, 30.0}},    // 181: none
        {1, 10, 60000000, 54600000, {123456789, 10, 100.0, -1000}},  // 91: none
        {18, 90, -600000, 600000, {123456789, 90, -1.0, 1.0}},
        {18, 511, 108600000, 54600000, {123456789, 511, -1000, -1000}},
        {18, 45, -134217728, -67108864, {123456789, 45, -134217728 / 600000.0,
                                         -67108864 / 600000.0}}, // widest negatives
    };
    for (const ReportCase &c : cases) {
        const QString s = report(c.type, 123456789, c.heading, c.lonRaw, c.latRaw);
        EXPECT_EQ(DecodeAIS(s), c.expected) << s.toStdString();
    }
    EXPECT_EQ(DecodeAIS(report(5, 123456789, 0, 0, 0)), kEmpty);
}

TEST(AisDecoder, ExtendedArmouringReadsLikeItsStandardCharacters)
{
    // "(" ... "/" stand for 8 ... 15, as "8" ... "?" do.
    EXPECT_EQ(PayloadToBin(u"(/"), PayloadToBin(u"8?"));
    EXPECT_EQ(DecodeAIS(QString(kSample).replace(u'8', u'(').replace(u';', u'+')), kSampleFix);
}

TEST(AisDecoder, PayloadToBinTable)
{
    EXPECT_EQ(PayloadToBin(u""), QString());
    EXPECT_EQ(PayloadToBin(u"0W`w"), QStringLiteral("000000100111101000111111"));
    EXPECT_EQ(PayloadToBin(u"x'X_中"), QString(30, u'0')); // outside the table: 0
    EXPECT_EQ(SixBitToBin(0), QStringLiteral("000000"));
    EXPECT_EQ(SixBitToBin(37), QStringLiteral("100101"));
    EXPECT_EQ(SixBitToBin(63), QStringLiteral("111111"));
}

struct BinCase {
    QString bits;
    std::optional<qint32> unsignedValue, signedValue;
};

TEST(AisDecoder, BinaryReadingsTable)
{
    const BinCase cases[] = {
        {"", 0, 0},          {"0", 0, 0},       {"1", 1, -1},
        {"0111", 7, 7},      {"1000", 8, -8},   {"1x1", 5, -3},
        {QString(31, u'1'), 2147483647, -1},
        {u'1' + QString(31, u'0'), std::nullopt, std::nullopt}, // past 32 bits
        {QString(40, u'0') + u'1', 1, 1},
    };
    for (const BinCase &c : cases) {
        EXPECT_EQ(BinToDec(c.bits), c.unsignedValue) << c.bits.toStdString();
        EXPECT_EQ(BinToDecSigned(c.bits), c.signedValue) << c.bits.toStdString();
    }
}

TEST(AisDecoder, AisTimeIsUtcPlusEight)
{
    const struct {
        qint32 unixTime;
        const char *text;
    } cases[] = {
        {0, "1970-01-01 08:00:00"},
        {-1, "1970-01-01 07:59:59"},
        {1700000000, "2023-11-15 06:13:20"},
        {57600, "1970-01-02 00:00:00"},
        {std::numeric_limits<qint32>::min(), "1901-12-14 04:45:52"},
        {std::numeric_limits<qint32>::max(), "2038-01-19 11:14:07"},
    };
    for (const auto &c : cases) {
        const QDateTime t = AisTime(c.unixTime);
        EXPECT_EQ(dateTimeText(t), QString::fromLatin1(c.text));
        EXPECT_EQ(t.toSecsSinceEpoch(), c.unixTime);
    }
}

} // namespace
