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
    const Span span{kStart, kStart + 2 * kHour, 120};
    const SpanData data = reader().load({QStringLiteral("signal_dbm")}, kStateColumns, span);
    const auto &signal = data.figures[0];
    for (int c = 0; c < 120; ++c) {
        ASSERT_TRUE(signal.columns[c]) << c;
        if (c < 60) {
            EXPECT_DOUBLE_EQ(signal.columns[c]->min, -80) << c;
            EXPECT_DOUBLE_EQ(signal.columns[c]->max, -50 - c % 2) << c;
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

    // A week reads the minute rows alone, though raw rows lie in it.
    const Span week{kStart + 2 * kHour - 7 * 24 * kHour, kStart + 2 * kHour, 168};
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

    const Span span{kStart, kStart + 2 * kHour, 12};
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

// A chart wide enough per column reads the seconds through ten-second bins;
// rows written after a first look, even at an earlier time, still show.
TEST_F(HistoryQueryTest, RowsWrittenBetweenTwoLooksShowInTheSecond)
{
    seconds(kStart, 3600, [](int) { return HistoryFill::Row{{QStringLiteral("signal_dbm"), -60.0}}; });
    const Span span{kStart, kStart + 2 * kHour, 120};
    auto first = reader().figures({QStringLiteral("signal_dbm")}, span)[0];
    EXPECT_TRUE(first.columns[59]);
    EXPECT_FALSE(first.columns[60]);

    seconds(kStart + kHour, 60, [](int i) { return HistoryFill::Row{{QStringLiteral("signal_dbm"), -60.0 - i}}; });
    // The clock stepped back: a new row at 00:30:05, lower than any before.
    seconds(kStart + 30 * kMinute + 5 * kSecond, 1, [](int) { return HistoryFill::Row{{QStringLiteral("signal_dbm"), -99.0}}; });
    // And the view now starts earlier than the first look did.
    fill->minute(kStart - kMinute, {{QStringLiteral("n"), 60}, {QStringLiteral("signal_dbm_min"), -70.0},
                                    {QStringLiteral("signal_dbm_max"), -70.0}});
    const auto second = reader().figures({QStringLiteral("signal_dbm")}, span)[0];
    ASSERT_TRUE(second.columns[60]);
    EXPECT_DOUBLE_EQ(second.columns[60]->min, -119);
    EXPECT_DOUBLE_EQ(second.columns[60]->max, -60);
    ASSERT_TRUE(second.columns[30]);
    EXPECT_DOUBLE_EQ(second.columns[30]->min, -99);
    EXPECT_DOUBLE_EQ(second.columns[29]->min, -60);
    EXPECT_FALSE(second.columns[61]);

    const Span earlier{kStart - kHour, kStart + kHour, 120};
    const auto third = reader().figures({QStringLiteral("signal_dbm")}, earlier)[0];
    ASSERT_TRUE(third.columns[59]);
    EXPECT_DOUBLE_EQ(third.columns[59]->min, -70);
    ASSERT_TRUE(third.columns[60]);
    EXPECT_DOUBLE_EQ(third.columns[60]->min, -60);
}

// The first look at two days reads them a few hours a call, newest first,
// and says so until all are in.
TEST_F(HistoryQueryTest, ALongSpanFillsInOverSeveralCallsNewestFirst)
{
    fill->begin();
    for (int m = 0; m < 48 * 60; ++m)
        fill->sample(kStart + m * kMinute, {{QStringLiteral("signal_dbm"), -60.0 - m / 60}});
    fill->commit();
    const Span span{kStart, kStart + 48 * kHour, 96};
    SpanData data = reader().load({QStringLiteral("signal_dbm")}, kStateColumns, span);
    EXPECT_FALSE(data.complete);
    ASSERT_TRUE(data.figures[0].columns[95]);
    EXPECT_FALSE(data.figures[0].columns[0]);
    int calls = 1;
    while (!data.complete && calls < 20) {
        data = reader().load({QStringLiteral("signal_dbm")}, kStateColumns, span);
        ++calls;
    }
    EXPECT_TRUE(data.complete);
    EXPECT_GE(calls, 4);
    for (int c = 0; c < 96; ++c) {
        ASSERT_TRUE(data.figures[0].columns[c]) << c;
        EXPECT_DOUBLE_EQ(data.figures[0].columns[c]->min, -60 - c / 2) << c;
    }
    EXPECT_EQ(data.bands.value(QStringLiteral("radio_link")).size(), 1);
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
