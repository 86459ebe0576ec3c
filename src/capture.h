// capture.h - renders the show offline into a video file: no display, no
// sound device, the frames at exact music time and as fast as they encode.
#pragma once

#include <string>

struct CaptureSettings {
    std::string file; // .mp4 or .mkv, from the folder the program started in
    std::string name; // the file as the user named it, for messages
    int scale;        // each frame enlarged this many times
    double seconds;   // where the capture stops at the latest; 0: where the show ends
};

// Renders the show in the current folder into `settings.file`. The exit
// code: 0, or 1 with a line on stderr; the file then does not exist.
int capture_run(const CaptureSettings &settings);
