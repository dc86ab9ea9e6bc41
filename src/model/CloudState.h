#pragma once

#include <QString>

#include <optional>

namespace korvane {

struct CloudState {
    bool reporting = false; // KORVANE_CLOUD
    bool ipMode = false;    // after a name-resolution failure
    QString pendingRequest;
    QString connectHost;
    // The last report's outcome: accepted or not; empty before the first.
    std::optional<bool> lastAccepted;
};

} // namespace korvane
