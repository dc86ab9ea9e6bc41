#include "history/HistoryExport.h"
#include "history/HistorySchema.h"
#include "history/HistorySummary.h"
#include "history/HistoryFixture.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

const char *const kHead = "time,signal_dbm,noise_dbm,rx_mbps,tx_mbps,ping_ms,antenna_angle_deg,heading_deg,own_lat,"
                          "own_lon,distance_km,board_link,radio_link,cloud_ok";

class HistoryExportTest : public ::testing::Test, public HistoryFixture {
protected:
    QStringList exportLines(const QDateTime &since = {}, const QDateTime &until = {}, bool events = false)
    {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QString error;
        const bool ok = events ? history::writeEventsCsv(file, since, until, out, &error)
                               : history::writeSamplesCsv(file, since, until, out, &error);
        EXPECT_TRUE(ok) << error.toStdString();
        QStringList lines = QString::fromUtf8(out.data()).split(QStringLiteral("\r\n"));
        EXPECT_EQ(lines.takeLast(), QString()); // every row ends in CR LF
        return lines;
    }
};

TEST_F(HistoryExportTest, HeaderAndNullsAsEmptyCells)
{
    makeStore().open();
    history::Sample s = sample(-61.5);
    s.set(history::Figure::Heading, 720);
    s.set(history::Figure::OwnLatitude, 31.2310658);
    store->addSample(s);
    store->flush();
    const QStringList lines = exportLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QLatin1String(kHead) + QLatin1Char(','))) << lines[0].toStdString();
    EXPECT_EQ(lines[0], history::samplesCsvHeader());
    const QStringList cells = lines[1].split(QLatin1Char(','));
    ASSERT_EQ(cells.size(), lines[0].split(QLatin1Char(',')).size());
    EXPECT_EQ(cells[0], QStringLiteral("2024-05-01 12:00:00"));
    EXPECT_EQ(cells[1], QStringLiteral("-61.5"));
    EXPECT_EQ(cells[2], QString());
    EXPECT_EQ(cells[7], QString()); // the heading of 720
    EXPECT_EQ(cells[8], QStringLiteral("31.2310658"));
    EXPECT_EQ(cells[11], QStringLiteral("1"));
    EXPECT_EQ(cells[13], QString());
}

TEST_F(HistoryExportTest, SortsByTimeAfterTheClockWentBackAndKeepsTheSpan)
{
    makeStore().open();
    store->addSample(sample(-60));
    clock.time = clock.time.addSecs(-3600);
    store->addSample(sample(-70));
    clock.time = clock.time.addSecs(10);
    store->addSample(sample(-80));
    store->flush();
    QStringList lines = exportLines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("2024-05-01 11:00:00,-70,")));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("2024-05-01 11:00:10,-80,")));
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("2024-05-01 12:00:00,-60,")));
    lines = exportLines(QDateTime(QDate(2024, 5, 1), QTime(11, 0, 5)), QDateTime(QDate(2024, 5, 1), QTime(11, 0, 10)));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("2024-05-01 11:00:10,-80,")));
}

TEST_F(HistoryExportTest, OlderThanTheRawSamplesComesFromTheMinutes)
{
    makeStore().open();
    store->setRetention({1, 365});
    const QDateTime now = clock.time;
    clock.time = now.addSecs(-3 * 3600);
    for (int i = 0; i < 60; ++i) {
        store->addSample(sample(-90 + (i % 2) * 10));
        clock.time = clock.time.addSecs(1);
    }
    clock.time = now;
    store->addSample(sample(-55));
    store->flush();
    const QStringList lines = exportLines();
    ASSERT_EQ(lines.size(), 3);
    const QStringList minute = lines[1].split(QLatin1Char(','));
    EXPECT_EQ(minute[0], QStringLiteral("2024-05-01 09:00:00"));
    EXPECT_EQ(minute[1], QStringLiteral("-85"));
    EXPECT_EQ(minute.last(), QStringLiteral("60"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("2024-05-01 12:00:00,-55,")));
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral(",1")));
}

