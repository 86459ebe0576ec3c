// capture_none.cpp - the capture in a build without FFmpeg's libraries.
#include "capture.h"

#include <cstdio>

int capture_run(const CaptureSettings &settings)
{
    std::fprintf(stderr, "demo: cannot capture to \"%s\": this build has no video encoder\n",
                 settings.name.c_str());
    return 1;
}
