// The AIS path for real: korvane-sim ais-feed writes to one end of a socat
// pseudo-terminal pair, the station reads the other end and drives a
// silent board on 127.0.0.1.
#include "e2e/SocatPair.h"
#include "nav/AisStationFixture.h"
#include "sim/AisFeedProcess.h"
#include "support/StationProcess.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

// From (31 N, 121 E) this target lies at a bearing of 250.0.
constexpr double kTargetLatitude = 30.8278;
constexpr double kTargetLongitude = 120.4528;

class SerialAisPath : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(SocatPair::program().isEmpty()) << "socat is needed (Debian package socat)";
        ASSERT_TRUE(cable.start());
        f.aisPort = cable.stationEnd();
        station = &f.start();
        ASSERT_TRUE(station->MSComm1.isOpen()) << qPrintable(station->MSComm1.lastError());
        f.driveTowards(kTargetLatitude, kTargetLongitude);
        ASSERT_TRUE(feed.start(cable.feedEnd(), {"--rate", "0"}));
    }

    QString sentence(const char *fields) { return QString::fromLatin1(feed.encode(QString::fromLatin1(fields))); }

    SocatPair cable;
    AisStationFixture f;
    Station *station = nullptr;
    AisFeedProcess feed;
};

TEST_F(SerialAisPath, EverySentenceDrivesOnceWhateverTheReadsAndNothingElseDoes)
{
    const QString h100 = sentence("heading=100");
    const QString h200 = sentence("heading=200");
    const QString h300 = sentence("heading=300");
    const QString h10 = sentence("heading=10");
    const QString h0 = sentence("heading=0");
    const QString h511 = sentence("heading=511");
    const QString other = sentence("heading=100 mmsi=412000001");
    QString corrupt = h10;
    corrupt.back() = corrupt.back() == u'0' ? u'1' : u'0';

    // One sentence over three writes.
    ASSERT_TRUE(feed.controlAcknowledged(QStringLiteral("send-parts 30 %1|%2|%3\\r\\n")
                                             .arg(h100.left(10), h100.mid(10, 20), h100.mid(30))));
    // Two sentences in one write, the second ending in the next write.
    ASSERT_TRUE(feed.controlAcknowledged(
        QStringLiteral("send-parts 30 %1\\r\\n%2|%3\\r\\n").arg(h200, h300.left(25), h300.mid(25))));
    // A corrupt checksum, then garbage, then a good sentence.
    ASSERT_TRUE(feed.controlAcknowledged(QStringLiteral("send ") + corrupt + QStringLiteral("\\r\\n")));
    ASSERT_TRUE(feed.controlAcknowledged(QStringLiteral("garbage 64")));
    ASSERT_TRUE(feed.controlAcknowledged(QStringLiteral("send \\r\\n") + h10 + QStringLiteral("\\r\\n")));
    // Nothing for another vessel or an unusable heading.
    ASSERT_TRUE(feed.controlAcknowledged(QStringLiteral("send %1\\r\\n%2\\r\\n%3\\r\\n").arg(other, h0, h511)));
    // The last one marks the end.
    ASSERT_TRUE(feed.controlAcknowledged(QStringLiteral("send ") + h300 + QStringLiteral("\\r\\n")));

    const QByteArray expected = "r150.00\r\nr50.00\r\nr-50.00\r\nr240.00\r\nr-50.00\r\n";
    EXPECT_EQ(f.boardReceived(expected.size()), expected);
    EXPECT_EQ(station->serialAis.corruptCount(), 1u);
    // Nothing more comes.
    station->controllerLink.send(QStringLiteral("#"));
    EXPECT_EQ(f.boardReceived(expected.size() + 1), expected + "#");
}

