// frame_clock.h - a performance counter that counts what the caller says
// instead of real time: an offline render steps it once a frame, so that
// the frame timer reads exactly the time of the frame being rendered.
#pragma once

#include <cstdint>

// From now on the performance counter and the millisecond clock read this
// counter, starting at 0 and running at `ticksPerSecond`.
void frame_clock_start(int64_t ticksPerSecond);
// Moves the counter on by one tick.
void frame_clock_step();