// --until names a second and takes all of it; --since likewise from its start.
TEST_F(HistoryExportTest, TheEndsIncludeTheWholeSecondTheyName)
{
    makeStore().open();
    for (int ms : {-1, 0, 500, 999, 1000}) {
        history::Sample s = sample(-60);
        s.t = clock.time.toMSecsSinceEpoch() + ms;
        store->addSample(s);
    }
    store->flush();
    const QDateTime second = clock.time;
    EXPECT_EQ(exportLines(second, second).size(), 1 + 3);
    EXPECT_EQ(exportLines({}, second).size(), 1 + 4);
    EXPECT_EQ(exportLines(second.addSecs(1), {}).size(), 1 + 1);
}

// The clock set back more than the raw retention: the minutes of the later
// hours stay in the export, beside the seconds written after the step.
TEST_F(HistoryExportTest, MinutesAfterASecondWrittenEarlierStayInTheExport)
{
    makeStore().open();
    store->setRetention({1, 365});
    const QDateTime now = clock.time;
    for (int i = 0; i < 120; ++i) {
        clock.time = now.addSecs(-3 * 3600 + i);
        store->addSample(sample(-70));
    }
    clock.time = now;
    store->addSample(sample(-55));
    store->flush();
    // Now a second stamped five hours back (the clock stepped back).
    clock.time = now.addSecs(-5 * 3600);
    store->addSample(sample(-99));
    store->flush();
    const QStringList lines = exportLines();
    ASSERT_EQ(lines.size(), 1 + 1 + 2 + 1) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("2024-05-01 07:00:00,-99,")));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("2024-05-01 09:00:00,-70,")));
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral(",60")));
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("2024-05-01 09:01:00,-70,")));
    EXPECT_TRUE(lines[4].startsWith(QStringLiteral("2024-05-01 12:00:00,-55,")));
}

