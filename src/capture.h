// capture.h - renders the show offline into a video file: no display, no
// sound device, the frames at exact music time and as fast as they encode.
// Owns the capture's rates and the longest capture they allow.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

struct Position;

// The music is rendered at this many stereo sample frames a second, the
// video at this many frames.
const int captureSampleRate = 48000;
const int captureFramesPerSecond = 60;
// The longest --seconds whose sample count, and so its frame count, still
// fits the 64-bit counters the capture keeps.
const int64_t maxCaptureSeconds = std::numeric_limits<int64_t>::max() / captureSampleRate;

struct CaptureSettings {
    std::string file; // .mp4 or .mkv, from the folder the program started in
    std::string name; // the file as the user named it, made printable, for messages
    int scale;        // each frame enlarged this many times; 0: 1 for .mkv, 4 for .mp4
    double seconds;   // how long the capture lasts at the most; 0: to where the show ends
    const Position *from; // where in the tune it starts; null: at the start
};

// Renders the show in the current folder into `settings.file`. The exit
// code: 0, 2 when it would start past the tune's end or the show's, or 1
// with a line on stderr; the file is then as it was before,
// and no other file is left behind. A signal that ends the program
// mid-way leaves nothing behind either.
int capture_run(const CaptureSettings &settings);
