// platform_clock_test.cpp - the platform clock services: the performance
// counter's fixed nanosecond frequency and monotonic advance, and Sleep
// against the millisecond clock that follows the counter.
#include "windows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

namespace {

TEST(PlatformClock, CounterRunsInNanosecondsAndAdvances)
{
    LARGE_INTEGER frequency = {}, before = {}, after = {};
    EXPECT_EQ(QueryPerformanceFrequency(&frequency), TRUE);
    EXPECT_EQ(frequency.QuadPart, 1000000000);
    // The shortest of several, so that a Sleep that returns at once shows
    // even on a busy machine, where a mere yield can take a while.
    int64_t shortest = INT64_MAX;
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(QueryPerformanceCounter(&before), TRUE);
        Sleep(1);
        EXPECT_EQ(QueryPerformanceCounter(&after), TRUE);
        shortest = std::min(shortest, after.QuadPart - before.QuadPart);
    }
    EXPECT_GE(shortest, 1000000);
    // The millisecond clock reads the same counter.
    EXPECT_LE(DWORD(timeGetTime() - DWORD(after.QuadPart / 1000000)), 1000u);
}

TEST(PlatformClock, SleepLastsAtLeastItsMillisecondsAndZeroReturns)
{
    DWORD before = timeGetTime();
    Sleep(5);
    EXPECT_GE(DWORD(timeGetTime() - before), 5u);
    before = timeGetTime();
    Sleep(0);
    EXPECT_LT(DWORD(timeGetTime() - before), 1000u);
}

} // namespace
