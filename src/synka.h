// synka.h - the music: plays "demo.xm" and turns its Z00 sync commands into
// picture changes. The sound library calls music_sync_callback on its audio
// thread, which only counts the command; the frame loop applies the counted
// commands with music_sync_deliver, so that the picture list, the current
// picture and the running flag are only ever touched by the frame loop.
#pragma once

#include "tracker_sound.h"

void music_start(int driver);
void music_stop();

// Starts "demo.xm" at `rate` Hz with no sound device, for a render that
// pulls the music itself (tracker_sound_pull). False when the song cannot
// be loaded.
bool music_start_offline(int rate);

// Audio thread: records a Z00; Z01 to ZFF do nothing. Never blocks.
void music_sync_callback(FMUSIC_MODULE *module, unsigned char param);

// Frame-loop thread: for every Z00 recorded since the last call, in order,
// shows the next picture, or clears `running` when there is none.
void music_sync_deliver();
