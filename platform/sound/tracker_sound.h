// tracker_sound.h - the tracker-music sound library subset that the demo's
// music module calls: sound output, XM module playback and the Zxx callback.
// Implemented over libopenmpt (playback) and the platform's audio device
// (output: SDL2 audio, or the Windows wave-out device).
// Every call taking a song accepts null and then does nothing.
#pragma once

struct FMUSIC_MODULE;

// Called on the audio thread for every Zxx command that playback reaches,
// with the module and the command's parameter byte.
typedef void (*FMUSIC_CALLBACK)(FMUSIC_MODULE *module, unsigned char param);

// Output selection before FSOUND_Init: -1 picks the output automatically;
// FSOUND_OUTPUT_NOSOUND opens no device, and the caller pulls the mix with
// tracker_sound_pull (tracker_sound_clock.h), as an offline render does.
const int FSOUND_OUTPUT_NOSOUND = 0;
signed char FSOUND_SetOutput(int outputType);
// Output device selection before FSOUND_Init: 0 is the first device.
signed char FSOUND_SetDriver(int driver);
// Interpolation quality before FSOUND_Init.
signed char FSOUND_SetMixer(int mixer);
// Starts sound output; non-zero on success.
signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags);
// Stops sound output; harmless without FSOUND_Init.
void FSOUND_Close();

// Loads an XM module; null when it cannot be read.
FMUSIC_MODULE *FMUSIC_LoadSong(const char *name);
signed char FMUSIC_PlaySong(FMUSIC_MODULE *module);
signed char FMUSIC_SetOrder(FMUSIC_MODULE *module, int order);
// Holds playback where it is: output goes silent and no sync call is made
// until it is resumed, from the same sample. Once it returns true, no
// render of the song is under way.
signed char FMUSIC_SetPaused(FMUSIC_MODULE *module, signed char pause);
signed char FMUSIC_GetPaused(FMUSIC_MODULE *module);
signed char FMUSIC_SetZxxCallback(FMUSIC_MODULE *module, FMUSIC_CALLBACK callback);
signed char FMUSIC_FreeSong(FMUSIC_MODULE *module);
