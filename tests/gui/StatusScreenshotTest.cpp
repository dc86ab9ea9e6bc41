// The window with live data from the simulated board, grabbed for the
// README: what an operator sees a few seconds after connecting.
#include "gui/MainWindow.h"

#include "support/SimProcess.h"
#include "support/StationFixture.h"
#include "support/Wait.h"

#include "model/SettingKeys.h"

#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

TEST(Screenshot, StatusFromTheSimulatedBoard)
{
    SimProcess board;
    ASSERT_TRUE(board.start(QStringLiteral("board"), {QStringLiteral("--interval-ms"), QStringLiteral("200")}));
    StationFixture f;
    f.settings->write(keys::DEVICE_KORVANE_IP, QStringLiteral("127.0.0.1:%1").arg(board.port()));
    f.settings->write(keys::DEVICE_KORVANE_PORT, QString::number(board.port()));
    f.settings->write(keys::KORVANE_AUTOLINK, QStringLiteral("1"));
    Station &station = f.start(false);
    MainWindow window(station);
    window.show();
    ASSERT_TRUE(korvane::test::finish(station.Form_Load()));
    const Display &d = station.display;
    ASSERT_TRUE(waitUntil([&] {
        return d.Label6.colour() == colours::Green && !d.distvalue.text().isEmpty()
               && d.navAngle.text().contains(QStringLiteral("航速")) && station.controllerStatus.AngleH != 0
               && d.Label4.text() == QStringLiteral("超级终端（日志）");
    }, 15000));
    // A manual turn so the ring and the notice show an operator action.
    station.click(QStringLiteral("angle"), 3);
    ASSERT_TRUE(waitUntil([&] { return d.Text2.text().contains(QStringLiteral("命令:[P0H")); }, 10000));
    EXPECT_GT(station.controllerStatus.OwnLatitude, 1.0);
    EXPECT_GT(station.controllerStatus.ShipTarget.latitude, 1.0);

    const QString folder = QStringLiteral(KORVANE_BINARY_DIR "/screenshots");
    QDir().mkpath(folder);
    const QImage image = window.grab().toImage();
    ASSERT_FALSE(image.isNull());
    ASSERT_TRUE(image.save(QDir(folder).filePath(QStringLiteral("status.png"))));
}

} // namespace
