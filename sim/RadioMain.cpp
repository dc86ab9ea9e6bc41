#include "RadioMain.h"
#include "PeerMain.h"

#include "RadioSim.h"
#include "SimCommon.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <optional>

namespace korvane::sim {

namespace {

const char *const kRadioDescription = R"help(
A simulated point-to-point radio with its management console. It listens on
--host:--port (127.0.0.1 unless told another single address; port 0 picks a
free port) and, once listening, prints exactly one line:
  korvane-sim radio listening on HOST:PORT

--family picks the console (lines end in CR LF):
  airos     telnet login ("<name> login: ", "Password: "), banner
            " Welcome to airOS", prompt "XM.v6.2.0# "; "mca-status" answers
            with the keys of a real airOS 6 mca-status plus cinr= and the
            wlanDownlinkCapacity= / wlanUplinkCapacity= pair
  airfiber  telnet login, prompt "af5xhd.v4.1.0# "; "mca-status" answers with
            afTxchanbw=, afRxcapacity=, afTxcapacity=, afTxmodrate=, signal=,
            wlanRxBytes=, wlanTxBytes=, position, and afStats={"noisefloor":…}
  iwconfig  telnet login at the prompt "<device-id> login: " (000004, 94828A or
            040506); any command starting "iwconfig" answers with iwconfig ath0
            (Tx-Power= form), the bytes line of ifconfig wifi0, DeviceName and
            "<name>_http._tcp.local 80"
  json      JSON console: a line end gets the prompt "console :";
            auth {"username":"U","password":"P"} answers {"secretkey":"KEY",…}
            or {"errorcode":"12"}; getconfig / systeminfo / tool (action
            reboot) {"secretkey": "KEY" …} answer the configuration (firversion,
            mac, voltage, name, ip), the connect list (rxbit, txbit, signal,
            noise), or {"errorcode":"0"} and a restart; an unknown key answers
            {"errorcode":"10"}
Wrong credentials get "Login incorrect" and the login prompt again (text) or
error 12 (JSON). Text families open with telnet option offers (DO ECHO,
DO NAWS, WILL ECHO, WILL SGA) unless --no-telnet; telnet commands the station
sends are taken out of its input. The iwconfig radio echoes like the BusyBox
shell behind its telnetd: every line typed at the login prompt and the shell
comes back, with CR LF, before its answer (the password does not); --echo
makes the other families echo too, --no-echo stops it. An echoing shell is a
line editor: it wraps the echo at its window's width (80 columns until the
station sends its size, NAWS), draws the line again when the width changes,
and sends ESC [ 6 n after each prompt. "reboot" (text)
closes the connection. Every connection is a session of its own.

The link: the signal is --signal at --peak-bearing and falls off by
12 dB x (pointing error / --beamwidth)^2, and is -120 dBm beyond --limit
(default twice the beamwidth); without --peak-bearing it is --signal whatever
the bearing. Readings wobble by --jitter dB (0: exact); capacity follows the
signal-to-noise ratio and the byte counters grow with it in real time.
--record FILE appends every byte received, unchanged, in arrival order.
--bearing-from FILE reads the bearing from FILE before every reading (and on
"status"), as korvane-sim board --bearing-file writes it: the antenna's
pointing from the board's drive direction. --peak-bearing is then in the
same frame: how far off the board's own direction the far end lies.

Control lines on stdin, each acknowledged "ok …" or "error …" (end of stdin
does not stop the radio; it prints "input closed, running on"):
  bearing DEG        where the antenna points now (with --bearing-from, until
                     the file is read again)
  peak DEG|off       the bearing of the far end (off: signal ignores bearing)
  beamwidth DEG      main-lobe width
  signal DBM         signal at the peak;  noise DBM   noise floor
  misreport DBM|off  report this signal figure whatever the link (firmware
                     nonsense such as +30); off: the link's own again
  jitter DB          wobble of the readings (0: exact figures)
  push MS            send a status reply unasked every MS to each logged-in
                     session (0 stops)
  split on|off       write every reply in two pieces a little apart
  echo on|off        echo the lines typed (see above)
  password TEXT      the password later logins must give
  silent on|off      accept and read but never write (no prompt, no replies)
  expire-key         every issued JSON key becomes invalid (error 10)
  drop               close every connection
  send TEXT          send TEXT to every connection (\r \n \t \\ escapes)
  flood BYTES        send BYTES of garbage to every connection
  long-line BYTES    send one line of BYTES letters with no line end
  status             one line: family, connections, counts, link figures
  quit               stop the radio)help";

void addOptions(QCommandLineParser &parser)
{
    parser.addHelpOption();
    parser.addOptions({
        {"family", "Console: airos, airfiber, json or iwconfig", "family"},
        {"host", "Address to listen on: one address, no wildcard (default 127.0.0.1)", "address", "127.0.0.1"},
        {"port", "TCP port, 0 picks a free one (default 9754)", "port", "9754"},
        {"user", "User name the radio accepts (default ubnt)", "user", "ubnt"},
        {"password", "Password the radio accepts (default ubnt)", "password", "ubnt"},
        {"record", "Append every received byte to this file", "file"},
        {"bearing-from", "Read the bearing from this file before every reading", "file"},
        {"no-telnet", "Send no telnet option offers at connect"},
        {"push-ms", "Send a status reply unasked this often (default 0: never)", "ms", "0"},
        {"split", "Write every reply in two pieces"},
        {"echo", "Echo typed lines, as a shell behind telnetd (default for iwconfig)"},
        {"no-echo", "Echo nothing, whatever the family"},
        {"name", "Device name (default KV-Radio-01)", "name", "KV-Radio-01"},
        {"mac", "MAC address, colon-separated (default 24:5A:4C:1E:7B:03)", "mac", "24:5A:4C:1E:7B:03"},
        {"device-id", "Login prompt of the iwconfig radio: 000004, 94828A or 040506 (default 000004)", "id",
         "000004"},
        {"lat", "Latitude the radio's receiver reports (default 0.000000)", "deg", "0.000000"},
        {"lon", "Longitude the radio's receiver reports (default 0.000000)", "deg", "0.000000"},
        {"signal", "Signal at the peak, dBm (default -52)", "dbm", "-52"},
        {"noise", "Noise floor, dBm (default -96)", "dbm", "-96"},
        {"bearing", "Antenna bearing at start, degrees (default 0)", "deg", "0"},
        {"peak-bearing", "Bearing of the far end; unset: the signal ignores the bearing", "deg"},
        {"beamwidth", "Main-lobe width, degrees (default 10)", "deg", "10"},
        {"limit", "Pointing error beyond which the signal is lost (default 2 x beamwidth)", "deg"},
        {"jitter", "Wobble of the readings, dB (default 2; 0: exact)", "db", "2"},
    });
}

void readLink(const QCommandLineParser &parser, RadioLink::Setup &link, QString &error)
{
    link.level = optionNumber(parser, "signal", -120, 0, error);
    link.noise = optionNumber(parser, "noise", -130, 0, error);
    link.bearing = optionNumber(parser, "bearing", -360, 720, error);
    if (parser.isSet("peak-bearing"))
        link.peakBearing = optionNumber(parser, "peak-bearing", -360, 720, error);
    link.beamwidth = optionNumber(parser, "beamwidth", 0.1, 360, error);
    if (parser.isSet("limit"))
        link.limit = optionNumber(parser, "limit", 0, 180, error);
    link.jitter = optionNumber(parser, "jitter", 0, 20, error);
}

std::optional<RadioOptions> readOptions(const QCommandLineParser &parser, QString &error)
{
    RadioOptions options;
    if (const auto family = radioFamilyFrom(parser.value("family")))
        options.family = *family;
    else
        error = QStringLiteral("--family takes airos, airfiber, json or iwconfig");
    options.host = parser.value("host");
    if (!isSingleAddress(options.host))
        error = QStringLiteral("--host must be one address, not a wildcard or a name");
    options.port = static_cast<quint16>(optionNumber(parser, "port", 0, 65535, error));
    options.user = parser.value("user");
    options.password = parser.value("password");
    options.recordPath = parser.value("record");
    options.bearingFrom = parser.value("bearing-from");
    options.negotiate = !parser.isSet("no-telnet");
    options.pushMs = static_cast<int>(optionNumber(parser, "push-ms", 0, 3600000, error));
    options.split = parser.isSet("split");
    options.echo = !parser.isSet("no-echo")
                   && (parser.isSet("echo") || options.family == RadioFamily::Iwconfig);
    options.identity.name = parser.value("name");
    options.identity.mac = parser.value("mac");
    options.identity.deviceId = parser.value("device-id");
    static const QStringList deviceIds{QStringLiteral("000004"), QStringLiteral("94828A"), QStringLiteral("040506")};
    if (!deviceIds.contains(options.identity.deviceId))
        error = QStringLiteral("--device-id takes 000004, 94828A or 040506");
    options.identity.latitude = parser.value("lat");
    options.identity.longitude = parser.value("lon");
    optionNumber(parser, "lat", -90, 90, error);
    optionNumber(parser, "lon", -180, 180, error);
    readLink(parser, options.link, error);
    if (!error.isEmpty())
        return std::nullopt;
    return options;
}

} // namespace

int runRadio(const QStringList &arguments)
{
    return runPeer<RadioSim, RadioOptions>(QStringLiteral("radio --family FAMILY [options]"),
                                           kRadioDescription, arguments, addOptions, readOptions);
}

} // namespace korvane::sim
