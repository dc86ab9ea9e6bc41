#include "e2e/faults/FaultStation.h"

#include "support/Wait.h"

#include "platform/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace korvane::test {

namespace {

constexpr int kStartMs = 20000;

// The target the board reports, and the own position: positions that allow
// a drive.
const QStringList kBoardPositions = {"--lat", "31", "--lon", "121", "--target-lat", "30.8278",
                                     "--target-lon", "120.4528"};

} // namespace

int FaultStation::supervisionMs() const
{
    return static_cast<int>(7030 * m_timeScale) + 2000 + 5000;
}

int FaultStation::cloudPeriodMs() const
{
    return static_cast<int>(59990 * m_timeScale);
}

QString FaultStation::path(const QString &name) const
{
    return QDir(m_dir.path()).filePath(name);
}

bool FaultStation::fail(const QString &what)
{
    m_error = what;
    return false;
}

QStringList FaultStation::radioArguments(quint16 port) const
{
    return {"--port", QString::number(port), "--family", "airos", "--password", QString::fromLatin1(kPassword),
            "--jitter", "1"};
}

QStringList FaultStation::boardArguments() const
{
    return QStringList{"--interval-ms", "500", "--record", path(QStringLiteral("board.bin"))} + kBoardPositions;
}

bool FaultStation::startPeers(const Options &options)
{
    if (!board.start(QStringLiteral("board"), boardArguments()))
        return fail(QStringLiteral("board did not start"));
    m_boardPort = board.port();
    if (options.cpe ? !cpe.start(QStringLiteral("cpe"))
                    : !radio.start(QStringLiteral("radio"), radioArguments(options.radioPort)))
        return fail(QStringLiteral("radio did not start"));
    if (!cloud.start(QStringLiteral("cloud"), {"--reports", path(QStringLiteral("reports.jsonl"))}))
        return fail(QStringLiteral("cloud did not start"));
    if (!ship.start(QStringLiteral("ship-service"), {"--report-interval", "1"}))
        return fail(QStringLiteral("ship service did not start"));
    if (!options.serial)
        return true;
    if (SocatPair::program().isEmpty())
        return fail(QStringLiteral("socat is needed (Debian package socat)"));
    if (!cable.start())
        return fail(QStringLiteral("socat made no terminals"));
    if (!feed.start(cable.feedEnd(), {"--rate", "2"}))
        return fail(QStringLiteral("AIS feed did not start"));
    return true;
}

void FaultStation::writeSettings(const Options &options)
{
    if (options.rawSettings) {
        QFile file(settingsPath());
        if (file.open(QIODevice::WriteOnly))
            file.write(options.rawSettings(*this));
        return;
    }
    SettingsStore settings(settingsPath());
    const QString cloudAddress = QStringLiteral("127.0.0.1:%1").arg(cloud.port());
    const QList<std::pair<QString, QString>> defaults = {
        {"DEVICE_KORVANE_IP", QStringLiteral("127.0.0.1:%1").arg(board.port())},
        {"KORVANE_AUTOLINK", "1"},
        // A CPE's web server off port 80 is named by a web address.
        {"DEVICE_WIRESS_IP", options.radioPortInAddress
                                 ? (options.cpe ? QStringLiteral("http://127.0.0.1:%1").arg(cpe.port())
                                                : QStringLiteral("127.0.0.1:%1").arg(radio.port()))
                                 : QStringLiteral("127.0.0.1")},
        {"DEVICE_WIRESS_USER", "ubnt"},
        {"DEVICE_WIRESS_PASSWORD", QString::fromLatin1(kPassword)},
        {"KORVANE_CLOUD", "1"},
        {"CLOUD_SERVER_NAME", QStringLiteral("%1:%2").arg(options.cloudName).arg(cloud.port())},
        {"CLOUD_SERVER_IP", cloudAddress},
        {"CLOUD_HOST", cloudAddress},
        {"SHIP_SERVICE_URL", QStringLiteral("http://127.0.0.1:%1").arg(ship.port())},
        {"USE_SHIP_MMSI", QString::fromLatin1(kMmsi)},
        {"USE_SHIP_AIS_DRIVE", "1"},
    };
    for (const auto &[key, value] : defaults + options.settings)
        settings.write(key, value);
}

