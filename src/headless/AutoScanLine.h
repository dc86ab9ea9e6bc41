#pragma once

#include "optimise/AutoScanRecord.h"

#include <QString>

namespace korvane {

// The headless progress line of the auto-scan, one per change:
//   autoscan tick=0/62 armed
//   autoscan tick=12/62 offset=-19 signal=-61 best=-20@-63
//   autoscan tick=13/62 paused            (the tick that waits for the links)
//   autoscan tick=62/62 done best=12@-55
//   autoscan tick=30/62 cancelled
// A signal box without a number shows as signal=none.
QString autoScanLine(const AutoScanRecord &record, AutoScanRecord::Event event);

} // namespace korvane
