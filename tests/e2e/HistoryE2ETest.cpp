// The station recording its history while it runs against the simulated
// board and radio, read back through the command-line export as an engineer
// would: a separate program on the same file, while the station writes it.
#include "support/HistoryCsv.h"
#include "support/SimProcess.h"
#include "support/StationProcess.h"
#include "support/Wait.h"

#include "platform/SettingsStore.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

constexpr int kWaitMs = 20000;

using Export = HistoryExport;
using Row = HistoryRow;

Export runExport(const QStringList &arguments) { return runHistoryExport(arguments); }
QList<Row> parse(const QStringList &rows) { return parseHistoryRows(rows); }
QDateTime second(const QDateTime &t) { return wholeSecond(t); }

enum Column { Time = 0, Signal = 1, Ping = 5, Heading = 7, BoardLink = 11, RadioLink = 12 };

class HistoryE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        settingsPath = QDir(dir.path()).filePath(QStringLiteral("station.ini"));
        historyPath = QDir(dir.path()).filePath(QStringLiteral("history/h.sqlite"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        ASSERT_TRUE(board.start(QStringLiteral("board"), {QStringLiteral("--interval-ms"), QStringLiteral("300")}));
        ASSERT_TRUE(radio.start(QStringLiteral("radio"),
                                {QStringLiteral("--family"), QStringLiteral("airos"), QStringLiteral("--signal"),
                                 QStringLiteral("-61"), QStringLiteral("--jitter"),
                                 QStringLiteral("0"), QStringLiteral("--push-ms"), QStringLiteral("200")}));
        SettingsStore settings(settingsPath);
        settings.write(QStringLiteral("DEVICE_KORVANE_IP"), QStringLiteral("127.0.0.1:%1").arg(board.port()));
        settings.write(QStringLiteral("DEVICE_WIRESS_IP"), QStringLiteral("127.0.0.1:%1").arg(radio.port()));
        settings.write(QStringLiteral("DEVICE_WIRESS_USER"), QStringLiteral("ubnt"));
        settings.write(QStringLiteral("DEVICE_WIRESS_PASSWORD"), QStringLiteral("ubnt"));
        settings.write(QStringLiteral("KORVANE_AUTOLINK"), QStringLiteral("1"));
    }

    bool startStation(StationProcess &station)
    {
        return station.start({QStringLiteral("--settings"), settingsPath, QStringLiteral("--log-dir"), dir.path(),
                              QStringLiteral("--history"), historyPath, QStringLiteral("--time-scale"),
                              QStringLiteral("0.1")},
                             env);
    }

    Export exportSamples() { return runExport({QStringLiteral("--export-history"), QStringLiteral("--history"), historyPath}); }

    // Waits until the file holds a sample later than `t`.
    bool waitForSampleAfter(const QDateTime &t)
    {
        return waitUntil(
            [&] {
                const Export e = exportSamples();
                return !e.rows.isEmpty() && parse(e.rows).last().time > second(t);
            },
            kWaitMs);
    }

    QString logText() const
    {
        QFile f(QDir(dir.path()).filePath(
            QStringLiteral("korvane-station-%1.log").arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")))));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    QTemporaryDir dir;
    QString settingsPath;
    QString historyPath;
    QProcessEnvironment env;
    SimProcess board;
    SimProcess radio;
};

TEST_F(HistoryE2E, ExportFollowsTheRadioAndShowsTheDropAtItsSeconds)
{
    StationProcess station;
    ASSERT_TRUE(startStation(station));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Text1.text=-61"), kWaitMs)) << qPrintable(station.output());
    const QDateTime weaker = QDateTime::currentDateTime();
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("signal -75")));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Text1.text=-75"), kWaitMs));
    ASSERT_TRUE(waitForSampleAfter(QDateTime::currentDateTime().addSecs(1)));

    const qsizetype loginsBefore = station.output().count(QStringLiteral("Label_NOTE.text=微波登录成功！"));
    const QDateTime dropAt = QDateTime::currentDateTime();
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("drop")));
    ASSERT_TRUE(waitUntil(
        [&] { return station.output().count(QStringLiteral("Label_NOTE.text=微波登录成功！")) > loginsBefore; },
        kWaitMs))
        << "the station logs in again";
    const QDateTime backAt = QDateTime::currentDateTime();
    ASSERT_TRUE(waitForSampleAfter(backAt.addSecs(1)));

    const Export e = exportSamples();
    ASSERT_EQ(e.exitCode, 0) << qPrintable(e.error);
    EXPECT_TRUE(e.header.startsWith(QStringLiteral(
        "time,signal_dbm,noise_dbm,rx_mbps,tx_mbps,ping_ms,antenna_angle_deg,heading_deg,own_lat,own_lon,"
        "distance_km,board_link,radio_link,cloud_ok")));
    const QList<Row> rows = parse(e.rows);
    ASSERT_GT(rows.size(), 20);

    // The signal column: what the radio sent, in the order it sent it, and
    // nothing while the link was down.
    bool seenWeaker = false;
    bool seenLoss = false;
    for (const Row &r : rows) {
        const QString s = r.cell(Signal);
        if (r.cell(RadioLink) == QLatin1String("0")) {
            EXPECT_TRUE(s.isEmpty()) << qPrintable(r.cells.join(u','));
            EXPECT_TRUE(r.cell(Ping).isEmpty()) << "no ping is measured through the outage: "
                                                << qPrintable(r.cells.join(u','));
            seenLoss = true;
            continue;
        }
        if (s.isEmpty() || s == QLatin1String("-120"))
            continue; // logged in, no reading yet
        EXPECT_TRUE(s == QLatin1String("-61") || s == QLatin1String("-75")) << qPrintable(r.cells.join(u','));
        if (s == QLatin1String("-75")) {
            seenWeaker = true;
            EXPECT_GE(r.time, second(weaker));
        } else {
            EXPECT_FALSE(seenWeaker && !seenLoss) << "-61 again before the drop: " << qPrintable(r.time.toString());
        }
    }
    EXPECT_TRUE(seenWeaker);
    ASSERT_TRUE(seenLoss);

    // The radio link column: up until the drop, down from its second, up
    // again once the station had logged in anew.
    QDateTime firstDown;
    QDateTime lastDown;
    for (const Row &r : rows) {
        if (r.cell(RadioLink) != QLatin1String("0") || r.time < second(weaker))
            continue;
        if (!firstDown.isValid())
            firstDown = r.time;
        lastDown = r.time;
    }
    EXPECT_GE(firstDown, second(dropAt));
    EXPECT_LE(firstDown, second(dropAt).addSecs(2));
    EXPECT_LE(lastDown, second(backAt));
    for (const Row &r : rows) {
        const bool linkUp = (r.time >= second(weaker) && r.time < second(dropAt)) || r.time > second(backAt);
        if (linkUp) {
            EXPECT_EQ(r.cell(RadioLink), QStringLiteral("1")) << qPrintable(r.cells.join(u','));
        }
        if (r.time >= second(weaker)) {
            EXPECT_EQ(r.cell(BoardLink), QStringLiteral("1"));
        }
    }

    const Export events = runExport({QStringLiteral("--export-events"), QStringLiteral("--history"), historyPath});
    ASSERT_EQ(events.exitCode, 0) << qPrintable(events.error);
    EXPECT_EQ(events.header, QStringLiteral("time,kind,text"));
    const QRegularExpression lost(QStringLiteral(",link_lost,[^\n]*微波连接中断（"));
    EXPECT_TRUE(lost.match(events.rows.join(u'\n')).hasMatch()) << qPrintable(events.rows.join(u'\n'));
    EXPECT_TRUE(events.rows.join(u'\n').contains(QStringLiteral(",login,")));
}