bool FaultStation::start(const Options &options)
{
    m_timeScale = options.timeScale;
    m_options = options;
    // The runtime folder holds the instance lock. Qt takes a folder that is
    // not private for none and falls back to one shared by every station,
    // whose instance check would then end another test's station.
    if (!m_dir.isValid() || !QDir().mkpath(logDir()) || !QDir().mkpath(path(QStringLiteral("run")))
        || !QFile::setPermissions(path(QStringLiteral("run")),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
        return fail(QStringLiteral("no temporary folder"));
    if (!startPeers(options))
        return false;
    writeSettings(options);
    QProcessEnvironment env;
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("run")));
    env.insert(options.env);
    QStringList arguments = {"--watch-loop", "--answer", "ok", "--settings", settingsPath(), "--log-dir", logDir(),
                             "--time-scale", QString::number(m_timeScale)};
    if (options.serial)
        arguments << "--ais-port" << cable.stationEnd();
    if (!station.start(arguments, env))
        return fail(QStringLiteral("the station did not start"));
    if (!station.waitForOutput(QStringLiteral("MainWindow.text="), kStartMs))
        return fail(QStringLiteral("the station did not come up: ") + station.output());
    return true;
}

QByteArray FaultStation::logBytes() const
{
    QByteArray all;
    const QDir dir(logDir());
    for (const QString &name : dir.entryList({QStringLiteral("*.log")}, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            all += file.readAll();
    }
    return all;
}

bool FaultStation::printedSince(qsizetype since, const QString &text) const
{
    return station.outputBytes().indexOf(text.toUtf8(), since) >= 0;
}

bool FaultStation::waitForOutput(qsizetype since, const QString &text, int timeoutMs)
{
    return waitUntil([&] { return printedSince(since, text); }, timeoutMs);
}

QString FaultStation::lastValue(const QString &controlProperty) const
{
    const QByteArray &out = station.outputBytes();
    const QByteArray lead = '\n' + controlProperty.toUtf8() + '=';
    const qsizetype at = out.lastIndexOf(lead);
    if (at < 0)
        return {};
    const qsizetype start = at + lead.size();
    const qsizetype end = out.indexOf('\n', start);
    return QString::fromUtf8(out.mid(start, end < 0 ? -1 : end - start));
}

void FaultStation::type(const QString &line)
{
    const qsizetype since = mark();
    station.send(line);
    waitForOutput(since, QStringLiteral("Combo2.text="), 5000);
}

StationStats FaultStation::stats()
{
    const qsizetype since = mark();
    station.send(QStringLiteral(":stats"));
    StationStats s;
    if (!waitForOutput(since, QStringLiteral("stats maxGapMs="), 10000))
        return s;
    const QByteArray &out = station.outputBytes();
    const qsizetype start = out.indexOf("stats maxGapMs=", since);
    const QString line = QString::fromUtf8(out.mid(start, out.indexOf('\n', start) - start));
    const auto field = [&line](const char *name) {
        const QRegularExpression re(QStringLiteral("\\b%1=(-?\\d+)").arg(QLatin1String(name)));
        const QRegularExpressionMatch m = re.match(line);
        return m.hasMatch() ? m.captured(1).toLongLong() : qint64(-1);
    };
    s.maxGapMs = field("maxGapMs");
    s.rssKb = field("rssKb");
    s.peakRssKb = field("peakRssKb");
    s.cpuMs = field("cpuMs");
    return s;
}

bool FaultStation::boardLinkUp(int timeoutMs)
{
    return waitUntil(
        [&] {
            return lastValue(QStringLiteral("Label6.colour")) == QLatin1String("0,255,0")
                   && board.statusValue(QStringLiteral("clients")) >= 1;
        },
        timeoutMs);
}

bool FaultStation::radioLoggedIn(qsizetype since, int timeoutMs)
{
    return waitForOutput(since, QStringLiteral("Label_NOTE.text=微波登录成功！"), timeoutMs)
           && waitUntil([&] { return radio.statusValue(QStringLiteral("logged_in")) >= 1; }, timeoutMs);
}

QString FaultStation::endReport()
{
    QProcess &p = station.process();
    return QStringLiteral("exit %1 (%2)\nstderr:\n%3\nlast output:\n%4")
        .arg(p.exitCode())
        .arg(p.exitStatus() == QProcess::CrashExit ? QStringLiteral("crashed") : QStringLiteral("exited"))
        .arg(QString::fromUtf8(p.readAllStandardError().right(4000)))
        .arg(QString::fromUtf8(station.outputBytes().right(3000)));
}

bool FaultStation::cpeReadsWell(int timeoutMs)
{
    return waitUntil(
        [&] {
            return printedSince(0, QStringLiteral("Label_NOTE.text=已识别为5G CPE设备"))
                   && lastValue(QStringLiteral("radioLamp.colour")) == QLatin1String("0,255,0");
        },
        timeoutMs);
}

bool FaultStation::restartRadio(quint16 port)
{
    return radio.restart(QStringLiteral("radio"), radioArguments(port));
}

bool FaultStation::restartBoard(const QStringList &extra)
{
    return board.restart(QStringLiteral("board"),
                         QStringList{"--port", QString::number(m_boardPort)} + boardArguments() + extra);
}

} // namespace korvane::test
