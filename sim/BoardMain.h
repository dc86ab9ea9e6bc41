#pragma once

#include <QStringList>

namespace korvane::sim {

// `korvane-sim board …`: arguments start with the subcommand's name.
int runBoard(const QStringList &arguments);
inline constexpr const char *kBoardSummary =
    "simulated antenna-controller board (TCP text channel, default port 8233)";

} // namespace korvane::sim
