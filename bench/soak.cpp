// The station in service for N minutes (first argument, default 10): every
// simulated peer streams at its real pace (board status each second, radio
// polled, AIS at 1 Hz through a socat pseudo-terminal pair, ship lookups,
// cloud reports) and the headless station runs at time scale 1 with its loop
// watch. Prints the station's processor time as a share of one core, its
// peak resident memory and the longest stall of its event loop.
// Goals: under 2 % of one core, under 60 MB resident, no stall over 20 ms.
// Needs socat (Debian package socat).
#include "support/Wait.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

using korvane::test::waitUntil;

namespace {

constexpr double kGoalCpuPercent = 2.0;
constexpr qint64 kGoalRssKb = 60 * 1024;
constexpr qint64 kGoalGapMs = 20;
constexpr int kStatsEveryMs = 60000;

// A program whose stdout lines are kept; stdin takes control lines.
class Program {
public:
    explicit Program(const QString &path) : m_path(path)
    {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput,
                         [this] { m_output += m_process.readAllStandardOutput(); });
    }
    ~Program()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.closeWriteChannel();
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(3000);
    }

    bool start(const QStringList &arguments, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
    {
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(m_path, arguments);
        return m_process.waitForStarted(10000);
    }
    // The first capture of `pattern` in the output from `from` on, within `ms`.
    QString waitFor(const QString &pattern, int ms, qsizetype from = 0)
    {
        const QRegularExpression re(pattern, QRegularExpression::MultilineOption);
        QString found;
        waitUntil(
            [&] {
                const QRegularExpressionMatch m = re.match(QString::fromUtf8(m_output.mid(from)));
                if (m.hasMatch())
                    found = m.captured(1);
                return m.hasMatch() || m_process.state() == QProcess::NotRunning;
            },
            ms);
        return found;
    }
    void send(const QByteArray &line) { m_process.write(line + '\n'); }
    qsizetype outputSize() const { return m_output.size(); }
    void forget() { m_output.clear(); }
    bool running() const { return m_process.state() == QProcess::Running; }

private:
    QString m_path;
    QProcess m_process;
    QByteArray m_output;
};

// The harness's own 10 ms heartbeat: this process does next to nothing, so
// its longest gap is how late the machine wakes a sleeping program, the
// floor under any gap the station shows.
class Heartbeat {
public:
    Heartbeat()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (m_since.isValid())
                m_maxGapMs = std::max(m_maxGapMs, m_since.elapsed());
            m_since.start();
        });
        m_timer.start(10);
    }
    // The longest gap since the last call.
    qint64 takeMaxGapMs() { return std::exchange(m_maxGapMs, 0); }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_maxGapMs = 0;
};

struct Stats {
    qint64 maxGapMs = -1;
    qint64 peakRssKb = -1;
    qint64 rssKb = -1;
    qint64 cpuMs = -1;
    QString maxGapAt;
};

Stats readStats(Program &station)
{
    station.forget();
    station.send(":stats");
    const QString line = station.waitFor(QStringLiteral("^(stats .*)$"), 10000);
    const auto field = [&line](const char *name) {
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("\\b%1=(\\S+)").arg(QLatin1String(name))).match(line);
        return m.captured(1);
    };
    Stats s;
    s.maxGapMs = field("maxGapMs").toLongLong();
    s.peakRssKb = field("peakRssKb").toLongLong();
    s.rssKb = field("rssKb").toLongLong();
    s.cpuMs = field("cpuMs").toLongLong();
    s.maxGapAt = field("maxGapAt");
    return s;
}

