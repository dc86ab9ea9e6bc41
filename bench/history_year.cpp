// The history on a file that holds a year (365 days of minute rows, 72 hours
// of seconds, 300,000 events; made by tests/support/HistoryYear.h): how long
// the window takes to show each span after the click, first and second look,
// and the event loop's longest stall meanwhile; the export of 7 days; the
// station's side (opening the file with its check, a batch with its minute
// folded, the headless summary of a week); the file's size. Goals: longest
// stall under 50 ms; 7天 drawn under 300 ms after the click, 48小时 under
// 100 ms; the export of 7 days under 3 s.
//
// Usage: history_year [--make FILE] [--file FILE]
//   --make FILE  writes a year file and ends (for trying the window by hand:
//                korvane-station --history FILE)
//   --file FILE  measures on that file instead of a new one
#include "gui/HistoryChart.h"
#include "gui/HistoryWindow.h"
#include "history/HistoryReader.h"
#include "history/HistoryStore.h"
#include "history/MinuteFold.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "support/HistoryYear.h"
#include "support/Wait.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLayout>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>

#include <time.h>

using namespace korvane;
using korvane::test::waitUntil;

namespace {

constexpr double kStallGoalMs = 50;
const char *const kSpanNames[] = {"10分钟", "1小时", "6小时", "24小时", "48小时", "7天"};

// A 10 ms heartbeat on the loop: the longest gap between two beats (the
// stall an operator would feel) and, beside it, the most processor time
// this thread spent between two beats (the part that was the station's own
// work, not the machine giving the processor to others).
class Heartbeat {
public:
    Heartbeat()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { beat(); });
        m_timer.start();
        reset();
    }
    void reset()
    {
        m_wall.start();
        m_cpu = threadCpuMs();
        m_maxGap = 0;
        m_maxBusy = 0;
    }
    qint64 maxGapMs() const { return std::max<qint64>(m_maxGap, m_wall.elapsed()); }
    double maxBusyMs() const { return std::max(m_maxBusy, threadCpuMs() - m_cpu); }

private:
    static double threadCpuMs()
    {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
    }
    void beat()
    {
        m_maxGap = std::max(m_maxGap, m_wall.restart());
        const double cpu = threadCpuMs();
        m_maxBusy = std::max(m_maxBusy, cpu - m_cpu);
        m_cpu = cpu;
    }
    QTimer m_timer;
    QElapsedTimer m_wall;
    double m_cpu = 0;
    qint64 m_maxGap = 0;
    double m_maxBusy = 0;
};

class FixedClock final : public Clock {
public:
    QDateTime time;
    QDateTime now() const override { return time; }
};

qint64 newestRow(const QString &path)
{
    qint64 t = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("newest"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        db.open();
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("SELECT max(t) FROM samples")) && q.next())
            t = q.value(0).toLongLong();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("newest"));
    return t;
}

struct Look {
    double ms = 0;
    qint64 stallMs = 0;
    double busyMs = 0;
};

// Chooses the span as a click would, waits for the answer and paints it.
Look show(HistoryWindow &window, int span, Heartbeat &watch)
{
    watch.reset();
    QElapsedTimer timer;
    timer.start();
    window.setSpanIndex(span);
    waitUntil([&] { return !window.isLoading(); }, 60000);
    window.chart()->repaint();
    Look look{timer.nsecsElapsed() / 1e6, 0};
    // A few more turns of the loop, so a stall at the end is counted.
    waitUntil([] { return false; }, 30);
    look.stallMs = watch.maxGapMs();
    look.busyMs = watch.maxBusyMs();
    return look;
}

