// How fast the daily log grows in steady service. For each radio
// configuration (airFiber, iwconfig and JSON-console radios, a 5G CPE, no
// radio at all) the headless station runs against the simulated board, that
// radio and the cloud server, all at a shortened time scale; once the links
// are up, the log's growth over the window (default 10 minutes of station
// time) is split into the board's status text (lines shaped like those the
// board sent, as a relay in between learns them), event lines
// ("hh:mm:ss 主机类型(n)事件：…") and other lines, and given per hour of
// station time. The most frequent event messages and other lines are
// listed, so a flood shows what it is made of.
//
// Usage: log_growth [--minutes M] [--time-scale F] [--only NAME]
#include "BoardTap.h"

#include "support/SimProcess.h"
#include "support/StationProcess.h"
#include "support/Wait.h"

#include "platform/SettingsStore.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace korvane;
using namespace korvane::test;

namespace {

constexpr int kStartWaitMs = 30000;
constexpr int kTopMessages = 3;
const char *const kPassword = "Pw-4410";

struct Config {
    const char *name;
    QStringList radio;          // korvane-sim arguments; empty: no radio
    const char *ready;          // the display line that says the links are up
    const char *address = "127.0.0.1:%1"; // the radio box; %1 the simulated peer's port
};

const Config kConfigs[] = {
    {"airfiber", {"radio", "--family", "airfiber", "--password", kPassword}, "Label_NOTE.text=微波登录成功！"},
    {"iwconfig", {"radio", "--family", "iwconfig", "--password", kPassword}, "Label_NOTE.text=微波登录成功！"},
    {"json", {"radio", "--family", "json", "--password", kPassword}, "Label_NOTE.text=微波登录成功！"},
    // A port after a bare address is the telnet console's; the CPE's web
    // server on a port of its own is named as a URL.
    {"cpe", {"cpe"}, "Label_NOTE.text=已识别为5G CPE设备", "http://127.0.0.1:%1"},
    {"none", {}, "Label6.colour=0,255,0"},
};

struct Options {
    double minutes = 10;
    double timeScale = 0.1;
    QString only;
};

struct Share {
    qint64 bytes = 0;
    qint64 lines = 0;
    QHash<QString, qint64> texts; // line (time taken off, or its shape) -> count

