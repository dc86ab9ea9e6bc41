#include "ShipServiceMain.h"
#include "PeerMain.h"

#include "ShipService.h"
#include "SimCommon.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <optional>

namespace korvane::sim {

namespace {

const char *const kShipServiceDescription = R"help(
A simulated ship-position web service. It listens on --host:--port (127.0.0.1
only unless told another single address; port 0 picks a free port) and, once
listening, prints exactly one line:
  korvane-sim ship-service listening on HOST:PORT

POST /openapi/getship with the form body "mmsi=<MMSI>" answers, for the vessel
--mmsi, its latest report as JSON in this key order:
  {"status":0,"msg":"成功","total":1,"data":[{"mmsi":"…","shipid":"…","imo":"0",
  "name":"…","matchtype":1,"callsign":"…","lon":<deg×1e6>,"lat":<deg×1e6>,
  "sog":<knots×514.5>,"cog":<deg×100>,"hdg":<deg×100, 51100: none>,"rot":0,
  "navistatus":0,"lastdyn":<Unix s>,"satelliteutc":<Unix s>,…}]}
and for any other MMSI {"status":0,"msg":"成功","total":0,"data":[]}. The vessel
moves from --lat/--lon at --speed knots on --course, turning --turn degrees a
minute, and makes a new report every --report-interval seconds (0: only on
"next"); a request between two reports gets the same report again. Other paths
answer 404, other methods 405; every answer closes the connection.
--record FILE appends every request received, unchanged.

Control lines on stdin, each acknowledged with "ok …" or "error …" on stdout
(end of stdin does not stop the service; it prints "input closed, running on"):
  next                  make a new report now (report time + the interval, at
                        least 1 s later)
  unknown on|off        answer every MMSI as not found
  stale on|off          keep answering the last report, however old
  heading DEG|none      the vessel's heading (none: 51100, no heading sent)
  slow MS               answer MS milliseconds late (0: at once)
  hang on|off           accept requests and never answer them
  fail off|close|500|garbage
                        close each connection without an answer, answer
                        HTTP 500, or answer 200 with random bytes as body
  position LAT LON|none (none: 181/91, AIS's "not available")
  course DEG  speed KN  name TEXT  mmsi N
  status                one line: counts, modes, the report time
  quit                  stop the service)help";

void addOptions(QCommandLineParser &parser)
{
    parser.addHelpOption();
    parser.addOptions({
        {"host", "Address to listen on: one address, no wildcard (default 127.0.0.1)", "address", "127.0.0.1"},
        {"port", "TCP port, 0 picks a free one (default 8086)", "port", "8086"},
        {"mmsi", "The vessel's MMSI (default 413000000)", "mmsi", "413000000"},
        {"name", "The vessel's name (default KORVANE TEST)", "name", "KORVANE TEST"},
        {"lat", "Start latitude (default 31.25)", "deg", "31.25"},
        {"lon", "Start longitude (default 121.5)", "deg", "121.5"},
        {"course", "Course over ground, degrees (default 90)", "deg", "90"},
        {"speed", "Speed over ground, knots (default 10)", "knots", "10"},
        {"heading", "Heading, degrees, or none (default: the course)", "deg"},
        {"turn", "Turn rate, degrees a minute (default 0)", "deg", "0"},
        {"report-interval", "Seconds between reports, 0: only on \"next\" (default 10)", "s", "10"},
        {"start-time", "Unix time of the first report (default: now)", "s", "0"},
        {"record", "Append every request received to this file", "file"},
        {"unknown", "Start answering every MMSI as not found"},
        {"stale", "Start with the report frozen"},
        {"slow-ms", "Start answering this many milliseconds late (default 0)", "ms", "0"},
        {"hang", "Start never answering"},
        {"fail", "Start failing: close, 500 or garbage", "how"},
    });
}

std::optional<ShipServiceOptions> readOptions(const QCommandLineParser &parser, QString &error)
{
    ShipServiceOptions o;
    o.host = parser.value("host");
    if (!isSingleAddress(o.host))
        error = QStringLiteral("--host must be one address, not a wildcard or a name");
    o.port = static_cast<quint16>(optionNumber(parser, "port", 0, 65535, error));
    o.mmsi = static_cast<quint32>(optionNumber(parser, "mmsi", 0, 999999999, error));
    o.name = parser.value("name");
    readShipTrack(parser, o.track, 359.99, error);
    o.reportIntervalS = optionNumber(parser, "report-interval", 0, 86400, error);
    o.startTime = static_cast<qint64>(optionNumber(parser, "start-time", 0, 2147483647, error));
    o.recordPath = parser.value("record");
    if (parser.isSet("fail") && parser.value("fail") != QLatin1String("close")
        && parser.value("fail") != QLatin1String("500") && parser.value("fail") != QLatin1String("garbage"))
        error = QStringLiteral("--fail takes close, 500 or garbage");
    if (!error.isEmpty())
        return std::nullopt;
    return o;
}

// Start-up modes go through the control lines, so they behave alike.
void applyStartModes(ShipService &service, const QCommandLineParser &parser)
{
    if (parser.isSet("unknown"))
        service.control(QStringLiteral("unknown on"));
    if (parser.isSet("stale"))
        service.control(QStringLiteral("stale on"));
    if (parser.isSet("hang"))
        service.control(QStringLiteral("hang on"));
    if (parser.value("slow-ms") != QLatin1String("0"))
        service.control(QStringLiteral("slow ") + parser.value("slow-ms"));
    if (parser.isSet("fail"))
        service.control(QStringLiteral("fail ") + parser.value("fail"));
}

} // namespace

int runShipService(const QStringList &arguments)
{
    return runPeer<ShipService, ShipServiceOptions>(QStringLiteral("ship-service [options]"), kShipServiceDescription,
                                                    arguments, addOptions, readOptions, applyStartModes);
}

} // namespace korvane::sim
