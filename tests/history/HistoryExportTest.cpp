#include "history/HistoryExport.h"
#include "history/HistorySchema.h"
#include "history/HistorySummary.h"
#include "history/HistoryFixture.h"

#include <QBuffer>
#include <QFile>

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

TEST_F(HistoryExportTest, EventsAreQuotedByTheRules)
{
    makeStore().open();
    const qint64 t = clock.time.toMSecsSinceEpoch();
    store->addEvent({t, history::kind::Operator, QStringLiteral("say \"hi\", twice")});
    store->addEvent({t - 1000, history::kind::Alarm, QStringLiteral("电机告警:1\r\n过流")});
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
    store->addEvent({clock.time.toMSecsSinceEpoch(), history::kind::Sweep, QStringLiteral("x")});
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
