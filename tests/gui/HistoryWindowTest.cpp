#include "gui/HistoryWindow.h"

#include "GuiInput.h"
#include "gui/HistoryChart.h"
#include "gui/MainWindow.h"
#include "gui/OperatorPanel.h"
#include "gui/TerminalView.h"
#include "history/HistorySchema.h"
#include "support/HistoryFill.h"
#include "support/HistoryRun.h"
#include "support/StationFixture.h"
#include "support/Wait.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace korvane;
using korvane::test::HistoryFill;
using korvane::test::HistoryRun;
using korvane::test::waitUntil;

namespace {

constexpr qint64 kSecond = 1000;
constexpr qint64 kMinute = 60 * kSecond;

class HistoryWindowTest : public ::testing::Test {
protected:
    HistoryWindowTest()
        : path(QDir(dir.path()).filePath(QStringLiteral("history.sqlite"))),
          settings(QDir(dir.path()).filePath(QStringLiteral("settings.ini")))
    {
        fill = std::make_unique<HistoryFill>(path);
    }

    qint64 now() const { return clock.time.toMSecsSinceEpoch(); }

    // Ten minutes up to now: the signal −61.5 dBm, the radio link down in the
    // last two, two events.
    void fillTenMinutes()
    {
        fill->begin();
        for (int i = 600; i > 0; --i)
            fill->sample(now() - i * kSecond, {{QStringLiteral("signal_dbm"), -61.5},
                                               {QStringLiteral("noise_dbm"), -95.0},
                                               {QStringLiteral("rx_mbps"), 12.25},
                                               {QStringLiteral("heading_deg"), 271.0},
                                               {QStringLiteral("board_link"), 1},
                                               {QStringLiteral("radio_link"), i <= 120 ? 0 : 1}});
        fill->event(now() - 120 * kSecond, history::kind::LinkLost, QStringLiteral("微波链路断开"));
        fill->event(now() - 400 * kSecond, history::kind::Sweep, QStringLiteral("扫描 偏移-30°"));
        fill->commit();
        fill->foldAll();
    }

    HistoryWindow &open()
    {
        window = std::make_unique<HistoryWindow>(path, clock, settings);
        window->show();
        window->layout()->activate();
        window->refresh();
        settle();
        return *window;
    }

    // The answers of the worker are in and drawn.
    void settle(HistoryWindow *w = nullptr)
    {
        HistoryWindow *target = w ? w : window.get();
        ASSERT_TRUE(waitUntil([&] { return !target->isLoading(); }, 20000)) << "the worker answers";
    }

    QString readout() const { return window->findChild<QLabel *>(QStringLiteral("historyReadout"))->text(); }