// Local times by the zone's rules for each row: St John's moves its clocks
// at 02:00 local, half past the UTC hour, and 02:00–02:59 never happen.
TEST(HistoryExportZone, LocalTimesFollowTheZoneAcrossAChangeOffTheHour)
{
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "America/St_Johns");
    struct Restore {
        QByteArray zone;
        ~Restore()
        {
            if (zone.isEmpty())
                qunsetenv("TZ");
            else
                qputenv("TZ", zone);
        }
    } restore{zone};
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("h.sqlite"));
    FakeClock clock;
    // 2024-03-10 04:00 UTC to 07:00 UTC, one row every 5 minutes.
    const qint64 start = QDateTime(QDate(2024, 3, 10), QTime(4, 0), QTimeZone::utc()).toMSecsSinceEpoch();
    {
        history::HistoryStore store(clock, path);
        ASSERT_TRUE(store.open());
        for (int i = 0; i <= 36; ++i) {
            history::Sample s;
            s.t = start + i * 300'000LL;
            store.addSample(s);
        }
        ASSERT_TRUE(store.flush());
    }
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    ASSERT_TRUE(history::writeSamplesCsv(path, {}, {}, out, nullptr));
    QStringList lines = QString::fromUtf8(out.data()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    lines.removeFirst();
    ASSERT_EQ(lines.size(), 37);
    for (int i = 0; i <= 36; ++i) {
        const QString expected = QDateTime::fromMSecsSinceEpoch(start + i * 300'000LL)
                                     .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        EXPECT_TRUE(lines[i].startsWith(expected)) << i << " " << lines[i].left(19).toStdString() << " vs "
                                                   << expected.toStdString();
        EXPECT_FALSE(lines[i].startsWith(QStringLiteral("2024-03-10 02:"))) << lines[i].toStdString();
    }
}

// A file the exporter may read but whose folder it may not write (another
// account's, a read-only mount): read as immutable, or from a private copy
// while its write-ahead log holds rows.
TEST_F(HistoryExportTest, AFileInAFolderThatCannotBeWrittenIsExportedAllTheSame)
{
    SmallTmpfs mount(QDir(dir.path()).filePath(QStringLiteral("ro")), "8m");
    if (!mount.mounted)
        GTEST_SKIP() << "a read-only mount needs root";
    makeStore().open();
    for (int i = 0; i < 5; ++i) {
        store->addSample(sample(-60 - i));
        clock.time = clock.time.addSecs(1);
    }
    store->flush();
    // While the station writes, its rows are in the -wal: copy all three.
    for (const char *suffix : {"", "-wal", "-shm"})
        ASSERT_TRUE(QFile::copy(file + QLatin1String(suffix), mount.path + QStringLiteral("/live.sqlite") + QLatin1String(suffix)));
    store.reset();
    EXPECT_FALSE(QFile::exists(file + QStringLiteral("-wal"))) << "the last connection closed";
    ASSERT_TRUE(QFile::copy(file, mount.path + QStringLiteral("/closed.sqlite")));
    ASSERT_EQ(QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,ro"), mount.path}), 0);
    for (const char *name : {"/live.sqlite", "/closed.sqlite"}) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QString error;
        ASSERT_TRUE(history::writeSamplesCsv(mount.path + QLatin1String(name), {}, {}, out, &error))
            << name << ": " << error.toStdString();
        EXPECT_EQ(QString::fromUtf8(out.data()).count(QStringLiteral("\r\n")), 6) << name;
    }
}

TEST_F(HistoryExportTest, EventsAreQuotedByTheRules)
{
    makeStore().open();
    const qint64 t = clock.time.toMSecsSinceEpoch();
    store->addEvent({t, history::kind::Operator, QStringLiteral("say \"hi\", twice"), {}});
    store->addEvent({t - 1000, history::kind::Alarm, QStringLiteral("电机告警:1\r\n过流"), {}});
    store->flush();
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    ASSERT_TRUE(history::writeEventsCsv(file, {}, {}, out, nullptr));
    EXPECT_EQ(QString::fromUtf8(out.data()),
              QStringLiteral("time,kind,text\r\n"
                             "2024-05-01 11:59:59,alarm,\"电机告警:1\r\n过流\"\r\n"
                             "2024-05-01 12:00:00,operator,\"say \"\"hi\"\", twice\"\r\n"));
}

TEST_F(HistoryExportTest, MissingOrGarbageFileIsAnErrorWithAReason)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QString error;
    EXPECT_FALSE(history::writeSamplesCsv(file, {}, {}, out, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("does not exist"))) << error.toStdString();
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'z'));
    f.close();
    error.clear();
    EXPECT_FALSE(history::writeEventsCsv(file, {}, {}, out, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(out.data().isEmpty());
}

TEST_F(HistoryExportTest, SummaryLineOfTheLastMinutes)
{
    makeStore().open();
    const QDateTime now = clock.time;
    clock.time = now.addSecs(-600);
    store->addSample(sample(-40)); // outside five minutes
    clock.time = now.addSecs(-240);
    for (double signal : {-70.0, -60.0, -50.0}) {
        history::Sample s = sample(signal);
        s.radioLink = signal > -65 ? 1 : 0;
        s.cloudOk = 1;
        store->addSample(s);
        clock.time = clock.time.addSecs(1);
    }
    history::Sample unknown;
    unknown.t = clock.time.toMSecsSinceEpoch();
    store->addSample(unknown);
    store->addEvent({clock.time.toMSecsSinceEpoch(), history::kind::Sweep, QStringLiteral("x"), {}});
    clock.time = now;
    store->flush();
    EXPECT_EQ(history::summarise(store->database(), now.toMSecsSinceEpoch(), 5).line(),
              QStringLiteral("history minutes=5 samples=4 signal_min=-70 signal_median=-60 signal_max=-50 "
                             "board_up=100.0% radio_up=66.7% cloud_ok=100.0% events=1"));
    EXPECT_EQ(history::summarise(store->database(), now.toMSecsSinceEpoch() + 3600000, 1).line(),
              QStringLiteral("history minutes=1 samples=0 signal_min=- signal_median=- signal_max=- "
                             "board_up=- radio_up=- cloud_ok=- events=0"));
}

} // namespace
