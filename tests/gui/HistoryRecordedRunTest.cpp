// A recorded run, not a generated one: the headless station, time-scaled,
// against the simulated board, radio and cloud, with a radio link drop long
// enough for the lost-signal sweep to step, and a spell of refused cloud
// reports. The exported CSV is checked against what the peers did, and the
// history window on the same file is grabbed for the README.
#include "gui/HistoryChart.h"
#include "gui/HistoryWindow.h"
#include "model/SettingKeys.h"
#include "platform/SettingsStore.h"
#include "support/Files.h"
#include "support/HistoryCsv.h"
#include "support/SimProcess.h"
#include "support/StationFixture.h"
#include "support/StationProcess.h"
#include "support/Wait.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLayout>
#include <QListWidget>
#include <QTemporaryDir>

#include <algorithm>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

constexpr int kWaitMs = 30000;
const QString kLoggedIn = QStringLiteral("Label_NOTE.text=微波登录成功！");

// When the test made each change, by the wall clock the station stamps with.
struct Moments {
    QDateTime cloudRefusing; // the cloud told to answer 500
    QDateTime cloudFailing;  // the first refused report had been answered
    QDateTime cloudMended;  // the cloud answers 200 again
    QDateTime cloudTaken;   // a report had been taken again
    QDateTime signalLost;   // the radio reports no signal
    QDateTime dropped;      // the radio's console closed and fell silent
    QDateTime returned;     // the console answers again
    QDateTime back;         // the station had logged in anew
    QDateTime stronger;     // the radio reports its new signal
};

class HistoryScreenshot : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        historyPath = path("history.sqlite");
        boardRecord = path("board.bin");
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        ASSERT_TRUE(board.start(QStringLiteral("board"), {QStringLiteral("--interval-ms"), QStringLiteral("200"),
                                                          QStringLiteral("--speed"), QStringLiteral("0"),
                                                          QStringLiteral("--record"), boardRecord}));
        ASSERT_TRUE(radio.start(QStringLiteral("radio"),
                                {QStringLiteral("--family"), QStringLiteral("airos"), QStringLiteral("--signal"),
                                 QStringLiteral("-61"), QStringLiteral("--jitter"), QStringLiteral("0"),
                                 QStringLiteral("--push-ms"), QStringLiteral("100")}));
        ASSERT_TRUE(cloud.start(QStringLiteral("cloud")));
        SettingsStore settings(path("station.ini"));
        settings.write(keys::DEVICE_KORVANE_IP, QStringLiteral("127.0.0.1:%1").arg(board.port()));
        settings.write(keys::DEVICE_WIRESS_IP, QStringLiteral("127.0.0.1:%1").arg(radio.port()));
        settings.write(keys::DEVICE_WIRESS_USER, QStringLiteral("ubnt"));
        settings.write(keys::DEVICE_WIRESS_PASSWORD, QStringLiteral("ubnt"));
        settings.write(keys::KORVANE_AUTOLINK, QStringLiteral("1"));
        settings.write(keys::KORVANE_CLOUD, QStringLiteral("1"));
        const QString server = QStringLiteral("127.0.0.1:%1").arg(cloud.port());
        for (const char *key : {"CLOUD_SERVER_NAME", "CLOUD_SERVER_IP", "CLOUD_HOST"})
            settings.write(QString::fromLatin1(key), server);
        // No comparison turns: the board's record then holds the sweep's only.
        settings.write(keys::USE_SHIP_AIS_SCAN_COMP, QStringLiteral("0"));
        settings.write(keys::USE_SHIP_AIS_SCAN_AUTO_TIME, QStringLiteral("180"));
    }

    QString path(const char *name) const { return QDir(dir.path()).filePath(QString::fromLatin1(name)); }

    bool startStation()
    {
        return station.start({QStringLiteral("--settings"), path("station.ini"), QStringLiteral("--log-dir"),
                              dir.path(), QStringLiteral("--history"), historyPath, QStringLiteral("--time-scale"),
                              QString::number(kTimeScale)},
                             env);
    }

    qint64 cloudAnswers() { return cloud.statusValue(QStringLiteral("answered")); }
    qsizetype sweepTurns() const { return readFile(boardRecord).count("m14\r\n"); }
    qsizetype logins() const { return station.output().count(kLoggedIn); }
    bool shownSince(qsizetype from, const QString &line) const { return station.output().mid(from).contains(line); }

    HistoryExport exportOf(const char *what)
    {
        return runHistoryExport({QString::fromLatin1(what), QStringLiteral("--history"), historyPath});
    }

    // Waits until the file holds a sample later than `t`.
    bool waitForSampleAfter(const QDateTime &t)
    {
        return waitUntil(
            [&] {
                const QList<HistoryRow> rows = parseHistoryRows(exportOf("--export-history").rows);
                return !rows.isEmpty() && rows.last().time > wholeSecond(t);
            },
            kWaitMs);
    }

    void cloudFailure();
    void radioDrop();
    void checkSamples(const HistoryExport &samples);
    void checkEvents(const HistoryExport &events);
    void grabWindow();

    static constexpr double kTimeScale = 0.05;

    QTemporaryDir dir;
    QString historyPath;
    QString boardRecord; // every byte the board received
    QProcessEnvironment env;
    SimProcess board;
    SimProcess radio;
    SimProcess cloud;
    StationProcess station;
    Moments at;
};

