// output_waveout.cpp - the audio device over the Windows wave-out device,
// which every Windows has and which needs no library of ours. Owns the open
// device, its ring of blocks and the thread that refills them.
#include "sound_output.h"

#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// Enough blocks queued that a late refill does not starve the device;
// every block is handed over as soon as the device has played one.
const int kBlocks = 4;

struct Device {
    HWAVEOUT handle = nullptr;
    HANDLE played = nullptr; // signalled whenever the device finishes a block
    WAVEHDR headers[kBlocks] = {};
    std::vector<int16_t> samples;
    int blockFrames = 0;
    SoundPull pull = nullptr;
    std::atomic<bool> stopping{false};
    std::thread feeder;
};

Device device;

void feed()
{
    int next = 0;
    bool queued[kBlocks] = {};
    while (!device.stopping) {
        WAVEHDR &header = device.headers[next];
        if (queued[next] && !(header.dwFlags & WHDR_DONE)) {
            WaitForSingleObject(device.played, INFINITE);
            continue;
        }
        header.dwFlags &= ~WHDR_DONE;
        device.pull(reinterpret_cast<int16_t *>(header.lpData), device.blockFrames);
        waveOutWrite(device.handle, &header, sizeof header);
        queued[next] = true;
        next = (next + 1) % kBlocks;
    }
}

void release()
{
    for (WAVEHDR &header : device.headers)
        if (header.dwFlags & WHDR_PREPARED)
            waveOutUnprepareHeader(device.handle, &header, sizeof header);
    waveOutClose(device.handle);
    CloseHandle(device.played);
    device.handle = nullptr;
    device.played = nullptr;
}

} // namespace

bool sound_output_open(int driver, int rate, int blockFrames, SoundPull pull)
{
    if (device.handle || driver < 0 || blockFrames <= 0)
        return false;
    if (driver > 0 && static_cast<UINT>(driver) >= waveOutGetNumDevs())
        return false;
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = format.nChannels * format.wBitsPerSample / 8;
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    device.played = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!device.played)
        return false;
    const UINT id = driver == 0 ? WAVE_MAPPER : static_cast<UINT>(driver);
    if (waveOutOpen(&device.handle, id, &format, reinterpret_cast<DWORD_PTR>(device.played), 0,
                    CALLBACK_EVENT) != MMSYSERR_NOERROR) {
        device.handle = nullptr;
        CloseHandle(device.played);
        device.played = nullptr;
        return false;
    }
    device.blockFrames = blockFrames;
    device.pull = pull;
    device.samples.assign(static_cast<size_t>(kBlocks) * blockFrames * 2, 0);
    for (int i = 0; i < kBlocks; ++i) {
        WAVEHDR &header = device.headers[i];
        header = WAVEHDR{};
        header.lpData = reinterpret_cast<LPSTR>(&device.samples[static_cast<size_t>(i) * blockFrames * 2]);
        header.dwBufferLength = static_cast<DWORD>(blockFrames * 2 * sizeof(int16_t));
        if (waveOutPrepareHeader(device.handle, &header, sizeof header) != MMSYSERR_NOERROR) {
            release();
            return false;
        }
    }
    device.stopping = false;
    device.feeder = std::thread(feed);
    return true;
}

void sound_output_close()
{
    if (!device.handle)
        return;
    device.stopping = true;
    SetEvent(device.played);
    device.feeder.join();
    // Returns every queued block, so that the headers can be released.
    waveOutReset(device.handle);
    release();
}
