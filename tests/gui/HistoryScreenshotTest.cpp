#include "gui/HistoryWindow.h"

#include "gui/Fonts.h"
#include "gui/HistoryChart.h"
#include "platform/SettingsStore.h"
#include "support/HistoryFill.h"
#include "support/HistoryRun.h"
#include "support/StationFixture.h"
#include "support/Wait.h"

#include <QDir>
#include <QFontMetrics>
#include <QImage>
#include <QLayout>
#include <QListWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

// Every character the history window shows has a real glyph.
TEST(Fonts, CoverEveryGlyphTheHistoryWindowShows)
{
    const QString shown = QStringLiteral("历史曲线…信号噪声速率下行上行容量延迟角度天线方位船首向控制板微波云端"
                                         "实时回看最新显示至自定义分钟小时天导出◀▶●—通断链恢复扫描比较测量重启"
                                         "失败告警登录驱动操作其他偏移：°"
                                         "加载中筛选最新在前跟随光标列出条本时段共左右舷船首尾方向时钟跳变最强停转回到间正导"
                                         "（）及其后");
    const QFontMetrics metrics(stationFont());
    for (QChar c : shown)
        EXPECT_TRUE(metrics.inFont(c)) << "no glyph for U+" << QString::number(c.unicode(), 16).toStdString();
}

// An hour of the link with a five-minute radio drop, the sweep that found
// the satellite again and three minutes of refused cloud reports; the drop
// and the refusals show red in their bands. (The README's picture is of a
// recorded run: HistoryRecordedRunTest.cpp.)
TEST(HistoryBands, GeneratedHourShowsTheDropAndTheCloudFailureInRed)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("history.sqlite"));
    test::FakeClock clock;
    test::HistoryRun run;
    run.start = clock.time.toMSecsSinceEpoch() - 3600'000;
    run.dropAt = 1200;
    run.sweepAt = 1520;
    run.cloudFailureAt = 2400;
    {
        test::HistoryFill fill(path);
        run.fill(fill);
    }
    SettingsStore settings(QDir(dir.path()).filePath(QStringLiteral("settings.ini")));
    HistoryWindow window(path, clock, settings);
    window.resize(1180, 720);
    window.show();
    window.layout()->activate();
    window.refresh();
    ASSERT_TRUE(test::waitUntil([&] { return !window.isLoading(); }, 20000));
    auto *events = window.findChild<QListWidget *>(QStringLiteral("historyEvents"));
    ASSERT_EQ(events->count(), 2 + test::HistoryRun::kSweepSteps + 1 + 1);
    window.setCursorTime(run.at(run.dropAt + 90));
    ASSERT_TRUE(test::waitUntil([&] { return !window.isLoading(); }, 20000));
    events->setCurrentRow(0);

    const QImage image = window.grab().toImage();
    HistoryChart *chart = window.chart();
    const QPoint chartAt = chart->mapTo(&window, QPoint(0, 0));
    const auto colourAt = [&](qint64 t, double y) {
        return image.pixelColor(chartAt + QPoint(int(chart->xAt(t)) + 1, int(y)));
    };
    // The bands: control board, radio, cloud; in the middle of each row.
    const double bottom = chart->plotRect().bottom();
    const double radioRow = bottom - 2 * 15 + 6;
    const double cloudRow = bottom - 15 + 6;
    const QColor down(211, 47, 47);
    const QColor up(76, 175, 80);
    EXPECT_EQ(colourAt(run.at(run.dropAt + 150), radioRow), down);
    EXPECT_EQ(colourAt(run.at(run.dropAt - 300), radioRow), up);
    EXPECT_EQ(colourAt(run.at(run.cloudFailureAt + 60), cloudRow), down);
    EXPECT_EQ(colourAt(run.at(run.cloudFailureAt - 60), cloudRow), up);
}

} // namespace