void windowFigures(const QString &path, const QDateTime &now)
{
    FixedClock clock;
    clock.time = now;
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(QStringLiteral("s.ini")));
    Heartbeat watch;
    QElapsedTimer opened;
    opened.start();
    HistoryWindow window(path, clock, settings);
    window.resize(1180, 720);
    window.show();
    window.layout()->activate();
    waitUntil([&] { return !window.isLoading(); }, 60000);
    std::printf("window opened (1小时) and drawn: %.0f ms, longest stall %lld ms (own work %.1f ms)\n",
                opened.nsecsElapsed() / 1e6, watch.maxGapMs(), watch.maxBusyMs());
    std::printf("stall: the longest gap between two beats of a 10 ms timer; own: the most processor time the\n"
                "window's thread spent between two beats\n");
    std::printf("%-10s %9s %9s %9s %10s %9s %9s\n", "span", "first ms", "stall", "own", "second ms", "stall", "own");
    Look first[6];
    for (int i = 0; i < 6; ++i)
        first[i] = show(window, i, watch);
    qint64 worst = 0;
    double worstBusy = 0;
    for (int i = 0; i < 6; ++i) {
        // Back to the hour, then the span again: the second look.
        show(window, 1, watch);
        const Look second = show(window, i, watch);
        std::printf("%-8s %9.0f %9lld %9.1f %10.0f %9lld %9.1f\n", kSpanNames[i], first[i].ms, first[i].stallMs,
                    first[i].busyMs, second.ms, second.stallMs, second.busyMs);
        worst = std::max({worst, first[i].stallMs, second.stallMs});
        worstBusy = std::max({worstBusy, first[i].busyMs, second.busyMs});
    }
    std::printf("goals: 7天 %.0f ms (< 300), 48小时 %.0f ms (< 100), longest stall %lld ms, own work %.1f ms (< %.0f)\n",
                first[5].ms, first[4].ms, worst, worstBusy, kStallGoalMs);

    // Switching back and forth between the week and two days.
    watch.reset();
    QElapsedTimer switching;
    switching.start();
    for (int i = 0; i < 10; ++i)
        show(window, i % 2 ? 4 : 5, watch);
    std::printf("ten switches 7天 ⇄ 48小时: %.0f ms each, longest stall %lld ms (own work %.1f ms)\n",
                switching.nsecsElapsed() / 1e6 / 10, watch.maxGapMs(), watch.maxBusyMs());

    // The export of the week, on the worker.
    history::HistoryReader reader(path);
    const QString csv = dir.filePath(QStringLiteral("week.csv"));
    history::ExportRange range;
    range.untilMs = now.toMSecsSinceEpoch();
    range.fromMs = range.untilMs - 7 * 86400'000LL;
    bool done = false;
    bool ok = false;
    watch.reset();
    QElapsedTimer exporting;
    exporting.start();
    reader.exportSamples(csv, range, [&](bool good, const QString &) {
        ok = good;
        done = true;
    });
    waitUntil([&] { return done; }, 120000);
    std::printf("export of 7 days: %.2f s (< 3 s), %s, %.1f MB, longest stall %lld ms (own work %.1f ms)\n",
                exporting.nsecsElapsed() / 1e9, ok ? "ok" : "FAILED", QFileInfo(csv).size() / 1e6,
                watch.maxGapMs(), watch.maxBusyMs());
}

