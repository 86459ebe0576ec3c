// ctimer_test.cpp - CTimer, the frame timer, against a fake clock defined here in place of the platform's.
#include "ctimer.h"

#include "windows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <tuple>
#include <vector>

static struct FakeClock {
    bool hasCounter = true;
    int64_t frequency = 0, counter = 0;
    int counterReads = 0, millisecondReads = 0;
} fakeClock;

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER *frequency)
{
    frequency->QuadPart = fakeClock.hasCounter ? fakeClock.frequency : 0;
    return fakeClock.hasCounter;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER *count)
{
    ++fakeClock.counterReads;
    count->QuadPart = fakeClock.counter;
    return TRUE;
}

// The millisecond clock reads the counter's low 32 bits.
DWORD WINAPI timeGetTime()
{
    ++fakeClock.millisecondReads;
    return DWORD(fakeClock.counter);
}

namespace {

// The single-precision 0.001 widened to double, written out in full.
constexpr double msTick = 0.001000000047497451305389404296875;
// A counter rate kept unshifted, at which every step is an exact binary fraction.
constexpr int64_t second = 1048576;

// Stands for a Reset among the readings.
constexpr int64_t reset = INT64_MIN;

// One Update per reading of the clock the timer runs on.
void UpdateAt(CTimer &timer, const std::vector<int64_t> &readings)
{
    for (int64_t reading : readings) {
        fakeClock.counter = reading;
        reading == reset ? timer.Reset() : void(timer.Update());
    }
}

// A timer on a fresh clock after UpdateAt.
CTimer TimerAfter(bool hasCounter, const std::vector<int64_t> &readings, int64_t frequency = second)
{
    fakeClock = FakeClock{hasCounter, frequency};
    CTimer timer;
    UpdateAt(timer, readings);
    return timer;
}

TEST(Timer, CalibrationShiftsTheCounterToAtMostTwoMegahertz)
{
    const std::tuple<bool, int64_t, int32_t, double> cases[] = { // counter, its frequency, shift, seconds per tick
        {true, 3579545, 1, 1.0 / 1789772.0}, {true, 2000000, 0, 1.0 / 2000000.0}, {true, 2000001, 1, 1.0 / 1000000.0},
        // 2^63 - 1 shifted by 42 is 2,097,151, still too fast; by 43, 1,048,575.
        {true, INT64_MAX, 43, 1.0 / 1048575.0},
        // No counter, or one claiming zero ticks per second: the millisecond clock.
        {false, 0, 0, msTick}, {true, 0, 0, msTick},
    };
    for (const auto &[hasCounter, reported, shift, secondsPerTick] : cases) {
        const bool counterMode = secondsPerTick != msTick;
        const CTimer timer = TimerAfter(hasCounter, {0}, reported);
        EXPECT_EQ(std::make_tuple(timer.hasPerformanceCounter, timer.shift, timer.secondsPerTick,
                                  fakeClock.counterReads, fakeClock.millisecondReads),
                  std::make_tuple(counterMode, shift, secondsPerTick, int(counterMode), int(!counterMode)))
            << "counter " << hasCounter << " at " << reported;
    }
}

// Readings of the counter at 2^20 ticks per second, or of the millisecond clock, and the state after.
TEST(Timer, StepsFollowTheClockWithWrapAndFallBackRules)
{
    const uint32_t start = 0x20000000;
    const int64_t shifted = int64_t(1) << 44; // at 2^32 per second, shift 12
    const struct {
        const char *name;
        bool counterMode;
        std::vector<int64_t> readings;
        double time, lastTime, delta;
        uint32_t lastCount;
        int64_t frequency = second;
    } cases[] = {
        {"first update takes the reference only", true, {777777}, 0, 0, 0, 777777},
        {"steps accumulate", true, {0, second / 4, 3 * second / 4, second}, 1.0, 1.0, 0.25, uint32_t(second)},
        {"standing counter", true, {0, second / 2, second / 2}, 0.5, 0.5, 0.5, uint32_t(second / 2)},
        // One short of the wrap distance back: standing still; time resumes from the fallen-back count.
        {"resume after fall back", true, {start - second / 2, start, start - 268435455, start - 268435455 + second / 4},
         0.75, 0.75, 0.25, start - 268435455 + second / 4},
        // Forward distance 2^32 - 2^28 ticks = 3840 s.
        {"fall back of the wrap distance", true, {start, start - 0x10000000}, 3840, 3840, 3840, start - 0x10000000},
        // Reset keeps the calibration; the first update after it takes the reference only.
        {"reset", true, {0, second / 2, 3 * second / 2, reset, 4 * second, 4 * second + second / 4}, 0.25, 0.25, 0.25,
         uint32_t(4 * second + second / 4)},
        // The tick is the low half of the shifted count: 2^32 - 3, then 5.
        {"shifted count wraps", true, {shifted - 3 * 4096, shifted + 5 * 4096}, 8.0 / second, 8.0 / second,
         8.0 / second, 5, int64_t(1) << 32},
        {"first millisecond reading", false, {1000}, 1000 * msTick, 1000 * msTick, 0, 0},
        {"sixteen milliseconds", false, {1000, 1016}, 1016 * msTick, 1000 * msTick, 1016 * msTick - 1000 * msTick, 0},
        {"millisecond wrap", false, {0xFFFFFFF0u, 16}, 16 * msTick, 0xFFFFFFF0u * msTick, 32 * msTick, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const CTimer timer = TimerAfter(c.counterMode, c.readings, c.frequency);
        const auto sinceReset = c.readings.end() - std::find(c.readings.rbegin(), c.readings.rend(), reset).base();
        EXPECT_EQ(std::make_tuple(timer.updates, timer.time, timer.lastTime, timer.lastCount, timer.stallCount),
                  std::make_tuple(int32_t(sinceReset), c.time, c.lastTime, c.lastCount, 0));
        EXPECT_NEAR(timer.delta, c.delta, 1e-9);
    }
}

// At 2^40 s a double resolves 2^-12 s, so a one-tick step of 2^-20 s leaves
// time unchanged while a whole second still shows.
TEST(Timer, EveryStallPastTheHundredThousandthPushesTimeOnBySecondAndAVisibleStepClearsTheCount)
{
    const double hugeTime = 1099511627776.0;
    CTimer timer = TimerAfter(true, {0});
    timer.time = timer.lastTime = hugeTime;
    int64_t tick = 0;
    auto advance = [&](int count) {
        for (int i = 0; i < count; ++i)
            UpdateAt(timer, {++tick});
        return std::make_tuple(timer.time, timer.stallCount);
    };
    EXPECT_EQ(advance(500), std::make_tuple(hugeTime, 500));
    UpdateAt(timer, {tick - 100}); // falling back keeps the count
    EXPECT_EQ(timer.stallCount, 500);
    UpdateAt(timer, {tick += second});
    EXPECT_EQ(advance(0), std::make_tuple(hugeTime + 1.0, 0));
    EXPECT_EQ(advance(100000), std::make_tuple(hugeTime + 1.0, 100000));
    EXPECT_EQ(advance(1), std::make_tuple(hugeTime + 2.0, 0));
}

} // namespace
