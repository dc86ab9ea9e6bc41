#include "headless/HeadlessConsole.h"

#include "support/LoopbackServer.h"
#include "support/StationFixture.h"
#include "support/Wait.h"

#include <QRegularExpression>

#include <cstdio>

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::LoopbackServer;
using korvane::test::StationFixture;
using korvane::test::waitUntil;

namespace {

QStringList scanLines(std::FILE *file)
{
    std::fflush(file);
    std::rewind(file);
    QByteArray bytes;
    char buffer[4096];
    while (const size_t n = std::fread(buffer, 1, sizeof buffer, file))
        bytes.append(buffer, static_cast<qsizetype>(n));
    return QString::fromUtf8(bytes).split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral("^autoscan ")));
}

void connectTo(TcpLink &link, LoopbackServer &peer)
{
    link.RemoteHost = QStringLiteral("127.0.0.1");
    link.RemotePort = peer.port();
    link.Connect();
    ASSERT_TRUE(waitUntil([&] { return link.State() == TcpLink::Connected; }));
}

// Scripts follow a scan by these lines, one per tick.
TEST(HeadlessConsole, PrintsOneAutoScanLinePerTick)
{
    LoopbackServer board;
    LoopbackServer radio;
    StationFixture f;
    Station &s = f.start();
    s.Timer_AutoScan.stop();
    std::FILE *out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    HeadlessConsole console(s, out);
    s.display.Text1.setText(QStringLiteral("-60"));
    console.handleLine(QStringLiteral("AUTOSCAN")); // the confirmation is answered OK
    connectTo(s.Winsock2, board);
    s.Timer_AutoScan_Timer(); // no radio yet
    connectTo(s.Winsock1, radio);
    s.Timer_AutoScan_Timer();
    s.display.Text1.setText(QStringLiteral("-58"));
    s.Timer_AutoScan_Timer();
    s.display.Text1.setText(QStringLiteral("n/a"));
    s.Timer_AutoScan_Timer();
    console.handleLine(QStringLiteral(":click angle 12"));
    EXPECT_EQ(scanLines(out), QStringList({
        QStringLiteral("autoscan tick=0/62 armed"),
        QStringLiteral("autoscan tick=1/62 paused"),
        QStringLiteral("autoscan tick=1/62 offset=0 signal=-60 best=0@-60"),
        QStringLiteral("autoscan tick=2/62 offset=-30 signal=-58 best=-30@-58"),
        QStringLiteral("autoscan tick=3/62 offset=-29 signal=none best=-30@-58"),
        QStringLiteral("autoscan tick=3/62 cancelled"),
    }));
    std::fclose(out);
}

} // namespace
