// platform_clock_test.cpp - the platform clock: performance counter, Sleep and the millisecond clock.
#include "windows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

namespace {

TEST(PlatformClock, CounterRunsInNanosecondsAndSleepLastsAtLeastItsMillisecondsAndZeroReturns)
{
    const auto counter = [] {
        LARGE_INTEGER count = {};
        EXPECT_EQ(QueryPerformanceCounter(&count), TRUE);
        return count.QuadPart;
    };
    LARGE_INTEGER frequency = {};
    EXPECT_EQ(QueryPerformanceFrequency(&frequency), TRUE);
    EXPECT_EQ(frequency.QuadPart, 1000000000);
    // The shortest of several: on a busy machine a mere yield can take a while.
    for (DWORD milliseconds : {0, 1, 5}) {
        int64_t shortest = INT64_MAX;
        for (int i = 0; i < 10; ++i) {
            const int64_t before = counter();
            Sleep(milliseconds);
            shortest = std::min(shortest, counter() - before);
        }
        EXPECT_GE(shortest, milliseconds * 1000000);
        EXPECT_LT(shortest, milliseconds * 1000000 + 1000000000);
    }
    EXPECT_LE(DWORD(timeGetTime() - DWORD(counter() / 1000000)), 1000u);
}

} // namespace
