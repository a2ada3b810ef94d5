// A millisecond tick count for measuring intervals.
#pragma once

#include <cstdint>

namespace platform
{

// Milliseconds since the machine started (time spent suspended included), as a 32-bit count that
// wraps to 0 every 2^32 ms (about 49.7 days). Intervals are measured by unsigned subtraction,
// which stays right across the wrap: TickCount() - start.
std::uint32_t TickCount();

} // namespace platform