// The station's side on the year file.
void storeFigures(const QString &path, const QDateTime &now)
{
    FixedClock clock;
    clock.time = now;
    Heartbeat watch;
    QElapsedTimer timer;
    timer.start();
    history::HistoryStore store(clock, path);
    store.open();
    const double openMs = timer.nsecsElapsed() / 1e6;
    waitUntil([&] { return !store.checking(); }, 120000);
    std::printf("store: open %.1f ms on the loop, check on the worker done after %.0f ms, longest stall %lld ms "
                "(own work %.1f ms)\n",
                openMs, timer.nsecsElapsed() / 1e6, watch.maxGapMs(), watch.maxBusyMs());
    // A batch of ten seconds a flush, each flush folding its minute, for two
    // minutes of the station's time.
    double longest = 0;
    double total = 0;
    watch.reset();
    for (int batch = 0; batch < 12; ++batch) {
        for (int i = 0; i < 10; ++i) {
            clock.time = clock.time.addSecs(1);
            history::Sample s;
            s.t = clock.time.toMSecsSinceEpoch();
            s.set(history::Figure::Signal, -60 - i);
            s.boardLink = 1;
            store.addSample(s);
        }
        QElapsedTimer flush;
        flush.start();
        store.flush();
        const double ms = flush.nsecsElapsed() / 1e6;
        longest = std::max(longest, ms);
        total += ms;
        waitUntil([] { return false; }, 20);
    }
    std::printf("store: a batch of ten seconds with its minute folded and a retention step: %.2f ms mean, %.2f ms "
                "longest; longest stall %lld ms (own work %.1f ms)\n",
                total / 12, longest, watch.maxGapMs(), watch.maxBusyMs());
    // One minute folded alone.
    QSqlDatabase db = store.database();
    QElapsedTimer fold;
    const qint64 minute = clock.time.toMSecsSinceEpoch() / 60000 * 60000 - 60000;
    constexpr int kFolds = 200;
    fold.start();
    for (int i = 0; i < kFolds; ++i) {
        db.transaction();
        history::foldMinutes(db, minute, minute + 60000);
        db.rollback();
    }
    std::printf("folding one minute: %.0f µs\n", fold.nsecsElapsed() / 1e3 / kFolds);
    // The headless summary of a week of seconds, off the loop.
    bool answered = false;
    QString line;
    watch.reset();
    timer.restart();
    store.summarise(clock.time.toMSecsSinceEpoch(), 10080, [&](const QString &text) {
        line = text;
        answered = true;
    });
    waitUntil([&] { return answered; }, 120000);
    std::printf(":history 10080: %.0f ms on the worker, longest stall %lld ms (own work %.1f ms)\n  %s\n",
                timer.nsecsElapsed() / 1e6, watch.maxGapMs(), watch.maxBusyMs(), qPrintable(line));
}

// A year's file of the earlier layout (no minute rows for its seconds): the
// minute rows it lacks are made at start in steps between other events.
void backfillFigures(const QString &year, const QDateTime &now)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("older.sqlite"));
    QFile::copy(year, path);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("older"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("DELETE FROM minutes WHERE t >= (SELECT min(t) FROM samples) - 60000"));
        q.exec(QStringLiteral("PRAGMA user_version=1"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("older"));
    FixedClock clock;
    clock.time = now;
    Heartbeat watch;
    QElapsedTimer timer;
    timer.start();
    history::HistoryStore store(clock, path);
    store.open();
    waitUntil([&] { return !store.checking() && !store.backfilling(); }, 600000);
    std::printf("older file: the minute rows of 72 h of seconds made at start in %.1f s, longest stall %lld ms "
                "(own work %.1f ms)\n",
                timer.nsecsElapsed() / 1e9, watch.maxGapMs(), watch.maxBusyMs());
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&](const char *name) {
        const qsizetype i = args.indexOf(QString::fromLatin1(name));
        return i >= 0 && i + 1 < args.size() ? args[i + 1] : QString();
    };
    test::HistoryYear year;
    year.now = QDateTime::currentMSecsSinceEpoch() / 1000 * 1000;
    const auto makeYear = [&year](const QString &file) {
        QElapsedTimer timer;
        timer.start();
        const auto counts = year.make(file);
        std::printf("%s: %lld minute rows, %lld seconds, %lld events, %.1f MB, made in %.0f s\n", qPrintable(file),
                    counts.minutes, counts.seconds, counts.events, QFileInfo(file).size() / 1e6,
                    timer.elapsed() / 1e3);
    };
    if (const QString make = option("--make"); !make.isEmpty()) {
        makeYear(make);
        return 0;
    }
    QTemporaryDir dir;
    QString path = option("--file");
    if (path.isEmpty()) {
        path = dir.filePath(QStringLiteral("year.sqlite"));
        makeYear(path);
    }
    std::printf("file size: %.1f MB\n", QFileInfo(path).size() / 1e6);
    const QDateTime now = QDateTime::fromMSecsSinceEpoch(newestRow(path) + 1000);
    windowFigures(path, now);
    backfillFigures(path, now);
    storeFigures(path, now);
    return 0;
}
