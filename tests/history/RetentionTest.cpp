#include "history/HistorySchema.h"
#include "history/LogCompressor.h"
#include "history/LogPruner.h"
#include "history/Retention.h"
#include "history/HistoryFixture.h"
#include "support/HistoryFill.h"
#include "support/Wait.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

constexpr qint64 kMinuteMs = 60'000;

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

    QList<QVariantList> minuteRows()
    {
        OtherConnection other(file);
        QSqlQuery q(other.db());
        q.exec(QStringLiteral("SELECT t, n, signal_dbm_min, signal_dbm_mean, signal_dbm_max, board_link FROM minutes"
                              " ORDER BY t"));
        QList<QVariantList> rows;
        while (q.next())
            rows.append({q.value(0), q.value(1), q.value(2), q.value(3), q.value(4), q.value(5)});
        return rows;
    }
};

// A minute row for every minute, from its seconds, with the batch that
// writes them: the open minute's row grows until the minute closes.
TEST_F(RetentionTest, MinuteRowsAreWrittenAsEachMinuteFillsFromItsSeconds)
{
    makeStore();
    ASSERT_TRUE(store->open());
    clock.time = QDateTime(QDate(2024, 5, 1), QTime(12, 0, 0), Qt::UTC);
    addSeconds(0, 150, -100); // 12:00:00 to 12:02:29
    ASSERT_TRUE(store->flush());
    QList<QVariantList> rows = minuteRows();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0][1].toInt(), 60);
    EXPECT_DOUBLE_EQ(rows[0][2].toDouble(), -100);
    EXPECT_DOUBLE_EQ(rows[0][3].toDouble(), -70.5);
    EXPECT_DOUBLE_EQ(rows[0][4].toDouble(), -41);
    EXPECT_DOUBLE_EQ(rows[0][5].toDouble(), 0.75);
    EXPECT_EQ(rows[2][1].toInt(), 30);
    clock.time = clock.time.addSecs(150);
    addSeconds(0, 30, -100);
    ASSERT_TRUE(store->flush());
    rows = minuteRows();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[2][1].toInt(), 60);
    EXPECT_EQ(count(QStringLiteral("samples")), 180);
}

// Past the raw hours the seconds go; their minute rows stay as they were.
TEST_F(RetentionTest, PastTheRawHoursOnlyTheSecondsGo)
{
    makeStore();
    ASSERT_TRUE(store->open());
    clock.time = QDateTime(QDate(2024, 5, 1), QTime(12, 0, 0), Qt::UTC);
    store->setRetention({1, 365});
    addSeconds(2.0, 120, -100); // two whole minutes, two hours ago
    addSeconds(0.1, 30, -50);   // recent: stays
    ASSERT_TRUE(store->flush());
    EXPECT_EQ(count(QStringLiteral("samples")), 30);
    const QList<QVariantList> rows = minuteRows();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0][1].toInt(), 60);
    EXPECT_DOUBLE_EQ(rows[0][3].toDouble(), -70.5);
    EXPECT_EQ(rows[1][1].toInt(), 60);
}

// The clock set back into minutes whose seconds are gone: the late seconds
// are kept, and the minute row keeps its sixty.
TEST_F(RetentionTest, AMinuteRowIsNeverReplacedByAFoldOfFewerSeconds)
{
    makeStore();
    ASSERT_TRUE(store->open());
    clock.time = QDateTime(QDate(2024, 5, 1), QTime(12, 0, 0), Qt::UTC);
    store->setRetention({1, 365});
    addSeconds(2.0, 60, -100);
    addSeconds(0, 1, -50);
    ASSERT_TRUE(store->flush());
    ASSERT_EQ(count(QStringLiteral("samples")), 1);
    addSeconds(2.0, 5, -20);
    ASSERT_TRUE(store->flush());
    const QList<QVariantList> rows = minuteRows();
    ASSERT_GE(rows.size(), 1);
    EXPECT_EQ(rows[0][1].toInt(), 60);
    EXPECT_DOUBLE_EQ(rows[0][2].toDouble(), -100);
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
    EXPECT_EQ(count(QStringLiteral("minutes")), (2 * history::HistoryStore::kMaxRowsPerFlush + 10 + 59) / 60);
}

