// tracker_sound_syncs.h - when a module's rows and Zxx sync cells play, found by
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

// A row as playback reaches it, from its first sample frame on.
struct TrackerRow {
    int64_t frame;
    int order;
    int row;
    int pattern = 0;
};

// One pass of a song through its order table, in playing order (a row
// played twice by a loop is there twice).
struct TrackerWalk {
    std::vector<TrackerRow> rows;
    std::vector<TrackerSync> syncs; // every Zxx cell of every row played
    int64_t frames = 0;             // the length of the pass
};

// Plays the XM file once through its order table at `rate` Hz. False with
// `error` set to the reason when the file cannot be read or played.
bool tracker_sound_walk(const char *fileName, int rate, TrackerWalk &walk, std::string &error);
