// sound_output.h - the platform's audio device as the sound library uses it:
// 16-bit stereo at a chosen rate, filled block by block from the library's
// mixer on the device's own thread. output_sdl.cpp serves it over SDL2
// audio, output_waveout.cpp over the Windows wave-out device.
#pragma once

#include <cstdint>

// Fills `out` with `frames` stereo frames; the block is handed to the
// device as soon as this returns.
typedef void (*SoundPull)(int16_t *out, int frames);

// Opens output device `driver` (0: the system's default) at `rate` Hz and
// starts pulling blocks of exactly `blockFrames` frames. False when there
// is no such device or it cannot play that format.
bool sound_output_open(int driver, int rate, int blockFrames, SoundPull pull);
// Stops the device; returns once no pull is under way or will start.
void sound_output_close();
