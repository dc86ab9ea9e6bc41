#include "history/HistoryQuery.h"

#include "history/HistorySchema.h"
#include "support/HistoryFill.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace korvane::history;
using korvane::test::HistoryFill;

namespace {

constexpr qint64 kSecond = 1000;
constexpr qint64 kMinute = 60 * kSecond;
constexpr qint64 kHour = 60 * kMinute;
// 2026-12-09 00:00:00 UTC
constexpr qint64 kStart = 1796774400000;

class HistoryQueryTest : public ::testing::Test {
protected:
    HistoryQueryTest() : path(QDir(dir.path()).filePath(QStringLiteral("history.sqlite")))
    {
        fill = std::make_unique<HistoryFill>(path);
    }

    HistoryQuery &reader()
    {
        fill->commit();
        if (!query) {
            query = std::make_unique<HistoryQuery>(path);
            EXPECT_TRUE(query->open()) << query->errorText().toStdString();
        }
        return *query;
    }

    // One sample a second from `first` for `count` seconds, the signal from `signal(i)`.
    template <class F>
    void seconds(qint64 first, int count, F signal)
    {
        fill->begin();
        for (int i = 0; i < count; ++i)
            fill->sample(first + i * kSecond, signal(i));
        fill->commit();
    }

    QTemporaryDir dir;
    QString path;
    std::unique_ptr<HistoryFill> fill;
    std::unique_ptr<HistoryQuery> query;
};

const FigureColumns &figure(const QVector<FigureColumns> &all, const QString &name)
{
    for (const FigureColumns &f : all)
        if (f.figure == name)
            return f;
    static const FigureColumns none;
    ADD_FAILURE() << "no figure " << name.toStdString();
    return none;
}

TEST_F(HistoryQueryTest, EachColumnHoldsTheLeastAndGreatestOfItsSeconds)
{
    // Ten seconds a column; in each, the signal runs −60 … −69, and one
    // second in column 7 jumps to −40.
    seconds(kStart, 600, [](int i) {
        return HistoryFill::Row{{QStringLiteral("signal_dbm"), i == 75 ? -40.0 : -60.0 - i % 10},
                                {QStringLiteral("rx_mbps"), double(i)}};
    });
    const Span span{kStart, kStart + 10 * kMinute, 60};
    const auto figures = reader().figures({QStringLiteral("signal_dbm"), QStringLiteral("rx_mbps")}, span);
    ASSERT_EQ(figures.size(), 2);
    const auto &signal = figure(figures, QStringLiteral("signal_dbm"));
    const auto &rx = figure(figures, QStringLiteral("rx_mbps"));
    ASSERT_EQ(signal.columns.size(), 60);
    for (int c = 0; c < 60; ++c) {
        ASSERT_TRUE(signal.columns[c]) << c;
        EXPECT_DOUBLE_EQ(signal.columns[c]->min, -69) << c;
        EXPECT_DOUBLE_EQ(signal.columns[c]->max, c == 7 ? -40 : -60) << c;
        EXPECT_DOUBLE_EQ(rx.columns[c]->min, 10 * c);
        EXPECT_DOUBLE_EQ(rx.columns[c]->max, 10 * c + 9);
    }
}

TEST_F(HistoryQueryTest, UnknownFiguresAndMissingSecondsLeaveColumnsEmpty)
{
    // Seconds 100–199 have no signal but a noise; seconds 300–399 have no row.
    seconds(kStart, 600, [](int i) {
        HistoryFill::Row row{{QStringLiteral("noise_dbm"), -95.0}};
        if (i < 100 || i >= 200)
            row.insert(QStringLiteral("signal_dbm"), -61.0);
        return row;
    });
    reader().figures({}, {kStart, kStart + 1, 1}); // opens before the rows go
    fill->exec(QStringLiteral("DELETE FROM samples WHERE t >= %1 AND t < %2")
                   .arg(kStart + 300 * kSecond)
                   .arg(kStart + 400 * kSecond));
    const auto figures =
        reader().figures({QStringLiteral("signal_dbm"), QStringLiteral("noise_dbm")}, {kStart, kStart + 10 * kMinute, 60});
    const auto &signal = figure(figures, QStringLiteral("signal_dbm"));
    const auto &noise = figure(figures, QStringLiteral("noise_dbm"));
    for (int c = 0; c < 60; ++c) {
        const bool gap = c >= 30 && c < 40;
        EXPECT_EQ(bool(signal.columns[c]), !gap && (c < 10 || c >= 20)) << c;
        EXPECT_EQ(bool(noise.columns[c]), !gap) << c;
    }
}

TEST_F(HistoryQueryTest, BandsMergeColumnsIntoRunsAndADownSecondMarksItsColumn)
{
    // The radio link drops from 05:00 to 10:00 of a 20-minute span; the board
    // link blinks down for one second at 15:00:03; the cloud is never known.
    seconds(kStart, 1200, [](int i) {
        return HistoryFill::Row{{QStringLiteral("radio_link"), (i >= 300 && i < 600) ? 0 : 1},
                                {QStringLiteral("board_link"), i == 903 ? 0 : 1}};
    });
    const Span span{kStart, kStart + 20 * kMinute, 120};
    const auto bands = reader().bands(kStateColumns, span);
    const QVector<LinkRun> radio = bands.value(QStringLiteral("radio_link"));
    ASSERT_EQ(radio.size(), 3);
    EXPECT_EQ(radio[0].state, LinkState::Up);
    EXPECT_EQ(radio[1].state, LinkState::Down);
    EXPECT_EQ(radio[1].from, kStart + 5 * kMinute);
    EXPECT_EQ(radio[1].until, kStart + 10 * kMinute);
    EXPECT_EQ(radio[2].state, LinkState::Up);
    EXPECT_EQ(radio[2].until, span.until);

    const QVector<LinkRun> board = bands.value(QStringLiteral("board_link"));
    ASSERT_EQ(board.size(), 3);
    EXPECT_EQ(board[1].state, LinkState::Down);
    EXPECT_EQ(board[1].from, kStart + 900 * kSecond);
    EXPECT_EQ(board[1].until, kStart + 910 * kSecond);

    const QVector<LinkRun> cloud = bands.value(QStringLiteral("cloud_ok"));
    ASSERT_EQ(cloud.size(), 1);
    EXPECT_EQ(cloud[0].state, LinkState::Unknown);
}

TEST_F(HistoryQueryTest, EventsOfTheSpanComeInTimeThenWriteOrder)
{
    fill->event(kStart + 5 * kSecond, kind::LinkLost, QStringLiteral("second"));
    fill->event(kStart + 2 * kSecond, kind::Sweep, QStringLiteral("first"));
    fill->event(kStart + 5 * kSecond, kind::LinkBack, QStringLiteral("third"));
    fill->event(kStart - kSecond, kind::Alarm, QStringLiteral("before"));
    fill->event(kStart + kMinute, kind::Alarm, QStringLiteral("at the end"));
    const auto events = reader().events(kStart, kStart + kMinute);
    ASSERT_EQ(events.size(), 3);
    EXPECT_EQ(events[0].text, QStringLiteral("first"));
    EXPECT_EQ(events[0].kind, kind::Sweep);
    EXPECT_EQ(events[1].text, QStringLiteral("second"));
    EXPECT_EQ(events[2].text, QStringLiteral("third"));
    EXPECT_EQ(events[2].t, kStart + 5 * kSecond);
}

// The first hour was folded into minute rows, the second is still per second.
TEST_F(HistoryQueryTest, ASpanAcrossFoldedAndRawRowsReadsEachWhereItLies)
{
    fill->begin();
    for (int m = 0; m < 60; ++m)
        fill->minute(kStart + m * kMinute, {{QStringLiteral("n"), 60},
                                            {QStringLiteral("signal_dbm_min"), -80.0},
                                            {QStringLiteral("signal_dbm_mean"), -70.0},
                                            {QStringLiteral("signal_dbm_max"), -50.0 - m % 2},
                                            {QStringLiteral("radio_link"), m == 30 ? 0.5 : 1.0}});
    fill->commit();
    seconds(kStart + kHour, 3600, [](int) {
        return HistoryFill::Row{{QStringLiteral("signal_dbm"), -62.0}, {QStringLiteral("radio_link"), 1}};
    });
    // Two hours over 240 columns, half a minute each: short enough for the
    // seconds; each minute row fills both its columns.
    const Span span{kStart, kStart + 2 * kHour, 240};
    const SpanData data = reader().load({QStringLiteral("signal_dbm")}, kStateColumns, span);
    EXPECT_FALSE(data.fromMinutes);
    const auto &signal = data.figures[0];
    for (int c = 0; c < 240; ++c) {
        ASSERT_TRUE(signal.columns[c]) << c;
        if (c < 120) {
            EXPECT_DOUBLE_EQ(signal.columns[c]->min, -80) << c;
            EXPECT_DOUBLE_EQ(signal.columns[c]->max, -50 - (c / 2) % 2) << c;
        } else {
            EXPECT_DOUBLE_EQ(signal.columns[c]->min, -62) << c;
            EXPECT_DOUBLE_EQ(signal.columns[c]->max, -62) << c;
        }
    }
    // A minute partly down shows as down.
    const QVector<LinkRun> radio = data.bands.value(QStringLiteral("radio_link"));
    ASSERT_EQ(radio.size(), 3);
    EXPECT_EQ(radio[1].state, LinkState::Down);
    EXPECT_EQ(radio[1].from, kStart + 30 * kMinute);
    EXPECT_EQ(radio[1].until, kStart + 31 * kMinute);

    // A week reads the minute rows alone, though raw rows lie in it (this
    // file has none for the second hour).
    const Span week{kStart + 2 * kHour - 7 * 24 * kHour, kStart + 2 * kHour, 168};
    EXPECT_TRUE(HistoryQuery::readsMinutes(week));
    const auto weekly = reader().figures({QStringLiteral("signal_dbm")}, week);
    int known = 0;
    for (const auto &column : weekly[0].columns)
        if (column) {
            ++known;
            EXPECT_DOUBLE_EQ(column->min, -80);
        }
    EXPECT_EQ(known, 1);
}

TEST_F(HistoryQueryTest, RowsWrittenAfterTheClockSteppedBackLandAtTheirTime)
{
    // Ten minutes from 01:00, then the clock goes back an hour and ten more
    // minutes are written from 00:10.
    seconds(kStart + kHour, 600, [](int) { return HistoryFill::Row{{QStringLiteral("signal_dbm"), -60.0}}; });
    seconds(kStart + 10 * kMinute, 600, [](int) { return HistoryFill::Row{{QStringLiteral("signal_dbm"), -70.0}}; });
    fill->event(kStart + kHour + kSecond, kind::Alarm, QStringLiteral("before the step"));
    fill->event(kStart + 10 * kMinute + kSecond, kind::Alarm, QStringLiteral("after the step"));
    fill->foldAll();

    const Span span{kStart, kStart + 2 * kHour, 12};
    EXPECT_TRUE(HistoryQuery::readsMinutes(span));
    const auto signal = reader().figures({QStringLiteral("signal_dbm")}, span)[0];
    EXPECT_FALSE(signal.columns[0]);
    ASSERT_TRUE(signal.columns[1]);
    EXPECT_DOUBLE_EQ(signal.columns[1]->max, -70);
    ASSERT_TRUE(signal.columns[6]);
    EXPECT_DOUBLE_EQ(signal.columns[6]->max, -60);
    for (int c : {2, 3, 4, 5, 7})
        EXPECT_FALSE(signal.columns[c]) << c;

    const auto events = reader().events(span.from, span.until);
    ASSERT_EQ(events.size(), 2);
    EXPECT_EQ(events[0].text, QStringLiteral("after the step"));

    const auto reading = reader().readingAt(kStart + 15 * kMinute, 5 * kSecond);
    ASSERT_TRUE(reading);
    EXPECT_DOUBLE_EQ(reading->values.value(QStringLiteral("signal_dbm")), -70);
    EXPECT_EQ(reader().lastTime(), kStart + kHour + 599 * kSecond);
}

TEST_F(HistoryQueryTest, AReadingHoldsEveryKnownValueOfTheNearestEarlierSample)
{
    seconds(kStart, 10, [](int i) {
        HistoryFill::Row row{{QStringLiteral("signal_dbm"), -60.0 - i},
                             {QStringLiteral("heading_deg"), 271.0},
                             {QStringLiteral("board_link"), 1},
                             {QStringLiteral("radio_link"), 0}};
        return row;
    });
    const auto at = reader().readingAt(kStart + 4 * kSecond + 500, 2 * kSecond);
    ASSERT_TRUE(at);
    EXPECT_EQ(at->t, kStart + 4 * kSecond);
    EXPECT_FALSE(at->fromMinutes);
    EXPECT_DOUBLE_EQ(at->values.value(QStringLiteral("signal_dbm")), -64);
    EXPECT_DOUBLE_EQ(at->values.value(QStringLiteral("heading_deg")), 271);
    EXPECT_DOUBLE_EQ(at->values.value(QStringLiteral("board_link")), 1);
    EXPECT_DOUBLE_EQ(at->values.value(QStringLiteral("radio_link")), 0);
    EXPECT_FALSE(at->values.contains(QStringLiteral("noise_dbm")));
    EXPECT_FALSE(at->values.contains(QStringLiteral("cloud_ok")));
    // Nothing within reach.
    EXPECT_FALSE(reader().readingAt(kStart + 30 * kSecond, 2 * kSecond));

    // Before the per-second rows, a minute row gives its means.
    fill->minute(kStart - kMinute, {{QStringLiteral("n"), 60}, {QStringLiteral("signal_dbm_mean"), -66.5}});
    const auto older = reader().readingAt(kStart - 20 * kSecond, kSecond);
    ASSERT_TRUE(older);
    EXPECT_TRUE(older->fromMinutes);
    EXPECT_DOUBLE_EQ(older->values.value(QStringLiteral("signal_dbm")), -66.5);
}

// A short span reads the seconds, and the minute rows of minutes whose
// seconds are gone (past the raw retention, or before a clock set back);
// rows written after a first look show in the second.
TEST_F(HistoryQueryTest, AShortSpanReadsTheSecondsAndTheMinutesWhoseSecondsAreGone)
{
    // Three hours of minute rows only, then three hours of seconds.
    fill->begin();
    for (int m = 0; m < 180; ++m)
        fill->minute(kStart + m * kMinute, {{QStringLiteral("n"), 60},
                                            {QStringLiteral("signal_dbm_min"), -75.0},
                                            {QStringLiteral("signal_dbm_max"), -70.0}});
    fill->commit();
    seconds(kStart + 3 * kHour, 3 * 3600, [](int) { return HistoryFill::Row{{QStringLiteral("signal_dbm"), -60.0}}; });
    fill->foldAll();
    const Span span{kStart, kStart + 6 * kHour, 720};
    EXPECT_FALSE(HistoryQuery::readsMinutes(span));
    auto first = reader().load({QStringLiteral("signal_dbm")}, {}, span).figures[0];
    for (int c = 0; c < 720; ++c) {
        ASSERT_TRUE(first.columns[c]) << c;
        EXPECT_DOUBLE_EQ(first.columns[c]->max, c < 360 ? -70 : -60) << c;
    }
    // The clock stepped back: a new second at 01:30:05, lower than any
    // before, in a minute that has only its minute row.
    seconds(kStart + 90 * kMinute + 5 * kSecond, 1, [](int) { return HistoryFill::Row{{QStringLiteral("signal_dbm"), -99.0}}; });
    fill->foldAll();
    const auto second = reader().load({QStringLiteral("signal_dbm")}, {}, span).figures[0];
    const qint64 c = span.column(kStart + 90 * kMinute + 5 * kSecond);
    ASSERT_TRUE(second.columns[c]);
    EXPECT_DOUBLE_EQ(second.columns[c]->min, -99);
    EXPECT_DOUBLE_EQ(second.columns[c]->max, -70) << "the minute row still shows beside the late second";
}

// Two days read the minute rows in one call: one row a minute, not a
// second a row.
TEST_F(HistoryQueryTest, ALongSpanReadsTheMinuteRowsInOneCall)
{
    fill->begin();
    for (int m = 0; m < 48 * 60; ++m)
        fill->sample(kStart + m * kMinute, {{QStringLiteral("signal_dbm"), -60.0 - m / 60}});
    fill->commit();
    fill->foldAll();
    const Span span{kStart, kStart + 48 * kHour, 96};
    const SpanData data = reader().load({QStringLiteral("signal_dbm")}, kStateColumns, span);
    EXPECT_TRUE(data.complete);
    EXPECT_TRUE(data.fromMinutes);
    for (int c = 0; c < 96; ++c) {
        ASSERT_TRUE(data.figures[0].columns[c]) << c;
        EXPECT_DOUBLE_EQ(data.figures[0].columns[c]->min, -60 - c / 2) << c;
    }
    EXPECT_EQ(data.bands.value(QStringLiteral("radio_link")).size(), 1);
}

// Marks of one kind within a few columns are one, with their number; the
// list is the newest first and at most as long as asked, or the events
// around a time in time order; the filter leaves kinds out of both.
TEST_F(HistoryQueryTest, MarksMergeByKindAndTheListFollowsTheFilter)
{
    for (int i = 0; i < 30; ++i)
        fill->event(kStart + i * 10 * kSecond, kind::Comparison,
                    QStringLiteral("2026-12-09 00:00:00信号最强(M)：-60 信号(L)：-62 信号(R)：-65 注：-120表示无信号"));
    fill->event(kStart + 95 * kSecond, kind::LinkLost, QStringLiteral("00:01:35 主机类型(1)事件：微波连接中断（超时）"));
    fill->commit();
    // An hour over 360 columns: ten seconds a column; marks merge over 6.
    LoadRequest request;
    request.figures = {QStringLiteral("signal_dbm")};
    request.span = {kStart, kStart + kHour, 360};
    request.markerColumns = 6;
    request.listLimit = 10;
    SpanData data = reader().load(request);
    qint64 comparisons = 0;
    int lost = 0;
    for (const MarkerGroup &g : data.markers) {
        if (g.kind == kind::Comparison) {
            comparisons += g.count;
            EXPECT_EQ(g.count, 6);
            EXPECT_EQ(g.words, QStringLiteral("左 -62，中 -60，右 -65 dBm，中最强，回到中间"));
        } else {
            ++lost;
            EXPECT_EQ(g.words, QStringLiteral("微波连接中断（超时）"));
        }
    }
    EXPECT_EQ(comparisons, 30);
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(data.kindCounts.value(kind::Comparison), 30);
    EXPECT_EQ(data.listedOf, 31);
    ASSERT_EQ(data.events.size(), 10);
    EXPECT_TRUE(data.newestFirst);
    EXPECT_EQ(data.events.first().t, kStart + 290 * kSecond);

    request.hiddenKinds = {kind::Comparison};
    data = reader().load(request);
    ASSERT_EQ(data.events.size(), 1);
    EXPECT_EQ(data.events[0].kind, kind::LinkLost);
    EXPECT_EQ(data.markers.size(), 1);
    EXPECT_EQ(data.listedOf, 1);

    request.hiddenKinds.clear();
    request.around = kStart + 95 * kSecond;
    data = reader().load(request);
    EXPECT_FALSE(data.newestFirst);
    ASSERT_EQ(data.events.size(), 10);
    EXPECT_EQ(data.events[4].kind, kind::LinkLost) << "five at or before the time, in time order";
    EXPECT_LT(data.events[0].t, data.events[9].t);
}

// The signal band's episodes come from the events as the station logs them
// (time and head before the words), also one begun before the span.
TEST_F(HistoryQueryTest, SignalLostEpisodesComeFromTheStationsOwnLines)
{
    fill->event(kStart - kMinute, kind::LinkLost, QStringLiteral("23:59:00 主机类型(1)事件：信号丢失（信号低于-110 dBm）"));
    fill->event(kStart + kMinute, kind::LinkBack, QStringLiteral("00:01:00 主机类型(1)事件：信号恢复，中断2分"));
    fill->event(kStart + 5 * kMinute, kind::LinkLost, QStringLiteral("00:05:00 主机类型(1)事件：信号丢失（信号低于噪声）"));
    fill->commit();
    const SpanData data = reader().load({QStringLiteral("signal_dbm")}, {}, {kStart, kStart + 10 * kMinute, 60});
    ASSERT_EQ(data.signalLost.size(), 2);
    EXPECT_EQ(data.signalLost[0].from, kStart);
    EXPECT_EQ(data.signalLost[0].until, kStart + kMinute);
    EXPECT_EQ(data.signalLost[1].from, kStart + 5 * kMinute);
    EXPECT_EQ(data.signalLost[1].until, kStart + 10 * kMinute);
}

TEST(HistoryQueryOpen, AMissingFileOrAnotherKindOfFileIsRefused)
{
    QTemporaryDir dir;
    HistoryQuery missing(QDir(dir.path()).filePath(QStringLiteral("none.sqlite")));
    EXPECT_FALSE(missing.open());
    EXPECT_FALSE(missing.isOpen());
    EXPECT_FALSE(missing.events(0, 1).size());

    const QString garbage = QDir(dir.path()).filePath(QStringLiteral("garbage.sqlite"));
    QFile file(garbage);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    HistoryQuery notHistory(garbage);
    EXPECT_FALSE(notHistory.open());
    EXPECT_FALSE(notHistory.errorText().isEmpty());
    EXPECT_FALSE(notHistory.lastTime());
}

} // namespace