    QTemporaryDir dir;
    QString path;
    test::FakeClock clock;
    SettingsStore settings;
    std::unique_ptr<HistoryFill> fill;
    std::unique_ptr<HistoryWindow> window;
};

TEST_F(HistoryWindowTest, TheSpanChosenEndsNowAndFillsEveryPixelColumn)
{
    fillTenMinutes();
    // One second two days back, so two days of seconds are to be read.
    fill->sample(now() - 47 * 60 * kMinute, {{QStringLiteral("signal_dbm"), -70.0}});
    fill->commit();
    fill->foldAll();
    HistoryWindow &w = open();
    auto *spans = w.findChild<QComboBox *>(QStringLiteral("historySpan"));
    ASSERT_TRUE(spans);
    ASSERT_EQ(spans->count(), 7);
    EXPECT_EQ(spans->itemText(0), QStringLiteral("10分钟"));
    EXPECT_EQ(spans->itemText(5), QStringLiteral("7天"));
    const struct {
        int index;
        qint64 length;
    } cases[] = {{0, 10 * kMinute}, {1, 60 * kMinute}, {2, 360 * kMinute}, {3, 1440 * kMinute},
                 {4, 2880 * kMinute}, {5, 7 * 1440 * kMinute}};
    for (const auto &c : cases) {
        w.setSpanIndex(c.index);
        EXPECT_EQ(w.findChild<QLabel *>(QStringLiteral("historyStatus"))->text(), QStringLiteral("加载中…"));
        EXPECT_TRUE(w.chart()->loading());
        settle();
        EXPECT_FALSE(w.chart()->loading());
        const history::SpanData &data = w.chart()->data();
        EXPECT_EQ(data.span.length(), c.length) << c.index;
        EXPECT_EQ(data.span.until, now()) << c.index;
        EXPECT_EQ(data.span.width, w.chart()->plotWidth()) << c.index;
        ASSERT_FALSE(data.figures.isEmpty());
        EXPECT_EQ(data.figures[0].columns.size(), data.span.width);
    }
    // Ten minutes over more pixels than seconds: each second in a column of its own.
    w.setSpanIndex(0);
    settle();
    ASSERT_GT(w.chart()->plotWidth(), 600);
    int known = 0;
    for (const auto &column : w.chart()->data().figures[0].columns)
        known += column.has_value();
    EXPECT_EQ(known, 600);

    // Two days read the minute rows, the newest minute included.
    w.setSpanIndex(4);
    settle();
    EXPECT_TRUE(w.chart()->data().fromMinutes);
    EXPECT_EQ(w.chart()->data().span.length(), 2880 * kMinute);
    const history::SpanData &twoDays = w.chart()->data();
    const auto &old = twoDays.figures[0].columns[twoDays.span.column(now() - 47 * 60 * kMinute)];
    ASSERT_TRUE(old);
    EXPECT_DOUBLE_EQ(old->min, -70);
    EXPECT_TRUE(twoDays.figures[0].columns.last());

    // A from–to choice shows exactly that stretch and stops following.
    w.showRange(now() - 5 * kMinute, now() - 2 * kMinute);
    settle();
    EXPECT_EQ(w.chart()->data().span.from, now() - 5 * kMinute);
    EXPECT_EQ(w.chart()->data().span.until, now() - 2 * kMinute);
    EXPECT_FALSE(w.isLive());
    EXPECT_EQ(spans->currentIndex(), 6);
}

TEST_F(HistoryWindowTest, TheCursorShowsEveryValueAtItsTime)
{
    fillTenMinutes();
    HistoryWindow &w = open();
    w.setSpanIndex(0);
    settle();
    HistoryChart *chart = w.chart();
    const QPointF early(chart->xAt(now() - 300 * kSecond), chart->plotRect().center().y());
    test::click(chart, early);
    settle();
    ASSERT_TRUE(chart->cursorTime());
    EXPECT_NEAR(double(*chart->cursorTime()), double(now() - 300 * kSecond), 2000);
    const QString text = readout();
    EXPECT_TRUE(text.contains(QStringLiteral("信号 -61.5dBm"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("噪声 -95.0dBm"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("下行 12.25Mbit/s"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("船首向 271.0°"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("延迟 —"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("微波 通"))) << text.toStdString();

    test::click(chart, QPointF(chart->xAt(now() - 60 * kSecond), early.y()));
    settle();
    EXPECT_TRUE(readout().contains(QStringLiteral("微波 断"))) << readout().toStdString();
    EXPECT_TRUE(readout().contains(QStringLiteral("云端 —"))) << readout().toStdString();
}

TEST_F(HistoryWindowTest, AnEventInTheListMovesTheCursorToIt)
{
    fillTenMinutes();
    HistoryWindow &w = open();
    w.setSpanIndex(0);
    settle();
    auto *list = w.findChild<QListWidget *>(QStringLiteral("historyEvents"));
    ASSERT_TRUE(list);
    ASSERT_EQ(list->count(), 2);
    // The newest first, the time once.
    const QString lostTime = QDateTime::fromMSecsSinceEpoch(now() - 120 * kSecond).toString(QStringLiteral("MM-dd HH:mm:ss"));
    EXPECT_EQ(list->item(0)->text(), lostTime + QStringLiteral("  断链：微波链路断开"));
    EXPECT_TRUE(list->item(1)->text().contains(QStringLiteral("扫描：扫描 偏移-30°")));
    QListWidgetItem *lost = list->item(0);
    test::click(list->viewport(), list->visualItemRect(lost).center());
    settle();
    EXPECT_EQ(w.chart()->cursorTime(), now() - 120 * kSecond);
    EXPECT_TRUE(readout().startsWith(QDateTime::fromMSecsSinceEpoch(now() - 120 * kSecond)
                                         .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
    EXPECT_TRUE(readout().contains(QStringLiteral("微波 断")));

    // The same event, marked on the chart, names itself on hover.
    const QStringList near = w.chart()->eventTextsNear(w.chart()->xAt(now() - 120 * kSecond) + 1);
    ASSERT_EQ(near.size(), 1);
    EXPECT_TRUE(near[0].endsWith(QStringLiteral("断链：微波链路断开")));
    EXPECT_TRUE(w.chart()->eventTextsNear(w.chart()->xAt(now() - 250 * kSecond)).isEmpty());
}

TEST_F(HistoryWindowTest, LiveChartsFollowThePresentUntilTheOperatorLooksBack)
{
    fillTenMinutes();
    HistoryWindow &w = open();
    w.setSpanIndex(0);
    settle();
    EXPECT_TRUE(w.isLive());
    // Time passes; the live tick moves the span along.
    clock.time = clock.time.addSecs(30);
    EXPECT_TRUE(waitUntil([&] { return w.chart()->data().span.until == now(); }, 3000));

    // A turn of the wheel looks back a tenth of the span and stays there.
    const QPointF middle = w.chart()->plotRect().center();
    QWheelEvent wheel(middle, w.chart()->mapToGlobal(middle), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(w.chart(), &wheel);
    settle();
    EXPECT_FALSE(w.isLive());
    const qint64 until = w.chart()->data().span.until;
    EXPECT_EQ(until, now() - kMinute);
    clock.time = clock.time.addSecs(30);
    w.refresh();
    settle();
    EXPECT_EQ(w.chart()->data().span.until, until);
    EXPECT_EQ(w.findChild<QLabel *>(QStringLiteral("historyLive"))->text(), QStringLiteral("回看"));

    // Back half a span, then forward past the present: live again.
    test::click(w.findChild<QPushButton *>(QStringLiteral("historyBack")));
    settle();
    EXPECT_EQ(w.chart()->data().span.until, until - 5 * kMinute);
    test::click(w.findChild<QPushButton *>(QStringLiteral("historyForward")));
    test::click(w.findChild<QPushButton *>(QStringLiteral("historyForward")));
    settle();
    EXPECT_TRUE(w.isLive());
    EXPECT_EQ(w.chart()->data().span.until, now());

    w.scrollBy(-2);
    test::click(w.findChild<QPushButton *>(QStringLiteral("historyNow")));
    settle();
    EXPECT_TRUE(w.isLive());
    EXPECT_EQ(w.chart()->data().span.until, now());
}

TEST_F(HistoryWindowTest, TheBandsShowTheDropAndExportWritesTheSpanShown)
{
    HistoryRun run;
    run.start = now() - 3600 * kSecond;
    run.dropAt = 1200;
    run.cloudFailureAt = 2400;
    run.fill(*fill);
    fill->commit();
    fill->foldAll();
    HistoryWindow &w = open();
    const auto radio = w.chart()->data().bands.value(QStringLiteral("radio_link"));
    ASSERT_GE(radio.size(), 3);
    EXPECT_EQ(radio[1].state, history::LinkState::Down);
    const qint64 column = w.chart()->data().span.length() / w.chart()->data().span.width;
    EXPECT_NEAR(double(radio[1].from), double(run.at(1200)), double(column));
    EXPECT_NEAR(double(radio[1].until), double(run.at(1500)), double(column));

    w.setSpanIndex(0);
    settle();
    const QString target = QDir(dir.path()).filePath(QStringLiteral("shown.csv"));
    QString offered;
    w.setSaveFileChooser([&](const QString &suggested) {
        offered = suggested;
        return target;
    });
    test::click(w.findChild<QPushButton *>(QStringLiteral("historyExport")));
    EXPECT_TRUE(offered.endsWith(QStringLiteral(".csv")));
    EXPECT_EQ(w.findChild<QLabel *>(QStringLiteral("historyStatus"))->text(), QStringLiteral("正在导出…"));
    settle();
    QFile csv(target);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines[0].startsWith("time,"));
    // The last ten minutes hold 600 samples; whether the one second at
    // either edge is the exporter's to take, the rest must all be there.
    int rows = -1;
    for (const QByteArray &line : lines)
        rows += !line.trimmed().isEmpty();
    EXPECT_GE(rows, 599);
    EXPECT_LE(rows, 601);
    const QByteArray during = QDateTime::fromMSecsSinceEpoch(now() - 90 * kSecond)
                                  .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                  .toUtf8();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const QByteArray &l) { return l.startsWith(during); }));
    EXPECT_TRUE(w.findChild<QLabel *>(QStringLiteral("historyStatus"))->text().startsWith(QStringLiteral("已导出")));

    // Declining the dialog writes nothing.
    w.setSaveFileChooser([](const QString &) { return QString(); });
    EXPECT_FALSE(w.exportShown());
}

TEST_F(HistoryWindowTest, TheWindowRemembersItsSizeAndSaysWhenTheFileIsMissing)
{
    fillTenMinutes();
    open().resize(1000, 640);
    window->close();
    window.reset();
    HistoryWindow &again = open();
    EXPECT_EQ(again.size(), QSize(1000, 640));
    EXPECT_FALSE(again.isModal());

    HistoryWindow missing(QDir(dir.path()).filePath(QStringLiteral("none.sqlite")), clock, settings);
    missing.refresh();
    settle(&missing);
    EXPECT_TRUE(missing.findChild<QLabel *>(QStringLiteral("historyStatus"))->text().startsWith(
        QStringLiteral("无法打开历史文件")));
}

TEST(MainWindowHistory, TheButtonOpensTheHistoryOnlyWhenThereIsOne)
{
    test::StationFixture none;
    MainWindow plain(none.start(false));
    EXPECT_FALSE(plain.operatorPanel()->historyButton()->isEnabled());
    EXPECT_EQ(plain.showHistory(), nullptr);

    test::StationFixture f;
    f.historyFile = QDir(f.dir.path()).filePath(QStringLiteral("history.sqlite"));
    { HistoryFill make(f.historyFile); }
    MainWindow window(f.start(false));
    window.show();
    QToolButton *button = window.operatorPanel()->historyButton();
    ASSERT_TRUE(button->isEnabled());
    EXPECT_EQ(button->text(), QStringLiteral("历史曲线…"));
    test::click(button);
    auto *history = window.findChild<HistoryWindow *>();
    ASSERT_TRUE(history);
    EXPECT_TRUE(history->isVisible());
    EXPECT_TRUE(history->isWindow());
    EXPECT_EQ(history->windowModality(), Qt::NonModal);
    // A second press raises the same window.
    test::click(button);
    EXPECT_EQ(window.findChildren<HistoryWindow *>().size(), 1);
}

TEST(MainWindowHistory, TheMainWindowGrowsAndTheTerminalTakesTheRoom)
{
    test::StationFixture f;
    Station &station = f.start(false);
    MainWindow window(station);
    window.show();
    station.Form_Load();
    window.layout()->activate();
    const QSize before = window.size();
    auto *terminal = window.findChild<TerminalView *>();
    ASSERT_TRUE(terminal);
    const int terminalBefore = terminal->height();
    window.resize(before.width() + 300, before.height() + 200);
    window.layout()->activate();
    EXPECT_EQ(window.size(), QSize(before.width() + 300, before.height() + 200));
    EXPECT_GE(terminal->height(), terminalBefore + 150);
    EXPECT_GT(window.maximumHeight(), before.height());
}

} // namespace

namespace {

// A heading through north is drawn as two lines at the strip's edges, not as
// a stroke across it; a gap in a figure is left open.
TEST(HistoryChartPaint, AnglesThroughNorthAndGapsAreNotJoined)
{
    HistoryChart chart;
    chart.resize(600, 400);
    history::SpanData data;
    data.span = {0, 600'000, chart.plotWidth()};
    const int width = data.span.width;
    history::FigureColumns angle{QStringLiteral("antenna_angle_deg"), QVector<std::optional<history::Extent>>(width)};
    history::FigureColumns signal{QStringLiteral("signal_dbm"), QVector<std::optional<history::Extent>>(width)};
    for (int c = 0; c < width; ++c) {
        angle.columns[c] = c < width / 2 ? history::Extent{355, 355} : history::Extent{5, 5};
        if (c < width / 3 || c > width / 3 + 20)
            signal.columns[c] = history::Extent{c < width / 3 ? -50.0 : -90.0, c < width / 3 ? -50.0 : -90.0};
    }
    data.figures = {signal, angle};
    chart.setData(data);
    QImage image(chart.size(), QImage::Format_ARGB32);
    chart.render(&image);

    const QColor trace(29, 79, 145);
    const QRectF area = chart.plotRect();
    const auto traceInColumn = [&](int c, double top, double bottom) {
        const int x = int(area.left() + (c + 0.5) * area.width() / width);
        for (int y = int(top) + 2; y < int(bottom) - 2; ++y)
            if (image.pixelColor(x, y) == trace)
                return true;
        return false;
    };
    // The angle strip is the fourth; the middle half of its height stays clear
    // where the heading passes north.
    const int lanes = 4;
    const double laneHeight = (area.height() - 3 * 15 - lanes * 6) / lanes;
    const double angleTop = area.top() + 3 * (laneHeight + 6);
    EXPECT_FALSE(traceInColumn(width / 2, angleTop + laneHeight / 4, angleTop + 3 * laneHeight / 4));
    EXPECT_TRUE(traceInColumn(width / 2 - 3, angleTop - 3, angleTop + laneHeight + 3));
    // The signal's gap of twenty columns is not bridged.
    EXPECT_FALSE(traceInColumn(width / 3 + 10, area.top(), area.top() + laneHeight));
    EXPECT_TRUE(traceInColumn(width / 3 - 2, area.top(), area.top() + laneHeight));
}

} // namespace