TEST_F(RetentionTest, MinutesAndEventsPastTheDayLimitGo)
{
    makeStore();
    ASSERT_TRUE(store->open());
    store->setRetention({1, 2});
    const qint64 now = clock.time.toMSecsSinceEpoch();
    for (int day = 0; day < 4; ++day)
        store->addEvent({now - day * 86400000LL - 1000, history::kind::Alarm, QStringLiteral("电机告警"), {}});
    addSeconds(24.0 * 3, 60, -70);
    addSeconds(0, 1, -70);
    ASSERT_TRUE(store->flush());
    EXPECT_EQ(count(QStringLiteral("events")), 2);
    EXPECT_EQ(count(QStringLiteral("minutes")), 1);
    EXPECT_EQ(count(QStringLiteral("samples")), 1);
}

// The wall clock jumps a year and more forward, then back: nothing goes on
// its word. Retention goes by the newest row, held to the monotonic clock.
TEST_F(RetentionTest, AJumpOfTheClockEitherWayDeletesNothing)
{
    makeStore();
    ASSERT_TRUE(store->open());
    store->setRetention({72, 365});
    addSeconds(2.0, 600, -70);
    addSeconds(0, 10, -60);
    ASSERT_TRUE(store->flush());
    const qint64 seconds = count(QStringLiteral("samples"));
    const qint64 minutes = count(QStringLiteral("minutes"));
    clock.time = clock.time.addDays(400);
    addSeconds(0, 10, -50);
    ASSERT_TRUE(store->flush());
    EXPECT_EQ(count(QStringLiteral("samples")), seconds + 10);
    EXPECT_EQ(count(QStringLiteral("minutes")), minutes + 1);
    ASSERT_TRUE(store->reference());
    EXPECT_LT(*store->reference(), clock.time.addDays(-399).toMSecsSinceEpoch());
    clock.time = clock.time.addDays(-410);
    addSeconds(0, 10, -40);
    ASSERT_TRUE(store->flush());
    EXPECT_EQ(count(QStringLiteral("minutes")), minutes + 2);
    EXPECT_GE(count(QStringLiteral("samples")), seconds + 10);
}

