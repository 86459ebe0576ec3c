// tracker_sound_clock.h - the sound stand-in's output clock and playing
// position, for renders, tests and benchmarks that drive its mixer without
// an audio device and for moving about in a song. The device's own
// callback goes through the same pull, so both see identical timing.
#pragma once

#include <cstdint>

struct FMUSIC_MODULE;

// Renders `frames` stereo 16-bit frames of the playing song into `out` (all
// silence when no song plays), in blocks of at most the device buffer; after
// each block the sync calls of the rows that start in it are made, as when
// the block is handed to the device.
void tracker_sound_pull(int16_t *out, int frames);

// Frames handed out since the playing song was started with FMUSIC_PlaySong,
// including the block whose sync calls are being made. Safe to call from
// inside the sync callback.
int64_t tracker_sound_frames_handed();

// Moves playback of the playing `module` to row `row` of order `order`, as
// if it had just started there: the row's own Zxx cells count as called,
// the rows after it call theirs. False when the song holds no such row.
bool tracker_sound_seek(FMUSIC_MODULE *module, int order, int row);

// Seconds of the song rendered since it was started or last moved.
double tracker_sound_seconds(FMUSIC_MODULE *module);
