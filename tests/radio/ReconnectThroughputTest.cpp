// Throughput after the radio's console reconnects: the first counters of a
// new session are a base, not a difference from the last session's.
#include "radio/RadioFixture.h"

#include <QElapsedTimer>

using namespace korvane;
using namespace korvane::test;

namespace {

QString iwconfig(qint64 rx, qint64 tx)
{
    return QStringLiteral("ath0      IEEE 802.11a  ESSID:\"KORVANE\"\r\n"
                          "          Bit Rate:54 Mb/s   Tx-Power=20 dBm\r\n"
                          "          Link Quality=44/70  Signal level=-70 dBm  Noise level=-96 dBm\r\n"
                          "          RX bytes:%1 (1.1 GB)  TX bytes:%2 (1.6 GB)\r\nDeviceName\r\n"
                          "KV-Radio-04_http._tcp.local 80\r\n[root@radio]# ")
        .arg(rx)
        .arg(tx);
}

const QString kPrompt = QStringLiteral("\r\n000004 login: ");

TEST(ReconnectThroughput, FirstReadingOfANewSessionIsOnlyABase)
{
    RadioFixture f;
    Station &s = f.station;
    f.reply(kPrompt);
    f.reply(iwconfig(1000000, 400000));
    f.reply(iwconfig(1262144, 465536));
    ASSERT_EQ(s.display.lanByte.text(), QStringLiteral("1 /0.25"));

    // Ten minutes later the radio is back: its counters have grown by
    // gigabytes, which a poll interval did not carry.
    s.Winsock1.Close();
    f.connect();
    f.reply(kPrompt);
    f.reply(iwconfig(3001262144, 1000465536));
    EXPECT_EQ(s.display.lanByte.text(), QStringLiteral("1 /0.25")) << "no burst from the gap";
    EXPECT_DOUBLE_EQ(s.radioStats.rxMbps, 1);

    f.reply(iwconfig(3001524288, 1000531072));
    EXPECT_EQ(s.display.lanByte.text(), QStringLiteral("1 /0.25"));
    EXPECT_DOUBLE_EQ(s.radioStats.txMbps, 0.25);
}

// Readings that did not come: a gap the feed calls stale leaves no base,
// and a poll missed within it stretches the time the bytes are divided by.
TEST(ReconnectThroughput, GapsInTheReadingsMakeNoBurst)
{
    RadioFixture f;
    Station &s = f.station;
    f.reply(kPrompt);
    f.reply(iwconfig(1000000, 400000));
    s.display.radioFeed.lost(QStringLiteral("连续三次轮询无应答"));
    f.reply(iwconfig(21000000, 8400000));
    EXPECT_FALSE(s.radioStats.throughputRead) << qPrintable(s.display.lanByte.text());

    // One poll lost: the difference spans about three seconds, not two.
    QElapsedTimer gap;
    gap.start();
    ASSERT_TRUE(waitUntil([&] { return gap.elapsed() >= 3000; }, 5000));
    f.reply(iwconfig(21000000 + 393216, 8400000 + 98304)); // 1.5 and 0.375 Mbit/s over two seconds
    const double seconds = static_cast<double>(gap.elapsed()) / 1000;
    EXPECT_LE(s.radioStats.rxMbps, 1.5 * 2 / 3 + 0.01) << qPrintable(s.display.lanByte.text());
    EXPECT_GE(s.radioStats.rxMbps, 1.5 * 2 / seconds - 0.01) << qPrintable(s.display.lanByte.text());
}

} // namespace
