#pragma once

#include <QStringList>

namespace korvane::sim {

// `korvane-sim ais-feed …`: arguments start with the subcommand's name.
int runAisFeed(const QStringList &arguments);
inline constexpr const char *kAisFeedSummary =
    "AIS receiver: AIVDM sentences to a pseudo-terminal or serial device (38400 baud)";

} // namespace korvane::sim
