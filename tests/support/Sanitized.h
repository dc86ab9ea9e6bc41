#pragma once

namespace korvane::test {

// Built with AddressSanitizer (and so is the station): every step is a few
// times slower, and freed memory is held back in quarantine, so memory
// figures say nothing about the station.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif

} // namespace korvane::test
