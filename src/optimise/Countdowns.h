#pragma once

#include "optimise/OptimisationState.h"

namespace korvane {

// The lost-signal sweep waits a full scan interval again: a signal or an
// executed drive command shows the antenna is being looked after.
inline void reloadScanCountdown(OptimisationState &state)
{
    state.scanCountdown = state.scanInterval;
}

// After a drive command the antenna points somewhere new: the next
// comparison and the next sweep come one full period later.
inline void restartCountdowns(OptimisationState &state)
{
    state.comparisonCountdown = state.comparisonInterval;
    reloadScanCountdown(state);
}

} // namespace korvane
