// korvane-sim ais-feed writing to a pseudo-terminal: what a receiver on the
// other side reads.
#include "sim/AisFeedProcess.h"
#include "platform/PtyPair.h"
#include "support/TestDataFile.h"
#include "support/Wait.h"

#include "geo/AisDecoder.h"
#include "nav/NmeaLineFramer.h"


#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

// Reads sentences off the pseudo-terminal until `count` have come.
QStringList readSentences(PtyPair &pty, int count, NmeaLineFramer &framer, int timeoutMs = 10000)
{
    QStringList sentences;
    waitUntil(
        [&] {
            sentences += framer.feed(pty.readAvailable());
            return sentences.size() >= count;
        },
        timeoutMs);
    return sentences;
}

TEST(AisFeed, AMovingTargetInValidPositionReports)
{
    PtyPair pty;
    ASSERT_TRUE(pty.valid());
    AisFeedProcess feed;
    ASSERT_TRUE(feed.start(pty.device(), {"--rate", "50", "--lat", "30.5", "--lon", "122", "--course", "90",
                                          "--speed", "100", "--others", "2"}));
    NmeaLineFramer framer;
    const QStringList sentences = readSentences(pty, 30, framer);
    ASSERT_GE(sentences.size(), 30);
    QList<AisFix> target;
    QSet<qint32> others;
    for (const QString &s : sentences) {
        EXPECT_TRUE(NmeaChecksumValid(s)) << qPrintable(s);
        EXPECT_TRUE(s.startsWith(QStringLiteral("!AIVDM,1,1,,"))) << qPrintable(s);
        const AisFix fix = DecodeAIS(s);
        if (fix.mmsi == 413000000)
            target << fix;
        else
            others << fix.mmsi;
    }
    EXPECT_EQ(others, (QSet<qint32>{412000001, 412000002}));
    ASSERT_GE(target.size(), 10);
    EXPECT_EQ(target.first().heading, 90);
    EXPECT_NEAR(target.first().latitude, 30.5, 0.01);
    EXPECT_GT(target.last().longitude, target.first().longitude) << "heading east";
}

TEST(AisFeed, ClassBReportsAndATargetWithoutHeading)
{
    PtyPair pty;
    ASSERT_TRUE(pty.valid());
    AisFeedProcess feed;
    ASSERT_TRUE(feed.start(pty.device(), {"--rate", "0", "--type", "18", "--heading", "none", "--mmsi", "412345678"}));
    ASSERT_TRUE(feed.controlAcknowledged(QStringLiteral("emit 2")));
    NmeaLineFramer framer;
    const QStringList sentences = readSentences(pty, 2, framer);
    ASSERT_EQ(sentences.size(), 2);
    EXPECT_EQ(sentences[0].section(u',', 5, 5).front(), u'B') << "type 18";
    const AisFix fix = DecodeAIS(sentences[0]);
    EXPECT_EQ(fix.mmsi, 412345678);
    EXPECT_EQ(fix.heading, 511);
}

TEST(AisFeed, FaultsComeAsAskedAndTheStreamStillFrames)
{
    PtyPair pty;
    ASSERT_TRUE(pty.valid());
    AisFeedProcess feed;
    ASSERT_TRUE(feed.start(pty.device(), {"--rate", "0", "--corrupt-every", "3", "--split-every", "4", "--join-every",
                                          "5", "--garbage-every", "2", "--split-gap-ms", "5"}));
    // The 30th is held to go out with the 31st.
    ASSERT_TRUE(feed.controlAcknowledged(QStringLiteral("emit 31")));
    NmeaLineFramer framer;
    const QStringList sentences = readSentences(pty, 31, framer);
    ASSERT_EQ(sentences.size(), 31);
    int corrupt = 0;
    for (const QString &s : sentences) {
        EXPECT_EQ(DecodeAIS(s).mmsi, 413000000) << qPrintable(s);
        corrupt += NmeaChecksumValid(s) ? 0 : 1;
    }
    EXPECT_EQ(corrupt, 10);
    EXPECT_EQ(feed.status(QStringLiteral("corrupt")), QStringLiteral("10"));
    // Every 4th, except those held back to be joined (20).
    EXPECT_EQ(feed.status(QStringLiteral("split")), QStringLiteral("6"));
    EXPECT_EQ(feed.status(QStringLiteral("joined")), QStringLiteral("6"));
    EXPECT_NE(feed.status(QStringLiteral("garbage_bytes")), QStringLiteral("0"));
}

