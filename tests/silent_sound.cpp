// silent_sound.cpp - a sound library that plays nothing and loads no song, for tests that give syncs by hand.
#include "tracker_sound.h"
#include "tracker_sound_clock.h"

signed char FSOUND_SetOutput(int) { return 1; }
signed char FSOUND_SetDriver(int) { return 1; }
signed char FSOUND_SetMixer(int) { return 1; }
signed char FSOUND_Init(int, int, unsigned int) { return 1; }
void FSOUND_Close() {}
FMUSIC_MODULE *FMUSIC_LoadSong(const char *) { return nullptr; }
signed char FMUSIC_PlaySong(FMUSIC_MODULE *) { return 0; }
signed char FMUSIC_SetOrder(FMUSIC_MODULE *, int) { return 0; }
signed char FMUSIC_SetZxxCallback(FMUSIC_MODULE *, FMUSIC_CALLBACK) { return 0; }
signed char FMUSIC_FreeSong(FMUSIC_MODULE *) { return 0; }
signed char FMUSIC_SetPaused(FMUSIC_MODULE *, signed char) { return 0; }
signed char FMUSIC_GetPaused(FMUSIC_MODULE *) { return 0; }
bool tracker_sound_seek(FMUSIC_MODULE *, int, int) { return false; }
double tracker_sound_seconds(FMUSIC_MODULE *) { return 0; }