TEST_F(HistoryE2E, HeadingOutOfRangeFromTheBoardIsStoredAsUnknown)
{
    StationProcess station;
    ASSERT_TRUE(startStation(station));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label6.colour=0,255,0"), kWaitMs));
    const auto headingOnFile = [&] {
        for (const Row &r : parse(exportSamples().rows)) {
            if (r.cell(Heading) == QLatin1String("45"))
                return true;
        }
        return false;
    };
    ASSERT_TRUE(waitUntil(headingOnFile, kWaitMs))
        << "the board's own heading is on file first";
    ASSERT_TRUE(board.controlAcknowledged(QStringLiteral("silent on")));
    ASSERT_TRUE(board.controlAcknowledged(QStringLiteral("send 航速:10.0节 航向:720.0\\r\\n")));
    ASSERT_TRUE(waitUntil([&] { return logText().contains(QStringLiteral("航向:720")); }, kWaitMs));
    const QDateTime sent = QDateTime::currentDateTime();
    ASSERT_TRUE(waitForSampleAfter(sent.addSecs(1)));
    const QList<Row> rows = parse(exportSamples().rows);
    int after = 0;
    bool heading45 = false;
    for (const Row &r : rows) {
        const double heading = r.cell(Heading).toDouble();
        EXPECT_LE(heading, 360.0);
        heading45 = heading45 || r.cell(Heading) == QLatin1String("45");
        if (r.time > second(sent)) {
            ++after;
            EXPECT_EQ(r.cell(BoardLink), QStringLiteral("1"));
            EXPECT_TRUE(r.cell(Heading).isEmpty()) << qPrintable(r.cells.join(u','));
        }
    }
    EXPECT_TRUE(heading45);
    EXPECT_GT(after, 0);
}

