#include "BoardMain.h"
#include "PeerMain.h"

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

Every connected station receives the status text (UTF-8 Chinese, CR LF lines)
as a round of chunks spread over --interval-ms:
  position   own position ("本地纬度:", or "动中通纬度:" with --own-marker
             antenna), base station or target ship with ",距离:…km", and while
             the receiver rate is above 0 the receiver's sentences ($GNRMC
             and/or $GNGGA, checksummed; void without a fix)
  attitude   "…角度:H<az>V<el>", "信号:100%" or "信号:0%", heading and
             speed ("航向…航速…俯仰…" and "航速:…节 航向:…")
  execution  "执行<drive>±<offset>目标:<goal>距离<km> 罗盘<compass>俯仰<el>"
  key        "secretkey:KEY(ADDRESS)" while a key is relayed
With split reports on, every other execution report goes out in pieces a
little apart: cut before "目标:", before "俯仰", or at both, in turn.

Commands from a station end at CR, LF or CR LF, or after --gap-ms of quiet
following an unterminated fragment. Each is answered to every station with
"4G网络正常 命令:<command>" and its result:
  p  attitude      c  compass      g  receiver      g<n>  receiver rate (n Hz;
                                                          0 stops the sentences)
  ?  help, starting "当前基站数量<n>,设置的参数如下:"
  R  restart to automatic drive
  [P0H<n>V0]  manual offset n degrees ([P0H0V0]: automatic drive again)
  m<±n>  turn by n degrees         r<deg>  ship-to-ship drive angle
    (these three also answer with an execution report towards the new goal)
  j<lon> w<lat>  base station      p<n>j<lon>w<lat>d<h>  preset (249: own position)
  p1 j<lon> w<lat> d<h> mmsi<MMSI> *<n>  target ship (n: length up to the
                                          MMSI plus 4)
  T<n>  base count (T alone: "当前基站数量<n>,设置的参数如下:")
  se:<key>(<address>)  key to relay
  mmsi<9 digits>  target ship (every station sees the echo)
  o, cl…, ch…, cH…, cV…, cP…, cb…, co…, cI…, cz…, cM…, a, J, W, b, fX, TD, tz,
  LU, LP, Z, P, S: accepted ("参数已设置"); anything else: "未知命令".
--record FILE appends every byte received, unchanged, in arrival order.
--bearing-file FILE keeps FILE holding how far the antenna points from the
board's own drive direction (degrees, -180 to 180: the manual offset and the
"m" turns as the antenna has carried them out), replaced whole as the antenna
moves; korvane-sim radio --bearing-from FILE makes its signal follow it.

Control lines on stdin, each acknowledged with "ok …" or "error …" on stdout
(end of stdin does not stop the board; it prints "input closed, running on"):
  drop                   close every station connection now
  silent on|off          keep connections but say nothing (commands still run)
  refuse-second on|off   while a station is connected, accept any further
                         connection and close it at once
  key on|off             relay the key record (default key if none was set)
  gnss on|off            receiver fix ("信号:100%" / "信号:0%", void sentences)
  nmea off|rmc|gga|both  receiver sentences in position reports (rmc, gga or
                         both start them at 1 Hz if stopped; off stops them)
  split on|off           split every other execution report (see above)
  alarm NAME             report an alarm now, as a chunk of its own:
                           motor     "电机告警:…"
                           bus       "总线异常:…"
                           init      "初始位错误,…"
                           receiver  "$PCAS04,3*1A"
                           range     "角度超出设备范围,停止俯仰"
  bases N                set the base count and report it with the parameter
                         listing "当前基站数量N,设置的参数如下:…" (N 0 to 65535,
                         so a count the board could not hold can be shown)
  switch N               report a change to base N: "基站切换 N号基站,海拔:…"
  compass init           report "执行初始罗盘" (re-basing starts)
  compass based          report "罗盘初始完成,以当前船艏为基准"
  compass stuck on|off   the compass repeats its last reading (execution reports
                         and "c" alike) until turned off
  flood BYTES            send BYTES of garbage to every station, as fast as
                         each reads (random bytes, NUL, invalid UTF-8, broken
                         characters and markers); ignores silent and mute
  send TEXT              send TEXT to every station now, even when silent or
                         muted (\r \n \t \\ escapes)
  status                 one line: connections, counts, switches, compass,
                         antenna
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
        {"bearing-file", "Keep the antenna's pointing from its drive direction in this file", "file"},
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
        {"split-reports", "Start with split execution reports (see the split control)"},
        {"nmea", "Relay receiver sentences from the start: rmc, gga or both (default: none until g<n>)", "kinds"},
        {"own-marker", "Own position marker: local (本地纬度:) or antenna (动中通纬度:) (default local)", "form",
         "local"},
        {"speed", "Ship speed as the board reports it, km/h (default 18.5)", "speed", "18.5"},
    });
}