quint16 listeningPort(Program &peer)
{
    return static_cast<quint16>(peer.waitFor(QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)"), 10000).toUInt());
}

int fail(const char *what)
{
    std::fprintf(stderr, "soak: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const double minutes = argc > 1 ? std::max(0.1, QString::fromLocal8Bit(argv[1]).toDouble()) : 10.0;
    const QString socat = QStandardPaths::findExecutable(QStringLiteral("socat"));
    QTemporaryDir dir;
    if (socat.isEmpty() || !dir.isValid())
        return fail("needs socat and a temporary folder");
    const auto path = [&dir](const char *name) { return QDir(dir.path()).filePath(QString::fromLatin1(name)); };
    QDir().mkpath(path("log"));
    QDir().mkpath(path("run"));
    // A runtime folder must be private, or Qt uses a shared one instead.
    QFile::setPermissions(path("run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    const QString sim = QStringLiteral(KORVANE_SIM_PATH);
    Program board(sim), radio(sim), cloud(sim), ship(sim), feed(sim), cable(socat);
    if (!board.start({"board", "--port", "0", "--lat", "31", "--lon", "121", "--target-lat", "30.8278",
                      "--target-lon", "120.4528"})
        || !radio.start({"radio", "--port", "0", "--family", "airos"}) || !cloud.start({"cloud", "--port", "0"})
        || !ship.start({"ship-service", "--port", "0"}))
        return fail("a peer did not start");
    const quint16 boardPort = listeningPort(board), radioPort = listeningPort(radio);
    const quint16 cloudPort = listeningPort(cloud), shipPort = listeningPort(ship);
    if (!boardPort || !radioPort || !cloudPort || !shipPort)
        return fail("a peer did not listen");
    if (!cable.start({QStringLiteral("pty,raw,echo=0,link=") + path("station-end"),
                      QStringLiteral("pty,raw,echo=0,link=") + path("feed-end")})
        || !waitUntil([&] { return QFileInfo::exists(path("station-end")) && QFileInfo::exists(path("feed-end")); },
                      5000)
        || !feed.start({"ais-feed", "--device", path("feed-end"), "--rate", "1"}))
        return fail("the AIS line did not start");

    const QString cloudAddress = QStringLiteral("127.0.0.1:%1").arg(cloudPort);
    QFile settings(path("station.ini"));
    if (!settings.open(QIODevice::WriteOnly))
        return fail("no settings file");
    settings.write(QStringLiteral("[General]\nDEVICE_KORVANE_IP=127.0.0.1:%1\nKORVANE_AUTOLINK=1\n"
                                  "DEVICE_WIRESS_IP=127.0.0.1:%2\nDEVICE_WIRESS_USER=ubnt\n"
                                  "DEVICE_WIRESS_PASSWORD=ubnt\nKORVANE_CLOUD=1\nCLOUD_SERVER_NAME=%3\n"
                                  "CLOUD_SERVER_IP=%3\nCLOUD_HOST=%3\nSHIP_SERVICE_URL=http://127.0.0.1:%4\n"
                                  "USE_SHIP_MMSI=413000000\nUSE_SHIP_AIS_DRIVE=1\n")
                       .arg(boardPort)
                       .arg(radioPort)
                       .arg(cloudAddress)
                       .arg(shipPort)
                       .toUtf8());
    settings.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path("run"));
    Program station(QStringLiteral(KORVANE_STATION_PATH));
    if (!station.start({"--headless", "--watch-loop", "--answer", "ok", "--settings", path("station.ini"),
                        "--log-dir", path("log"), "--ais-port", path("station-end")},
                       env))
        return fail("the station did not start");
    if (station.waitFor(QStringLiteral("^(Label_NOTE\\.text=微波登录成功！)$"), 30000).isEmpty())
        return fail("the radio session did not start");

    // Start-up is not service: the figures count from here.
    const Stats start = readStats(station);
    QElapsedTimer wall;
    wall.start();
    Stats worst;
    Heartbeat heartbeat;
    qint64 worstBaselineMs = 0;
    const qint64 totalMs = static_cast<qint64>(minutes * 60000);
    std::printf("soak: %.1f min with every peer streaming\n", minutes);
    while (wall.elapsed() < totalMs && station.running()) {
        const int slice = static_cast<int>(std::min<qint64>(kStatsEveryMs, totalMs - wall.elapsed()));
        waitUntil([&] { return !station.running(); }, slice);
        const Stats s = readStats(station);
        if (s.maxGapMs > worst.maxGapMs) {
            worst.maxGapMs = s.maxGapMs;
            worst.maxGapAt = s.maxGapAt;
        }
        const qint64 baselineMs = heartbeat.takeMaxGapMs();
        worstBaselineMs = std::max(worstBaselineMs, baselineMs);
        std::printf("  %5.1f min: longest gap %lld ms (machine baseline %lld ms), resident %lld kB, cpu %lld ms\n",
                    wall.elapsed() / 60000.0, static_cast<long long>(s.maxGapMs), static_cast<long long>(baselineMs),
                    static_cast<long long>(s.rssKb), static_cast<long long>(s.cpuMs));
        std::fflush(stdout);
        worst.peakRssKb = s.peakRssKb;
        worst.cpuMs = s.cpuMs;
    }
    if (!station.running())
        return fail("the station ended during the soak");
    const double cpuPercent = 100.0 * static_cast<double>(worst.cpuMs - start.cpuMs) / wall.elapsed();
    std::printf("soak: station cpu %.2f %% of one core (goal < %.0f %%), peak resident %lld kB (goal < %lld kB), "
                "longest loop gap %lld ms at %s (goal <= %lld ms)\n",
                cpuPercent, kGoalCpuPercent, static_cast<long long>(worst.peakRssKb),
                static_cast<long long>(kGoalRssKb), static_cast<long long>(worst.maxGapMs), qPrintable(worst.maxGapAt),
                static_cast<long long>(kGoalGapMs));
    const bool met = cpuPercent < kGoalCpuPercent && worst.peakRssKb < kGoalRssKb && worst.maxGapMs <= kGoalGapMs;
    std::printf("soak: the harness's own 10 ms timer, which does nothing else, was up to %lld ms late\n",
                static_cast<long long>(worstBaselineMs));
    std::printf("soak: goals %s\n", met ? "met" : "missed");
    station.send(":quit");
    return 0;
}
