// Sentence rates of DecodeAIS and ParseNMEAData over the recorded field
// corpus, and of gpsd's gpsdecode over the same sentences in the same run;
// the ratios are printed at the end. Everything runs on one core.
#include "geo/AisDecoder.h"
#include "geo/NmeaParser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryFile>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>
#include <map>
#include <string>

using namespace korvane;

namespace {

// gpsdecode reads this many copies of a corpus per run, so its start-up
// costs little next to the decoding.
constexpr int kCopiesPerProcess = 200;

// Files of the corpora that could not be read; the run refuses to start
// while any is missing.
QStringList &missingFiles()
{
    static QStringList names;
    return names;
}

QStringList recordedLines(const QStringList &files, bool (*keep)(const QString &))
{
    QStringList lines;
    for (const QString &name : files) {
        QFile file(QStringLiteral(KORVANE_TESTDATA_DIR "/") + name);
        if (!file.open(QIODevice::ReadOnly)) {
            missingFiles() << file.fileName();
            continue;
        }
        for (QString line : QString::fromUtf8(file.readAll()).split(u'\n')) {
            line.remove(u'\r');
            if (!line.startsWith(u'#') && keep(line))
                lines << line;
        }
    }
    return lines;
}

const QStringList &aisCorpus()
{
    static const QStringList lines = recordedLines(
        {QStringLiteral("ais/gpsd_sample.aivdm"), QStringLiteral("ais/gpsd_ais-nmea.log"),
         QStringLiteral("ais/gpsd_ais-raw-messages.log"), QStringLiteral("ais/gpsd_ais-18-27.log")},
        [](const QString &l) { return l.contains(QStringLiteral("VDM,")) || l.contains(QStringLiteral("VDO,")); });
    return lines;
}

const QStringList &nmeaCorpus()
{
    static const QStringList lines = recordedLines(
        {QStringLiteral("nmea/gpsd_firefly-II.log"), QStringLiteral("nmea/gpsd_magellan-ec10.log"),
         QStringLiteral("nmea/gpsd_motorola-t805.log"), QStringLiteral("nmea/gpsd_nmea-fuzzy-cases.log"),
         QStringLiteral("nmea/gpsd_tn200.log"), QStringLiteral("ais/gpsd_ais-nmea.log")},
        [](const QString &l) { return l.startsWith(u'$'); });
    return lines;
}

void BM_DecodeAIS(benchmark::State &state)
{
    const QStringList &sentences = aisCorpus();
    for (auto _ : state) {
        for (const QString &s : sentences)
            benchmark::DoNotOptimize(DecodeAIS(s));
    }
    state.SetItemsProcessed(state.iterations() * sentences.size());
}

void BM_ParseNMEAData(benchmark::State &state)
{
    QStringList chunks; // as the controller delivers them: one line, CR LF
    for (const QString &s : nmeaCorpus())
        chunks << s + QStringLiteral("\r\n");
    for (auto _ : state) {
        for (const QString &c : chunks)
            benchmark::DoNotOptimize(ParseNMEAData(c));
    }
    state.SetItemsProcessed(state.iterations() * chunks.size());
}

// CPU seconds used so far by finished child processes.
double childCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval &t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// One gpsdecode process per iteration over the copies, its wall time being
// the iteration's time; its CPU time is counted beside.
void runGpsdecode(benchmark::State &state, const QStringList &sentences)
{
    QTemporaryFile input;
    if (!input.open()) {
        state.SkipWithError("no temporary file");
        return;
    }
    const QByteArray once = sentences.join(u'\n').toUtf8() + '\n';
    for (int i = 0; i < kCopiesPerProcess; ++i)
        input.write(once);
    input.close();
    double cpuSeconds = 0;
    for (auto _ : state) {
        const double cpuBefore = childCpuSeconds();
        QProcess gpsdecode;
        gpsdecode.setStandardInputFile(input.fileName());
        gpsdecode.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer clock;
        clock.start();
        gpsdecode.start(QStringLiteral("gpsdecode"), {QStringLiteral("-j")});
        const bool done = gpsdecode.waitForFinished(120000);
        state.SetIterationTime(clock.nsecsElapsed() / 1e9);
        cpuSeconds += childCpuSeconds() - cpuBefore;
        if (!done || gpsdecode.exitStatus() != QProcess::NormalExit || gpsdecode.exitCode() != 0) {
            state.SkipWithError("gpsdecode (gpsd-clients) did not run");
            return;
        }
    }
    const double items = double(state.iterations()) * sentences.size() * kCopiesPerProcess;
    state.SetItemsProcessed(static_cast<int64_t>(items));
    state.counters["cpu_items_per_second"] = cpuSeconds > 0 ? items / cpuSeconds : 0;
}

void BM_GpsdecodeAis(benchmark::State &state)
{
    runGpsdecode(state, aisCorpus());
}

void BM_GpsdecodeNmea(benchmark::State &state)
{
    runGpsdecode(state, nmeaCorpus());
}

BENCHMARK(BM_DecodeAIS);
BENCHMARK(BM_ParseNMEAData);
BENCHMARK(BM_GpsdecodeAis)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GpsdecodeNmea)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's sentence rates, per wall-clock and per CPU second,
// for the closing comparison.
class RateReporter : public benchmark::ConsoleReporter
{
public:
    RateReporter() : ConsoleReporter(OO_Tabular) {} // plain text: it goes to logs

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            const auto rate = run.counters.find("items_per_second");
            if (run.error_occurred || rate == run.counters.end())
                continue;
            Rates &r = m_rates[run.run_name.function_name];
            const auto cpuRate = run.counters.find("cpu_items_per_second");
            if (cpuRate != run.counters.end()) { // manual (wall) time, CPU beside
                r.wall = rate->second.value;
                r.cpu = cpuRate->second.value;
            } else { // rate per CPU second
                r.cpu = rate->second.value;
                r.wall = r.cpu * run.cpu_accumulated_time / run.real_accumulated_time;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatio(const char *ours, const char *theirs) const
    {
        const auto a = m_rates.find(ours), b = m_rates.find(theirs);
        if (a == m_rates.end() || b == m_rates.end() || b->second.cpu <= 0 || b->second.wall <= 0)
            return;
        std::printf("%-17s vs %-17s per CPU second: %10.0f / %8.0f = %6.1f;"
                    "  per wall second: %10.0f / %8.0f = %6.1f  (goal >= 5)\n",
                    ours, theirs, a->second.cpu, b->second.cpu, a->second.cpu / b->second.cpu,
                    a->second.wall, b->second.wall, a->second.wall / b->second.wall);
    }

private:
    struct Rates {
        double cpu = 0;
        double wall = 0;
    };
    std::map<std::string, Rates> m_rates;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    std::printf("corpus: %lld AIS sentences, %lld NMEA sentences\n",
                static_cast<long long>(aisCorpus().size()), static_cast<long long>(nmeaCorpus().size()));
    // A rate over no sentences measures nothing: refuse rather than print one.
    for (const QString &name : missingFiles())
        std::fprintf(stderr, "nav_bench: cannot read %s\n", qPrintable(name));
    if (!missingFiles().isEmpty() || aisCorpus().isEmpty() || nmeaCorpus().isEmpty()) {
        std::fprintf(stderr, "nav_bench: the recorded corpus is missing or empty; nothing measured\n");
        return 1;
    }
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("BM_DecodeAIS", "BM_GpsdecodeAis");
    reporter.printRatio("BM_ParseNMEAData", "BM_GpsdecodeNmea");
    benchmark::Shutdown();
    return 0;
}
