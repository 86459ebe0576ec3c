// ctimer_test.cpp - CTimer, the frame timer, against a fake clock defined
// here in place of the platform's: the test sets the counter's frequency (or
// its absence), the counter and the millisecond clock, and counts the reads.
#include "ctimer.h"

#include "windows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

struct FakeClock {
    bool hasCounter = true;
    int64_t frequency = 1048576;
    int64_t counter = 0;
    DWORD milliseconds = 0;
    int counterReads = 0, millisecondReads = 0;
};

FakeClock fakeClock;

} // namespace

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER *frequency)
{
    frequency->QuadPart = fakeClock.hasCounter ? fakeClock.frequency : 0;
    return fakeClock.hasCounter ? TRUE : FALSE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER *count)
{
    ++fakeClock.counterReads;
    count->QuadPart = fakeClock.counter;
    return TRUE;
}

DWORD WINAPI timeGetTime()
{
    ++fakeClock.millisecondReads;
    return fakeClock.milliseconds;
}

namespace {

// The single-precision 0.001 widened to double, written out in full.
constexpr double msTick = 0.001000000047497451305389404296875;
// 2^-20: the seconds per tick at 1,048,576 ticks per second, unshifted, so
// that every counter step is an exact binary fraction.
constexpr double binaryTick = 1.0 / 1048576.0;
constexpr int64_t second = 1048576;

// Feeds each reading to the clock the timer runs on, one Update per reading.
void UpdateAt(CTimer &timer, bool counterMode, int64_t reading)
{
    if (counterMode)
        fakeClock.counter = reading;
    else
        fakeClock.milliseconds = DWORD(reading);
    timer.Update();
}

// A timer built on a fresh clock of the given mode, after one Update per
// reading.
CTimer TimerAfter(bool counterMode, const std::vector<int64_t> &readings)
{
    fakeClock = FakeClock();
    fakeClock.hasCounter = counterMode;
    CTimer timer;
    for (int64_t reading : readings)
        UpdateAt(timer, counterMode, reading);
    return timer;
}

class Timer : public ::testing::Test {
protected:
    Timer() { fakeClock = FakeClock(); }
};

TEST_F(Timer, CalibrationShiftsTheCounterToAtMostTwoMegahertz)
{
    const struct {
        bool hasCounter;
        int64_t reported;
        int32_t shift;
        double secondsPerTick;
    } cases[] = {
        {true, 3579545, 1, 1.0 / 1789772.0}, {true, 10000000, 3, 1.0 / 1250000.0},
        {true, 2000000, 0, 1.0 / 2000000.0}, {true, 2000001, 1, 1.0 / 1000000.0},
        // 2^63 - 1 shifted by 42 is 2,097,151, still too fast; by 43, 1,048,575.
        {true, INT64_MAX, 43, 1.0 / 1048575.0},
        // No counter, or one claiming zero ticks per second: the millisecond clock.
        {false, 0, 0, msTick}, {true, 0, 0, msTick},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "counter " << c.hasCounter << " at " << c.reported);
        fakeClock = FakeClock();
        fakeClock.hasCounter = c.hasCounter;
        fakeClock.frequency = c.reported;
        CTimer timer;
        const bool counterMode = c.secondsPerTick != msTick;
        EXPECT_EQ(timer.hasPerformanceCounter, counterMode);
        EXPECT_EQ(timer.shift, c.shift);
        EXPECT_EQ(timer.secondsPerTick, c.secondsPerTick);
        timer.Update();
        EXPECT_EQ(fakeClock.counterReads, counterMode ? 1 : 0);
        EXPECT_EQ(fakeClock.millisecondReads, counterMode ? 0 : 1);
    }
}

TEST_F(Timer, ShiftedCounterIsReadAsTheLowHalfOfShiftedTicks)
{
    fakeClock.frequency = int64_t(1) << 32; // shift 12
    CTimer timer;
    // Just below 2^44 raw counts the tick is 2^32 - 3; just above, 5.
    UpdateAt(timer, true, (int64_t(1) << 44) - 3 * 4096);
    EXPECT_EQ(timer.lastCount, 0xFFFFFFFDu);
    UpdateAt(timer, true, (int64_t(1) << 44) + 5 * 4096);
    EXPECT_EQ(timer.lastCount, 5u);
    EXPECT_EQ(timer.delta, 8.0 * binaryTick);
}

