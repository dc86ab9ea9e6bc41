// The loop watch behind the headless :stats line.
#include "platform/LoopWatch.h"
#include "support/Wait.h"

#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::waitUntil;

namespace {

TEST(LoopWatch, ShowsAHandlerThatHoldsTheLoopEvenBeforeItsNextTick)
{
    LoopWatch watch;
    watch.start();
    ASSERT_TRUE(waitUntil([&] { return watch.maxGapAt().isValid(); }, 2000));
    watch.reset();
    qint64 seenInside = -1;
    bool held = false;
    // A stalled handler; asked at its end, the watch already counts it.
    QTimer::singleShot(0, [&] {
        QThread::msleep(150);
        seenInside = watch.maxGapMs();
        held = true;
    });
    ASSERT_TRUE(waitUntil([&] { return held; }, 2000));
    EXPECT_GE(seenInside, 150);
    ASSERT_TRUE(waitUntil([&] { return watch.maxGapAt().isValid(); }, 2000));
    EXPECT_GE(watch.maxGapMs(), 150);
    EXPECT_LT(watch.maxGapMs(), 2000);
    watch.reset();
    // The time since the last tick still counts, so only the held gap goes.
    EXPECT_FALSE(watch.maxGapAt().isValid()) << "a reset starts a new window";
    EXPECT_LT(watch.maxGapMs(), seenInside) << "the held gap is forgotten";
}

TEST(LoopWatch, TheStatsLineReadsThisProcess)
{
    const ProcessFigures figures = readProcessFigures();
    EXPECT_GT(figures.rssKb, 0);
    EXPECT_GE(figures.peakRssKb, figures.rssKb);
    EXPECT_GE(figures.cpuMs, 0);
    EXPECT_EQ(statsLine(nullptr, figures), QStringLiteral("stats maxGapMs=-1 rssKb=%1 peakRssKb=%2 cpuMs=%3")
                                               .arg(figures.rssKb)
                                               .arg(figures.peakRssKb)
                                               .arg(figures.cpuMs));
}

} // namespace