TEST(AisFeed, ExactBytesOnRequest)
{
    PtyPair pty;
    ASSERT_TRUE(pty.valid());
    AisFeedProcess feed;
    ASSERT_TRUE(feed.start(pty.device(), {"--rate", "0"}));
    const QByteArray s = feed.encode(QStringLiteral("heading=100 lat=31.25 lon=121.5"));
    EXPECT_EQ(s, QByteArray("!AIVDM,1,1,,A,169oQ@0P1T8d;e0ApJ<3Q39p0000,0*0E"));
    ASSERT_TRUE(feed.controlAcknowledged(QStringLiteral("send-parts 10 ") + QString::fromLatin1(s.left(20)) + u'|'
                                         + QString::fromLatin1(s.mid(20)) + QStringLiteral("\\r\\n")));
    ASSERT_TRUE(feed.controlAcknowledged(QStringLiteral("send x\\ty\\r\\n")));
    QByteArray got;
    ASSERT_TRUE(waitUntil([&] { return (got += pty.readAvailable()).endsWith("x\ty\r\n"); }));
    EXPECT_EQ(got, s + "\r\nx\ty\r\n");
    EXPECT_FALSE(feed.controlAcknowledged(QStringLiteral("encode heading=600"), 1000));
}

TEST(AisFeed, ReplaysARecordedLog)
{
    PtyPair pty;
    ASSERT_TRUE(pty.valid());
    const QString log = testDataPath(QStringLiteral("ais/gpsd_ais-18-27.log"));
    QStringList recorded;
    for (const QByteArray &line : testDataBytes(QStringLiteral("ais/gpsd_ais-18-27.log")).split('\n')) {
        if (line.trimmed().startsWith('!'))
            recorded << QString::fromLatin1(line.trimmed());
    }
    ASSERT_GE(recorded.size(), 3);
    AisFeedProcess feed;
    ASSERT_TRUE(feed.start(pty.device(), {"--rate", "0", "--replay", log}));
    ASSERT_TRUE(feed.controlAcknowledged(QStringLiteral("emit 3")));
    NmeaLineFramer framer;
    EXPECT_EQ(readSentences(pty, 3, framer), recorded.mid(0, 3));
}

TEST(AisFeed, KeepsRunningWhenTheDeviceGoesAway)
{
    PtyPair pty;
    ASSERT_TRUE(pty.valid());
    AisFeedProcess feed;
    ASSERT_TRUE(feed.start(pty.device(), {"--rate", "100"}));
    pty.closeMaster();
    ASSERT_TRUE(waitUntil([&] { return feed.status(QStringLiteral("open")) == QLatin1String("off"); }, 5000));
    EXPECT_EQ(feed.process().state(), QProcess::Running);
    EXPECT_TRUE(feed.controlAcknowledged(QStringLiteral("rate 0")));
}

TEST(AisFeed, RefusesBadOptions)
{
    for (const QStringList &args : {QStringList{}, QStringList{"--device", "/dev/null", "--type", "5"},
                                    QStringList{"--device", "/dev/korvane-missing"}}) {
        QProcess p;
        p.start(QStringLiteral(KORVANE_SIM_PATH), QStringList{QStringLiteral("ais-feed")} + args);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_NE(p.exitCode(), 0) << qPrintable(args.join(u' '));
    }
}

} // namespace
