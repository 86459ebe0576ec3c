// synka.cpp - the music: starts and stops "demo.xm" through the sound
// library and hands its Z00 sync commands to the frame loop. Owns `song`
// and the count of sync commands not yet applied.
#include "synka.h"

#include <atomic>

#include "test.h"
#include "tracker_sound_clock.h"

namespace {

FMUSIC_MODULE *song = nullptr;
const int startOrder = 0;

// Z00 commands counted on the audio thread, applied by the frame loop. A
// lock-free counter keeps the audio thread from ever waiting on the frame
// loop, and keeps the picture list with the one thread that also runs the
// crossfade.
std::atomic<unsigned> pendingSyncs{0};
static_assert(std::atomic<unsigned>::is_always_lock_free, "the audio thread must not block");

} // namespace

void music_start(int driver, bool paused)
{
    FSOUND_SetOutput(-1);
    FSOUND_SetDriver(driver - 1);
    FSOUND_SetMixer(4);
    FSOUND_Init(44100, 32, 0);
    song = FMUSIC_LoadSong(musicFile);
    if (paused)
        FMUSIC_SetPaused(song, 1);
    FMUSIC_PlaySong(song);
    FMUSIC_SetOrder(song, startOrder);
    FMUSIC_SetZxxCallback(song, music_sync_callback);
}

bool music_start_offline(int rate)
{
    FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND);
    FSOUND_SetMixer(4);
    if (!FSOUND_Init(rate, 32, 0))
        return false;
    song = FMUSIC_LoadSong(musicFile);
    FMUSIC_PlaySong(song);
    FMUSIC_SetOrder(song, startOrder);
    FMUSIC_SetZxxCallback(song, music_sync_callback);
    return song != nullptr;
}

void music_stop()
{
    FMUSIC_FreeSong(song);
    FSOUND_Close();
}

bool music_jump(int order, int row)
{
    // Paused, nothing renders and no sync call comes while the count is
    // dropped and the place changes.
    const signed char paused = FMUSIC_GetPaused(song);
    FMUSIC_SetPaused(song, 1);
    pendingSyncs.store(0, std::memory_order_relaxed);
    const bool moved = tracker_sound_seek(song, order, row);
    FMUSIC_SetPaused(song, paused);
    return moved;
}

void music_pause(bool paused)
{
    FMUSIC_SetPaused(song, paused);
}

bool music_paused()
{
    return FMUSIC_GetPaused(song) != 0;
}

double music_seconds()
{
    return tracker_sound_seconds(song);
}

bool music_reload(int order, int row)
{
    FMUSIC_MODULE *fresh = FMUSIC_LoadSong(musicFile);
    if (!fresh)
        return false;
    const signed char paused = FMUSIC_GetPaused(song);
    FMUSIC_SetPaused(song, 1);
    FMUSIC_SetPaused(fresh, 1);
    FMUSIC_PlaySong(fresh);
    tracker_sound_seek(fresh, order, row);
    pendingSyncs.store(0, std::memory_order_relaxed);
    FMUSIC_SetZxxCallback(fresh, music_sync_callback);
    FMUSIC_FreeSong(song);
    song = fresh;
    FMUSIC_SetPaused(song, paused);
    return true;
}

void music_sync_callback(FMUSIC_MODULE *, unsigned char param)
{
    if (param != 0)
        return;
    pendingSyncs.fetch_add(1, std::memory_order_release);
}

void music_sync_deliver()
{
    for (unsigned pending = pendingSyncs.exchange(0, std::memory_order_acquire); pending > 0;
         --pending) {
        Picture *next = pictures.Next();
        if (next)
            currentPicture = next;
        else
            running = false;
    }
}
