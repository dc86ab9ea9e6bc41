#pragma once

#include <QString>

namespace korvane {

// Whether a TCP connection to host:port can be made; the connection is
// closed again at once. Waits, with events running, until it is made or
// refused, or until the wall clock's whole seconds have advanced by
// timeoutMs / 1000 since the start: so 150 ms lasts until the next second
// begins (0 to 1 s). The wall clock is read once at the start; the wait
// itself runs on the monotonic clock, so a clock change cannot stretch it.
bool IsPortOpen(const QString &host, int port, int timeoutMs);

} // namespace korvane
