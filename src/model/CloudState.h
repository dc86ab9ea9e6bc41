#pragma once

#include <QString>

namespace korvane {

struct CloudState {
    bool reporting = false; // KORVANE_CLOUD
    bool ipMode = false;    // after a name-resolution failure
    QString pendingRequest;
    QString connectHost;
};

} // namespace korvane