// The radio session already refuses a positive signal (the station keeps
// its last reading); one far below any receiver's floor reaches the station's
// figures, and the history stores it as unknown.
TEST_F(HistoryE2E, SignalOutOfRangeFromTheRadioIsNeverStored)
{
    StationProcess station;
    ASSERT_TRUE(startStation(station));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Text1.text=-61"), kWaitMs));
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("misreport 30")));
    // Once the radio's next reading has come, a positive signal is no
    // reading: unknown, not the last good value.
    const QDateTime positive = second(QDateTime::currentDateTime()).addSecs(3);
    ASSERT_TRUE(waitForSampleAfter(positive.addSecs(3)));
    const QDateTime positiveEnd = second(QDateTime::currentDateTime());
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("misreport -500")));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Text1.text=-500"), kWaitMs)) << "the station shows what came";
    const QDateTime misreported = QDateTime::currentDateTime();
    ASSERT_TRUE(waitForSampleAfter(misreported.addSecs(1)));
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("misreport off")));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Text1.text=-61\n"), kWaitMs));
    int unknownWhileUp = 0;
    for (const Row &r : parse(exportSamples().rows)) {
        const QString s = r.cell(Signal);
        EXPECT_TRUE(s.isEmpty() || s == QLatin1String("-61") || s == QLatin1String("-120"))
            << qPrintable(r.cells.join(u','));
        if (r.time > second(misreported) && r.cell(RadioLink) == QLatin1String("1") && s.isEmpty())
            ++unknownWhileUp;
        if (r.time >= positive && r.time < positiveEnd) {
            EXPECT_TRUE(s.isEmpty()) << "+30 dBm is stored as unknown: " << qPrintable(r.cells.join(u','));
        }
    }
    EXPECT_GT(unknownWhileUp, 0);
}

TEST_F(HistoryE2E, KilledFiveTimesTheStoreStaysWholeAndLosesAtMostABatch)
{
    qint64 committed = 0;
    for (int round = 0; round < 5; ++round) {
        StationProcess station;
        ASSERT_TRUE(startStation(station));
        qint64 seen = 0;
        // Wait for two batches of this run to be on disk, then kill it.
        ASSERT_TRUE(waitUntil(
            [&] {
                const Export e = exportSamples();
                seen = e.rows.size();
                return seen >= committed + 15;
            },
            kWaitMs))
            << "round " << round;
        station.process().kill();
        ASSERT_TRUE(station.process().waitForFinished(10000));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        {
            db.setDatabaseName(historyPath);
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA integrity_check")) && q.next());
            EXPECT_EQ(q.value(0).toString(), QStringLiteral("ok")) << "round " << round;
            ASSERT_TRUE(q.exec(QStringLiteral("SELECT count(*) FROM samples")) && q.next());
            EXPECT_GE(q.value(0).toLongLong(), seen) << "what was committed stays";
            committed = q.value(0).toLongLong();
            db.close();
        }
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("check"));
    }
}

