// ctimer_test.cpp - tests of CTimer, the frame timer, against a fake clock
// defined here in place of the platform's: the test sets the counter's
// frequency (or its absence), the counter and the millisecond clock.
#include "ctimer.h"

#include "windows.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

struct FakeClock {
    bool hasCounter = true;
    int64_t frequency = 1048576;
    int64_t counter = 0;
    DWORD milliseconds = 0;
    int frequencyReads = 0;
    int counterReads = 0;
    int millisecondReads = 0;
};

FakeClock fakeClock;

} // namespace

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER *frequency)
{
    ++fakeClock.frequencyReads;
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
constexpr double millisecondTick = 0.001000000047497451305389404296875;
// 2^-20: the seconds per tick at 1,048,576 ticks per second.
constexpr double binaryTick = 1.0 / 1048576.0;

// Resets the clock on construction, before a derived fixture's own timer
// is built from it.
class TimerTest : public ::testing::Test {
protected:
    TimerTest() { fakeClock = FakeClock(); }
};

// --- Calibration -----------------------------------------------------------

class TimerCalibration : public TimerTest {
protected:
    void ExpectCalibration(int64_t reported, int32_t expectedShift, double ticksPerSecond)
    {
        fakeClock.frequency = reported;
        CTimer timer;
        EXPECT_TRUE(timer.hasPerformanceCounter);
        EXPECT_EQ(timer.frequency, reported);
        EXPECT_EQ(timer.shift, expectedShift);
        EXPECT_EQ(timer.secondsPerTick, 1.0 / ticksPerSecond);
    }
};

TEST_F(TimerCalibration, AcpiTimerFrequencyIsHalved)
{
    ExpectCalibration(3579545, 1, 1789772.0);
}

TEST_F(TimerCalibration, TenMegahertzIsShiftedThreeTimes)
{
    ExpectCalibration(10000000, 3, 1250000.0);
}

TEST_F(TimerCalibration, ExactlyTwoMegahertzIsNotShifted)
{
    ExpectCalibration(2000000, 0, 2000000.0);
}

TEST_F(TimerCalibration, OneAboveTwoMegahertzIsHalvedAndTruncated)
{
    ExpectCalibration(2000001, 1, 1000000.0);
}

TEST_F(TimerCalibration, FrequencyWithHighHalfIsShiftedBelowIt)
{
    ExpectCalibration(int64_t(1) << 32, 12, 1048576.0);
}

TEST_F(TimerCalibration, LargestFrequencyIsShiftedToTwentyBits)
{
    // 2^63 - 1 shifted by 42 is 2,097,151, still too fast; by 43, 1,048,575.
    ExpectCalibration(INT64_MAX, 43, 1048575.0);
}

TEST_F(TimerCalibration, SlowCounterIsUsedAsItIs)
{
    ExpectCalibration(1, 0, 1.0);
}

TEST_F(TimerCalibration, ConstructionAsksForTheFrequencyOnceAndNothingElse)
{
    CTimer timer;
    EXPECT_EQ(fakeClock.frequencyReads, 1);
    EXPECT_EQ(fakeClock.counterReads, 0);
    EXPECT_EQ(fakeClock.millisecondReads, 0);
    EXPECT_EQ(timer.interval, 1.0);
    EXPECT_EQ(timer.time, 0.0);
    EXPECT_EQ(timer.lastTime, 0.0);
    EXPECT_EQ(timer.delta, 0.0);
    EXPECT_EQ(timer.updates, 0);
    EXPECT_EQ(timer.windowFrames, 0u);
    EXPECT_EQ(timer.windowStart, 0.0);
    EXPECT_EQ(timer.rate, 0.0);
    EXPECT_EQ(timer.lastCount, 0u);
    EXPECT_EQ(timer.stallCount, 0);
}

TEST_F(TimerCalibration, ShiftedCounterIsReadInShiftedTicks)
{
    fakeClock.frequency = 10000000; // shift 3: 1,250,000 ticks per second
    CTimer timer;
    fakeClock.counter = 80;
    timer.Update();
    EXPECT_EQ(timer.lastCount, 10u);
    fakeClock.counter = 80 + 10000000; // one second of raw counts
    timer.Update();
    EXPECT_EQ(timer.lastCount, 10u + 1250000u);
    EXPECT_DOUBLE_EQ(timer.delta, 1.0);
}

TEST_F(TimerCalibration, TickIsLowHalfOfShiftedCounter)
{
    fakeClock.frequency = int64_t(1) << 32; // shift 12
    CTimer timer;
    // Just below 2^44 raw counts the shifted tick is 2^32 - 3; just above,
    // the low half of the shifted value has wrapped to 5.
    fakeClock.counter = (int64_t(1) << 44) - 3 * 4096;
    timer.Update();
    EXPECT_EQ(timer.lastCount, 0xFFFFFFFDu);
    fakeClock.counter = (int64_t(1) << 44) + 5 * 4096;
    timer.Update();
    EXPECT_EQ(timer.lastCount, 5u);
    EXPECT_EQ(timer.delta, 8.0 / 1048576.0);
}

// --- Millisecond mode ------------------------------------------------------

class TimerMilliseconds : public TimerTest {
protected:
    TimerMilliseconds() { fakeClock.hasCounter = false; }
};

TEST_F(TimerMilliseconds, MissingCounterSelectsTheMillisecondClock)
{
    CTimer timer;
    EXPECT_FALSE(timer.hasPerformanceCounter);
    EXPECT_EQ(timer.shift, 0);
    EXPECT_EQ(timer.secondsPerTick, millisecondTick);
    EXPECT_NE(timer.secondsPerTick, 0.001);
}

TEST_F(TimerMilliseconds, CounterWithZeroFrequencySelectsTheMillisecondClock)
{
    fakeClock.hasCounter = true;
    fakeClock.frequency = 0;
    CTimer timer;
    EXPECT_FALSE(timer.hasPerformanceCounter);
    EXPECT_EQ(timer.secondsPerTick, millisecondTick);
    fakeClock.milliseconds = 1000;
    timer.Update();
    fakeClock.milliseconds = 1016;
    timer.Update();
    EXPECT_NEAR(timer.delta, 0.016, 1e-9);
}

TEST_F(TimerMilliseconds, FirstUpdateTakesTheReadingOnly)
{
    CTimer timer;
    fakeClock.milliseconds = 1000;
    EXPECT_EQ(timer.Update(), 1);
    EXPECT_EQ(timer.delta, 0.0);
    EXPECT_EQ(timer.time, 1000.0 * millisecondTick);
    EXPECT_EQ(timer.lastTime, 1000.0 * millisecondTick);
}

TEST_F(TimerMilliseconds, SixteenMillisecondFrame)
{
    CTimer timer;
    fakeClock.milliseconds = 1000;
    timer.Update();
    fakeClock.milliseconds = 1016;
    EXPECT_EQ(timer.Update(), 2);
    EXPECT_EQ(timer.time, 1016.0 * millisecondTick);
    EXPECT_EQ(timer.lastTime, 1000.0 * millisecondTick);
    EXPECT_EQ(timer.delta, 1016.0 * millisecondTick - 1000.0 * millisecondTick);
    EXPECT_NEAR(timer.delta, 0.01600000076, 1e-11);
}

TEST_F(TimerMilliseconds, ReadsOnlyTheMillisecondClock)
{
    CTimer timer;
    timer.Update();
    timer.Update();
    timer.Update();
    EXPECT_EQ(fakeClock.millisecondReads, 3);
    EXPECT_EQ(fakeClock.counterReads, 0);
}

TEST_F(TimerMilliseconds, WrapOfTheCountIsMeasuredForward)
{
    CTimer timer;
    fakeClock.milliseconds = 0xFFFFFFF0u;
    timer.Update();
    fakeClock.milliseconds = 16;
    timer.Update();
    EXPECT_NEAR(timer.delta, 32 * millisecondTick, 1e-9);
    EXPECT_EQ(timer.time, 16.0 * millisecondTick);
}

TEST_F(TimerMilliseconds, FirstUpdateAfterResetTakesTheReadingOnly)
{
    CTimer timer;
    fakeClock.milliseconds = 1000;
    timer.Update();
    fakeClock.milliseconds = 1016;
    timer.Update();
    timer.Reset();
    EXPECT_EQ(timer.delta, 0.0);
    fakeClock.milliseconds = 5000;
    EXPECT_EQ(timer.Update(), 1);
    EXPECT_EQ(timer.delta, 0.0);
    EXPECT_EQ(timer.time, 5000.0 * millisecondTick);
}

TEST_F(TimerMilliseconds, FirstReadingLateOnTheClockClosesTheEmptyRateWindow)
{
    CTimer timer;
    fakeClock.milliseconds = 5000;
    timer.Update();
    EXPECT_EQ(timer.rate, 0.0);
    EXPECT_EQ(timer.windowStart, 5000.0 * millisecondTick);
    EXPECT_EQ(timer.windowFrames, 1u);
}

// --- Performance-counter steps ---------------------------------------------

// 1,048,576 ticks per second, unshifted: every step is an exact binary fraction.
class TimerCounter : public TimerTest {
protected:
    void UpdateAt(int64_t counter)
    {
        fakeClock.counter = counter;
        timer.Update();
    }

    CTimer timer;
};

TEST_F(TimerCounter, CalibratesToBinaryTicks)
{
    EXPECT_EQ(timer.shift, 0);
    EXPECT_EQ(timer.secondsPerTick, binaryTick);
}

TEST_F(TimerCounter, FirstUpdateTakesTheReferenceCountOnly)
{
    fakeClock.counter = 777777;
    EXPECT_EQ(timer.Update(), 1);
    EXPECT_EQ(timer.lastCount, 777777u);
    EXPECT_EQ(timer.delta, 0.0);
    EXPECT_EQ(timer.time, 0.0);
    EXPECT_EQ(timer.lastTime, 0.0);
}

TEST_F(TimerCounter, HalfSecondStepIsExact)
{
    UpdateAt(1000);
    fakeClock.counter = 1000 + 524288;
    EXPECT_EQ(timer.Update(), 2);
    EXPECT_EQ(timer.delta, 0.5);
    EXPECT_EQ(timer.time, 0.5);
    EXPECT_EQ(timer.lastTime, 0.5);
    EXPECT_EQ(timer.lastCount, 1000u + 524288u);
}

TEST_F(TimerCounter, StepsAccumulate)
{
    UpdateAt(0);
    UpdateAt(262144);  // 0.25 s
    UpdateAt(786432);  // 0.5 s more
    UpdateAt(1048576); // 0.25 s more
    EXPECT_EQ(timer.delta, 0.25);
    EXPECT_EQ(timer.time, 1.0);
    EXPECT_EQ(fakeClock.counterReads, 4);
    EXPECT_EQ(fakeClock.millisecondReads, 0);
}

TEST_F(TimerCounter, StandingCounterKeepsTimeAndDelta)
{
    UpdateAt(0);
    UpdateAt(524288);
    UpdateAt(524288);
    EXPECT_EQ(timer.time, 0.5);
    EXPECT_EQ(timer.delta, 0.5);
    EXPECT_EQ(timer.lastCount, 524288u);
    EXPECT_EQ(timer.updates, 3);
}

TEST_F(TimerCounter, SmallFallBackKeepsTimeAndTakesTheNewCount)
{
    const uint32_t start = 0x20000000;
    UpdateAt(start - 524288);
    UpdateAt(start);
    UpdateAt(start - 268435455); // one short of the wrap distance
    EXPECT_EQ(timer.time, 0.5);
    EXPECT_EQ(timer.delta, 0.5);
    EXPECT_EQ(timer.lastTime, 0.5);
    EXPECT_EQ(timer.lastCount, start - 268435455u);
    // Time resumes from the fallen-back count.
    UpdateAt(start - 268435455 + 262144);
    EXPECT_EQ(timer.delta, 0.25);
    EXPECT_EQ(timer.time, 0.75);
}

TEST_F(TimerCounter, FallBackOfWrapDistanceIsAWrap)
{
    const uint32_t start = 0x20000000;
    UpdateAt(start);
    UpdateAt(start - 0x10000000);
    // Forward distance: 2^32 - 2^28 ticks = 0xF0000000 / 2^20 s = 3840 s.
    EXPECT_EQ(timer.delta, 3840.0);
    EXPECT_EQ(timer.time, 3840.0);
    EXPECT_EQ(timer.lastCount, start - 0x10000000u);
}

TEST_F(TimerCounter, TickWrapIsMeasuredForward)
{
    UpdateAt(0xFFFFFFF0u);
    EXPECT_EQ(timer.lastCount, 4294967280u);
    UpdateAt(0x100000010); // low half 16
    EXPECT_EQ(timer.lastCount, 16u);
    EXPECT_EQ(timer.delta, 32.0 / 1048576.0);
    EXPECT_EQ(timer.time, 32.0 / 1048576.0);
}

TEST_F(TimerCounter, FirstUpdateAfterResetTakesTheReferenceCountOnly)
{
    UpdateAt(0);
    UpdateAt(524288);
    timer.Reset();
    fakeClock.counter = 524288 + 1048576;
    EXPECT_EQ(timer.Update(), 1);
    EXPECT_EQ(timer.delta, 0.0);
    EXPECT_EQ(timer.time, 0.0);
    EXPECT_EQ(timer.lastCount, 524288u + 1048576u);
    UpdateAt(524288 + 1048576 + 262144);
    EXPECT_EQ(timer.delta, 0.25);
    EXPECT_EQ(timer.time, 0.25);
}

TEST_F(TimerCounter, ResetKeepsCalibrationAndStepReferences)
{
    UpdateAt(0);
    UpdateAt(524288);
    UpdateAt(1572864);
    timer.stallCount = 7;
    timer.interval = 1.0;
    timer.Reset();
    EXPECT_EQ(timer.time, 0.0);
    EXPECT_EQ(timer.delta, 0.0);
    EXPECT_EQ(timer.updates, 0);
    EXPECT_EQ(timer.windowFrames, 0u);
    EXPECT_EQ(timer.windowStart, 0.0);
    EXPECT_EQ(timer.rate, 0.0);
    EXPECT_EQ(timer.interval, 1.0);
    EXPECT_TRUE(timer.hasPerformanceCounter);
    EXPECT_EQ(timer.frequency, 1048576);
    EXPECT_EQ(timer.secondsPerTick, binaryTick);
    EXPECT_EQ(timer.shift, 0);
    EXPECT_EQ(timer.lastTime, 1.5);
    EXPECT_EQ(timer.lastCount, 1572864u);
    EXPECT_EQ(timer.stallCount, 7);
}

// --- Rate window -------------------------------------------------------------

using TimerRate = TimerCounter;

TEST_F(TimerRate, WindowOfExactlyOneSecondStaysOpen)
{
    UpdateAt(0);
    UpdateAt(524288);
    UpdateAt(1048576); // lastTime exactly 1.0
    EXPECT_EQ(timer.lastTime, 1.0);
    EXPECT_EQ(timer.rate, 0.0);
    EXPECT_EQ(timer.windowFrames, 3u);
    EXPECT_EQ(timer.windowStart, 0.0);
}

TEST_F(TimerRate, WindowClosesJustPastOneSecond)
{
    UpdateAt(0);
    UpdateAt(524288);
    UpdateAt(1048576);
    UpdateAt(1048577); // lastTime 1 + 2^-20
    EXPECT_EQ(timer.rate, 3.0);
    EXPECT_EQ(timer.windowFrames, 1u); // the closing update opens the next window
    EXPECT_EQ(timer.windowStart, 1.0 + binaryTick);
    EXPECT_EQ(timer.updates, 4);
}

TEST_F(TimerRate, RateDividesByTheNominalInterval)
{
    UpdateAt(0);
    UpdateAt(524288);
    UpdateAt(4 * 1048576); // a long frame: the window spans 4 s
    EXPECT_EQ(timer.rate, 2.0);
    EXPECT_EQ(timer.windowStart, 4.0);
}

TEST_F(TimerRate, NextWindowIsMeasuredFromItsStart)
{
    UpdateAt(0);
    UpdateAt(3 * 524288); // 1.5 s: closes the first window with 1 frame
    EXPECT_EQ(timer.rate, 1.0);
    for (int frame = 1; frame <= 4; ++frame)
        UpdateAt(3 * 524288 + frame * 262144); // up to exactly 1.0 s later
    EXPECT_EQ(timer.windowStart, 1.5);
    EXPECT_EQ(timer.windowFrames, 5u);
    UpdateAt(3 * 524288 + 4 * 262144 + 1);
    EXPECT_EQ(timer.rate, 5.0);
    EXPECT_EQ(timer.windowFrames, 1u);
}

TEST_F(TimerRate, StandingCounterStillCountsFrames)
{
    UpdateAt(0);
    for (int frame = 0; frame < 9; ++frame)
        UpdateAt(0);
    UpdateAt(1048577);
    EXPECT_EQ(timer.rate, 10.0);
}

// --- Stall guard -------------------------------------------------------------

// At 2^40 s a double resolves 2^-12 s, so a one-tick step of 2^-20 s leaves
// time unchanged while a whole second still shows.
class TimerStall : public TimerCounter {
protected:
    static constexpr double hugeTime = 1099511627776.0;

    void SetUp() override
    {
        UpdateAt(0);
        timer.time = hugeTime;
        timer.lastTime = hugeTime;
    }

    // Advances the counter one tick per update.
    void AdvanceTicks(int count)
    {
        for (int i = 0; i < count; ++i)
            UpdateAt(++tick);
    }

    int64_t tick = 0;
};

TEST_F(TimerStall, HundredThousandStallsAreTolerated)
{
    AdvanceTicks(100000);
    EXPECT_EQ(timer.time, hugeTime);
    EXPECT_EQ(timer.stallCount, 100000);
    EXPECT_EQ(timer.delta, binaryTick);
}

TEST_F(TimerStall, NextStallPushesTimeOnBySecond)
{
    AdvanceTicks(100001);
    EXPECT_EQ(timer.time, hugeTime + 1.0);
    EXPECT_EQ(timer.lastTime, hugeTime + 1.0);
    EXPECT_EQ(timer.stallCount, 0);
}

TEST_F(TimerStall, StallCountRestartsAfterThePush)
{
    AdvanceTicks(100001 + 100000);
    EXPECT_EQ(timer.time, hugeTime + 1.0);
    EXPECT_EQ(timer.stallCount, 100000);
    AdvanceTicks(1);
    EXPECT_EQ(timer.time, hugeTime + 2.0);
}

TEST_F(TimerStall, VisibleStepClearsTheStallCount)
{
    AdvanceTicks(500);
    EXPECT_EQ(timer.stallCount, 500);
    tick += 1048576;
    UpdateAt(tick);
    EXPECT_EQ(timer.time, hugeTime + 1.0);
    EXPECT_EQ(timer.stallCount, 0);
}

TEST_F(TimerStall, StandingCounterNeitherCountsNorClearsStalls)
{
    AdvanceTicks(500);
    UpdateAt(tick);
    UpdateAt(tick - 100);
    EXPECT_EQ(timer.stallCount, 500);
    EXPECT_EQ(timer.time, hugeTime);
}

} // namespace
