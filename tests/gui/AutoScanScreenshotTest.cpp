// The window during an auto-scan, grabbed for the README: the chart fills
// offset by offset and the progress shows how far the run has got.
#include "gui/MainWindow.h"
#include "gui/ScanPanel.h"

#include "support/LoopbackServer.h"
#include "support/StationFixture.h"
#include "support/Wait.h"

#include <QDir>
#include <QImage>
#include <QProgressBar>

#include <cmath>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

void connectTo(TcpLink &link, LoopbackServer &peer)
{
    link.RemoteHost = QStringLiteral("127.0.0.1");
    link.RemotePort = peer.port();
    link.Connect();
    ASSERT_TRUE(waitUntil([&] { return link.State() == TcpLink::Connected; }));
}

TEST(Screenshot, AutoScanWithItsChart)
{
    LoopbackServer board;
    LoopbackServer radio;
    StationFixture f;
    Station &station = f.start(false);
    MainWindow window(station);
    window.show();
    ASSERT_TRUE(korvane::test::finish(station.Form_Load()));
    for (QTimer *t : {&station.Timer1, &station.blink, &station.Timer2, &station.GET_SIGN, &station.Timer_Ping,
                      &station.Timer_AutoScan, &station.Timer_Cloud})
        t->stop();
    connectTo(station.Winsock2, board);
    connectTo(station.Winsock1, radio);
    auto *panel = window.findChild<ScanPanel *>();
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(panel->isVisible()) << "no chart before the first scan";

    // A main lobe 8 degrees right of the automatic direction.
    const auto signalAt = [](int offset) {
        const double error = std::abs(offset - 8);
        return QString::number(std::lround(-52 - 0.8 * error - 0.02 * error * error));
    };
    station.display.Text1.setText(signalAt(0));
    station.console.autoscan();
    EXPECT_TRUE(panel->isVisible());
    station.Timer_AutoScan_Timer();
    for (int offset = -30; offset < 10; ++offset) {
        station.display.Text1.setText(signalAt(offset));
        station.Timer_AutoScan_Timer();
    }
    EXPECT_EQ(panel->progress()->value(), 41);
    EXPECT_TRUE(panel->progress()->isVisible());
    EXPECT_EQ(station.autoScan.record().bestOffset(), 8);

    const QString folder = QStringLiteral(KORVANE_BINARY_DIR "/screenshots");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QImage image = window.grab().toImage();
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(image.save(QDir(folder).filePath(QStringLiteral("autoscan.png"))));

    station.click(QStringLiteral("angle"), 12);
    EXPECT_TRUE(panel->isVisible()) << "the chart stays after the scan";
    EXPECT_FALSE(panel->progress()->isVisible());
}

} // namespace