TEST_F(HistoryE2E, LockedByAnotherProgramTheStationRunsOnSaysSoOnceAndCatchesUp)
{
    StationProcess station;
    ASSERT_TRUE(startStation(station));
    ASSERT_TRUE(waitUntil([&] { return !exportSamples().rows.isEmpty(); }, kWaitMs));
    const auto historyLines = [&] { return station.output().count(QStringLiteral("history minutes=1 ")); };
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
        db.setDatabaseName(historyPath);
        ASSERT_TRUE(db.open());
        QSqlQuery lock(db);
        ASSERT_TRUE(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        ASSERT_TRUE(lock.exec(QStringLiteral("INSERT INTO events (t, kind, text) VALUES (0, 'other', 'lock')")));
        ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label_NOTE.text=历史记录暂时无法写入"), kWaitMs));
        // Each summary tries to write first: three more failed writes.
        for (int i = 1; i <= 3; ++i) {
            station.send(QStringLiteral(":history 1"));
            ASSERT_TRUE(waitUntil([&] { return historyLines() >= i; }, kWaitMs)) << "the station answers";
        }
        EXPECT_EQ(station.output().count(QStringLiteral("历史记录暂时无法写入")), 1) << "said once";
        EXPECT_EQ(logText().count(QStringLiteral("历史记录暂时无法写入")), 1);
        ASSERT_TRUE(lock.exec(QStringLiteral("ROLLBACK")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("locker"));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label_NOTE.text=历史记录已恢复写入"), kWaitMs));
    const QDateTime resumed = QDateTime::currentDateTime();
    ASSERT_TRUE(waitForSampleAfter(resumed));
    // What waited in memory is on file: one second after another, no gap
    // longer than a few seconds across the lock.
    const QList<Row> rows = parse(exportSamples().rows);
    for (qsizetype i = 1; i < rows.size(); ++i)
        EXPECT_LE(rows[i - 1].time.secsTo(rows[i].time), 2) << qPrintable(rows[i].time.toString());
    EXPECT_EQ(station.process().state(), QProcess::Running);
}

TEST_F(HistoryE2E, GarbageFileAtStartIsSetAsideAndANewOneKept)
{
    QDir().mkpath(QFileInfo(historyPath).absolutePath());
    QFile garbage(historyPath);
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray("not a database\n").repeated(500));
    garbage.close();
    StationProcess station;
    ASSERT_TRUE(startStation(station));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label_NOTE.text=历史记录文件无法读取，已改名为 ") + historyPath
                                          + QStringLiteral(".broken-"),
                                      kWaitMs));
    const QStringList aside =
        QDir(QFileInfo(historyPath).absolutePath()).entryList({QStringLiteral("h.sqlite.broken-*")}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(QFileInfo(QFileInfo(historyPath).absolutePath() + QLatin1Char('/') + aside[0]).size(), 15 * 500);
    EXPECT_TRUE(waitUntil([&] { return logText().contains(QStringLiteral("历史记录文件无法读取")); }, kWaitMs));
    ASSERT_TRUE(waitUntil([&] { return !exportSamples().rows.isEmpty(); }, kWaitMs));
}

TEST(HistoryCommandLine, ExportOfAMissingOrGarbageFileFailsWithAReason)
{
    QTemporaryDir dir;
    const QString missing = QDir(dir.path()).filePath(QStringLiteral("none.sqlite"));
    Export e = runExport({QStringLiteral("--export-history"), QStringLiteral("--history"), missing});
    EXPECT_NE(e.exitCode, 0);
    EXPECT_TRUE(e.error.contains(QStringLiteral("does not exist"))) << qPrintable(e.error);
    EXPECT_TRUE(e.header.isEmpty());
    const QString garbage = QDir(dir.path()).filePath(QStringLiteral("garbage.sqlite"));
    QFile f(garbage);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'g'));
    f.close();
    e = runExport({QStringLiteral("--export-events"), QStringLiteral("--history"), garbage});
    EXPECT_NE(e.exitCode, 0);
    EXPECT_FALSE(e.error.isEmpty());
    e = runExport({QStringLiteral("--export-history"), QStringLiteral("--history"), garbage, QStringLiteral("--since"),
                   QStringLiteral("yesterday")});
    EXPECT_EQ(e.exitCode, 2);
    EXPECT_TRUE(e.error.contains(QStringLiteral("--since")));
}

} // namespace
