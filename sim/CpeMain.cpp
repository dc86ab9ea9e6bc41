#include "CpeMain.h"
#include "PeerMain.h"

#include "CpeSim.h"
#include "SimCommon.h"

#include <QCommandLineParser>

#include <algorithm>
#include <iterator>
#include <optional>

namespace korvane::sim {

namespace {

const char *const kCpeDescription = R"help(
A simulated 5G CPE web interface. It listens on --host:--port (127.0.0.1 only
unless told another single address; port 0 picks a free port) and, once
listening, prints exactly one line:
  korvane-sim cpe listening on HOST:PORT

GET /cgi-bin/5g answers 200 with one JSON object, in this key order:
  {"rsrp":"-85","rsrq":"-11","sinr":"18","bandwidth":"100","band":"78",
   "rate_dl_theory":1200,"rx_bytes":N,"tx_bytes":N,"status":"REG_HOME",
   "mnc":"00","mac":"a4:5e:60:1c:2b:3d"}
The byte counters start at --rx-start/--tx-start and grow by --rx-step and
--tx-step with every answer (the defaults make 10 and 2.5 Mbit/s when read
every two seconds). Other paths answer 404, other methods 405; every answer
closes the connection. Blank lines before a request are ignored, so a telnet
client's greeting meets a silent server.

Control lines on stdin, each acknowledged with "ok …" or "error …" on stdout
(end of stdin does not stop the CPE; it prints "input closed, running on"):
  status WORD        the registration status (REG_HOME, ROAMING, CONNECT,
                     LIMSRV, SEARCH, DENIED, NOT_REG, NONE, UNKNOWN or any word)
  set KEY VALUE      any key of the object, counters included (no quotes)
  mode ok            answer at once
  mode slow MS       answer MS milliseconds late
  mode error500      answer HTTP 500
  mode silent        accept and read, never answer
  mode close         drop the connection when the request has arrived
  body TEXT|off      answer exactly TEXT (\r \n \t \\ escapes) instead of the
                     object; the counters still grow
  status             one line: connections, requests, answers, mode, the last
                     path and User-Agent, and every key's value
  quit               stop the CPE)help";

const char *const kModeNames[] = {"ok", "slow", "error500", "silent", "close"};

void addOptions(QCommandLineParser &parser)
{
    parser.addHelpOption();
    parser.addOptions({
        {"host", "Address to listen on: one address, no wildcard (default 127.0.0.1)", "address", "127.0.0.1"},
        {"port", "TCP port, 0 picks a free one (default 8088)", "port", "8088"},
        {"status", "Registration status word (default REG_HOME)", "word", "REG_HOME"},
        {"mode", "Start in this mode: ok, slow, error500, silent or close (default ok)", "mode", "ok"},
        {"slow-ms", "Delay of the slow mode, milliseconds (default 3000)", "ms", "3000"},
        {"rx-start", "Receive byte counter of the first answer (default 1048576)", "bytes", "1048576"},
        {"tx-start", "Transmit byte counter of the first answer (default 262144)", "bytes", "262144"},
        {"rx-step", "Receive bytes added per answer (default 2621440)", "bytes", "2621440"},
        {"tx-step", "Transmit bytes added per answer (default 655360)", "bytes", "655360"},
    });
}

qint64 number(const QCommandLineParser &parser, const char *name, qint64 high, QString &error)
{
    bool ok = false;
    const qint64 value = parser.value(QLatin1String(name)).toLongLong(&ok);
    if (!ok || value < 0 || value > high) {
        error = QStringLiteral("--%1 must be a whole number from 0 to %2").arg(QLatin1String(name)).arg(high);
        return 0;
    }
    return value;
}

std::optional<CpeOptions> readOptions(const QCommandLineParser &parser, QString &error)
{
    constexpr qint64 kCounterMax = 1'000'000'000'000'000;
    CpeOptions o;
    o.host = parser.value("host");
    if (!isSingleAddress(o.host))
        error = QStringLiteral("--host must be one address, not a wildcard or a name");
    o.port = static_cast<quint16>(number(parser, "port", 65535, error));
    o.status = parser.value("status");
    if (o.status.isEmpty() || o.status.contains(u'"') || o.status.contains(u' '))
        error = QStringLiteral("--status takes one word");
    number(parser, "slow-ms", 600000, error);
    o.rxStart = number(parser, "rx-start", kCounterMax, error);
    o.txStart = number(parser, "tx-start", kCounterMax, error);
    o.rxStep = number(parser, "rx-step", kCounterMax, error);
    o.txStep = number(parser, "tx-step", kCounterMax, error);
    if (std::find(std::begin(kModeNames), std::end(kModeNames), parser.value("mode")) == std::end(kModeNames))
        error = QStringLiteral("--mode takes ok, slow, error500, silent or close");
    if (!error.isEmpty())
        return std::nullopt;
    return o;
}

// The start-up mode goes through the control lines, so both behave alike.
void applyStartMode(CpeSim &cpe, const QCommandLineParser &parser)
{
    const QString mode = parser.value("mode");
    if (mode == QLatin1String("slow"))
        cpe.control(QStringLiteral("mode slow ") + parser.value("slow-ms"));
    else if (mode != QLatin1String("ok"))
        cpe.control(QStringLiteral("mode ") + mode);
}

} // namespace

int runCpe(const QStringList &arguments)
{
    return runPeer<CpeSim, CpeOptions>(QStringLiteral("cpe [options]"), kCpeDescription, arguments, addOptions,
                                       readOptions, applyStartMode);
}

} // namespace korvane::sim
