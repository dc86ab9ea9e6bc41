// The window of a real run when the radio goes away: the station against
// the simulated board and radio, the radio stopped, then 30 s on the clock.
// The picture is the README's.
#include "gui/MainWindow.h"
#include "support/SimProcess.h"
#include "support/StationFixture.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLayout>

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::SimProcess;
using korvane::test::StationFixture;
using korvane::test::waitUntil;

namespace {

constexpr int kWaitMs = 20000;

TEST(Screenshot, RadioStoppedInARealRun)
{
    SimProcess board;
    SimProcess radio;
    ASSERT_TRUE(board.start(QStringLiteral("board"), {QStringLiteral("--interval-ms"), QStringLiteral("500")}));
    ASSERT_TRUE(radio.start(QStringLiteral("radio"), {QStringLiteral("--family"), QStringLiteral("airos")}));
    StationFixture f;
    f.settings->write(QStringLiteral("DEVICE_KORVANE_IP"), QStringLiteral("127.0.0.1:%1").arg(board.port()));
    f.settings->write(QStringLiteral("DEVICE_WIRESS_IP"), QStringLiteral("127.0.0.1:%1").arg(radio.port()));
    f.settings->write(QStringLiteral("DEVICE_WIRESS_USER"), QStringLiteral("ubnt"));
    f.settings->write(QStringLiteral("DEVICE_WIRESS_PASSWORD"), QStringLiteral("ubnt"));
    f.settings->write(QStringLiteral("KORVANE_AUTOLINK"), QStringLiteral("1"));
    Station &station = f.start(false);
    MainWindow window(station);
    window.show();
    station.Form_Load();
    Display &d = station.display;
    ASSERT_TRUE(waitUntil([&] { return d.radioFeed.everRead() && !d.Text_Level.text().isEmpty(); }, kWaitMs));
    ASSERT_TRUE(waitUntil([&] { return d.boardFeed.everRead(); }, kWaitMs));
    const QString titleLive = window.windowTitle();

    radio.stop();
    ASSERT_TRUE(waitUntil([&] { return d.Text1.stale(); }, kWaitMs));
    ASSERT_TRUE(waitUntil([&] { return d.radioLamp.colour() == colours::Red; }, kWaitMs));
    EXPECT_EQ(d.Label_NOTE.text(), QStringLiteral("微波连接中断（连接被对方关闭）"));
    EXPECT_TRUE(d.radioLamp.status().startsWith(QStringLiteral("微波：断开 "))) << qPrintable(d.radioLamp.status());
    // Half a minute later by the station's clock.
    f.clock.time = f.clock.time.addSecs(30);
    auto *age = window.findChild<QLabel *>(QStringLiteral("Text1Age"));
    ASSERT_NE(age, nullptr);
    EXPECT_TRUE(waitUntil([&] { return age->text() == QStringLiteral("30秒前"); }, 3000)) << qPrintable(age->text());
    EXPECT_TRUE(age->isVisible());
    EXPECT_NE(window.windowTitle(), titleLive) << "no stale signal in the caption";
    EXPECT_FALSE(d.navAngle.stale()) << "the board still reports";
    for (int i = 0; i < 4; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        window.layout()->activate();
    }
    const QString folder = QStringLiteral(KORVANE_BINARY_DIR "/screenshots");
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(window.grab().toImage().save(folder + QStringLiteral("/main-window-stale.png")));
}

} // namespace
