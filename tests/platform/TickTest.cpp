#include "platform/Tick.h"

#include <gtest/gtest.h>

#include <ctime>

namespace
{

std::uint64_t BootMs()
{
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

} // namespace

TEST(TickCount, IsTheBootClockInMillisecondsCutTo32Bits)
{
    auto before = static_cast<std::uint32_t>(BootMs());
    std::uint32_t tick = platform::TickCount();
    auto after = static_cast<std::uint32_t>(BootMs());
    // Unsigned differences hold across the wrap at 2^32.
    EXPECT_LE(static_cast<std::uint32_t>(tick - before), static_cast<std::uint32_t>(after - before));
}

TEST(TickCount, NeverRunsBackwards)
{
    std::uint32_t last = platform::TickCount();
    for (int i = 0; i < 100000; ++i)
    {
        std::uint32_t now = platform::TickCount();
        ASSERT_LT(static_cast<std::uint32_t>(now - last), 1000u);
        last = now;
    }
}