// A file of the earlier layout (minute rows only for folded seconds) gains
// the minute rows of its seconds at start, a step at a time.
TEST_F(RetentionTest, AnOlderFileGainsItsMinuteRowsInSmallSteps)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    {
        HistoryFill old(file);
        old.begin();
        for (int i = 0; i < 3 * 3600; ++i)
            old.sample(clock.time.toMSecsSinceEpoch() - (3 * 3600 - i) * 1000LL,
                       {{QStringLiteral("signal_dbm"), -60.0 - i % 7}});
        old.exec(QStringLiteral("PRAGMA user_version=1"));
        old.commit();
    }
    makeStore();
    ASSERT_TRUE(store->open());
    EXPECT_TRUE(store->backfilling());
    EXPECT_EQ(count(QStringLiteral("minutes")), 0);
    int turns = 0;
    qint64 before = 0;
    while (store->backfilling() && turns < 200) {
        waitUntil([&] { return count(QStringLiteral("minutes")) > before || !store->backfilling(); }, 2000);
        const qint64 now = count(QStringLiteral("minutes"));
        EXPECT_LE(now - before, history::HistoryStore::kBackfillRows / 60 + 2);
        before = now;
        ++turns;
    }
    EXPECT_FALSE(store->backfilling());
    EXPECT_GE(turns, 3);
    EXPECT_EQ(count(QStringLiteral("minutes")), 180);
    OtherConnection other(file);
    EXPECT_EQ(other.value(QStringLiteral("PRAGMA user_version")).toInt(), history::kSchemaVersion);
    EXPECT_DOUBLE_EQ(other.value(QStringLiteral("SELECT min(signal_dbm_min) FROM minutes")).toDouble(), -66);
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
    QString pathOf(const QString &name) const { return QDir(dir.path()).filePath(name); }
    void touch(const QString &name, const QByteArray &text = {})
    {
        QFile f(pathOf(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    bool exists(const QString &name) const { return QFileInfo::exists(pathOf(name)); }
    history::LogPruner pruner(int keepDays)
    {
        return history::LogPruner(clock, dir.path(), QStringLiteral("korvane-station"), keepDays,
                                  [this] { return monotonic; });
    }

    QTemporaryDir dir;
    FakeClock clock;
    qint64 monotonic = 0;
};

TEST_F(LogPrunerTest, RemovesOnlyItsOwnDailyLogsOlderThanTheLimitAndAgainAfterMidnight)
{
    clock.time = QDateTime(QDate(2024, 5, 1), QTime(23, 59, 0));
    for (const char *name : {"korvane-station-2024-04-20.log", "korvane-station-2024-04-19.log.gz",
                             "korvane-station-2024-04-21.log", "korvane-station-2024-04-22.log",
                             "korvane-station-2024-05-01.log", "korvane-station-notes.log", "other-2020-01-01.log",
                             "KORVANE-STATION-2020-01-02.log", "korvane-station-2020-1-2.log",
                             "korvane-station-2020-01-03.log.bak", "korvane-station-2020-02-30.log"})
        touch(QString::fromLatin1(name));
    // A link named like a log, pointing at a file that is not one.
    touch(QStringLiteral("precious.txt"), "keep me");
    ASSERT_TRUE(QFile::link(pathOf(QStringLiteral("precious.txt")), pathOf(QStringLiteral("korvane-station-2020-01-04.log"))));
    auto p = pruner(10);
    EXPECT_EQ(p.pruneIfDue(), 2);
    EXPECT_FALSE(exists(QStringLiteral("korvane-station-2024-04-20.log")));
    EXPECT_FALSE(exists(QStringLiteral("korvane-station-2024-04-19.log.gz")));
    EXPECT_TRUE(exists(QStringLiteral("korvane-station-2024-04-21.log")));
    for (const char *name : {"korvane-station-notes.log", "other-2020-01-01.log", "KORVANE-STATION-2020-01-02.log",
                             "korvane-station-2020-1-2.log", "korvane-station-2020-01-03.log.bak",
                             "korvane-station-2020-02-30.log", "korvane-station-2020-01-04.log", "precious.txt"})
        EXPECT_TRUE(exists(QString::fromLatin1(name))) << name;
    EXPECT_EQ(p.pruneIfDue(), 0);
    // Past midnight: the day's own log is there, and a day has passed.
    clock.time = clock.time.addSecs(120);
    monotonic += 120'000;
    touch(QStringLiteral("korvane-station-2024-05-02.log"));
    EXPECT_EQ(p.pruneIfDue(), 1);
    EXPECT_FALSE(exists(QStringLiteral("korvane-station-2024-04-21.log")));
    EXPECT_TRUE(exists(QStringLiteral("korvane-station-2024-04-22.log")));
}

// The clock set two years forward: the new day's log has a far date, but the
// pruner counts only the days that really passed; the newest log stays
// whatever the dates say.
TEST_F(LogPrunerTest, AClockSetForwardDeletesNothingAndTheNewestLogStays)
{
    clock.time = QDateTime(QDate(2024, 5, 1), QTime(12, 0, 0));
    touch(QStringLiteral("korvane-station-2024-04-30.log"));
    touch(QStringLiteral("korvane-station-2024-05-01.log"));
    auto p = pruner(30);
    EXPECT_EQ(p.pruneIfDue(), 0);
    clock.time = clock.time.addYears(2);
    touch(QStringLiteral("korvane-station-2026-05-01.log"));
    EXPECT_EQ(p.pruneIfDue(), 0);
    EXPECT_TRUE(exists(QStringLiteral("korvane-station-2024-04-30.log")));

    QTemporaryDir only;
    QFile lone(QDir(only.path()).filePath(QStringLiteral("korvane-station-2001-01-01.log")));
    ASSERT_TRUE(lone.open(QIODevice::WriteOnly));
    lone.close();
    history::LogPruner single(clock, only.path(), QStringLiteral("korvane-station"), 1);
    EXPECT_EQ(single.prune(), 0);
    EXPECT_TRUE(lone.exists());
}

TEST_F(LogPrunerTest, ZeroKeepsEverything)
{
    touch(QStringLiteral("korvane-station-2001-01-01.log"));
    touch(QStringLiteral("korvane-station-2024-05-01.log"));
    auto p = pruner(0);
    EXPECT_EQ(p.pruneIfDue(), 0);
    EXPECT_TRUE(exists(QStringLiteral("korvane-station-2001-01-01.log")));
}

QByteArray gunzip(const QString &path)
{
    QProcess gzip;
    gzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), path});
    gzip.waitForFinished(10000);
    return gzip.exitCode() == 0 ? gzip.readAllStandardOutput() : QByteArray("gzip failed");
}

