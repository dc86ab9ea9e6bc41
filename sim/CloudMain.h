#pragma once

#include <QStringList>

namespace korvane::sim {

// `korvane-sim cloud …`: arguments start with the subcommand's name.
int runCloud(const QStringList &arguments);
inline constexpr const char *kCloudSummary =
    "simulated cloud server (HTTP GET /ship/?…, answers 200 OK, keeps every report)";

} // namespace korvane::sim
