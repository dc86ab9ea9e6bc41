// The week on a file that holds a year (365 days of minute rows, 72 hours of
// seconds, 300,000 events), grabbed for the README: the newest day filled,
// the marks grouped by kind with their numbers, the filter open.
#include "gui/HistoryChart.h"
#include "gui/HistoryEventPanel.h"
#include "gui/HistoryLanes.h"
#include "gui/HistoryWindow.h"
#include "history/HistorySchema.h"
#include "platform/SettingsStore.h"
#include "support/HistoryYear.h"
#include "support/StationFixture.h"
#include "support/Wait.h"

#include <QDir>
#include <QImage>
#include <QLayout>
#include <QListWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

constexpr qint64 kDay = 86'400'000;

TEST(HistoryYearScreenshot, TheWeekOnAYearFile)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("year.sqlite"));
    test::FakeClock clock;
    test::HistoryYear year;
    year.now = clock.time.toMSecsSinceEpoch();
    year.make(path);
    SettingsStore settings(QDir(dir.path()).filePath(QStringLiteral("settings.ini")));
    HistoryWindow window(path, clock, settings);
    window.resize(1180, 720);
    window.show();
    window.layout()->activate();
    window.events()->setFilterOpen(true);
    // The crew leaves out the radio's chatter.
    window.events()->setKindShown(history::kind::Other, false);
    window.setSpanIndex(5);
    ASSERT_TRUE(test::waitUntil([&] { return !window.isLoading(); }, 60000));
    window.setCursorTime(year.now - 20 * 3600'000LL);
    ASSERT_TRUE(test::waitUntil([&] { return !window.isLoading(); }, 60000));

    const history::SpanData &data = window.chart()->data();
    ASSERT_TRUE(data.fromMinutes);
    // The newest day is there, column for column.
    const auto &signal = data.figures[0].columns;
    int known = 0;
    int newestDay = 0;
    for (int c = int(data.span.column(year.now - kDay)); c < signal.size(); ++c, ++newestDay)
        known += signal[c].has_value();
    EXPECT_GE(known, newestDay * 95 / 100) << known << " of " << newestDay;
    // Marks grouped, the comparisons of a week among them.
    int grouped = 0;
    qint64 comparisons = 0;
    for (const history::MarkerGroup &g : data.markers) {
        grouped += g.count > 1;
        if (g.kind == history::kind::Comparison)
            comparisons += g.count;
    }
    EXPECT_GT(grouped, 20);
    EXPECT_EQ(comparisons, data.kindCounts.value(history::kind::Comparison));
    EXPECT_LT(data.markers.size(), 600) << "a week of marks in a few hundred groups";
    EXPECT_TRUE(window.events()->filterOpen());
    QListWidget *list = window.events()->list();
    ASSERT_GT(list->count(), 100);
    for (int row = 0; row < list->count(); row += 50)
        EXPECT_FALSE(list->item(row)->text().contains(QStringLiteral("其他：")));
    for (const history::MarkerGroup &g : data.markers)
        EXPECT_NE(g.kind, history::kind::Other);
    // The list is laid out a batch at a time while the loop runs.
    EXPECT_TRUE(test::waitUntil([&] { return !list->visualItemRect(list->item(list->count() - 1)).isEmpty(); }));

    // No label clips or touches another.
    HistoryChart *chart = window.chart();
    const auto labels = chart->timeLabels();
    ASSERT_GE(labels.size(), 4);
    for (int i = 0; i < labels.size(); ++i) {
        EXPECT_GE(labels[i].first.left(), 0);
        EXPECT_LE(labels[i].first.right(), chart->width());
        EXPECT_TRUE(labels[i].second.contains(QLatin1Char('-'))) << "dates on a week: " << labels[i].second.toStdString();
        if (i > 0) {
            EXPECT_LT(labels[i - 1].first.right(), labels[i].first.left());
        }
    }
    for (int lane = 0; lane < historyLanes().size(); ++lane) {
        const auto values = chart->valueLabels(lane);
        const QRectF strip = chart->traceRect(lane);
        for (int i = 0; i < values.size(); ++i) {
            EXPECT_GE(values[i].first.top(), strip.top() - 0.5) << lane;
            EXPECT_LE(values[i].first.bottom(), strip.bottom() + 0.5) << lane;
            if (i > 0) {
                EXPECT_LE(values[i - 1].first.bottom(), values[i].first.top()) << lane;
            }
        }
    }

    const QImage image = window.grab().toImage();
    const QString folder = QStringLiteral(KORVANE_BINARY_DIR "/screenshots");
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(image.save(folder + QStringLiteral("/history-week.png")));
}

} // namespace
