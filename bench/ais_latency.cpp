// From an AIVDM sentence written to a pseudo-terminal to the "r" command it
// causes arriving at the board: the station's whole serial path (read,
// framing, checksum, decoding, bearing, command) plus the pseudo-terminal
// relay and TCP on 127.0.0.1, one sentence at a time, 10000 sentences per
// run. Goals: median under 1 ms, 99th percentile under 5 ms.
//
// The board runs on a thread of its own, as the real board is a device of
// its own: it stamps each command as it arrives, whatever the station does
// after sending it. Needs socat (Debian package socat).
#include "model/SettingKeys.h"
#include "app/Station.h"
#include "support/BenchStation.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

using namespace korvane;

using korvane::test::waitUntil;

namespace {

constexpr int kSentences = 10000;
constexpr int kWaitMs = 5000;

// Vessel 413000000 with five headings, from korvane-sim ais-feed's encoder.
const char *const kSentencesOfTarget[] = {
    "!AIVDM,1,1,,A,169oQ@0P1T8d;e0ApJ<3Q39p0000,0*0E\r\n", // 100
    "!AIVDM,1,1,,A,169oQ@0P1T8d;e0ApJ<3Q0Ep0000,0*71\r\n", // 10
    "!AIVDM,1,1,,A,169oQ@0P1T8d;e0ApJ<3Q:up0000,0*4B\r\n", // 350
    "!AIVDM,1,1,,A,169oQ@0P1T8d;e0ApJ<3Q6Ap0000,0*73\r\n", // 200
    "!AIVDM,1,1,,A,169oQ@0P1T8d;e0ApJ<3Q2mp0000,0*5B\r\n", // 90
};

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A board that listens on 127.0.0.1, takes the first connection and
// stamps every line it receives.
class ThreadBoard {
public:
    ThreadBoard() : m_stamps(2 * kSentences + 16)
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(m_listen, reinterpret_cast<sockaddr *>(&a), len) != 0 || ::listen(m_listen, 4) != 0
            || ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&a), &len) != 0)
            return;
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { run(); });
    }
    ~ThreadBoard()
    {
        ::shutdown(m_listen, SHUT_RDWR);
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_listen);
    }

    quint16 port() const { return m_port; }
    bool connected() const { return m_connected.load(std::memory_order_acquire); }
    int lines() const { return m_lines.load(std::memory_order_acquire); }
    qint64 stamp(int line) const { return m_stamps[static_cast<size_t>(line)]; }
    // Read only after the connection has ended.
    const std::string &received() const { return m_received; }

private:
    void run()
    {
        const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            return;
        m_connected.store(true, std::memory_order_release);
        wakeMain();
        char buffer[4096];
        ssize_t n;
        while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) {
            const qint64 t = nowNs();
            m_received.append(buffer, static_cast<size_t>(n));
            for (ssize_t i = 0; i < n; ++i) {
                const int line = m_lines.load(std::memory_order_relaxed);
                if (buffer[i] == '\n' && line < static_cast<int>(m_stamps.size())) {
                    m_stamps[static_cast<size_t>(line)] = t;
                    m_lines.store(line + 1, std::memory_order_release);
                }
            }
            wakeMain();
        }
        ::close(fd);
    }
    // Any posted event ends the main thread's wait for events.
    static void wakeMain()
    {
        QMetaObject::invokeMethod(QCoreApplication::instance(), [] {}, Qt::QueuedConnection);
    }

    int m_listen = -1;
    quint16 m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_connected{false};
    std::atomic<int> m_lines{0};
    std::vector<qint64> m_stamps;
    std::string m_received;
};

// Waits in the event loop (no spinning: the pseudo-terminal relay needs the
// CPU) until `done` holds or `ms` pass.
struct Figures {
    bool complete = false;
    std::vector<qint64> ns; // sorted
};

double percentileMs(const std::vector<qint64> &sorted, double p)
{
    const size_t i = std::min(sorted.size() - 1, static_cast<size_t>(p * (sorted.size() - 1) + 0.5));
    return sorted[i] / 1e6;
}

// One sentence at a time: written, then its command waited for.
Figures measure(int fd, const std::vector<const char *> &sentences, const ThreadBoard &board)
{
    Figures f;
    f.ns.reserve(kSentences);
    for (int i = 0; i < kSentences; ++i) {
        const char *s = sentences[static_cast<size_t>(i) % sentences.size()];
        const int before = board.lines();
        const qint64 t0 = nowNs();
        if (::write(fd, s, std::strlen(s)) != static_cast<ssize_t>(std::strlen(s))) {
            std::fprintf(stderr, "ais_latency: write failed at sentence %d\n", i);
            return f;
        }
        if (!waitUntil([&] { return board.lines() > before; }, kWaitMs)) {
            std::fprintf(stderr, "ais_latency: no command for sentence %d\n", i);
            return f;
        }
        f.ns.push_back(board.stamp(before) - t0);
    }
    std::sort(f.ns.begin(), f.ns.end());
    f.complete = true;
    return f;
}

