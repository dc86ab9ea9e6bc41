// How long the event loop goes unserved while the radio tick waits on a 5G
// CPE that misbehaves: a 10 ms heartbeat timer runs beside the station's
// two-second radio tick, and the longest gap between two heartbeats is the
// figure (10 ms when nothing ever holds the loop). Goal: under 20 ms in
// every scenario. A new fault is one more row of kScenarios.
//
// On a loaded machine the wall-clock gap also counts the time the system
// gave the processor to others, so the processor time this thread spent
// between two heartbeats is shown beside it: that part is the station's own
// work. The baseline row runs the tick with no radio address at all.
//
// Usage: responsiveness [SECONDS [TEXT]]
//   each scenario runs SECONDS (default 9); with TEXT, only the scenarios
//   whose name contains it
#include "app/Station.h"
#include "support/BenchStation.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include <time.h>

using namespace korvane;

using korvane::test::waitUntil;

namespace {

constexpr int kWaitMs = 10000;
constexpr int kHeartbeatMs = 10;
constexpr double kGoalMs = 20.0;

struct Scenario {
    const char *name;
    const char *control;  // the CPE's control line for the run; null: none
    bool refused;         // the radio address is a port nobody listens on
    bool recognised;      // the CPE is known before the run; else the ticks probe
    bool noAddress = false; // the reference row: what the machine alone gives
};

constexpr Scenario kScenarios[] = {
    {"baseline: no radio address", nullptr, false, false, true},
    {"silent: accepts, never answers", "mode silent", false, true},
    {"slow: answers after 3 s", "mode slow 3000", false, true},
    {"answers HTTP 500", "mode error500", false, true},
    {"drops the connection", "mode close", false, true},
    {"absent: connection refused", nullptr, true, true},
    {"probe, silent", "mode silent", false, false},
    {"probe, absent: connection refused", nullptr, true, false},
};

// korvane-sim cpe as a process of its own, driven by control lines.
class CpeProcess {
public:
    bool start()
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(KORVANE_SIM_PATH), {QStringLiteral("cpe"), QStringLiteral("--port"),
                                                          QStringLiteral("0")});
        static const QRegularExpression announced(QStringLiteral("listening on [0-9.]+:(\\d+)"));
        QString line;
        if (!waitForLine(QStringLiteral("korvane-sim cpe"), line))
            return false;
        m_port = announced.match(line).captured(1).toUShort();
        return m_port != 0;
    }
    bool control(const QString &line)
    {
        m_process.write((line + u'\n').toUtf8());
        QString answer;
        return waitForLine(QStringLiteral("ok ") + line, answer);
    }
    quint16 port() const { return m_port; }
    ~CpeProcess()
    {
        m_process.write("quit\n");
        if (!m_process.waitForFinished(3000))
            m_process.kill();
    }

private:
    bool waitForLine(const QString &prefix, QString &line)
    {
        return waitUntil(
            [&] {
                m_buffer += m_process.readAllStandardOutput();
                for (qsizetype end; (end = m_buffer.indexOf('\n')) >= 0;) {
                    line = QString::fromUtf8(m_buffer.left(end));
                    m_buffer.remove(0, end + 1);
                    if (line.startsWith(prefix))
                        return true;
                }
                return false;
            },
            kWaitMs);
    }

    QProcess m_process;
    QByteArray m_buffer;
    quint16 m_port = 0;
};

quint16 refusedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort(); // nobody listens once the server goes
}

struct Figures {
    double longestGapMs = 0;
    double longestBusyMs = 0; // this thread's processor time within one gap
    int ticks = 0;
};

qint64 threadCpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<qint64>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

Figures run(Station &station, int seconds)
{
    Figures f;
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    qint64 lastCpu = threadCpuNs();
    qint64 longest = 0;
    qint64 longestBusy = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const qint64 cpu = threadCpuNs();
        longest = std::max(longest, now - last);
        longestBusy = std::max(longestBusy, cpu - lastCpu);
        last = now;
        lastCpu = cpu;
    });
    const QMetaObject::Connection counting =
        QObject::connect(&station.Timer2, &QTimer::timeout, [&f] { ++f.ticks; });
    heartbeat.start(kHeartbeatMs);
    station.Timer2.start();
    // A plain event loop: the measuring itself must not keep the processor busy.
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    station.Timer2.stop();
    heartbeat.stop();
    QObject::disconnect(counting);
    f.longestGapMs = longest / 1e6;
    f.longestBusyMs = longestBusy / 1e6;
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 9;
    QTemporaryDir dir;
    korvane::test::BenchStation bench(dir.path(), QStringLiteral("responsiveness"));
    Station &station = bench.start();

    std::printf("longest event-loop gap beside the radio tick (heartbeat %d ms, %d s per scenario, goal < %.0f ms)\n",
                kHeartbeatMs, seconds, kGoalMs);
    bool allMet = true;
    const QString only = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    for (const Scenario &scenario : kScenarios) {
        if (!QString::fromLatin1(scenario.name).contains(only))
            continue;
        CpeProcess cpe;
        if (!cpe.start()) {
            std::fprintf(stderr, "responsiveness: korvane-sim cpe did not start\n");
            return 1;
        }
        const QString address = QStringLiteral("http://127.0.0.1:%1").arg(cpe.port());
        station.radio.RadioFamily = RadioFamilyUnknown;
        station.radio.lastCpeProbe.invalidate();
        station.display.Text3.setText(scenario.noAddress ? QString() : address);
        if (scenario.recognised) {
            station.Timer2_Timer();
            if (station.radio.RadioFamily != RadioFamilyCpe) {
                std::fprintf(stderr, "responsiveness: the CPE was not recognised\n");
                return 1;
            }
        }
        if (scenario.control && !cpe.control(QString::fromLatin1(scenario.control))) {
            std::fprintf(stderr, "responsiveness: \"%s\" not acknowledged\n", scenario.control);
            return 1;
        }
        if (scenario.refused)
            station.display.Text3.setText(QStringLiteral("http://127.0.0.1:%1").arg(refusedPort()));
        const Figures f = run(station, seconds);
        const bool met = f.longestGapMs < kGoalMs;
        if (!scenario.noAddress)
            allMet = allMet && met;
        std::printf("  %-36s longest gap %7.2f ms, busy %6.2f ms  (%d ticks)  %s\n", scenario.name, f.longestGapMs,
                    f.longestBusyMs, f.ticks, scenario.noAddress ? "reference" : met ? "met" : "MISSED");
        std::fflush(stdout);
    }
    // A figure, not a gate: a loaded machine misses without any fault here.
    std::printf("goal %s\n", allMet ? "met in every scenario" : "MISSED in some scenario");
    return 0;
}
