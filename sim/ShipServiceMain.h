#pragma once

#include <QStringList>

namespace korvane::sim {

// `korvane-sim ship-service …`: arguments start with the subcommand's name.
int runShipService(const QStringList &arguments);
inline constexpr const char *kShipServiceSummary =
    "ship-position web service (HTTP POST /openapi/getship, default port 8086)";

} // namespace korvane::sim
