// The model's link outages and feeds: which changes make a line, what the
// line and the lamp's words say, and when fields turn stale.
#include "model/Display.h"
#include "model/Feed.h"
#include "model/LinkOutage.h"


#include <gtest/gtest.h>

using namespace korvane;

namespace {

const QDateTime kAt(QDate(2026, 12, 9), QTime(16, 1, 1));

struct OutageCase {
    const char *name;
    const char *steps; // L: lost (reason = next char), B: back, F: forget
    std::vector<const char *> events;
};

void PrintTo(const OutageCase &c, std::ostream *os) { *os << c.name; }

class LinkOutageEvents : public ::testing::TestWithParam<OutageCase> {};

TEST_P(LinkOutageEvents, OneLinePerChangeWithItsReason)
{
    LinkOutage link(QStringLiteral("微波"), nullptr);
    QStringList events;
    QObject::connect(&link, &LinkOutage::event, [&](const QString &m) { events << m; });
    const QString steps = QString::fromLatin1(GetParam().steps);
    const auto reason = [](QChar c) { return c == u'r' ? QStringLiteral("连接被拒绝") : QStringLiteral("连接超时"); };
    for (qsizetype i = 0; i < steps.size(); ++i) {
        if (steps[i] == u'L')
            link.lost(reason(steps[++i]), kAt);
        else if (steps[i] == u'B')
            link.back(kAt);
        else
            link.forget();
    }
    QStringList expected;
    for (const char *e : GetParam().events)
        expected << QString::fromUtf8(e);
    EXPECT_EQ(events, expected);
}

INSTANTIATE_TEST_SUITE_P(Sequences, LinkOutageEvents, ::testing::Values(
    OutageCase{"FirstFailure", "LrLtLr", {"微波连接失败（连接被拒绝）"}},
    OutageCase{"LossAfterUp", "BLtB", {"微波连接中断（连接超时）", "微波连接恢复，中断0秒"}},
    OutageCase{"UpTwiceIsSilent", "BBB", {}},
    OutageCase{"FlapTwice", "BLrBLrB",
               {"微波连接中断（连接被拒绝）", "微波连接恢复，中断0秒", "微波连接中断（连接被拒绝）", "微波连接恢复，中断0秒"}},
    OutageCase{"ForgottenThenFailing", "BFLr", {"微波连接失败（连接被拒绝）"}}
), [](const auto &info) { return std::string(info.param.name); });

TEST(LinkOutage, LengthsAndLampWords)
{
    const std::pair<qint64, const char *> lengths[] = {
        {0, "0秒"}, {45'000, "45秒"}, {192'000, "3分12秒"}, {3'720'000, "1小时2分"}, {90'000'000, "25小时0分"}};
    for (const auto &[ms, text] : lengths)
        EXPECT_EQ(LinkOutage::lengthText(ms), QString::fromUtf8(text)) << ms;

    LinkOutage link(QStringLiteral("微波"), nullptr);
    EXPECT_EQ(link.status(), QStringLiteral("微波：未连接"));
    link.lost(QStringLiteral("连接被拒绝"), kAt);
    EXPECT_EQ(link.status(), QStringLiteral("微波：断开 16:01:01（连接被拒绝）"));
    link.back(kAt.addSecs(4));
    EXPECT_EQ(link.status(), QStringLiteral("微波：正常 16:01:05"));
    LinkOutage signal(QStringLiteral("信号"), QStringLiteral("丢失"), QStringLiteral("恢复"), nullptr);
    QStringList events;
    QObject::connect(&signal, &LinkOutage::event, [&](const QString &m) { events << m; });
    signal.lost(QStringLiteral("信号低于-110 dBm"), kAt);
    signal.back(kAt);
    EXPECT_EQ(events, QStringList({"信号丢失（信号低于-110 dBm）", "信号恢复，中断0秒"}));
}

TEST(Feed, FieldsTurnStaleOnceAndFreshOnTheNextReading)
{
    Display display;
    QStringList changes;
    QObject::connect(&display, &Display::changed, [&](const QString &c, const QString &p, const QString &v) {
        if (p == QLatin1String("stale"))
            changes << c + QLatin1Char('=') + v;
    });
    Feed &feed = display.radioFeed;
    struct Turn {
        QString reason;
        bool bySilence;
    };
    std::vector<Turn> stale;
    QObject::connect(&feed, &Feed::turnedStale, [&](const QString &r, bool s) { stale.push_back({r, s}); });
    feed.reading();
    EXPECT_TRUE(display.Text1.readAt().isValid());
    feed.check(); // well inside the threshold
    EXPECT_TRUE(changes.isEmpty());
    feed.lost(QStringLiteral("连接被对方关闭"));
    feed.lost(QStringLiteral("连接超时")); // already stale: no second change
    ASSERT_EQ(stale.size(), 1);
    EXPECT_EQ(stale[0].reason, QStringLiteral("连接被对方关闭"));
    EXPECT_FALSE(stale[0].bySilence);
    EXPECT_EQ(changes, QStringList({"Text1=1", "Text15=1", "lanByte=1", "Text_Level=1", "Text_delta=1", "Ship=1"}));
    EXPECT_FALSE(display.navAngle.stale()) << "the board's fields have their own feed";
    changes.clear();
    feed.reading();
    EXPECT_EQ(changes.size(), 6);
    EXPECT_FALSE(display.Text1.stale());

    // Silence: past the threshold the fields are stale, and say it was silence.
    feed.setStaleAfter(0);
    feed.check();
    ASSERT_EQ(stale.size(), 2);
    EXPECT_TRUE(stale[1].bySilence);
    EXPECT_EQ(feed.reason(), QStringLiteral("连续三次轮询无应答"));
    EXPECT_TRUE(display.Text1.stale());
}

} // namespace