void report(const char *name, const Figures &f)
{
    const double median = percentileMs(f.ns, 0.5);
    const double p99 = percentileMs(f.ns, 0.99);
    std::printf("  %s median %.3f ms  p90 %.3f ms  p99 %.3f ms  max %.3f ms   goal median < 1 ms: %s, p99 < 5 ms: %s\n",
                name, median, percentileMs(f.ns, 0.9), p99, f.ns.back() / 1e6, median < 1.0 ? "met" : "MISSED",
                p99 < 5.0 ? "met" : "MISSED");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString socat = QStandardPaths::findExecutable(QStringLiteral("socat"));
    if (socat.isEmpty()) {
        std::fprintf(stderr, "ais_latency: socat not found (Debian package socat)\n");
        return 1;
    }
    QTemporaryDir dir;
    const QString stationEnd = dir.filePath(QStringLiteral("station"));
    const QString feedEnd = dir.filePath(QStringLiteral("feed"));
    QProcess cable;
    cable.start(socat, {QStringLiteral("pty,raw,echo=0,link=") + stationEnd,
                        QStringLiteral("pty,raw,echo=0,link=") + feedEnd});
    if (!waitUntil([&] { return QFileInfo::exists(stationEnd) && QFileInfo::exists(feedEnd); }, kWaitMs)) {
        std::fprintf(stderr, "ais_latency: socat made no pseudo-terminals\n");
        return 1;
    }

    ThreadBoard board;
    korvane::test::BenchStation bench(dir.path(), QStringLiteral("ais_latency"), stationEnd);
    bench.settings.write(keys::DEVICE_KORVANE_IP, QStringLiteral("127.0.0.1:%1").arg(board.port()));
    bench.settings.write(keys::DEVICE_KORVANE_PORT, QString::number(board.port()));
    bench.settings.write(keys::KORVANE_AUTOLINK, QStringLiteral("1"));
    Station &station = bench.start();
    if (!waitUntil([&] { return station.Winsock2.State() == TcpLink::Connected && board.connected(); }, kWaitMs)
        || !station.MSComm1.isOpen()) {
        std::fprintf(stderr, "ais_latency: station not connected or port not open\n");
        return 1;
    }
    station.ais.aisDrive = true;
    station.ais.targetMmsi = QStringLiteral("413000000");
    station.controllerStatus.OwnLatitude = 31.0;
    station.controllerStatus.OwnLongitude = 121.0;
    station.controllerStatus.ShipTarget = {30.8278, 120.4528};

    const int fd = ::open(QFile::encodeName(feedEnd).constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "ais_latency: cannot open %s\n", qPrintable(feedEnd));
        return 1;
    }
    termios raw{};
    tcgetattr(fd, &raw);
    cfmakeraw(&raw);
    tcsetattr(fd, TCSANOW, &raw);

    // Steady: the heading repeats, as between reports of a ship holding its
    // course. Turning: every report a new heading, so each one also updates
    // USE_SHIP_AIS_ANG, a settings store synced to disk.
    const Figures steady = measure(fd, {kSentencesOfTarget[0]}, board);
    const Figures turning = measure(
        fd, std::vector<const char *>(std::begin(kSentencesOfTarget), std::end(kSentencesOfTarget)), board);
    ::close(fd);
    station.Winsock2.Close(); // ends the board's connection
    cable.terminate();
    cable.waitForFinished(3000);
    if (!steady.complete || !turning.complete)
        return 1;

    // One command per sentence and nothing else.
    const QList<QByteArray> commands = QByteArray::fromStdString(board.received()).split('\n');
    const bool allDrives = std::all_of(commands.begin(), commands.end() - 1,
                                       [](const QByteArray &c) { return c.startsWith('r') && c.endsWith('\r'); });
    if (board.lines() != 2 * kSentences || !allDrives) {
        std::fprintf(stderr, "ais_latency: %d command lines for %d sentences\n", board.lines(), 2 * kSentences);
        return 1;
    }
    std::printf("ais_latency: pty write to \"r\" command at the board, %d sentences each\n", kSentences);
    report("steady heading ", steady);
    report("turning        ", turning);
    return 0;
}
