// fake_tracker_sound.h - a recording stand-in for the sound library, linked
// in place of platform_sound: it logs every call with its arguments and
// hands out one fixed song handle, or null when told that loading fails.
#pragma once

#include <string>
#include <vector>

#include "tracker_sound.h"

struct SoundCall {
    std::string name;
    std::vector<long long> numbers; // integer arguments in order
    const void *pointer;            // song or callback argument, else null
    std::string text;               // file name argument
    FMUSIC_CALLBACK callback;       // callback argument, else null
};

extern std::vector<SoundCall> soundCalls;
// Whether FMUSIC_LoadSong succeeds; it then returns fake_song().
extern bool fakeSongLoads;
FMUSIC_MODULE *fake_song();
