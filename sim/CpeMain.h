#pragma once

#include <QStringList>

namespace korvane::sim {

// `korvane-sim cpe …`: arguments start with the subcommand's name.
int runCpe(const QStringList &arguments);
inline constexpr const char *kCpeSummary =
    "5G CPE web interface (HTTP GET /cgi-bin/5g, link figures as JSON, default port 8088)";

} // namespace korvane::sim
