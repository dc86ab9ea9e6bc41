// korvane-sim: the simulated peers of the station, one subcommand each.

#include "AisFeedMain.h"
#include "BoardMain.h"
#include "CloudMain.h"
#include "CpeMain.h"
#include "RadioMain.h"
#include "ShipServiceMain.h"
#include "SimCommon.h"

#include <QCoreApplication>

#include <algorithm>
#include <iterator>

namespace {

struct Subcommand {
    const char *name;
    const char *summary;
    int (*run)(const QStringList &arguments);
};

const Subcommand kSubcommands[] = {
    {"board", korvane::sim::kBoardSummary, &korvane::sim::runBoard},
    {"radio", korvane::sim::kRadioSummary, &korvane::sim::runRadio},
    {"ship-service", korvane::sim::kShipServiceSummary, &korvane::sim::runShipService},
    {"ais-feed", korvane::sim::kAisFeedSummary, &korvane::sim::runAisFeed},
    {"cloud", korvane::sim::kCloudSummary, &korvane::sim::runCloud},
    {"cpe", korvane::sim::kCpeSummary, &korvane::sim::runCpe},
};

QString usage()
{
    QString text = QStringLiteral(
        "Usage: korvane-sim <peer> [options]\n"
        "Simulated outside parties of the station: real servers on loopback, for\n"
        "tests, benchmarks and the demo. Control lines are read from stdin.\n\nPeers:\n");
    for (const Subcommand &sub : kSubcommands)
        text += QStringLiteral("  %1  %2\n").arg(QString::fromLatin1(sub.name), -8).arg(QString::fromUtf8(sub.summary));
    text += QStringLiteral("\n'korvane-sim <peer> --help' describes a peer.");
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvane-sim"));
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const QString first = arguments.value(0);
    if (first.isEmpty()) {
        korvane::sim::printError(usage());
        return 2;
    }
    if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help")) {
        korvane::sim::printLine(usage());
        return 0;
    }
    const auto it = std::find_if(std::begin(kSubcommands), std::end(kSubcommands),
                                 [&first](const Subcommand &sub) { return first == QLatin1String(sub.name); });
    if (it == std::end(kSubcommands)) {
        korvane::sim::printError(QStringLiteral("korvane-sim: unknown peer \"%1\"\n").arg(first) + usage());
        return 2;
    }
    return it->run(arguments);
}
