#include "web/LiveFeed.h"

#include "support/StationFixture.h"

#include <QJsonArray>

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::StationFixture;
using korvane::test::waitUntil;

namespace {

QString signalText(const QJsonObject &frame)
{
    return frame.value(QStringLiteral("figures")).toArray().at(0).toObject().value(QStringLiteral("text")).toString();
}

TEST(LiveFeed, BurstsAreCoalescedAndQuietSecondsStillSendAFrame)
{
    StationFixture f;
    Station &s = f.start();
    s.display.radioFeed.reading();
    web::LiveFeed feed(s);
    QList<QJsonObject> frames;
    QObject::connect(&feed, &web::LiveFeed::frameReady, [&](const QJsonObject &frame) { frames << frame; });

    // Right after a frame: 50 changes spread over 100 ms.
    s.display.Text1.setText(QStringLiteral("-100"));
    ASSERT_TRUE(waitUntil([&] { return !frames.isEmpty(); }, 1000));
    frames.clear();
    QElapsedTimer burst;
    burst.start();
    for (int i = 0; i < 50; ++i) {
        s.display.Text1.setText(QString::number(-50 - i));
        waitUntil([&] { return burst.elapsed() >= 2 * (i + 1); }, 100);
    }
    ASSERT_TRUE(waitUntil([&] { return !frames.isEmpty() && signalText(frames.last()) == QStringLiteral("-99"); },
                          900));
    EXPECT_LE(frames.size(), 2);

    // Nothing changes: the ages still go out.
    frames.clear();
    EXPECT_TRUE(waitUntil([&] { return frames.size() >= 2; }, 3000));
}

} // namespace