    void add(qint64 lineBytes, const QString &text = {})
    {
        bytes += lineBytes;
        ++lines;
        if (!text.isNull())
            ++texts[text];
    }
};

struct Growth {
    Share status;
    Share events;
    Share other;
};

Growth classify(const QByteArray &appended, const BoardTap &tap)
{
    static const QRegularExpression event(QStringLiteral("^\\d{1,2}:\\d{2}:\\d{2} (主机类型\\(\\d+\\)事件：.*)$"));
    Growth g;
    for (const QByteArray &raw : appended.split('\n')) {
        if (raw.isEmpty())
            continue;
        const qint64 bytes = raw.size() + 1;
        const QString line = QString::fromUtf8(raw).remove(u'\r');
        const QRegularExpressionMatch m = event.match(line);
        if (m.hasMatch())
            g.events.add(bytes, m.captured(1));
        else if (tap.fromBoard(line))
            g.status.add(bytes);
        else
            g.other.add(bytes, BoardTap::shape(line));
    }
    return g;
}

bool writeSettings(const QString &path, quint16 board, const QString &radio, quint16 cloud)
{
    SettingsStore settings(path);
    const QString server = QStringLiteral("127.0.0.1:%1").arg(cloud);
    settings.write(QStringLiteral("DEVICE_KORVANE_IP"), QStringLiteral("127.0.0.1:%1").arg(board));
    settings.write(QStringLiteral("KORVANE_AUTOLINK"), QStringLiteral("1"));
    settings.write(QStringLiteral("DEVICE_WIRESS_IP"), radio);
    settings.write(QStringLiteral("DEVICE_WIRESS_USER"), QStringLiteral("ubnt"));
    settings.write(QStringLiteral("DEVICE_WIRESS_PASSWORD"), QString::fromLatin1(kPassword));
    settings.write(QStringLiteral("KORVANE_CLOUD"), QStringLiteral("1"));
    for (const char *key : {"CLOUD_SERVER_NAME", "CLOUD_SERVER_IP", "CLOUD_HOST"})
        settings.write(QString::fromLatin1(key), server);
    return true;
}

void printTop(const Share &share, double stationHours)
{
    QList<QPair<qint64, QString>> top;
    for (auto it = share.texts.cbegin(); it != share.texts.cend(); ++it)
        top.append({it.value(), it.key()});
    std::sort(top.begin(), top.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    for (qsizetype i = 0; i < std::min<qsizetype>(top.size(), kTopMessages); ++i)
        std::printf("            %7.1f/min  %s\n", top[i].first / stationHours / 60.0, qPrintable(top[i].second.left(72)));
}

void printGrowth(const Config &c, const Growth &g, double stationHours)
{
    const auto perHour = [&](qint64 v) { return static_cast<double>(v) / stationHours; };
    std::printf("%-9s %9.0f B/h: board status text %9.0f B/h (%5.0f lines/min), events %8.0f B/h (%5.1f lines/min), "
                "other %8.0f B/h (%5.1f lines/min)\n",
                c.name, perHour(g.status.bytes + g.events.bytes + g.other.bytes), perHour(g.status.bytes),
                perHour(g.status.lines) / 60.0, perHour(g.events.bytes), perHour(g.events.lines) / 60.0,
                perHour(g.other.bytes), perHour(g.other.lines) / 60.0);
    if (!g.events.texts.isEmpty())
        std::printf("          events:\n");
    printTop(g.events, stationHours);
    if (!g.other.texts.isEmpty())
        std::printf("          other lines (numbers as #):\n");
    printTop(g.other, stationHours);
    std::fflush(stdout);
}

// One configuration; false when a program did not start or the links never
// came up.
bool measure(const Config &c, const Options &o)
{
    QTemporaryDir dir;
    SimProcess board, radio, cloud;
    const int boardIntervalMs = std::max(1, static_cast<int>(1000 * o.timeScale)); // the board's own pace
    if (!dir.isValid() || !board.start(QStringLiteral("board"), {"--interval-ms", QString::number(boardIntervalMs)})
        || !cloud.start(QStringLiteral("cloud")))
        return false;
    if (!c.radio.isEmpty() && !radio.start(c.radio.first(), c.radio.mid(1)))
        return false;
    BoardTap tap(board.port());
    const QString settings = QDir(dir.path()).filePath(QStringLiteral("station.ini"));
    writeSettings(settings, tap.port(), c.radio.isEmpty() ? QString() : QString::fromLatin1(c.address).arg(radio.port()),
                  cloud.port());
    const QString logPath = QDir(dir.path()).filePath(
        QStringLiteral("korvane-station-%1.log").arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))));
    QProcessEnvironment env;
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    StationProcess station;
    if (!station.start({"--answer", "ok", "--settings", settings, "--log-dir", dir.path(), "--time-scale",
                        QString::number(o.timeScale)},
                       env)
        || !station.waitForOutput(QString::fromUtf8(c.ready), kStartWaitMs)) {
        std::fprintf(stderr, "log_growth: %s: the links did not come up; the station's last lines:\n%s\n", c.name,
                     qPrintable(station.output().right(1500)));
        return false;
    }
    // Start-up is not service: the window opens once the links are up.
    const qint64 from = QFile(logPath).size();
    const int windowMs = static_cast<int>(o.minutes * 60000 * o.timeScale);
    waitUntil([&] { return station.process().state() != QProcess::Running; }, windowMs);
    if (station.process().state() != QProcess::Running) {
        std::fprintf(stderr, "log_growth: %s: the station ended during the window\n", c.name);
        return false;
    }
    QFile log(logPath);
    if (!log.open(QIODevice::ReadOnly) || !log.seek(from))
        return false;
    printGrowth(c, classify(log.readAll(), tap), o.minutes / 60.0);
    return true;
}

Options readOptions(const QStringList &args)
{
    Options o;
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--minutes"))
            o.minutes = std::max(0.5, args[i + 1].toDouble());
        else if (args[i] == QLatin1String("--time-scale"))
            o.timeScale = std::clamp(args[i + 1].toDouble(), 0.01, 1.0);
        else if (args[i] == QLatin1String("--only"))
            o.only = args[i + 1];
    }
    return o;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const Options o = readOptions(app.arguments());
    std::printf("log growth: %.1f min of station time per configuration at time scale %.2f, per hour of station "
                "time\n",
                o.minutes, o.timeScale);
    int failed = 0;
    for (const Config &c : kConfigs) {
        if (o.only.isEmpty() || o.only == QLatin1String(c.name))
            failed += measure(c, o) ? 0 : 1;
    }
    return failed == 0 ? 0 : 1;
}
