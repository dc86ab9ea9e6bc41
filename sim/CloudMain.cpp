#include "CloudMain.h"
#include "PeerMain.h"

#include "CloudSim.h"
#include "SimCommon.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <optional>

namespace korvane::sim {

namespace {

const char *const kCloudDescription = R"help(
A simulated cloud server for the station's telemetry reports. It listens on
--host:--port (127.0.0.1 only unless told another single address; port 0
picks a free port) and, once listening, prints exactly one line:
  korvane-sim cloud listening on HOST:PORT

Each request is read up to its blank line. "GET /ship/?QUERY" is a report:
it is kept as one JSON line in --reports FILE, flushed at once:
  {"at":"…","peer":"127.0.0.1:…","host":"<Host header>","answered":200,
   "query":{"mac":"…","name":"…",…},"raw":"<query as received>"}
with the query decoded as the server decodes it: "+" is a space, percent
escapes are bytes, the bytes are text in the Chinese code page (GBK); keys
keep their order. "answered" is null while hanging. The answer is
  HTTP/1.1 200 OK, Content-Length: 2, Connection: close, body "OK"
and the connection is closed. Any other request is answered 404, a request
line that is not three parts 400, a head over 64 KiB 431.

Faults (options at start, control lines while running):
  --refuse      stop listening: the system refuses every connection; the
                port is taken again when refusing ends
  --status N    answer every request with status N (100 to 599); the body is
                the reason phrase, so only 200 says "OK"; a 401 or 403
                answer also sets a session cookie "Token=…"
  --hang        accept and read, never answer (requests are still recorded)

Control lines on stdin, each acknowledged with "ok …" or "error …" on stdout
(end of stdin does not stop the server; it prints "input closed, running on"):
  refuse on|off   as --refuse
  hang on|off     as --hang
  garbage on|off  answer every request with random bytes instead of HTTP
  status N        as --status N
  drop            close every open connection now
  status          one line: connections, requests, reports, answers, open
                  connections, the switches and the status code
  quit            stop the server)help";

void addOptions(QCommandLineParser &parser)
{
    parser.addHelpOption();
    parser.addOptions({
        {"host", "Address to listen on: one address, no wildcard (default 127.0.0.1)", "address", "127.0.0.1"},
        {"port", "TCP port, 0 picks a free one (default 8080)", "port", "8080"},
        {"reports", "Append every report to this file, one JSON line each", "file"},
        {"refuse", "Start refusing connections (see the refuse control)"},
        {"status", "Status code of every answer (default 200)", "code", "200"},
        {"hang", "Start hanging: accept, never answer"},
    });
}

std::optional<CloudOptions> readOptions(const QCommandLineParser &parser, QString &error)
{
    CloudOptions options;
    options.host = parser.value("host");
    if (!isSingleAddress(options.host))
        error = QStringLiteral("--host must be one address, not a wildcard or a name");
    bool ok = false;
    const int port = parser.value("port").toInt(&ok);
    if (!ok || port < 0 || port > 65535)
        error = QStringLiteral("--port must be a number from 0 to 65535");
    options.port = static_cast<quint16>(port);
    options.status = parser.value("status").toInt(&ok);
    if (!ok || options.status < 100 || options.status > 599)
        error = QStringLiteral("--status must be a number from 100 to 599");
    options.reportsPath = parser.value("reports");
    options.refuse = parser.isSet("refuse");
    options.hang = parser.isSet("hang");
    if (!error.isEmpty())
        return std::nullopt;
    return options;
}

} // namespace

int runCloud(const QStringList &arguments)
{
    return runPeer<CloudSim, CloudOptions>(QStringLiteral("cloud [options]"),
                                           kCloudDescription, arguments, addOptions, readOptions);
}

} // namespace korvane::sim
