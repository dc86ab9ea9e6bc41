// Chunks per second through the whole status handler (parse, display, log
// to a temporary folder), on chunks recorded from the simulated board, after
// 1, 100 and 10000 minutes' worth of stream: the terminal cap must keep the
// cost per chunk flat.
#include "support/BenchStation.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace korvane;

namespace {

QList<QString> recordedChunks()
{
    QFile file(QStringLiteral(KORVANE_BENCH_DATA "/board-chunks.bin"));
    QList<QString> chunks;
    if (!file.open(QIODevice::ReadOnly))
        return chunks;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (line.startsWith('#'))
            continue;
        const int size = line.trimmed().toInt();
        chunks.append(QString::fromUtf8(file.read(size)));
    }
    return chunks;
}

// The board sends about five chunks a second.
constexpr qint64 kChunksPerMinute = 5 * 60;

void BM_StatusHandler(benchmark::State &state)
{
    const QList<QString> chunks = recordedChunks();
    if (chunks.isEmpty()) {
        state.SkipWithError("no recorded chunks");
        return;
    }
    QTemporaryDir dir;
    korvane::test::BenchStation bench(dir.path(), QStringLiteral("bench"));
    Station &station = bench.start();

    // Bring the session to its age: the terminal fills up to its cap and the
    // day's log holds what that many minutes wrote.
    const qint64 minutes = state.range(0);
    const qint64 warm = std::min<qint64>(minutes * kChunksPerMinute, 5000);
    for (qint64 i = 0; i < warm; ++i)
        station.statusParser.handleChunk(chunks[i % chunks.size()]);
    QFile log(station.log.todayPath());
    const qint64 bytesPerChunk = log.size() / std::max<qint64>(warm, 1);
    log.resize(minutes * kChunksPerMinute * bytesPerChunk);

    qint64 i = 0;
    for (auto _ : state) {
        station.statusParser.handleChunk(chunks[i % chunks.size()]);
        ++i;
    }
    state.SetItemsProcessed(i);
    state.counters["terminal_chars"] = static_cast<double>(station.display.Text2.text().size());
    state.counters["log_MB"] = static_cast<double>(QFile(station.log.todayPath()).size()) / 1e6;
}

BENCHMARK(BM_StatusHandler)->Arg(1)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    // A rate over no chunks measures nothing: refuse rather than print one.
    if (recordedChunks().isEmpty()) {
        std::fprintf(stderr, "status_bench: no recorded chunks in %s; nothing measured\n",
                     KORVANE_BENCH_DATA "/board-chunks.bin");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
