#pragma once

#include "PeerOptions.h"
#include "SimCommon.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>

namespace korvane::sim {

// What every peer's main does alike: parse its options (2 on a bad one),
// answer --help (`usage`, which starts with the subcommand, then `description`), start
// the peer (1 when it cannot), take control lines from stdin, and run until
// told to quit. `afterStart` lets a peer apply start-up modes through its own
// control lines.
template <typename Peer, typename Options>
int runPeer(const QString &usage, const char *description, const QStringList &arguments,
            const std::function<void(QCommandLineParser &)> &addOptions,
            const std::function<std::optional<Options>(const QCommandLineParser &, QString &)> &readOptions,
            const std::function<void(Peer &, const QCommandLineParser &)> &afterStart = {})
{
    const QString prefix = QStringLiteral("korvane-sim ") + usage.section(u' ', 0, 0) + QStringLiteral(": ");
    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(QStringList{QStringLiteral("korvane-sim")} + arguments.mid(1))) {
        printError(prefix + parser.errorText());
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        printLine(peerHelp(parser, usage, description));
        return 0;
    }
    QString error;
    const std::optional<Options> options = readOptions(parser, error);
    if (!options) {
        printError(prefix + error);
        return 2;
    }
    Peer peer(*options);
    if (!peer.start(&error)) {
        printError(prefix + error);
        return 1;
    }
    if (afterStart)
        afterStart(peer, parser);
    StdinLines stdinLines;
    QObject::connect(&stdinLines, &StdinLines::lineRead, &peer, &Peer::control);
    QObject::connect(&stdinLines, &StdinLines::ended, [] { printLine(QStringLiteral("input closed, running on")); });
    return QCoreApplication::exec();
}

} // namespace korvane::sim
