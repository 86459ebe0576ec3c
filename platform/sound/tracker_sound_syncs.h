// tracker_sound_syncs.h - when a module's Zxx sync cells play, found by
// playing it without a device, so that the times are the ones playback
// and an offline render meet.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One Zxx cell as playback reaches it: `frame` is the first sample frame of
// its row at the rate the walk was made at.
struct TrackerSync {
    int64_t frame;
    int order;
    int pattern;
    int row;
    int channel;
    uint8_t param;
};

// Plays the XM file once through its order table at `rate` Hz and lists
// every Zxx cell of every row it plays, in playing order (a row played
// twice by a loop is listed twice). False with `error` set to the reason
// when the file cannot be read or played.
bool tracker_sound_list_syncs(const char *fileName, int rate, std::vector<TrackerSync> &syncs,
                              std::string &error);