// Two refused reports in a row, then the cloud takes them again.
void HistoryScreenshot::cloudFailure()
{
    ASSERT_TRUE(waitUntil([&] { return cloudAnswers() >= 2; }, kWaitMs)) << "reports reach the cloud";
    at.cloudRefusing = QDateTime::currentDateTime();
    ASSERT_TRUE(cloud.controlAcknowledged(QStringLiteral("status 500")));
    const qint64 before = cloudAnswers();
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("提交云平台失败 (Winsock): HTTP/1.1 500"), kWaitMs));
    at.cloudFailing = QDateTime::currentDateTime();
    ASSERT_TRUE(waitUntil([&] { return cloudAnswers() >= before + 2; }, kWaitMs));
    ASSERT_TRUE(cloud.controlAcknowledged(QStringLiteral("status 200")));
    at.cloudMended = QDateTime::currentDateTime();
    const qint64 failed = cloudAnswers();
    ASSERT_TRUE(waitUntil([&] { return cloudAnswers() > failed; }, kWaitMs)) << "a report is taken again";
    at.cloudTaken = QDateTime::currentDateTime();
}

// The far end goes while the radio answers, so the sweep turns the antenna;
// then the radio's console goes too (its figures are stale: the sweep
// waits). Then the console answers again and the far end is back, a little
// stronger.
void HistoryScreenshot::radioDrop()
{
    // The board's own execution reports would keep putting the sweep off.
    ASSERT_TRUE(board.controlAcknowledged(QStringLiteral("silent on")));
    const qsizetype shown = station.output().size();
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("signal -120")));
    // The loss counts from when the station read it: on a busy machine its
    // next poll may come a second or more after the radio changed.
    ASSERT_TRUE(waitUntil([&] { return shownSince(shown, QStringLiteral("Text1.text=-120\n")); }, kWaitMs));
    at.signalLost = QDateTime::currentDateTime();
    // A whole second of it on file before the console goes too.
    ASSERT_TRUE(waitForSampleAfter(at.signalLost.addSecs(1)));
    ASSERT_TRUE(waitUntil([&] { return sweepTurns() >= 3; }, kWaitMs)) << qPrintable(station.output().right(3000));
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("silent on")));
    at.dropped = QDateTime::currentDateTime();
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("drop")));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label_NOTE.text=微波连接中断（"), kWaitMs));
    ASSERT_TRUE(waitForSampleAfter(at.dropped.addSecs(4)));

    const qsizetype seen = station.output().size();
    const qsizetype loginsBefore = logins();
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("signal -58")));
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("silent off")));
    at.returned = QDateTime::currentDateTime();
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("drop")));
    ASSERT_TRUE(waitUntil([&] { return logins() > loginsBefore; }, kWaitMs)) << qPrintable(station.output().right(3000));
    at.back = QDateTime::currentDateTime();
    ASSERT_TRUE(waitUntil([&] { return shownSince(seen, QStringLiteral("Text1.text=-58\n")); }, kWaitMs));
    at.stronger = QDateTime::currentDateTime();
    ASSERT_TRUE(board.controlAcknowledged(QStringLiteral("silent off")));
}

