#include "history/HistorySchema.h"
#include "history/LogPruner.h"
#include "history/Retention.h"
#include "history/HistoryFixture.h"
#include "support/Wait.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

class RetentionTest : public ::testing::Test, public HistoryFixture {
protected:
    // Samples every second for `seconds`, starting `hoursAgo` before now;
    // the signal climbs by one each second from `first`, the board link is
    // down in the last quarter of each minute.
    void addSeconds(double hoursAgo, int seconds, double first)
    {
        const QDateTime now = clock.time;
        clock.time = now.addSecs(static_cast<qint64>(-hoursAgo * 3600));
        for (int i = 0; i < seconds; ++i) {
            history::Sample s = sample(first + i % 60);
            s.boardLink = i % 60 >= 45 ? 0 : 1;
            store->addSample(s);
            clock.time = clock.time.addSecs(1);
        }
        clock.time = now;
    }
};

TEST_F(RetentionTest, FoldsOldSamplesIntoMinutesWithMinMeanMaxAndUpShare)
{
    makeStore();
    ASSERT_TRUE(store->open());
    clock.time = QDateTime(QDate(2024, 5, 1), QTime(12, 0, 0), Qt::UTC);
    store->setRetention({1, 365});
    addSeconds(2.0, 120, -100); // two whole minutes, two hours ago
    addSeconds(0.1, 30, -50);   // recent: stays
    ASSERT_TRUE(store->flush());
    EXPECT_EQ(count(QStringLiteral("samples")), 30);
    EXPECT_EQ(count(QStringLiteral("minutes")), 2);
    OtherConnection other(file);
    QSqlQuery q(other.db());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT n, signal_dbm_min, signal_dbm_mean, signal_dbm_max, board_link, "
                                      "heading_deg_mean FROM minutes ORDER BY t LIMIT 1")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 60);
    EXPECT_DOUBLE_EQ(q.value(1).toDouble(), -100);
    EXPECT_DOUBLE_EQ(q.value(2).toDouble(), -70.5);
    EXPECT_DOUBLE_EQ(q.value(3).toDouble(), -41);
    EXPECT_DOUBLE_EQ(q.value(4).toDouble(), 0.75);
    EXPECT_TRUE(q.value(5).isNull());
}

TEST_F(RetentionTest, EachStepFoldsAtMostAnHour)
{
    makeStore();
    ASSERT_TRUE(store->open());
    clock.time = QDateTime(QDate(2024, 5, 1), QTime(12, 0, 0), Qt::UTC);
    addSeconds(5.0, 3 * 3600, -80);
    while (store->pendingSamples() > 0)
        ASSERT_TRUE(store->flush());
    EXPECT_EQ(count(QStringLiteral("samples")), 3 * 3600);
    QSqlDatabase db = store->database();
    bool failed = false;
    bool more = true;
    int steps = 0;
    qint64 folded = 0;
    while (more && steps < 10) {
        more = history::retentionStep(db, clock.time.toMSecsSinceEpoch(), {1, 365}, &failed);
        ++steps;
        const qint64 now = count(QStringLiteral("minutes"));
        EXPECT_LE(now - folded, 60) << "step " << steps;
        folded = now;
    }
    EXPECT_FALSE(failed);
    EXPECT_LE(steps, 4) << "three hours, and at most one step to find nothing left";
    EXPECT_EQ(count(QStringLiteral("minutes")), 180);
    EXPECT_EQ(count(QStringLiteral("samples")), 0);
}

TEST_F(RetentionTest, ABacklogGoesOutInBoundedFlushes)
{
    makeStore();
    ASSERT_TRUE(store->open());
    addSeconds(0.5, 2 * history::HistoryStore::kMaxRowsPerFlush + 10, -70);
    ASSERT_TRUE(store->flush());
    EXPECT_EQ(count(QStringLiteral("samples")), history::HistoryStore::kMaxRowsPerFlush);
    EXPECT_TRUE(waitUntil([&] { return store->pendingSamples() == 0; })) << "the rest follows from the loop";
    EXPECT_EQ(count(QStringLiteral("samples")), 2 * history::HistoryStore::kMaxRowsPerFlush + 10);
}

