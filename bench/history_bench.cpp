// The history file's costs: recording (one sample a second, a batch every
// ten seconds) as a share of one core, the command-line export of 48 hours,
// and the file's size per day with its bound under the default retention.
#include "support/BenchStation.h"

#include "history/HistoryExport.h"
#include "history/HistoryStore.h"
#include "history/Retention.h"
#include "history/Sampler.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>

using namespace korvane;
using history::Figure;

namespace {

class FixedClock final : public Clock {
public:
    QDateTime time = QDateTime(QDate(2024, 5, 1), QTime(0, 0, 0), Qt::UTC);
    QDateTime now() const override { return time; }
};

// A second of a moving ship with a live link: every figure known and
// changing, as a busy day at sea would fill the file.
history::Sample busySample(qint64 t, QRandomGenerator &random)
{
    history::Sample s;
    s.t = t;
    const double phase = static_cast<double>(t % 86400000) / 86400000.0 * 6.2832;
    s.set(Figure::Signal, std::round(-60 + 8 * std::sin(phase * 40) + random.bounded(3)));
    s.set(Figure::Noise, -96 + random.bounded(2));
    s.set(Figure::ChainDelta, random.bounded(4));
    s.set(Figure::CapacityDown, 400 + random.bounded(100));
    s.set(Figure::CapacityUp, 380 + random.bounded(100));
    s.set(Figure::Rx, std::round(random.bounded(2000.0)) / 100);
    s.set(Figure::Tx, std::round(random.bounded(800.0)) / 100);
    s.set(Figure::Ping, 1 + random.bounded(20));
    s.set(Figure::PingMean, std::round(random.bounded(1000.0)) / 100);
    s.set(Figure::AntennaAngle, std::round(1800 + 1200 * std::sin(phase)) / 10);
    s.set(Figure::DriveOffset, random.bounded(5) - 2);
    s.set(Figure::Heading, std::round(1800 + 1700 * std::cos(phase)) / 10);
    s.set(Figure::Speed, std::round(185 + random.bounded(20)) / 10);
    s.set(Figure::OwnLatitude, std::round((31.2 + phase / 100) * 1e7) / 1e7);
    s.set(Figure::OwnLongitude, std::round((121.4 + phase / 90) * 1e7) / 1e7);
    s.set(Figure::Distance, std::round(1400 + 100 * std::sin(phase)) / 100);
    s.boardLink = 1;
    s.radioLink = 1;
    s.radioFamily = 1;
    s.cloudOk = 1;
    return s;
}

// Fills `store` with `seconds` of samples from `start`, in large batches.
void fill(history::HistoryStore &store, FixedClock &clock, qint64 start, qint64 seconds)
{
    QRandomGenerator random(7);
    for (qint64 i = 0; i < seconds; ++i) {
        store.addSample(busySample(start + i * 1000, random));
        if (store.pendingSamples() >= 3600) {
            clock.time = QDateTime::fromMSecsSinceEpoch(start + i * 1000, Qt::UTC);
            store.flush();
        }
    }
    store.flush();
}

// A loaded station sampled into a store of its own.
struct SampledStation {
    QTemporaryDir dir;
    test::BenchStation bench{dir.path(), QStringLiteral("bench")};
    Station &station = bench.start();
    FixedClock clock;
    history::HistoryStore store{clock, dir.filePath(QStringLiteral("h.sqlite"))};
    bool opened = store.open();
    history::Sampler sampler{clock, store, [this] { return station.historySample(); }};
};

void BM_RecordingOneSecond(benchmark::State &state)
{
    SampledStation s;
    FixedClock &clock = s.clock;
    history::HistoryStore &store = s.store;
    history::Sampler &sampler = s.sampler;
    qint64 second = 0;
    for (auto _ : state) {
        clock.time = clock.time.addSecs(1);
        sampler.sampleNow();
        if (++second % 10 == 0)
            store.flush();
    }
    // Each iteration is one second of service: its cost is the share.
    state.counters["core_share_percent"] =
        benchmark::Counter(0.01, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Sample(benchmark::State &state)
{
    SampledStation s;
    history::HistoryStore &store = s.store;
    history::Sampler &sampler = s.sampler;
    for (auto _ : state) {
        sampler.sampleNow();
        if (store.pendingSamples() >= history::HistoryStore::kMaxPendingSamples - 1) {
            state.PauseTiming();
            store.flush();
            state.ResumeTiming();
        }
    }
}

void BM_BatchOfTen(benchmark::State &state)
{
    QTemporaryDir dir;
    FixedClock clock;
    history::HistoryStore store(clock, dir.filePath(QStringLiteral("h.sqlite")));
    store.open();
    QRandomGenerator random(3);
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < 10; ++i) {
            clock.time = clock.time.addSecs(1);
            store.addSample(busySample(clock.time.toMSecsSinceEpoch(), random));
        }
        state.ResumeTiming();
        store.flush();
    }
}

void BM_Export48Hours(benchmark::State &state)
{
    QTemporaryDir dir;
    FixedClock clock;
    const QString path = dir.filePath(QStringLiteral("h.sqlite"));
    {
        history::HistoryStore store(clock, path);
        store.open();
        fill(store, clock, clock.time.toMSecsSinceEpoch(), 48 * 3600);
    }
    qint64 bytes = 0;
    for (auto _ : state) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QString error;
        if (!history::writeSamplesCsv(path, {}, {}, out, &error))
            state.SkipWithError(qPrintable(error));
        bytes = out.size();
    }
    state.counters["csv_MB"] = static_cast<double>(bytes) / 1e6;
}

qint64 compactSize(history::HistoryStore &store)
{
    QSqlQuery q(store.database());
    q.exec(QStringLiteral("VACUUM"));
    q.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    return QFileInfo(store.path()).size();
}

void BM_StoreSizePerDay(benchmark::State &state)
{
    for (auto _ : state) {
        QTemporaryDir dir;
        FixedClock clock;
        history::HistoryStore store(clock, dir.filePath(QStringLiteral("h.sqlite")));
        store.open();
        const qint64 start = clock.time.toMSecsSinceEpoch();
        fill(store, clock, start, 86400);
        const qint64 empty = [&] {
            QTemporaryDir other;
            history::HistoryStore blank(clock, other.filePath(QStringLiteral("e.sqlite")));
            blank.open();
            return compactSize(blank);
        }();
        const double rawPerDay = static_cast<double>(compactSize(store) - empty);
        // Fold the whole day into minute rows.
        store.setRetention({1, 365});
        QSqlDatabase db = store.database();
        while (history::retentionStep(db, start + 86400000LL + 3600000LL, store.retention())) {
        }
        const double minutesPerDay = static_cast<double>(compactSize(store) - empty);
        state.counters["raw_MB_per_day"] = rawPerDay / 1e6;
        state.counters["minutes_MB_per_day"] = minutesPerDay / 1e6;
        // Default retention: 72 hours of seconds, 365 days of minutes.
        state.counters["bound_MB"] = (3 * rawPerDay + 365 * minutesPerDay) / 1e6;
    }
}

BENCHMARK(BM_RecordingOneSecond)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sample)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BatchOfTen)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Export48Hours)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StoreSizePerDay)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