// Closed logs become .gz that gzip reads back whole; today's and the newest
// stay as they are; a day compressed before and written again (the clock set
// back) gets a second member.
TEST_F(LogPrunerTest, ClosedLogsAreCompressedAndReadBackWhole)
{
    clock.time = QDateTime(QDate(2024, 5, 3), QTime(0, 10, 0));
    QByteArray big;
    for (int i = 0; i < 40000; ++i)
        big += QByteArray("12:00:00 执行 俯仰32.5 方位") + QByteArray::number(i) + " 罗盘271 信号-58\r\n";
    touch(QStringLiteral("korvane-station-2024-05-01.log"), big);
    touch(QStringLiteral("korvane-station-2024-05-02.log"), "yesterday\r\n");
    touch(QStringLiteral("korvane-station-2024-05-03.log"), "today\r\n");
    history::LogCompressor compressor(clock, dir.path(), QStringLiteral("korvane-station"));
    QStringList done;
    QObject::connect(&compressor, &history::LogCompressor::compressed, [&](const QString &p) { done << p; });
    compressor.start();
    EXPECT_TRUE(waitUntil([&] { return !compressor.busy(); }, 20000));
    ASSERT_EQ(done.size(), 2);
    EXPECT_FALSE(exists(QStringLiteral("korvane-station-2024-05-01.log")));
    EXPECT_EQ(gunzip(pathOf(QStringLiteral("korvane-station-2024-05-01.log.gz"))), big);
    EXPECT_LT(QFileInfo(pathOf(QStringLiteral("korvane-station-2024-05-01.log.gz"))).size(), big.size() / 5);
    EXPECT_EQ(gunzip(pathOf(QStringLiteral("korvane-station-2024-05-02.log.gz"))), QByteArray("yesterday\r\n"));
    EXPECT_TRUE(exists(QStringLiteral("korvane-station-2024-05-03.log")));

    touch(QStringLiteral("korvane-station-2024-05-02.log"), "written again\r\n");
    compressor.runAll();
    EXPECT_EQ(gunzip(pathOf(QStringLiteral("korvane-station-2024-05-02.log.gz"))),
              QByteArray("yesterday\r\nwritten again\r\n"));
    const auto logs = history::dailyLogs(dir.path(), QStringLiteral("korvane-station"));
    ASSERT_EQ(logs.size(), 3);
    EXPECT_TRUE(logs[0].compressed);
    EXPECT_FALSE(logs[2].compressed);
}

} // namespace
