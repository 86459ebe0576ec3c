// clock.cpp - the Win32 clock services in the browser: a performance
// counter in microseconds and the millisecond clock over the page's
// high-resolution time, and Sleep as a yield to the browser, which a
// blocking wait would freeze.
#include "windows.h"

#include <emscripten.h>

namespace {
constexpr double microsecondsPerMillisecond = 1000.0;
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER *frequency)
{
    frequency->QuadPart = static_cast<int64_t>(1000 * microsecondsPerMillisecond);
    return TRUE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER *count)
{
    count->QuadPart = static_cast<int64_t>(emscripten_get_now() * microsecondsPerMillisecond);
    return TRUE;
}

// Wraps every 2^32 ms, as the caller expects of a 32-bit millisecond count.
DWORD WINAPI timeGetTime()
{
    return static_cast<DWORD>(static_cast<uint64_t>(emscripten_get_now()));
}

// Sleep(0) only offers the processor to other threads, and the page has no
// other: it returns at once, as it would with nothing else to run.
void WINAPI Sleep(DWORD milliseconds)
{
    if (milliseconds > 0)
        emscripten_sleep(milliseconds);
}
