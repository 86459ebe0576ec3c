// clock.cpp - the Win32 clock services over the POSIX monotonic clock: a
// performance counter in nanoseconds, the millisecond clock, and Sleep; or,
// once an offline render starts it, over the frame clock it steps.
#include "frame_clock.h"
#include "windows.h"

#include <cerrno>
#include <ctime>
#include <sched.h>

namespace {

constexpr int64_t nanosecondsPerSecond = 1000000000;
constexpr int64_t nanosecondsPerMillisecond = 1000000;

// Ticks per second of the frame clock; 0 while real time is read.
int64_t frameTicksPerSecond = 0;
int64_t frameTicks = 0;

int64_t MonotonicNanoseconds()
{
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * nanosecondsPerSecond + now.tv_nsec;
}

} // namespace

void frame_clock_start(int64_t ticksPerSecond)
{
    frameTicksPerSecond = ticksPerSecond;
    frameTicks = 0;
}

void frame_clock_step()
{
    ++frameTicks;
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER *frequency)
{
    frequency->QuadPart = frameTicksPerSecond ? frameTicksPerSecond : nanosecondsPerSecond;
    return TRUE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER *count)
{
    count->QuadPart = frameTicksPerSecond ? frameTicks : MonotonicNanoseconds();
    return TRUE;
}

// Wraps every 2^32 ms, as the caller expects of a 32-bit millisecond count.
DWORD WINAPI timeGetTime()
{
    if (frameTicksPerSecond)
        return static_cast<DWORD>(frameTicks * 1000 / frameTicksPerSecond);
    return static_cast<DWORD>(MonotonicNanoseconds() / nanosecondsPerMillisecond);
}

void WINAPI Sleep(DWORD milliseconds)
{
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    // An absolute deadline, so that interruptions by signals neither cut the
    // sleep short nor stretch it.
    const int64_t deadline = MonotonicNanoseconds() + milliseconds * nanosecondsPerMillisecond;
    timespec until = {};
    until.tv_sec = static_cast<time_t>(deadline / nanosecondsPerSecond);
    until.tv_nsec = static_cast<long>(deadline % nanosecondsPerSecond);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}