TEST_F(RetentionTest, MinutesAndEventsPastTheDayLimitGo)
{
    makeStore();
    ASSERT_TRUE(store->open());
    store->setRetention({1, 2});
    const qint64 now = clock.time.toMSecsSinceEpoch();
    for (int day = 0; day < 4; ++day)
        store->addEvent({now - day * 86400000LL - 1000, history::kind::Alarm, QStringLiteral("电机告警")});
    addSeconds(24.0 * 3, 60, -70);
    ASSERT_TRUE(store->flush());
    EXPECT_EQ(count(QStringLiteral("events")), 2);
    EXPECT_EQ(count(QStringLiteral("minutes")), 0);
    EXPECT_EQ(count(QStringLiteral("samples")), 0);
}

TEST(RetentionSettings, TextsAndDefaults)
{
    EXPECT_EQ(history::retentionFromTexts(QString(), QString()).rawHours, 72);
    EXPECT_EQ(history::retentionFromTexts(QString(), QString()).days, 365);
    EXPECT_EQ(history::retentionFromTexts(QStringLiteral("48"), QStringLiteral("30")).rawHours, 48);
    EXPECT_EQ(history::retentionFromTexts(QStringLiteral("48"), QStringLiteral("30")).days, 30);
    EXPECT_EQ(history::retentionFromTexts(QStringLiteral("0"), QStringLiteral("abc")).rawHours, 72);
    EXPECT_EQ(history::retentionFromTexts(QStringLiteral("-5"), QStringLiteral("abc")).days, 365);
    EXPECT_EQ(history::LogPruner::keepDaysFromText(QString()), 365);
    EXPECT_EQ(history::LogPruner::keepDaysFromText(QStringLiteral("0")), 0);
    EXPECT_EQ(history::LogPruner::keepDaysFromText(QStringLiteral("30")), 30);
    EXPECT_EQ(history::LogPruner::keepDaysFromText(QStringLiteral("x")), 365);
}

class LogPrunerTest : public ::testing::Test {
protected:
    void touch(const QString &name)
    {
        QFile f(QDir(dir.path()).filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    bool exists(const QString &name) const { return QFile::exists(QDir(dir.path()).filePath(name)); }

    QTemporaryDir dir;
    FakeClock clock;
};

TEST_F(LogPrunerTest, RemovesOnlyDailyLogsOlderThanTheLimitAndAgainAfterMidnight)
{
    clock.time = QDateTime(QDate(2024, 5, 1), QTime(23, 59, 0));
    for (const char *name : {"korvane-station-2024-04-20.log", "korvane-station-2024-04-21.log",
                             "korvane-station-2024-04-22.log", "korvane-station-notes.log", "other-2020-01-01.log"})
        touch(QString::fromLatin1(name));
    history::LogPruner pruner(clock, dir.path(), QStringLiteral("korvane-station"), 10);
    EXPECT_EQ(pruner.pruneIfDue(), 1);
    EXPECT_FALSE(exists(QStringLiteral("korvane-station-2024-04-20.log")));
    EXPECT_TRUE(exists(QStringLiteral("korvane-station-2024-04-21.log")));
    EXPECT_TRUE(exists(QStringLiteral("korvane-station-notes.log")));
    EXPECT_TRUE(exists(QStringLiteral("other-2020-01-01.log")));
    EXPECT_EQ(pruner.pruneIfDue(), 0);
    clock.time = clock.time.addSecs(120); // past midnight
    EXPECT_EQ(pruner.pruneIfDue(), 1);
    EXPECT_FALSE(exists(QStringLiteral("korvane-station-2024-04-21.log")));
    EXPECT_TRUE(exists(QStringLiteral("korvane-station-2024-04-22.log")));
}

TEST_F(LogPrunerTest, ZeroKeepsEverything)
{
    touch(QStringLiteral("korvane-station-2001-01-01.log"));
    history::LogPruner pruner(clock, dir.path(), QStringLiteral("korvane-station"), 0);
    EXPECT_EQ(pruner.pruneIfDue(), 0);
    EXPECT_TRUE(exists(QStringLiteral("korvane-station-2001-01-01.log")));
}

} // namespace
