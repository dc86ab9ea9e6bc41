// Redrawing the history charts: the query that groups a span into one
// extent per pixel column, and the painting of the strips into an offscreen
// image, for 48 hours of per-second rows (172,800 samples) and for 7 days of
// minute rows. Goal: under 50 ms each, query and paint together. The
// figures are "part:1" query, "part:2" paint, "part:3" both; CPU time is the
// one to read on a loaded machine.
#include "gui/HistoryChart.h"
#include "gui/HistoryLanes.h"
#include "history/HistoryQuery.h"
#include "support/HistoryFill.h"
#include "support/HistoryRun.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimeZone>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>

using namespace korvane;

namespace {

constexpr qint64 kHourMs = 3600'000;
constexpr int kRawSeconds = 48 * 3600;
constexpr int kWeekMinutes = 7 * 24 * 60;
const QSize kChartSize(1180, 560);

// One file for every case: 48 hours per second up to now, a week of minute
// rows up to now.
struct BenchFile {
    QTemporaryDir dir;
    QString path = QDir(dir.path()).filePath(QStringLiteral("history.sqlite"));
    qint64 now = QDateTime(QDate(2026, 12, 9), QTime(12, 0), QTimeZone::utc()).toMSecsSinceEpoch();

    BenchFile()
    {
        QElapsedTimer timer;
        timer.start();
        test::HistoryFill fill(path);
        test::HistoryRun run;
        run.start = now - qint64(kRawSeconds) * 1000;
        run.seconds = kRawSeconds;
        run.dropAt = 20 * 3600;
        run.sweepAt = 20 * 3600 + 400;
        run.cloudFailureAt = 30 * 3600;
        run.fill(fill);
        test::fillMinutes(fill, now - qint64(kWeekMinutes) * 60'000, kWeekMinutes);
        std::printf("history file: %d samples, %d minute rows, %.1f MB, filled in %lld ms\n", kRawSeconds,
                    kWeekMinutes, QFileInfo(path).size() / 1e6, timer.elapsed());
    }
};

BenchFile &benchFile()
{
    static BenchFile file;
    return file;
}

history::Span spanOf(qint64 length, const HistoryChart &chart)
{
    const qint64 now = benchFile().now;
    return {now - length, now, chart.plotWidth()};
}

// state.range(0): the span in hours; range(1): 1 query only, 2 paint only, 3 both.
void BM_HistoryRedraw(benchmark::State &state)
{
    const qint64 length = state.range(0) * kHourMs;
    const int part = int(state.range(1));
    history::HistoryQuery query(benchFile().path);
    if (!query.open()) {
        state.SkipWithError(query.errorText().toStdString().c_str());
        return;
    }
    HistoryChart chart;
    chart.resize(kChartSize);
    QImage image(kChartSize, QImage::Format_ARGB32_Premultiplied);
    const QStringList figures = historyTraceColumns();
    const QStringList bands = historyBandColumns();
    const history::Span span = spanOf(length, chart);
    do
        chart.setData(query.load(figures, bands, span));
    while (!chart.data().complete);
    for (auto _ : state) {
        if (part & 1)
            chart.setData(query.load(figures, bands, span));
        if (part & 2) {
            chart.render(&image);
            benchmark::DoNotOptimize(image.constBits());
        }
    }
    int columns = 0;
    for (const auto &c : chart.data().figures.value(0).columns)
        columns += c.has_value();
    state.counters["columns_with_signal"] = columns;
    state.counters["events"] = double(chart.data().events.size());
}

// A window opened on the 48 hours: the first queries fold every second into
// the ten-second bins, three hours a call, newest first; later redraws (above)
// read only the new rows. "longest_call_ms" is the longest the window waits
// on one of those calls.
void BM_HistoryFirstLoad48h(benchmark::State &state)
{
    HistoryChart chart;
    chart.resize(kChartSize);
    const history::Span span = spanOf(48 * kHourMs, chart);
    double longest = 0;
    int calls = 0;
    for (auto _ : state) {
        history::HistoryQuery query(benchFile().path);
        query.open();
        calls = 0;
        do {
            QElapsedTimer timer;
            timer.start();
            chart.setData(query.load(historyTraceColumns(), historyBandColumns(), span));
            longest = std::max(longest, timer.nsecsElapsed() / 1e6);
            ++calls;
        } while (!chart.data().complete);
    }
    state.counters["calls"] = calls;
    state.counters["longest_call_ms"] = longest;
}

BENCHMARK(BM_HistoryFirstLoad48h)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_HistoryRedraw)
    ->ArgNames({"hours", "part"})
    ->Args({1, 3})
    ->Args({6, 3})
    ->Args({48, 1})
    ->Args({48, 2})
    ->Args({48, 3})
    ->Args({7 * 24, 1})
    ->Args({7 * 24, 2})
    ->Args({7 * 24, 3})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchFile();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
