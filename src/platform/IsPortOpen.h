#pragma once

#include "platform/Waits.h"

#include <QString>
#include <QtGlobal>

namespace korvane {

// Whether a TCP connection to host:port can be made; the connection is
// closed again at once. Awaited until it is made or refused, or until the
// window of portProbeWindowMs has passed; false when the scope ends first.
Task<bool> IsPortOpen(const Scope *scope, QString host, int port, int timeoutMs);

// The wait's window for a probe started at the wall-clock time startMs: until
// the wall clock's whole seconds have advanced by timeoutMs / 1000, so 150 ms
// lasts until the next second begins, but never less than timeoutMs (150 ms
// to 1 s). The wall clock is read once at the start; the wait itself runs on
// the monotonic clock, so a clock change cannot stretch it.
qint64 portProbeWindowMs(int timeoutMs, qint64 startMs);

} // namespace korvane
