#include "AisFeedMain.h"
#include "PeerMain.h"

#include "AisFeed.h"
#include "SimCommon.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <optional>

namespace korvane::sim {

namespace {

const char *const kAisFeedDescription = R"help(
A simulated AIS receiver. It writes AIVDM sentences (ITU-R M.1371 position
reports, type 1 or 18, checksummed, CR LF ended) to --device, a serial device
or one end of a pseudo-terminal pair, for example made by
  socat -d -d pty,raw,echo=0,link=/tmp/ais-station pty,raw,echo=0,link=/tmp/ais-feed
with the station opening /tmp/ais-station and the feed writing /tmp/ais-feed.
Once the device is open it prints exactly one line:
  korvane-sim ais-feed writing to DEVICE at BAUD baud

The target vessel (--mmsi) moves from --lat/--lon at --speed knots on --course,
turning --turn degrees a minute; --rate reports a second (0: only on request).
--others N adds N other vessels reporting in turn. --replay FILE sends the
AIVDM lines of FILE in a loop instead ("#" lines and other sentences skipped).
Faults, each on every N-th sentence written: --corrupt-every (wrong checksum),
--split-every (two writes --split-gap-ms apart), --join-every (two sentences in
one write), --garbage-every (random bytes before the sentence).

Control lines on stdin, each acknowledged with "ok …" or "error …" on stdout
(end of stdin does not stop the feed; it prints "input closed, running on"):
  rate HZ                 reports a second (0 stops the automatic reports)
  emit [N]                write N target reports now (faults apply)
  encode k=v …            print "sentence <AIVDM sentence>" for a report with
                          mmsi=, heading= (0-359, 511), lat=, lon=, type=,
                          speed=, course=; nothing is written
  send TEXT               write TEXT as it is (\r \n \t \\ escapes)
  send-parts MS A|B|…     write the parts separately, MS milliseconds apart
  garbage N               write N random bytes
  faults k=N …            corrupt=, split=, join=, garbage= (every N-th
                          sentence, 0: never), gap= (split gap, ms)
  heading DEG|none        the target's heading (none: 511, not available)
  course DEG  speed KN  position LAT LON  mmsi N  type 1|18
  reopen                  open the device again (after it went away)
  status                  one line: counts, device state, target
  quit                    stop the feed)help";

void addOptions(QCommandLineParser &parser)
{
    parser.addHelpOption();
    parser.addOptions({
        {"device", "Serial device or pseudo-terminal to write to (required)", "path"},
        {"baud", "Line speed (default 38400)", "baud", "38400"},
        {"rate", "Target reports a second, 0: only on request (default 1)", "hz", "1"},
        {"type", "Report type, 1 or 18 (default 1)", "type", "1"},
        {"mmsi", "Target vessel's MMSI (default 413000000)", "mmsi", "413000000"},
        {"lat", "Start latitude (default 31.25)", "deg", "31.25"},
        {"lon", "Start longitude (default 121.5)", "deg", "121.5"},
        {"course", "Course over ground, degrees (default 90)", "deg", "90"},
        {"speed", "Speed over ground, knots (default 10)", "knots", "10"},
        {"heading", "Heading, degrees, or none (default: the course)", "deg"},
        {"turn", "Turn rate, degrees a minute (default 0)", "deg", "0"},
        {"others", "Other vessels reporting in turn (default 0)", "n", "0"},
        {"replay", "Replay the AIVDM sentences of this file in a loop", "file"},
        {"count", "Stop the automatic reports after this many (default 0: never)", "n", "0"},
        {"corrupt-every", "Wrong checksum on every N-th sentence (default 0: never)", "n", "0"},
        {"split-every", "Split every N-th sentence over two writes (default 0: never)", "n", "0"},
        {"join-every", "Write every N-th sentence together with the next (default 0: never)", "n", "0"},
        {"garbage-every", "Random bytes before every N-th sentence (default 0: never)", "n", "0"},
        {"split-gap-ms", "Time between the two writes of a split sentence (default 20)", "ms", "20"},
        {"seed", "Seed of the garbage bytes (default 1)", "n", "1"},
    });
}

std::optional<AisFeedOptions> readOptions(const QCommandLineParser &parser, QString &error)
{
    AisFeedOptions o;
    o.device = parser.value("device");
    if (o.device.isEmpty())
        error = QStringLiteral("--device is required");
    o.baud = static_cast<qint32>(optionNumber(parser, "baud", 50, 4000000, error));
    o.rateHz = optionNumber(parser, "rate", 0, 10000, error);
    o.type = static_cast<int>(optionNumber(parser, "type", 1, 18, error));
    if (o.type != 1 && o.type != 18)
        error = QStringLiteral("--type takes 1 or 18");
    o.mmsi = static_cast<quint32>(optionNumber(parser, "mmsi", 0, 999999999, error));
    readShipTrack(parser, o.track, 359.9, error);
    o.others = static_cast<int>(optionNumber(parser, "others", 0, 100, error));
    o.replayPath = parser.value("replay");
    o.count = static_cast<qint64>(optionNumber(parser, "count", 0, 1e12, error));
    o.corruptEvery = static_cast<int>(optionNumber(parser, "corrupt-every", 0, 1000000, error));
    o.splitEvery = static_cast<int>(optionNumber(parser, "split-every", 0, 1000000, error));
    o.joinEvery = static_cast<int>(optionNumber(parser, "join-every", 0, 1000000, error));
    o.garbageEvery = static_cast<int>(optionNumber(parser, "garbage-every", 0, 1000000, error));
    o.splitGapMs = static_cast<int>(optionNumber(parser, "split-gap-ms", 0, 60000, error));
    o.seed = static_cast<quint32>(optionNumber(parser, "seed", 0, 4294967295.0, error));
    if (!error.isEmpty())
        return std::nullopt;
    return o;
}

} // namespace

int runAisFeed(const QStringList &arguments)
{
    return runPeer<AisFeed, AisFeedOptions>(QStringLiteral("ais-feed --device PATH [options]"),
                                            kAisFeedDescription, arguments, addOptions, readOptions);
}

} // namespace korvane::sim
