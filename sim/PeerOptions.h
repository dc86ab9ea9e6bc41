#pragma once

#include <QString>

class QCommandLineParser;

namespace korvane::sim {

struct ShipTrack;

// Reads the option as a finite number within [low, high]; sets `error`
// otherwise and returns 0, so a peer can read all its options and report the
// last fault.
double optionNumber(const QCommandLineParser &parser, const QString &name, double low, double high, QString &error);

// The options every simulated vessel takes: --lat, --lon, --course, --speed,
// --turn and --heading (degrees, or "none" for a vessel without a gyro).
void readShipTrack(const QCommandLineParser &parser, ShipTrack &track, double courseHigh, QString &error);

// "--help" text: the usage line, the peer's own description, then the
// parser's option list without its first line (which names the executable's
// full path instead of the subcommand).
QString peerHelp(const QCommandLineParser &parser, const QString &usage, const char *description);

} // namespace korvane::sim