// The signal column follows the radio: -61, then no signal, nothing while
// the console is gone, then -58; radio_link is 0 across the drop to the
// second; cloud_ok is 0 while the cloud refused, 1 before and after (unknown
// while reports are held for the radio).
void HistoryScreenshot::checkSamples(const HistoryExport &samples)
{
    ASSERT_EQ(samples.exitCode, 0) << qPrintable(samples.error);
    const int signal = samples.column(QStringLiteral("signal_dbm"));
    const int radioLink = samples.column(QStringLiteral("radio_link"));
    const int cloudOk = samples.column(QStringLiteral("cloud_ok"));
    ASSERT_GE(signal, 0);
    ASSERT_GE(radioLink, 0);
    ASSERT_GE(cloudOk, 0);
    const QList<HistoryRow> rows = parseHistoryRows(samples.rows);
    ASSERT_GT(rows.size(), 100);

    const auto after = [](const HistoryRow &r, const QDateTime &t) { return r.time > wholeSecond(t); };
    const auto before = [](const HistoryRow &r, const QDateTime &t) { return r.time < wholeSecond(t); };
    QDateTime firstDown;
    QDateTime lastDown;
    int cloudDown = 0;
    int lostWhileUp = 0;
    bool heard61 = false;
    for (const HistoryRow &r : rows) {
        const QString row = r.cells.join(u',');
        const QString s = r.cell(signal);
        const bool up = r.cell(radioLink) == QLatin1String("1");
        if (!up) {
            EXPECT_EQ(r.cell(radioLink), QStringLiteral("0")) << qPrintable(row);
            EXPECT_TRUE(s.isEmpty()) << qPrintable(row);
            if (!firstDown.isValid())
                firstDown = r.time;
            lastDown = r.time;
        }
        // Before the first reading the signal is unknown, then -61.
        heard61 = heard61 || s == QLatin1String("-61");
        if (before(r, at.signalLost) && !s.isEmpty()) {
            EXPECT_EQ(s, heard61 ? QStringLiteral("-61") : QStringLiteral("-120")) << qPrintable(row);
        }
        // Once the console is silent its last figure is no reading: unknown.
        if (after(r, at.signalLost) && before(r, at.returned) && up && (before(r, at.dropped) || !s.isEmpty())) {
            EXPECT_EQ(s, QStringLiteral("-120")) << qPrintable(row);
            ++lostWhileUp;
        }
        // Logged in again, before the new session's first reading: unknown.
        if (!before(r, at.returned) && !after(r, at.stronger) && up) {
            EXPECT_TRUE(s.isEmpty() || s == QLatin1String("-120") || s == QLatin1String("-58")) << qPrintable(row);
        }
        if (after(r, at.dropped.addSecs(2)) && before(r, at.returned)) {
            EXPECT_FALSE(up) << qPrintable(row);
        }
        if (after(r, at.stronger)) {
            EXPECT_TRUE(up) << qPrintable(row);
            EXPECT_EQ(s, QStringLiteral("-58")) << qPrintable(row);
        }
        if (after(r, at.cloudFailing) && before(r, at.cloudMended)) {
            EXPECT_EQ(r.cell(cloudOk), QStringLiteral("0")) << qPrintable(row);
            ++cloudDown;
        } else if ((before(r, at.cloudRefusing) || after(r, at.cloudTaken.addSecs(1))) && !r.cell(cloudOk).isEmpty()) {
            // Unknown while no report goes out (the radio lost), never refused.
            EXPECT_EQ(r.cell(cloudOk), QStringLiteral("1")) << qPrintable(row);
        }
    }
    EXPECT_TRUE(heard61);
    EXPECT_GT(lostWhileUp, 0) << "the loss of the far end is on file before the console goes";
    EXPECT_GT(cloudDown, 0);
    ASSERT_TRUE(firstDown.isValid()) << "the drop is on file";
    EXPECT_GE(firstDown, wholeSecond(at.dropped));
    EXPECT_LE(firstDown, wholeSecond(at.dropped).addSecs(2));
    EXPECT_GE(lastDown, wholeSecond(at.returned).addSecs(-1));
    EXPECT_LE(lastDown, wholeSecond(at.back));
}

// Each event at its seconds: the refused reports, the drop, the sweep's
// turns while the console was gone, the link back with the new login.
void HistoryScreenshot::checkEvents(const HistoryExport &events)
{
    ASSERT_EQ(events.exitCode, 0) << qPrintable(events.error);
    ASSERT_EQ(events.header, QStringLiteral("time,kind,text"));
    const QString all = events.rows.join(u'\n');
    const auto times = [&](const QString &kind, const QString &text) {
        QList<QDateTime> found;
        for (const HistoryRow &r : parseHistoryRows(events.rows)) {
            if (r.cell(1) == kind && r.cells.mid(2).join(u',').contains(text))
                found << r.time;
        }
        return found;
    };
    const auto within = [](const QList<QDateTime> &found, const QDateTime &from, const QDateTime &until) {
        return !found.isEmpty()
               && std::all_of(found.begin(), found.end(), [&](const QDateTime &t) {
                      return t >= wholeSecond(from) && t <= wholeSecond(until);
                  });
    };
    const QList<QDateTime> refused = times(QStringLiteral("cloud_failure"), QStringLiteral("HTTP/1.1 500"));
    EXPECT_GE(refused.size(), 2) << qPrintable(all);
    EXPECT_TRUE(within(refused, at.cloudRefusing, at.cloudMended)) << qPrintable(all);
    const QList<QDateTime> lost = times(QStringLiteral("link_lost"), QStringLiteral("微波连接中断（"));
    EXPECT_EQ(lost.size(), 1) << qPrintable(all);
    EXPECT_TRUE(within(lost, at.dropped, at.dropped.addSecs(2))) << qPrintable(all);
    const QList<QDateTime> sweeps = times(QStringLiteral("sweep"), QStringLiteral("信号丢失系统自动搜索和扫描中"));
    EXPECT_GE(sweeps.size(), 3) << qPrintable(all);
    EXPECT_TRUE(within(sweeps, at.signalLost, at.dropped)) << "the sweep acts on a live signal only" << qPrintable(all);
    const QList<QDateTime> back = times(QStringLiteral("link_back"), QStringLiteral("微波连接恢复，中断"));
    EXPECT_EQ(back.size(), 1) << qPrintable(all);
    EXPECT_TRUE(within(back, at.returned, at.back.addSecs(1))) << qPrintable(all);
}

