#include "geo/NmeaParser.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

const QString kRmc = QStringLiteral(
    "$GNRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*74");
const QString kGga = QStringLiteral(
    "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47");
const QString kGsv = QStringLiteral(
    "$GPGSV,3,1,10,03,39,230,23,08,31,170,31,10,08,058,31,11,65,149,31*76");
const NmeaPosition kMunich{48 + 7.038 / 60, 11 + 31.0 / 60};

struct ChunkCase {
    const char *name;
    QString chunk;
    std::optional<NmeaPosition> expected;
};

TEST(NmeaParser, ChunkTable)
{
    const ChunkCase cases[] = {
        {"rmc", kRmc, kMunich},
        {"wrong checksum", QString(kRmc).replace(QStringLiteral("*74"), QStringLiteral("*75")), std::nullopt},
        {"no checksum", kRmc.left(kRmc.indexOf(u'*')), std::nullopt},
        {"gsv then gga", kGsv + QStringLiteral("\r\n") + kGga + QStringLiteral("\r\n"), kMunich},
        {"label before the sentence", QStringLiteral("GNSS 定位:") + kRmc, kMunich},
        {"spaces inside", QString(kRmc).replace(QStringLiteral(","), QStringLiteral(", ")), kMunich},
        {"south and west", QStringLiteral("$GNRMC,123519,A,4807.038,S,01131.000,W,022.4,"
                                          "084.4,230394,003.1,W*7B"),
         NmeaPosition{-kMunich.latitude, -kMunich.longitude}},
        {"lower-case hemispheres", QStringLiteral("$GNRMC,123519,A,4807.038,n,01131.000,w,"
                                                  "022.4,084.4,230394,003.1,W*66"),
         NmeaPosition{kMunich.latitude, -kMunich.longitude}},
        {"status V, empty fields", QStringLiteral("$GPRMC,123519,V,,,,,,,230394,,*33"),
         NmeaPosition{0, 0}},
        {"lower-case talker", QStringLiteral("$gnRMC,123519,A,4807.038,N,01131.000,E,022.4,"
                                             "084.4,230394,003.1,W*74"),
         kMunich},
        {"lower-case formatter", QStringLiteral("$GNrmc,123519,A,4807.038,N,01131.000,E,022.4,"
                                                "084.4,230394,003.1,W*54"),
         std::nullopt},
        {"too few fields, then a good line",
         QStringLiteral("$GPGGA,123519,4807.038,N,01131.000*27\r\n") + kRmc, kMunich},
        // Lines end only at CR LF: this is one line, a GSV sentence.
        {"LF only", kGsv + QStringLiteral("\n") + kGga, std::nullopt},
        // The first accepted sentence has no number for its degrees: the
        // chunk gives nothing, not the next sentence's position.
        {"conversion fault ends the search",
         QStringLiteral("$GPRMC,123519,A,48.07038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A"
                        "\r\n") + kGga,
         std::nullopt},
        {"empty", QString(), std::nullopt},
    };
    for (const ChunkCase &c : cases)
        EXPECT_EQ(ParseNMEAData(c.chunk), c.expected) << c.name;
}

TEST(NmeaParser, FindNmeaStartRules)
{
    const struct {
        const char16_t *line;
        int start;
    } cases[] = {
        {u"$GPRMC,1", 2},  {u"$", 2},             {u"ab:GPGSV,3,1", 4},
        {u"x:gpGGA,1", 3}, {u"x:GPgga,1", 0},     {u"abcdRMC12", 3},
        {u"RMC,1,2,3", 0}, {u"PSRFTXT,Version2", 3},    {u"x1,2,3,4,5,6", 0},
        {u"", 0},          {u"GPRMC", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FindNmeaStart(c.line), c.start) << QString::fromUtf16(c.line).toStdString();
}

TEST(NmeaParser, ChecksumHelpers)
{
    EXPECT_EQ(CalcNmeaChecksum(kRmc), QStringLiteral("74"));
    EXPECT_EQ(CalcNmeaChecksum(kRmc.mid(1)), QStringLiteral("74"));
    EXPECT_EQ(CalcNmeaChecksum(u"$*00"), QStringLiteral("00"));
    EXPECT_EQ(CalcNmeaChecksum(u"GPX*4"), QString());   // one digit
    EXPECT_EQ(CalcNmeaChecksum(u"GPX*G1"), QString());  // not hexadecimal
    EXPECT_EQ(CalcNmeaChecksum(u"GPX,1,2"), QString()); // no "*"
    // Taken over the GBK bytes, as the station's code page writes the text.
    EXPECT_EQ(CalcNmeaChecksum(u"GPTXT,01,01,02,中文*41"), QStringLiteral("41"));

    EXPECT_EQ(GetNmeaChecksum(u"a*4a"), QStringLiteral("4A"));
    EXPECT_EQ(GetNmeaChecksum(u"a*4G"), QStringLiteral("4"));
    EXPECT_EQ(GetNmeaChecksum(u"a*G4"), QString());
    EXPECT_EQ(GetNmeaChecksum(u"a*4"), QString());
    EXPECT_EQ(GetNmeaChecksum(u"a*12*345"), QStringLiteral("34"));

    EXPECT_TRUE(HasLetters(u"a1b2c"));
    EXPECT_FALSE(HasLetters(u"ab123"));
    EXPECT_FALSE(HasLetters(u"中文字母"));
    for (int code : {'0', '9', 'A', 'F', 'a', 'f'})
        EXPECT_TRUE(IsHexChar(code)) << code;
    for (int code : {int('/'), int(':'), int('@'), int('G'), int('`'), int('g'), 0xFF10})
        EXPECT_FALSE(IsHexChar(code)) << code;
}

TEST(NmeaParser, NmeaToDegreesTable)
{
    const struct {
        const char16_t *value, *hemisphere;
        std::optional<double> degrees;
    } cases[] = {
        {u"4807.038", u"N", 48 + 7.038 / 60},
        {u"01131.000", u"W", -(11 + 31.0 / 60)},
        {u"01131.000", u"w", -(11 + 31.0 / 60)},
        {u"4134.49821229", u"s", -(41 + 34.49821229 / 60)},
        {u"36000.0000", u"E", 360.0},
        {u"", u"N", 0.0},      {u"4807", u"N", 0.0}, // no point
        {u".5", u"S", 0.0},    {u"4.07", u"N", 0.0}, // point too early
        {u"48.07", u"N", std::nullopt},              // no degrees
        {u"a807.038", u"N", std::nullopt},
        {u"4807.0x8", u"N", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(NmeaToDegrees(c.value, c.hemisphere), c.degrees)
            << QString::fromUtf16(c.value).toStdString();
    // Degrees past the largest double are a fault, not infinity.
    EXPECT_FALSE(NmeaToDegrees(QString(309, u'9') + QStringLiteral("00.0"), u"N"));
    EXPECT_TRUE(NmeaToDegrees(QString(308, u'9') + QStringLiteral("00.0"), u"N"));
}

} // namespace
