#pragma once

namespace korvane {

// Waits `seconds` while the event loop keeps running (socket data, timers,
// the window). Measured on a monotonic clock, so midnight or a clock change
// neither shortens nor stretches it. Returns at once for 0 or less.
void Delay(float seconds);

} // namespace korvane
