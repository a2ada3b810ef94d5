#include "platform/Tick.h"

#include <ctime>

namespace platform
{

std::uint32_t TickCount()
{
    timespec ts{};
    // CLOCK_BOOTTIME keeps counting while the machine sleeps, so an interval that spans a suspend
    // is as long as the wall clock says, not zero.
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0)
        clock_gettime(CLOCK_MONOTONIC, &ts);
    std::uint64_t ms =
        static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

} // namespace platform