TEST_F(SerialAisPath, PullingTheCableMidRunCrashesNothing)
{
    ASSERT_TRUE(feed.controlAcknowledged(QStringLiteral("heading 100")));
    ASSERT_TRUE(feed.controlAcknowledged(QStringLiteral("faults corrupt=3 split=2 join=5 garbage=4 gap=2")));
    ASSERT_TRUE(feed.controlAcknowledged(QStringLiteral("rate 200")));
    ASSERT_TRUE(waitUntil([&] { return f.board.received.count("r150.00\r\n") >= 20; }, 10000));
    cable.stop();
    ASSERT_TRUE(waitUntil([&] { return !station->MSComm1.isOpen(); }, 5000));
    // Drives written just before the hang-up may still be on their way: the
    // marker comes after all of them.
    station->controllerLink.send(QStringLiteral("#"));
    ASSERT_TRUE(waitUntil([&] { return f.board.received.endsWith('#'); }));
    const QByteArray before = f.board.received.chopped(1);
    // Every command that came was whole and right.
    EXPECT_EQ(QByteArray(before).replace("r150.00\r\n", ""), QByteArray());
    // The station carries on.
    station->setControl(QStringLiteral("Combo2"), QStringLiteral("p"));
    station->key(QStringLiteral("Combo2"), 13);
    EXPECT_EQ(f.boardReceived(before.size() + 2), before + "#p");
    EXPECT_EQ(feed.process().state(), QProcess::Running);
}

TEST_F(SerialAisPath, APulledCableIsReportedOnceAndAgainWhenItIsBack)
{
    const QString lost = QStringLiteral("AIS串口已断开：") + cable.stationEnd();
    const QString back = QStringLiteral("AIS串口已恢复：") + cable.stationEnd();
    const QString h100 = sentence("heading=100");
    cable.stop();
    ASSERT_TRUE(waitUntil([&] { return station->display.Label_NOTE.text().startsWith(lost); }, 5000))
        << qPrintable(station->display.Label_NOTE.text());
    ASSERT_TRUE(waitUntil([&] { return f.log().contains(lost); }, 5000));
    ASSERT_TRUE(cable.start());
    ASSERT_TRUE(waitUntil([&] { return station->display.Label_NOTE.text().startsWith(back + QStringLiteral("，中断")); }, 5000))
        << qPrintable(station->display.Label_NOTE.text());
    EXPECT_TRUE(station->MSComm1.isOpen());
    ASSERT_TRUE(waitUntil([&] { return f.log().contains(back); }, 5000));
    // Once each, not once a retry.
    EXPECT_EQ(f.log().count(lost), 1);
    EXPECT_EQ(f.log().count(back), 1);
    // The port that came back drives again.
    feed.stop(); // its lock on the old terminal's name goes with it
    AisFeedProcess again;
    ASSERT_TRUE(again.start(cable.feedEnd(), {"--rate", "0"}));
    ASSERT_TRUE(again.controlAcknowledged(QStringLiteral("send ") + h100 + QStringLiteral("\\r\\n")));
    EXPECT_EQ(f.boardReceived(9), QByteArray("r150.00\r\n"));
}

TEST(SerialAisStation, TheHeadlessStationOpensThePortNamedOnItsCommandLine)
{
    ASSERT_FALSE(SocatPair::program().isEmpty()) << "socat is needed (Debian package socat)";
    SocatPair cable;
    ASSERT_TRUE(cable.start());
    QTemporaryDir dir;
    const QString settingsPath = dir.filePath(QStringLiteral("station.ini"));
    {
        SettingsStore settings(settingsPath);
        settings.write(keys::USE_SHIP_AIS_DRIVE, QStringLiteral("1"));
        settings.write(keys::USE_SHIP_MMSI, QStringLiteral("413000000"));
        settings.write(keys::USE_SHIP_AIS_COM, QStringLiteral("COM9")); // overridden
        settings.write(keys::SHIP_SERVICE_URL, QStringLiteral("http://127.0.0.1:9"));
    }
    QProcessEnvironment env;
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    StationProcess station;
    ASSERT_TRUE(station.start({"--settings", settingsPath, "--log-dir", dir.path(), "--ais-port", cable.stationEnd()}, env));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("MainWindow.text=")));
    station.send(QStringLiteral(":set Combo2 ais"));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Combo2.text=ais")));
    AisFeedProcess feed;
    ASSERT_TRUE(feed.start(cable.feedEnd(), {"--rate", "0"}));
    ASSERT_TRUE(feed.controlAcknowledged(QStringLiteral("emit 1")));
    EXPECT_TRUE(station.waitForOutput(QStringLiteral("Text2.append=!AIVDM,1,1,,A,"))) << qPrintable(station.output());
    EXPECT_TRUE(station.waitForOutput(
        QStringLiteral("Text2.append=串口AIS：船舶MMSI:413000000 艏向:90 经度:121.500000 纬度:31.250000\\r\\n")))
        << qPrintable(station.output());
}

} // namespace
