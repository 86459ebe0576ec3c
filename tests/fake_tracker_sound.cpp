// fake_tracker_sound.cpp - the recording sound library: each call appends
// itself to soundCalls and reports success.
#include "fake_tracker_sound.h"

struct FMUSIC_MODULE {
    int unused;
};

std::vector<SoundCall> soundCalls;
bool fakeSongLoads = true;

namespace {

FMUSIC_MODULE theSong;

signed char log(const char *name, std::vector<long long> numbers, const void *pointer = nullptr,
                std::string text = "", FMUSIC_CALLBACK callback = nullptr)
{
    soundCalls.push_back({name, std::move(numbers), pointer, std::move(text), callback});
    return 1;
}

} // namespace

FMUSIC_MODULE *fake_song()
{
    return &theSong;
}

signed char FSOUND_SetOutput(int outputType) { return log("FSOUND_SetOutput", {outputType}); }
signed char FSOUND_SetDriver(int driver) { return log("FSOUND_SetDriver", {driver}); }
signed char FSOUND_SetMixer(int mixer) { return log("FSOUND_SetMixer", {mixer}); }

signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags)
{
    return log("FSOUND_Init", {mixRate, maxSoftwareChannels, flags});
}

void FSOUND_Close() { log("FSOUND_Close", {}); }

FMUSIC_MODULE *FMUSIC_LoadSong(const char *name)
{
    log("FMUSIC_LoadSong", {}, nullptr, name ? name : "");
    return fakeSongLoads ? &theSong : nullptr;
}

signed char FMUSIC_PlaySong(FMUSIC_MODULE *module) { return log("FMUSIC_PlaySong", {}, module); }

signed char FMUSIC_SetOrder(FMUSIC_MODULE *module, int order)
{
    return log("FMUSIC_SetOrder", {order}, module);
}

signed char FMUSIC_SetZxxCallback(FMUSIC_MODULE *module, FMUSIC_CALLBACK callback)
{
    return log("FMUSIC_SetZxxCallback", {}, module, "", callback);
}

signed char FMUSIC_FreeSong(FMUSIC_MODULE *module) { return log("FMUSIC_FreeSong", {}, module); }
