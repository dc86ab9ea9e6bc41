// Serial input cut into sentences however the reads fall, and the checksum
// that decides whether a sentence may drive the antenna.
#include "nav/NmeaLineFramer.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

const char *const kA = "!AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g208CQ,0*4A";
const char *const kB = "!AIVDM,1,1,,A,16SteH0P00Jt63hHaa6SagvJ087r,0*42";

QStringList feedAll(const QList<QByteArray> &reads, NmeaLineFramer *framer = nullptr)
{
    NmeaLineFramer local;
    NmeaLineFramer &f = framer ? *framer : local;
    QStringList out;
    for (const QByteArray &r : reads)
        out += f.feed(r);
    return out;
}

struct FramingCase {
    const char *name;
    QList<QByteArray> reads;
    QStringList expected;
};

class Framing : public ::testing::TestWithParam<FramingCase> {};

TEST_P(Framing, GivesEachCompleteSentenceOnceInOrder)
{
    const FramingCase &c = GetParam();
    EXPECT_EQ(feedAll(c.reads), c.expected) << c.name;
}

const QByteArray a(kA), b(kB);

INSTANTIATE_TEST_SUITE_P(
    Reads, Framing,
    ::testing::Values(
        FramingCase{"one read, CR LF", {a + "\r\n"}, {kA}},
        FramingCase{"LF only", {a + "\n"}, {kA}},
        FramingCase{"CR only", {a + "\r"}, {kA}},
        FramingCase{"two sentences in one read", {a + "\r\n" + b + "\r\n"}, {kA, kB}},
        FramingCase{"split in the payload", {a.left(20), a.mid(20) + "\r\n"}, {kA}},
        FramingCase{"split between CR and LF", {a + "\r", "\n" + b + "\r\n"}, {kA, kB}},
        FramingCase{"byte by byte",
                    [] {
                        QList<QByteArray> r;
                        for (char c : a + "\r\n")
                            r << QByteArray(1, c);
                        return r;
                    }(),
                    {kA}},
        FramingCase{"end of one and start of the next", {a + "\r\n" + b.left(9), b.mid(9) + "\r\n"}, {kA, kB}},
        FramingCase{"read starts in the middle of a sentence", {a.mid(30) + "\r\n" + b + "\r\n"}, {kB}},
        FramingCase{"garbage between sentences", {a + "\r\n\x01\xff junk \x7f\r\n" + b + "\r\n"}, {kA, kB}},
        FramingCase{"garbage glued to the start", {QByteArray("\x13\x80xyz") + a + "\r\n"}, {kA}},
        FramingCase{"sentence cut off by the next start", {a.left(25) + b + "\r\n"}, {kB}},
        FramingCase{"no line end yet", {a}, {}},
        FramingCase{"empty lines", {"\r\n\r\n\n", a + "\r\n\r\n"}, {kA}},
        FramingCase{"other talkers pass too", {"$GPRMC,1*00\r\n"}, {"$GPRMC,1*00"}}),
    [](const ::testing::TestParamInfo<FramingCase> &info) {
        std::string n = info.param.name;
        for (char &c : n)
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return n;
    });

TEST(Framing, KeepsAnIncompleteSentenceUntilItsEnd)
{
    NmeaLineFramer f;
    EXPECT_TRUE(f.feed(a.left(40)).isEmpty());
    EXPECT_EQ(f.pending(), 40);
    EXPECT_EQ(f.feed(a.mid(40) + "\r\n"), QStringList{kA});
    EXPECT_EQ(f.pending(), 0);
}

TEST(Framing, AStreamWithoutLineEndsStaysBounded)
{
    NmeaLineFramer f;
    QByteArray flood = "!AIVDM,";
    flood += QByteArray(100000, 'A');
    EXPECT_TRUE(f.feed(flood).isEmpty());
    EXPECT_LE(f.pending(), NmeaLineFramer::kMaxSentence);
    EXPECT_EQ(f.overlong(), 1u);
    // The next sentence is found again.
    EXPECT_EQ(f.feed("\r\n" + a + "\r\n"), QStringList{kA});
}

TEST(Framing, ALongestSentenceStillPasses)
{
    NmeaLineFramer f;
    const QByteArray longest = "!" + QByteArray(NmeaLineFramer::kMaxSentence - 1, 'x');
    EXPECT_EQ(f.feed(longest + "\r\n").size(), 1);
    EXPECT_TRUE(f.feed(longest + "y\r\n").isEmpty());
}

struct ChecksumCase {
    const char *sentence;
    bool valid;
};

TEST(NmeaChecksum, AcceptsOnlyTheRightTwoDigitsAtTheEnd)
{
    const ChecksumCase cases[] = {
        {kA, true},
        {kB, true},
        {"!AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g208CQ,0*4a", true}, // lower-case digits
        {"!AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g208CQ,0*4B", false},
        {"!AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g208CR,0*4A", false}, // one payload bit off
        {"!AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g208CQ,0", false},    // no checksum
        {"!AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g208CQ,0*4", false},
        {"!AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g208CQ,0*4AX", false},
        {"!AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g208CQ,0*G1", false},
        {"AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g208CQ,0*4A", false},  // no start character
        {"$GPGGA,,,,,,0,,,,,,,,*66", true},
        {"!*00", true},
        {"", false},
    };
    for (const ChecksumCase &c : cases)
        EXPECT_EQ(NmeaChecksumValid(QString::fromLatin1(c.sentence)), c.valid) << c.sentence;
}

TEST(NmeaChecksum, AnyChangedCharacterIsCaught)
{
    // A wrong digit anywhere in the sentence is caught.
    const QString good = QString::fromLatin1(kA);
    for (qsizetype i = 1; i < good.size() - 3; ++i) {
        QString bad = good;
        bad[i] = QChar(bad[i].unicode() ^ 0x01);
        if (bad[i] == u'*')
            continue;
        EXPECT_FALSE(NmeaChecksumValid(bad)) << i;
    }
}

} // namespace
