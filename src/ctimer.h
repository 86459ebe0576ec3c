// ctimer.h - CTimer, the frame timer: seconds per frame from the platform's
// performance counter, or from its millisecond clock when there is none.
#pragma once

#include <cstdint>

class CTimer {
public:
    double time;
    double lastTime;
    double delta;
    int32_t updates;
    double interval;
    uint32_t windowFrames;
    double windowStart;
    double rate;
    int64_t frequency;
    double secondsPerTick;
    int32_t shift;
    bool hasPerformanceCounter;
    uint32_t lastCount;
    int32_t stallCount;

    CTimer();
    ~CTimer();
    void Reset();
    int32_t Update();
};
