// output_sdl.cpp - the audio device over SDL2 audio. Owns the open device
// and the pull it feeds from.
#include "sound_output.h"

#include <SDL.h>

namespace {

SDL_AudioDeviceID device = 0;
SoundPull devicePull = nullptr;

void SDLCALL device_callback(void *, Uint8 *stream, int bytes)
{
    devicePull(reinterpret_cast<int16_t *>(stream), bytes / static_cast<int>(2 * sizeof(int16_t)));
}

} // namespace

bool sound_output_open(int driver, int rate, int blockFrames, SoundPull pull)
{
    if (device != 0 || SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    const char *deviceName = nullptr;
    if (driver > 0) {
        if (driver >= SDL_GetNumAudioDevices(0)) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return false;
        }
        deviceName = SDL_GetAudioDeviceName(driver, 0);
    }
    devicePull = pull;
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = static_cast<Uint16>(blockFrames);
    want.callback = device_callback;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts if the device differs, so the pull
    // always gets blocks of this format and size.
    device = SDL_OpenAudioDevice(deviceName, 0, &want, &have, 0);
    if (device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    SDL_PauseAudioDevice(device, 0);
    return true;
}

void sound_output_close()
{
    if (device == 0)
        return;
    SDL_CloseAudioDevice(device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    device = 0;
}