void readAntenna(const QCommandLineParser &parser, BoardAntenna::Setup &setup, QString &error)
{
    setup.own = {optionNumber(parser, "lat", -90, 90, error), optionNumber(parser, "lon", -180, 180, error), 12.0};
    setup.base = {optionNumber(parser, "base-lat", -90, 90, error), optionNumber(parser, "base-lon", -180, 180, error), 5.0};
    if (parser.isSet("target-lat") != parser.isSet("target-lon"))
        error = QStringLiteral("--target-lat and --target-lon go together");
    else if (parser.isSet("target-lat"))
        setup.target = GeoPoint{optionNumber(parser, "target-lat", -90, 90, error),
                                optionNumber(parser, "target-lon", -180, 180, error), 0.0};
    setup.heading = optionNumber(parser, "heading", -360, 360, error);
    setup.speedKmh = optionNumber(parser, "speed", 0, 1000, error);
}

std::optional<BoardOptions> readOptions(const QCommandLineParser &parser, QString &error)
{
    BoardOptions options;
    options.host = parser.value("host");
    if (!isSingleAddress(options.host))
        error = QStringLiteral("--host must be one address, not a wildcard or a name");
    options.port = static_cast<quint16>(optionNumber(parser, "port", 0, 65535, error));
    options.intervalMs = static_cast<int>(optionNumber(parser, "interval-ms", 5, 3600000, error));
    options.commandGapMs = static_cast<int>(optionNumber(parser, "gap-ms", 1, 600000, error));
    options.recordPath = parser.value("record");
    options.bearingFile = parser.value("bearing-file");
    options.silent = parser.isSet("silent");
    options.mute = parser.isSet("mute");
    options.refuseSecond = parser.isSet("refuse-second");
    options.dropAfterMs = static_cast<int>(optionNumber(parser, "drop-after-ms", 0, 86400000, error));
    options.key = parser.value("key");
    options.keyAddress = parser.value("key-address");
    if (parser.isSet("key") && options.key.size() != 32)
        error = QStringLiteral("--key must be 32 characters");
    options.splitReports = parser.isSet("split-reports");
    if (parser.isSet("nmea")) {
        options.nmea = nmeaKindsFrom(parser.value("nmea"));
        if (!options.nmea)
            error = QStringLiteral("--nmea takes rmc, gga or both");
    }
    if (const auto marker = BoardTexts::ownMarkerFrom(parser.value("own-marker")))
        options.ownMarker = *marker;
    else
        error = QStringLiteral("--own-marker takes local or antenna");
    readAntenna(parser, options.antenna, error);
    if (!error.isEmpty())
        return std::nullopt;
    return options;
}

} // namespace

int runBoard(const QStringList &arguments)
{
    return runPeer<BoardSim, BoardOptions>(QStringLiteral("board [options]"),
                                           kBoardDescription, arguments, addOptions, readOptions);
}

} // namespace korvane::sim
