#include "history/HistorySchema.h"
#include "history/HistoryStore.h"
#include "history/Sample.h"
#include "history/Sampler.h"
#include "support/LoopbackServer.h"
#include "support/StationFixture.h"
#include "support/Wait.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;
using history::Figure;

namespace {

class StationHistory : public ::testing::Test {
protected:
    void SetUp() override
    {
        f.historyFile = QDir(f.dir.path()).filePath(QStringLiteral("history.sqlite"));
        station = &f.start();
        ASSERT_TRUE(station->historyStore);
    }

    QSqlDatabase other()
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        db.setDatabaseName(f.historyFile);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        db.open();
        return db;
    }
    void TearDown() override
    {
        QSqlDatabase::database(QStringLiteral("other"), false).close();
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
    }

    StationFixture f;
    Station *station = nullptr;
};

TEST_F(StationHistory, LockedStoreCostsTheDailyLogNothingAndCatchesUp)
{
    {
        QSqlDatabase db = other();
        QSqlQuery lock(db);
        ASSERT_TRUE(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        for (int i = 0; i < 5; ++i)
            station->log.append(station->eventLine(QStringLiteral("手动驱动：m%1").arg(i)));
        EXPECT_FALSE(station->historyStore->flush());
        EXPECT_FALSE(station->historyStore->flush());
        const QString log = f.logText();
        for (int i = 0; i < 5; ++i)
            EXPECT_TRUE(log.contains(QStringLiteral("手动驱动：m%1").arg(i)));
        EXPECT_EQ(log.count(QStringLiteral("历史记录暂时无法写入")), 1) << "said once";
        EXPECT_TRUE(station->display.Label_NOTE.text().startsWith(QStringLiteral("历史记录暂时无法写入")));
        ASSERT_TRUE(lock.exec(QStringLiteral("ROLLBACK")));
    }
    ASSERT_TRUE(station->historyStore->flush());
    QSqlQuery q(QSqlDatabase::database(QStringLiteral("other")));
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT count(*) FROM events WHERE kind = 'drive'")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 5);
    EXPECT_TRUE(f.logText().contains(QStringLiteral("历史记录已恢复写入")));
}

TEST_F(StationHistory, StartingValuesAreNoReadings)
{
    LoopbackServer board;
    station->Winsock2.RemoteHost = QStringLiteral("127.0.0.1");
    station->Winsock2.RemotePort = board.port();
    station->Winsock2.Connect();
    ASSERT_TRUE(waitUntil([&] { return station->controllerLink.isConnected(); }));
    station->radio.loggedIn = true;

    // Connected and logged in, nothing read yet: -120 dBm, 0 Mbit/s and an
    // antenna at 0 degrees are the records' starting values, not figures.
    history::Sample s = station->historySample();
    EXPECT_EQ(s.boardLink, 1);
    EXPECT_EQ(s.radioLink, 1);
    for (const Figure figure : {Figure::Signal, Figure::CapacityDown, Figure::Rx, Figure::Tx, Figure::AntennaAngle,
                                Figure::Heading, Figure::Speed})
        EXPECT_FALSE(s[figure].has_value()) << static_cast<int>(figure);

    station->statusParser.handleChunk(QStringLiteral("天线状态正常,当前水平角度:H12.2V5.0\r\n航向45.0航速18.5俯仰5.0\r\n"));
    station->radioSession.handleReply(QStringLiteral("\r\n000004 login: "));
    station->radioSession.handleReply(
        QStringLiteral("ath0      IEEE 802.11a  ESSID:\"KORVANE\"\r\n          Bit Rate:54 Mb/s\r\n"
                       "          Link Quality=44/70  Signal level=-70 dBm  Noise level=-96 dBm\r\n"
                       "          RX bytes:1000000 (1.1 GB)  TX bytes:400000 (1.6 GB)\r\nDeviceName\r\n"
                       "KV_http._tcp.local 80\r\n[root@radio]# "));
    s = station->historySample();
    EXPECT_EQ(s[Figure::Signal], -70.0);
    EXPECT_EQ(s[Figure::CapacityDown], 54.0);
    EXPECT_EQ(s[Figure::Heading], 45.0);
    EXPECT_EQ(s[Figure::AntennaAngle], 12.2);
    EXPECT_FALSE(s[Figure::Rx].has_value()) << "one counter reading gives no throughput yet";
}

TEST_F(StationHistory, FiguresOutOfRangeOrUnknownStayEmpty)
{
    station->radio.loggedIn = true;
    station->radioStats.figuresRead = true;
    station->radioStats.signalDbm = 30;
    station->radioStats.noiseDbm = 0;
    station->controllerStatus.Heading = 720;
    history::Sample s = station->historySample();
    EXPECT_FALSE(s[Figure::Signal].has_value());
    EXPECT_FALSE(s[Figure::Noise].has_value()) << "no noise reading yet";
    EXPECT_FALSE(s[Figure::Heading].has_value()) << "no board connected";
    EXPECT_FALSE(s[Figure::Ping].has_value());
    EXPECT_EQ(s.boardLink, 0);
    EXPECT_EQ(s.radioLink, 1);
    EXPECT_FALSE(s.cloudOk.has_value());
    station->radioStats.signalDbm = -58;
    station->radioStats.noiseDbm = -96;
    station->radio.pingWindow[0] = 12;
    station->radio.pingCount = 1;
    station->radio.pingSum = 12;
    // A figure is stored from its reading: the radio's and the ping's.
    station->display.radioFeed.reading();
    station->display.pingFeed.reading();
    s = station->historySample();
    EXPECT_EQ(s[Figure::Signal], -58.0);
    EXPECT_EQ(s[Figure::Noise], -96.0);
    EXPECT_EQ(s[Figure::Ping], 12.0);
    station->radioStats.signalRejected = true;
    s = station->historySample();
    EXPECT_FALSE(s[Figure::Signal].has_value()) << "a positive signal leaves the one before, and that is no reading";
    EXPECT_FALSE(s[Figure::Noise].has_value());
    station->radioStats.signalRejected = false;
    station->radio.loggedIn = false;
    s = station->historySample();
    EXPECT_FALSE(s[Figure::Signal].has_value()) << "a stale reading is not a reading";
    EXPECT_FALSE(s[Figure::Ping].has_value()) << "no ping through a radio outage";
}

TEST_F(StationHistory, OperatorActionsAndAlarmsBecomeEvents)
{
    station->display.Lbl_ALARM.setText(QStringLiteral("电机告警:1"));
    station->historySampler->sampleNow();
    station->historySampler->sampleNow(); // the same alarm: no second event
    station->click(QStringLiteral("Lbl_ALARM"));
    ASSERT_TRUE(station->historyStore->flush());
    QSqlDatabase db = other();
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT kind FROM events ORDER BY rowid")));
    QStringList kinds;
    while (q.next())
        kinds << q.value(0).toString();
    EXPECT_EQ(kinds, (QStringList{history::kind::Alarm, history::kind::Operator}));
}

// The clock set two days forward and back again: one event line each way,
// the rows keep the times the clock gave them, nothing is deleted.
TEST_F(StationHistory, AJumpOfTheClockIsOneEventLineEachWay)
{
    station->historySampler->sampleNow();
    f.clock.time = f.clock.time.addDays(2);
    station->historySampler->sampleNow();
    station->historySampler->sampleNow();
    f.clock.time = f.clock.time.addDays(-2);
    station->historySampler->sampleNow();
    ASSERT_TRUE(station->historyStore->flush());
    // The forward jump's line is in the day's log of the date it jumped to.
    QString log = f.logText();
    f.clock.time = f.clock.time.addDays(2);
    log += f.logText();
    f.clock.time = f.clock.time.addDays(-2);
    EXPECT_EQ(log.count(QStringLiteral("系统时间跳变：向前2天0小时")), 1) << qPrintable(log);
    EXPECT_EQ(log.count(QStringLiteral("系统时间跳变：向后2天0小时")), 1) << qPrintable(log);
    QSqlDatabase db = other();
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT count(*) FROM events WHERE kind = 'clock'")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 2);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT count(*) FROM samples")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 4);
}

// A drive from the ring is stored in words, with the command kept; the
// ring's centre, back to automatic drive, is an event of its own.
TEST_F(StationHistory, ManualDrivesAreEventsInWords)
{
    LoopbackServer board;
    station->Winsock2.RemoteHost = QStringLiteral("127.0.0.1");
    station->Winsock2.RemotePort = board.port();
    station->Winsock2.Connect();
    ASSERT_TRUE(waitUntil([&] { return station->controllerLink.isConnected(); }));
    station->controllerStatus.AngleH = 100;
    station->click(QStringLiteral("angle"), 3);
    station->click(QStringLiteral("angle"), 12);
    ASSERT_TRUE(station->historyStore->flush());
    QSqlDatabase db = other();
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT text, words FROM events WHERE kind = 'drive' ORDER BY rowid")));
    ASSERT_TRUE(q.next());
    EXPECT_TRUE(q.value(0).toString().endsWith(QStringLiteral("手动驱动：[P0H-10V0]"))) << qPrintable(q.value(0).toString());
    EXPECT_EQ(q.value(1).toString(), QStringLiteral("手动驱动：右舷90°"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(1).toString(), QStringLiteral("恢复自动驱动"));
}

} // namespace
