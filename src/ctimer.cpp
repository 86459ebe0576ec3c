// ctimer.cpp - CTimer, the frame timer: owns the choice between the
// performance counter and the millisecond clock, the counter's calibration
// (a right shift that keeps the tick rate at or below 2,000,000 per second,
// so a 32-bit tick value wraps no sooner than every ~35 minutes), the frame
// step with its wrap and stall rules, and the frames-per-second window.
#include "ctimer.h"

#include "windows.h"

namespace {

// Highest tick rate Update works with; the counter is shifted down to it.
constexpr double maxTickRate = 2000000.0;
// A counter that falls back by less than this many ticks stood still or
// jittered backwards; a larger fall is the 32-bit tick value wrapping.
constexpr uint32_t wrapDistance = 0x10000000;
// Steps that may leave time unchanged before it is pushed on by a second.
constexpr int32_t stallLimit = 100000;
// One full turn of the 32-bit millisecond count.
constexpr double millisecondWrap = 4294967296.0;

} // namespace

CTimer::CTimer()
    : time(0.0), lastTime(0.0), delta(0.0), updates(0), interval(1.0), windowFrames(0),
      windowStart(0.0), rate(0.0), frequency(0), secondsPerTick(0.0), shift(0),
      hasPerformanceCounter(false), lastCount(0), stallCount(0)
{
    LARGE_INTEGER reported = {};
    BOOL available = QueryPerformanceFrequency(&reported);
    frequency = reported.QuadPart;

    // A counter that claims zero ticks per second cannot measure anything;
    // its reciprocal would make every delta infinite.
    if (!available || frequency == 0) {
        hasPerformanceCounter = false;
        secondsPerTick = static_cast<double>(0.001f);
        return;
    }

    hasPerformanceCounter = true;
    uint64_t ticksPerSecond = static_cast<uint64_t>(frequency);
    while ((ticksPerSecond >> 32) != 0 ||
           static_cast<double>(static_cast<uint32_t>(ticksPerSecond)) > maxTickRate) {
        ++shift;
        ticksPerSecond >>= 1;
    }
    secondsPerTick = 1.0 / static_cast<double>(static_cast<uint32_t>(ticksPerSecond));
}

CTimer::~CTimer() {}

void CTimer::Reset()
{
    time = 0.0;
    delta = 0.0;
    updates = 0;
    windowFrames = 0;
    windowStart = 0.0;
    rate = 0.0;
}

int32_t CTimer::Update()
{
    if (hasPerformanceCounter) {
        LARGE_INTEGER counter = {};
        QueryPerformanceCounter(&counter);
        const uint32_t tick = static_cast<uint32_t>(static_cast<uint64_t>(counter.QuadPart) >> shift);

        if (updates == 0) {
            lastCount = tick;
        } else if (tick <= lastCount && lastCount - tick < wrapDistance) {
            // Standing still or slightly back: nothing has passed.
            lastCount = tick;
        } else {
            // Unsigned subtraction also measures a wrapped tick forward.
            const uint32_t step = tick - lastCount;
            delta = static_cast<double>(step) * secondsPerTick;
            time += delta;
            lastCount = tick;

            // A time so large that a frame no longer changes it would freeze
            // every effect; push it on instead.
            if (time == lastTime) {
                ++stallCount;
                if (stallCount > stallLimit) {
                    time += 1.0;
                    stallCount = 0;
                }
            } else {
                stallCount = 0;
            }
            lastTime = time;
        }
    } else {
        const double now = static_cast<double>(timeGetTime()) * secondsPerTick;
        if (updates == 0) {
            time = now;
            lastTime = time;
            delta = 0.0;
        } else {
            lastTime = time;
            time = now;
            delta = time - lastTime;
            // The millisecond count only falls when it wraps (every ~49.7
            // days); measure that step forward rather than as minus 49 days.
            if (delta < 0.0)
                delta += millisecondWrap * secondsPerTick;
        }
    }

    if (lastTime - windowStart > interval) {
        rate = static_cast<double>(windowFrames) / interval;
        windowFrames = 0;
        windowStart = lastTime;
    }
    ++windowFrames;
    // Counted in unsigned arithmetic so that a run of 2^31 frames wraps
    // instead of overflowing a signed integer.
    updates = static_cast<int32_t>(static_cast<uint32_t>(updates) + 1u);
    return updates;
}
