// synka.h - the music: plays "demo.xm" and turns its Z00 sync commands into
// picture changes. The sound library calls music_sync_callback on its audio
// thread, which only counts the command; the frame loop applies the counted
// commands with music_sync_deliver, so that the picture list, the current
// picture and the running flag are only ever touched by the frame loop.
#pragma once

#include "tracker_sound.h"

// The tune, in the show's folder.
const char musicFile[] = "demo.xm";

// Starts "demo.xm" on output device `driver` (1: the default), held still
// from the start when `paused` until music_pause lets it go.
void music_start(int driver, bool paused = false);
void music_stop();

// The maker's moves, from the frame-loop thread. Each drops the Z00s counted
// and not yet applied: the caller puts the show where the new place has it.
// Moves to the start of row `row` of order `order`, whose own Zxx count as
// played; false when the song has no such row.
bool music_jump(int order, int row);
void music_pause(bool paused);
bool music_paused();
// Seconds of music played since it started or last moved.
double music_seconds();
// Loads "demo.xm" afresh in place of the playing song and plays it from
// the start of that row, paused if the old one was. False, the old song
// playing on, when the file cannot be loaded.
bool music_reload(int order, int row);

// Starts "demo.xm" at `rate` Hz with no sound device, for a render that
// pulls the music itself (tracker_sound_pull). False when the song cannot
// be loaded.
bool music_start_offline(int rate);

// Audio thread: records a Z00; Z01 to ZFF do nothing. Never blocks.
void music_sync_callback(FMUSIC_MODULE *module, unsigned char param);

// Frame-loop thread: for every Z00 recorded since the last call, in order,
// shows the next picture, or clears `running` when there is none.
void music_sync_deliver();