// The whole run in the window, the cursor in the drop, grabbed to
// build/screenshots for the README; the drop and the refused reports show
// red in their bands.
void HistoryScreenshot::grabWindow()
{
    const HistoryExport samples = exportOf("--export-history");
    const QList<HistoryRow> rows = parseHistoryRows(samples.rows);
    ASSERT_FALSE(rows.isEmpty());
    FakeClock clock;
    clock.time = rows.last().time.addSecs(1);
    SettingsStore settings(path("window.ini"));
    HistoryWindow window(historyPath, clock, settings);
    window.resize(1180, 720);
    window.show();
    window.layout()->activate();
    window.showRange(rows.first().time.toMSecsSinceEpoch(), clock.time.toMSecsSinceEpoch());
    window.refresh();
    const auto middle = [](const QDateTime &a, const QDateTime &b) {
        return (a.toMSecsSinceEpoch() + b.toMSecsSinceEpoch()) / 2;
    };
    ASSERT_TRUE(waitUntil([&] { return !window.isLoading(); }, kWaitMs));
    window.setCursorTime(middle(at.dropped, at.returned));
    ASSERT_TRUE(waitUntil([&] { return !window.isLoading(); }, kWaitMs));
    auto *events = window.findChild<QListWidget *>(QStringLiteral("historyEvents"));
    ASSERT_GE(events->count(), 6);

    const QImage image = window.grab().toImage();
    HistoryChart *chart = window.chart();
    const QPoint chartAt = chart->mapTo(&window, QPoint(0, 0));
    // A band is drawn sample by sample, with a hairline between: the colour
    // is looked for a few pixels either side.
    const auto colourAt = [&](qint64 t, double y) {
        const QPoint centre = chartAt + QPoint(int(chart->xAt(t)), int(y));
        for (int dx : {0, 1, -1, 2, -2, 3, -3}) {
            const QColor c = image.pixelColor(centre + QPoint(dx, 0));
            if (c == QColor(211, 47, 47) || c == QColor(76, 175, 80))
                return c;
        }
        return QColor();
    };
    // The bands: control board, radio, cloud; in the middle of each row.
    const double bottom = chart->plotRect().bottom();
    const double radioRow = bottom - 2 * 15 + 6;
    const double cloudRow = bottom - 15 + 6;
    const QColor down(211, 47, 47);
    const QColor up(76, 175, 80);
    EXPECT_EQ(colourAt(middle(at.dropped.addSecs(2), at.returned), radioRow), down);
    EXPECT_EQ(colourAt(at.signalLost.toMSecsSinceEpoch() - 1000, radioRow), up);
    EXPECT_EQ(colourAt(middle(at.cloudFailing, at.cloudMended), cloudRow), down);
    EXPECT_NE(colourAt(middle(at.dropped, at.returned), cloudRow), down) << "reports are held, not refused";

    const QString folder = QStringLiteral(KORVANE_BINARY_DIR "/screenshots");
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(image.save(folder + QStringLiteral("/history.png")));
}

TEST_F(HistoryScreenshot, RecordedRunWithADropASweepAndACloudFailure)
{
    QElapsedTimer run;
    run.start();
    ASSERT_TRUE(startStation());
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Text1.text=-61"), kWaitMs)) << qPrintable(station.output());
    ASSERT_NO_FATAL_FAILURE(cloudFailure());
    ASSERT_NO_FATAL_FAILURE(radioDrop());
    ASSERT_TRUE(waitForSampleAfter(at.stronger.addSecs(2)));
    station.send(QStringLiteral(":quit"));
    ASSERT_TRUE(station.waitForExit(kWaitMs));
    EXPECT_EQ(station.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(station.process().exitCode(), 0);
    ASSERT_NO_FATAL_FAILURE(checkSamples(exportOf("--export-history")));
    ASSERT_NO_FATAL_FAILURE(checkEvents(exportOf("--export-events")));
    ASSERT_NO_FATAL_FAILURE(grabWindow());
    std::printf("recorded run and checks: %lld ms\n", static_cast<long long>(run.elapsed()));
}

} // namespace
