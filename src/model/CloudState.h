#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <optional>

namespace korvane {

struct CloudState {
    bool reporting = false; // KORVANE_CLOUD
    bool ipMode = false;    // after a name-resolution failure
    QString pendingRequest; // the request the current connection carries
    QString connectHost;
    // The last report built while the radio was down; it goes out first
    // once the radio is back.
    QString heldRequest;
    // Requests still to go this tick, one connection each, in order.
    QStringList queuedRequests;
    // The current connection's request has gone out and its answer is
    // awaited; `reply` holds what has come so far.
    bool awaitingReply = false;
    QByteArray reply;
    // The last report's outcome: accepted or not; empty before the first.
    std::optional<bool> lastAccepted;
    // When a report last went out (monotonic; invalid before the first) and
    // when the server last took one (wall time, for its age): a period with
    // no attempt is no report, not a good one.
    QElapsedTimer lastAttempt;
    QDateTime lastAcceptedAt;
};

} // namespace korvane
