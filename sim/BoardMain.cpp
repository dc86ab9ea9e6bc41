#include "BoardMain.h"

#include "BoardSim.h"
#include "SimCommon.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <optional>

namespace korvane::sim {

namespace {

const char *const kBoardDescription = R"help(
A simulated antenna-controller board. It listens on --host:--port (127.0.0.1 only
unless told another single address; port 0 picks a free port) and, once
listening, prints exactly one line:
  korvane-sim board listening on HOST:PORT

Every connected station receives the status text (UTF-8 Chinese, CR LF lines,
a few lines per chunk): own position, base station or target ship with
distance, antenna angle, receiver state, execution report with compass, and
heading and speed; with a key set, the key record "secretkey:KEY(ADDRESS)".
One full round of chunks goes out every --interval-ms.

Commands from a station end at CR, LF or CR LF, or after --gap-ms of quiet
following an unterminated fragment. Each is answered to every station with
"4G网络正常 命令:<command>" and its result:
  p  attitude      c  compass      g  receiver      g<n>  receiver rate (n Hz RMC)
  ?  help and base count           R  restart to automatic drive
  [P0H<n>V0]  manual offset n degrees ([P0H0V0]: automatic drive again)
  m<±n>  turn by n degrees         r<deg>  ship-to-ship drive angle
  j<lon> w<lat>  base station      p<n>j<lon>w<lat>d<h>  preset (249: own position)
  T<n>  base count                 se:<key>(<address>)  key to relay
  o, cl…, ch…, cH…, cV…, cP…, cb…, co…, cI…, cz…, cM…, a, J, W, b, fX, TD, tz,
  LU, LP, Z, P, S: accepted ("参数已设置"); anything else: "未知命令".
--record FILE appends every byte received, unchanged, in arrival order.

Control lines on stdin, each acknowledged with "ok …" or "error …" on stdout
(end of stdin does not stop the board; it prints "input closed, running on"):
  drop                   close every station connection now
  silent on|off          keep connections but say nothing (commands still run)
  refuse-second on|off   while a station is connected, accept any further
                         connection and close it at once
  key on|off             relay the key record (default key if none was set)
  gnss on|off            receiver fix ("信号:100%" / "信号:0%")
  flood BYTES            send BYTES of garbage to every station, as fast as
                         each reads (random bytes, NUL, invalid UTF-8, broken
                         characters and markers); ignores silent and mute
  send TEXT              send TEXT to every station now, even when silent or
                         muted (\r \n \t \\ escapes)
  status                 one line: connections, counts, switches, antenna
  quit                   stop the board
--mute is permanent: connections are accepted and never spoken to.)help";

void addOptions(QCommandLineParser &parser)
{
    parser.addHelpOption();
    parser.addOptions({
        {"host", "Address to listen on: one address, no wildcard (default 127.0.0.1)", "address", "127.0.0.1"},
        {"port", "TCP port, 0 picks a free one (default 8233)", "port", "8233"},
        {"interval-ms", "Time for one round of status chunks (default 1000)", "ms", "1000"},
        {"gap-ms", "Quiet time that ends an unterminated command (default 200)", "ms", "200"},
        {"record", "Append every received byte to this file", "file"},
        {"silent", "Start silent (see the silent control)"},
        {"mute", "Never send anything on any connection"},
        {"refuse-second", "Close any further connection while one is open"},
        {"drop-after-ms", "Close each connection this long after it opens (default 0: never)", "ms", "0"},
        {"key", "32-character radio key to relay in key records", "key"},
        {"key-address", "Radio address for the key record (default 192.168.1.20)", "address", "192.168.1.20"},
        {"lat", "Own latitude (default 31.2304123)", "deg", "31.2304123"},
        {"lon", "Own longitude (default 121.4737010)", "deg", "121.4737010"},
        {"base-lat", "Base station latitude (default 31.3)", "deg", "31.3"},
        {"base-lon", "Base station longitude (default 121.5)", "deg", "121.5"},
        {"target-lat", "Target ship latitude (with --target-lon)", "deg"},
        {"target-lon", "Target ship longitude (with --target-lat)", "deg"},
        {"heading", "Ship heading, degrees (default 45.0)", "deg", "45.0"},
        {"speed", "Ship speed as the board reports it, km/h (default 18.5)", "speed", "18.5"},
    });
}

// Reads the option as a number within [low, high]; sets `error` otherwise.
double number(const QCommandLineParser &parser, const QString &name, double low, double high, QString &error)
{
    bool ok = false;
    const double value = parser.value(name).toDouble(&ok);
    if (!ok || value < low || value > high) {
        error = QStringLiteral("--%1 must be a number from %2 to %3").arg(name).arg(low).arg(high);
        return 0;
    }
    return value;
}

void readAntenna(const QCommandLineParser &parser, BoardAntenna::Setup &setup, QString &error)
{
    setup.own = {number(parser, "lat", -90, 90, error), number(parser, "lon", -180, 180, error), 12.0};
    setup.base = {number(parser, "base-lat", -90, 90, error), number(parser, "base-lon", -180, 180, error), 5.0};
    if (parser.isSet("target-lat") != parser.isSet("target-lon"))
        error = QStringLiteral("--target-lat and --target-lon go together");
    else if (parser.isSet("target-lat"))
        setup.target = GeoPoint{number(parser, "target-lat", -90, 90, error),
                                number(parser, "target-lon", -180, 180, error), 0.0};
    setup.heading = number(parser, "heading", -360, 360, error);
    setup.speedKmh = number(parser, "speed", 0, 1000, error);
}

std::optional<BoardOptions> readOptions(const QCommandLineParser &parser, QString &error)
{
    BoardOptions options;
    options.host = parser.value("host");
    if (!isSingleAddress(options.host))
        error = QStringLiteral("--host must be one address, not a wildcard or a name");
    options.port = static_cast<quint16>(number(parser, "port", 0, 65535, error));
    options.intervalMs = static_cast<int>(number(parser, "interval-ms", 5, 3600000, error));
    options.commandGapMs = static_cast<int>(number(parser, "gap-ms", 1, 600000, error));
    options.recordPath = parser.value("record");
    options.silent = parser.isSet("silent");
    options.mute = parser.isSet("mute");
    options.refuseSecond = parser.isSet("refuse-second");
    options.dropAfterMs = static_cast<int>(number(parser, "drop-after-ms", 0, 86400000, error));
    options.key = parser.value("key");
    options.keyAddress = parser.value("key-address");
    if (parser.isSet("key") && options.key.size() != 32)
        error = QStringLiteral("--key must be 32 characters");
    readAntenna(parser, options.antenna, error);
    if (!error.isEmpty())
        return std::nullopt;
    return options;
}

QString helpText(const QCommandLineParser &parser)
{
    // The parser names the executable by its full path; name the subcommand.
    QString options = parser.helpText();
    options = options.mid(options.indexOf(u'\n') + 1);
    return QStringLiteral("Usage: korvane-sim board [options]\n") + QString::fromUtf8(kBoardDescription) + u'\n'
           + options;
}

} // namespace

int runBoard(const QStringList &arguments)
{
    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(QStringList{QStringLiteral("korvane-sim")} + arguments.mid(1))) {
        printError(QStringLiteral("korvane-sim board: ") + parser.errorText());
        return 2;
    }
    if (parser.isSet("help")) {
        printLine(helpText(parser));
        return 0;
    }
    QString error;
    const auto options = readOptions(parser, error);
    if (!options) {
        printError(QStringLiteral("korvane-sim board: ") + error);
        return 2;
    }
    BoardSim board(*options);
    if (!board.start(&error)) {
        printError(QStringLiteral("korvane-sim board: ") + error);
        return 1;
    }
    StdinLines stdinLines;
    QObject::connect(&stdinLines, &StdinLines::lineRead, &board, &BoardSim::control);
    QObject::connect(&stdinLines, &StdinLines::ended, [] { printLine(QStringLiteral("input closed, running on")); });
    return QCoreApplication::exec();
}

} // namespace korvane::sim
