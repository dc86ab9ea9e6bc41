#include "gui/HistoryChart.h"
#include "gui/HistoryLanes.h"

#include "history/HistorySchema.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

constexpr qint64 kSecond = 1000;
const QColor kSignalTrace(29, 79, 145);
const QColor kDown(211, 47, 47);
const QColor kUp(76, 175, 80);
const QColor kUnknown(225, 228, 232);

// Eight minutes of one-second samples, a column less than half a second, the chart that
// draws it and a look at what it drew.
class HistoryGapsTest : public ::testing::Test {
protected:
    HistoryGapsTest()
    {
        chart.resize(1260, 500);
        data.span = {0, 480 * kSecond, chart.plotWidth()};
        signal.figure = QStringLiteral("signal_dbm");
        signal.columns.resize(data.span.width);
    }

    // One sample a second at `dbm`, except the seconds in `nullSeconds`.
    void sampleEverySecond(double dbm, const QList<int> &nullSeconds)
    {
        for (int s = 0; s < 480; ++s)
            if (!nullSeconds.contains(s))
                signal.columns[int(data.span.column(s * kSecond))] = history::Extent{dbm, dbm};
    }

    QImage draw()
    {
        data.figures = {signal};
        chart.setData(data);
        QImage image(chart.size(), QImage::Format_ARGB32);
        chart.render(&image);
        return image;
    }

    bool traceBetween(const QImage &image, qint64 from, qint64 until)
    {
        const QRectF area = chart.plotRect();
        for (int x = int(chart.xAt(from)) + 1; x < int(chart.xAt(until)); ++x)
            for (int y = int(area.top()); y < int(area.top() + area.height() / 4); ++y)
                if (image.pixelColor(x, y) == kSignalTrace)
                    return true;
        return false;
    }

    HistoryChart chart;
    history::SpanData data;
    history::FigureColumns signal;
};

// A stale figure is stored as NULL: one missing second breaks the line, and
// samples a second apart are still one line.
TEST_F(HistoryGapsTest, ANullSampleBreaksTheLine)
{
    sampleEverySecond(-60, {240});
    const QImage image = draw();
    EXPECT_FALSE(traceBetween(image, 239 * kSecond + 500, 240 * kSecond + 500));
    for (int s : {100, 200, 239, 241, 400})
        EXPECT_TRUE(traceBetween(image, s * kSecond, (s + 1) * kSecond)) << s;
}

TEST_F(HistoryGapsTest, ADropToTheFloorStaysAboveTheFrame)
{
    sampleEverySecond(-60, {});
    for (int s = 300; s < 320; ++s)
        signal.columns[int(data.span.column(s * kSecond))] = history::Extent{-120, -120};
    const QImage image = draw();
    const QRectF area = chart.plotRect();
    const int x = int(chart.xAt(310 * kSecond));
    // The lowest blue pixel of the drop lies clearly above the strip's bottom.
    const double laneBottom = area.top() + (area.height() - 3 * 15 - 4 * 6) / 4 - 15;
    int lowest = -1;
    for (int y = int(area.top()); y < int(laneBottom); ++y)
        if (image.pixelColor(x, y) == kSignalTrace)
            lowest = y;
    ASSERT_GE(lowest, 0);
    EXPECT_LT(lowest, laneBottom - 8);
}

// The signal band is red from "信号丢失" to "信号恢复" and where the signal
// was below -110 dBm, green where the radio gave one; the cloud's unknown
// (no report tried) reads "未上报".
TEST_F(HistoryGapsTest, TheSignalBandShowsEachLossAndTheCloudSaysWhenItDidNotReport)
{
    sampleEverySecond(-60, {});
    for (int s = 300; s < 320; ++s)
        signal.columns[int(data.span.column(s * kSecond))] = history::Extent{-118, -112};
    // The episodes as the query finds them among the station's own lines.
    data.signalLost = signalLostRuns(
        {{100 * kSecond, history::kind::LinkLost, QStringLiteral("00:01:40 主机类型(1)事件：信号丢失（-110dBm以下）"), {}},
         {150 * kSecond, history::kind::LinkLost, QStringLiteral("微波连接中断"), {}},
         {200 * kSecond, history::kind::LinkBack, QStringLiteral("信号恢复，中断1分40秒"), {}},
         {400 * kSecond, history::kind::LinkLost, QStringLiteral("信号丢失"), {}}},
        0, 480 * kSecond);
    data.bands[QStringLiteral("cloud_ok")] = {{0, 300 * kSecond, history::LinkState::Up},
                                              {300 * kSecond, 480 * kSecond, history::LinkState::Unknown}};
    const QImage image = draw();
    const QRectF band = chart.signalBandRect();
    const auto colourAt = [&](qint64 t) {
        return image.pixelColor(int(chart.xAt(t)) + 1, int(band.center().y()));
    };
    EXPECT_EQ(colourAt(50 * kSecond), kUp);
    EXPECT_EQ(colourAt(150 * kSecond), kDown);
    EXPECT_EQ(colourAt(250 * kSecond), kUp);
    EXPECT_EQ(colourAt(310 * kSecond), kDown);
    EXPECT_EQ(colourAt(330 * kSecond), kUp);
    EXPECT_EQ(colourAt(450 * kSecond), kDown);
    EXPECT_EQ(chart.bandTextAt(QPointF(chart.xAt(150 * kSecond), band.center().y())), QStringLiteral("信号：丢失"));
    EXPECT_EQ(chart.bandTextAt(QPointF(chart.xAt(250 * kSecond), band.center().y())), QStringLiteral("信号：正常"));
    EXPECT_EQ(chart.bandTextAt(QPointF(chart.xAt(310 * kSecond), band.center().y())), QStringLiteral("信号：丢失"));

    const double cloudRow = chart.plotRect().bottom() - 15 + 6;
    EXPECT_EQ(image.pixelColor(int(chart.xAt(350 * kSecond)), int(cloudRow)), kUnknown);
    EXPECT_EQ(chart.bandTextAt(QPointF(chart.xAt(350 * kSecond), cloudRow)), QStringLiteral("云端：未上报"));
    EXPECT_EQ(chart.bandTextAt(QPointF(chart.xAt(100 * kSecond), cloudRow)), QStringLiteral("云端：通"));

    // A loss begun before the span and one still going.
    const auto runs = signalLostRuns({{20 * kSecond, history::kind::LinkBack, QStringLiteral("信号恢复"), {}},
                                      {40 * kSecond, history::kind::LinkLost, QStringLiteral("信号丢失"), {}}},
                                     0, 60 * kSecond);
    ASSERT_EQ(runs.size(), 2);
    EXPECT_EQ(runs[0].from, 0);
    EXPECT_EQ(runs[0].until, 20 * kSecond);
    EXPECT_EQ(runs[1].from, 40 * kSecond);
    EXPECT_EQ(runs[1].until, 60 * kSecond);
}

} // namespace
