// platform_clock_test.cpp - tests of the platform clock services: the
// performance counter's fixed nanosecond frequency, its monotonic advance,
// and Sleep against the millisecond clock.
#include "windows.h"

#include <gtest/gtest.h>

namespace {

TEST(PlatformClock, CounterRunsInNanoseconds)
{
    LARGE_INTEGER frequency = {};
    EXPECT_EQ(QueryPerformanceFrequency(&frequency), TRUE);
    EXPECT_EQ(frequency.QuadPart, 1000000000);
}

TEST(PlatformClock, CounterIncreases)
{
    LARGE_INTEGER before = {};
    LARGE_INTEGER after = {};
    EXPECT_EQ(QueryPerformanceCounter(&before), TRUE);
    Sleep(1);
    EXPECT_EQ(QueryPerformanceCounter(&after), TRUE);
    EXPECT_GE(after.QuadPart - before.QuadPart, 1000000);
}

TEST(PlatformClock, SleepLastsAtLeastItsMilliseconds)
{
    const DWORD before = timeGetTime();
    Sleep(5);
    const DWORD after = timeGetTime();
    EXPECT_GE(static_cast<DWORD>(after - before), 5u);
}

TEST(PlatformClock, MillisecondClockFollowsTheCounter)
{
    LARGE_INTEGER counter = {};
    QueryPerformanceCounter(&counter);
    const DWORD milliseconds = timeGetTime();
    const DWORD counterMilliseconds = static_cast<DWORD>(counter.QuadPart / 1000000);
    EXPECT_LE(static_cast<DWORD>(milliseconds - counterMilliseconds), 1000u);
}

TEST(PlatformClock, SleepZeroReturns)
{
    const DWORD before = timeGetTime();
    Sleep(0);
    EXPECT_LT(static_cast<DWORD>(timeGetTime() - before), 1000u);
}

} // namespace
