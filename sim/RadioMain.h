#pragma once

#include <QStringList>

namespace korvane::sim {

// `korvane-sim radio …`: arguments start with the subcommand's name.
int runRadio(const QStringList &arguments);
inline constexpr const char *kRadioSummary =
    "simulated radio console (telnet text or JSON console, default port 9754)";

} // namespace korvane::sim