// Counter readings at 2^20 ticks per second, or millisecond readings, and
// the timer's state after the last of them.
TEST_F(Timer, StepsFollowTheClockWithWrapAndFallBackRules)
{
    const uint32_t start = 0x20000000;
    const struct {
        const char *name;
        bool counterMode;
        std::vector<int64_t> readings;
        double time, lastTime, delta;
        uint32_t lastCount; // counter mode only
    } cases[] = {
        {"first update takes the reference only", true, {777777}, 0, 0, 0, 777777},
        {"steps accumulate", true, {0, second / 4, 3 * second / 4, second}, 1.0, 1.0, 0.25, uint32_t(second)},
        {"standing counter", true, {0, second / 2, second / 2}, 0.5, 0.5, 0.5, uint32_t(second / 2)},
        // One short of the wrap distance back: standing still, and time
        // resumes from the fallen-back count.
        {"resume after fall back", true, {start - second / 2, start, start - 268435455, start - 268435455 + second / 4},
         0.75, 0.75, 0.25, start - 268435455 + second / 4},
        // Forward distance 2^32 - 2^28 ticks = 3840 s.
        {"fall back of the wrap distance", true, {start, start - 0x10000000}, 3840, 3840, 3840, start - 0x10000000},
        {"first millisecond reading", false, {1000}, 1000 * msTick, 1000 * msTick, 0, 0},
        {"sixteen milliseconds", false, {1000, 1016}, 1016 * msTick, 1000 * msTick, 1016 * msTick - 1000 * msTick, 0},
        {"millisecond wrap", false, {0xFFFFFFF0u, 16}, 16 * msTick, 0xFFFFFFF0u * msTick, 32 * msTick, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const CTimer timer = TimerAfter(c.counterMode, c.readings);
        EXPECT_EQ(timer.updates, int32_t(c.readings.size()));
        EXPECT_EQ(timer.time, c.time);
        EXPECT_EQ(timer.lastTime, c.lastTime);
        EXPECT_NEAR(timer.delta, c.delta, 1e-9);
        if (c.counterMode) {
            EXPECT_EQ(timer.lastCount, c.lastCount);
        }
    }
}

TEST_F(Timer, ResetRestartsTimeAndKeepsCalibrationAndReferences)
{
    CTimer timer;
    for (int64_t reading : {int64_t(0), second / 2, 3 * second / 2})
        UpdateAt(timer, true, reading);
    timer.Reset();
    for (double value : {timer.time, timer.delta})
        EXPECT_EQ(value, 0.0);
    EXPECT_EQ(timer.secondsPerTick, binaryTick);
    EXPECT_EQ(timer.lastTime, 1.5);
    // The first update after it takes the reference count only.
    UpdateAt(timer, true, 4 * second);
    EXPECT_EQ(timer.updates, 1);
    EXPECT_EQ(timer.time, 0.0);
    UpdateAt(timer, true, 4 * second + second / 4);
    EXPECT_EQ(timer.time, 0.25);
}

// At 2^40 s a double resolves 2^-12 s, so a one-tick step of 2^-20 s leaves
// time unchanged while a whole second still shows.
TEST_F(Timer, EveryStallPastTheHundredThousandthPushesTimeOnBySecondAndAVisibleStepClearsTheCount)
{
    const double hugeTime = 1099511627776.0;
    CTimer timer;
    int64_t tick = 0;
    UpdateAt(timer, true, tick);
    timer.time = timer.lastTime = hugeTime;
    auto advance = [&](int count) {
        for (int i = 0; i < count; ++i)
            UpdateAt(timer, true, ++tick);
    };
    advance(500);
    UpdateAt(timer, true, tick - 100); // falling back keeps the count
    EXPECT_EQ(timer.stallCount, 500);
    UpdateAt(timer, true, tick += second);
    EXPECT_EQ(timer.time, hugeTime + 1.0);
    EXPECT_EQ(timer.stallCount, 0);
    advance(100000);
    EXPECT_EQ(timer.time, hugeTime + 1.0);
    advance(1);
    EXPECT_EQ(timer.time, hugeTime + 2.0);
    EXPECT_EQ(timer.stallCount, 0);
}

} // namespace
