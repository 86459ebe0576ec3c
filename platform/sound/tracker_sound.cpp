// tracker_sound.cpp - the tracker-music sound library: plays XM modules
// with libopenmpt into the platform's audio device (sound_output.h) and
// makes the Zxx sync calls. Owns the output settings, the mixer state and
// the loaded songs.
//
// libopenmpt neither reports Zxx commands nor keeps them out of the sound,
// so the song's own Zxx cells are read by xm_patterns and emptied before
// libopenmpt sees the file. The mixer renders in short chunks and polls the
// playing order and row after each; a changed position is a row start, and
// the row's Zxx cells are called back once the block holding its first
// sample is handed to the device. Rendering happens inside the device
// callback, so nothing is rendered ahead of what the device takes.
#include "tracker_sound.h"
#include "sound_output.h"
#include "tracker_sound_clock.h"
#include "song_file.h"

#include <libopenmpt/libopenmpt.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

struct FMUSIC_MODULE {
    openmpt_module *player = nullptr;
    XmPatterns layout;
    FMUSIC_CALLBACK callback = nullptr;
    // Guarded by the mixer's lock.
    bool paused = false;
    int64_t rendered = 0; // frames since the song was started or moved
};

namespace {

const int kDefaultRate = 44100;
const int kMinRate = 8000;
const int kMaxRate = 192000;
// Row starts are found to within one chunk.
const int kChunkFrames = 16;
// The device buffer; sync calls are made once per block.
const int kBlockFrames = 512;
const int kMaxRowStartsPerBlock = (kBlockFrames + kChunkFrames - 1) / kChunkFrames;

struct RowStart {
    int order;
    int row;
};

// Settings and device: touched only by the thread making the API calls.
struct Output {
    int driver = 0;
    int interpolation = 8; // libopenmpt filter taps
    bool device = true;    // false: the caller pulls the mix itself
    bool initialised = false;
};

// What the device callback uses, guarded by `lock`.
struct Mixer {
    std::mutex lock;
    int rate = kDefaultRate;
    FMUSIC_MODULE *playing = nullptr;
    int order = -1; // position seen after the latest chunk; -1: none yet
    int row = -1;
    std::atomic<int64_t> handed{0};
};

Output output;
Mixer mixer;

// Fills `out` with `frames` frames of the playing song and lists the rows
// that started in them. Silence when nothing plays.
int render_block(int16_t *out, int frames, RowStart *starts)
{
    FMUSIC_MODULE *song = mixer.playing;
    if (!song || song->paused) {
        std::memset(out, 0, sizeof(int16_t) * 2 * static_cast<size_t>(frames));
        return 0;
    }
    int count = 0;
    for (int done = 0; done < frames;) {
        const int chunk = frames - done < kChunkFrames ? frames - done : kChunkFrames;
        int16_t *at = out + 2 * done;
        size_t got = openmpt_module_read_interleaved_stereo(song->player, mixer.rate, chunk, at);
        // At a song end libopenmpt may return short once and then go on
        // from the restart position.
        if (got < static_cast<size_t>(chunk))
            got += openmpt_module_read_interleaved_stereo(song->player, mixer.rate, chunk - got,
                                                          at + 2 * got);
        if (got < static_cast<size_t>(chunk))
            std::memset(at + 2 * got, 0, sizeof(int16_t) * 2 * (chunk - got));
        song->rendered += static_cast<int64_t>(got);

        const int order = openmpt_module_get_current_order(song->player);
        const int row = openmpt_module_get_current_row(song->player);
        if (order != mixer.order || row != mixer.row) {
            mixer.order = order;
            mixer.row = row;
            if (count < kMaxRowStartsPerBlock)
                starts[count++] = {order, row};
        }
        done += chunk;
    }
    return count;
}

void call_sync(const RowStart *starts, int count)
{
    FMUSIC_MODULE *song = mixer.playing;
    if (!song || !song->callback)
        return;
    for (int i = 0; i < count; ++i) {
        const XmCellRange cells = xm_sync_cells_at(song->layout, starts[i].order, starts[i].row);
        for (size_t cell = cells.first; cell < cells.last; ++cell)
            song->callback(song, song->layout.syncCells[cell].param);
    }
}

void pull_locked(int16_t *out, int frames)
{
    while (frames > 0) {
        const int block = frames < kBlockFrames ? frames : kBlockFrames;
        RowStart starts[kMaxRowStartsPerBlock];
        const int count = render_block(out, block, starts);
        mixer.handed += block;
        call_sync(starts, count);
        out += 2 * block;
        frames -= block;
    }
}


// Starts playback of `song` at the start of a row: a fresh row start, or
// one already seen, whose sync calls are then not made.
void seek_locked(FMUSIC_MODULE *song, int order, int row, bool seen)
{
    openmpt_module_set_position_order_row(song->player, order, row);
    song->rendered = 0;
    if (song == mixer.playing) {
        mixer.order = seen ? order : -1;
        mixer.row = seen ? row : -1;
    }
}

} // namespace

signed char FSOUND_SetOutput(int outputType)
{
    // Automatic selection lets the platform pick the device.
    if (output.initialised || (outputType != -1 && outputType != FSOUND_OUTPUT_NOSOUND))
        return 0;
    output.device = outputType == -1;
    return 1;
}

signed char FSOUND_SetDriver(int driver)
{
    if (output.initialised || driver < 0)
        return 0;
    output.driver = driver;
    return 1;
}

signed char FSOUND_SetMixer(int mixer)
{
    // Quality levels to libopenmpt interpolation taps: nearest, linear,
    // cubic, and from 4 on the 8-tap windowed sinc.
    static const int taps[] = {1, 1, 2, 4, 8};
    if (output.initialised || mixer < 0)
        return 0;
    output.interpolation = mixer < 4 ? taps[mixer] : taps[4];
    return 1;
}

signed char FSOUND_Init(int mixRate, int, unsigned int)
{
    if (output.initialised)
        return 1;
    if (mixRate < kMinRate || mixRate > kMaxRate)
        return 0;
    {
        std::lock_guard<std::mutex> hold(mixer.lock);
        mixer.rate = mixRate;
    }
    if (output.device && !sound_output_open(output.driver, mixRate, kBlockFrames, tracker_sound_pull))
        return 0;
    output.initialised = true;
    return 1;
}

void FSOUND_Close()
{
    if (!output.initialised)
        return;
    // Closing waits for the device's pull, which takes the mixer lock, so
    // the lock must not be held here.
    if (output.device)
        sound_output_close();
    output.initialised = false;
    std::lock_guard<std::mutex> hold(mixer.lock);
    mixer.playing = nullptr;
}

FMUSIC_MODULE *FMUSIC_LoadSong(const char *name)
{
    FMUSIC_MODULE *song = new FMUSIC_MODULE;
    std::string error;
    if (!song_file_read(name, song->layout, error)) {
        delete song;
        return nullptr;
    }
    song->player = song_file_player(song->layout);
    std::vector<uint8_t>().swap(song->layout.blanked);
    if (!song->player) {
        delete song;
        return nullptr;
    }
    // Loop forever from the restart position; never fade out at the end
    // (a fade reports order 0 row 0, which would look like a row start);
    // no dither, so that the output is reproducible.
    openmpt_module_set_repeat_count(song->player, -1);
    openmpt_module_ctl_set_text(song->player, "play.at_end", "continue");
    openmpt_module_ctl_set_integer(song->player, "dither", 0);
    openmpt_module_set_render_param(song->player, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH,
                                    output.interpolation);
    return song;
}

signed char FMUSIC_PlaySong(FMUSIC_MODULE *module)
{
    if (!module)
        return 0;
    std::lock_guard<std::mutex> hold(mixer.lock);
    mixer.playing = module;
    mixer.handed = 0;
    seek_locked(module, 0, 0, false);
    return 1;
}

signed char FMUSIC_SetOrder(FMUSIC_MODULE *module, int order)
{
    if (!module || order < 0 || static_cast<size_t>(order) >= module->layout.orders.size())
        return 0;
    std::lock_guard<std::mutex> hold(mixer.lock);
    seek_locked(module, order, 0, false);
    return 1;
}

signed char FMUSIC_SetPaused(FMUSIC_MODULE *module, signed char pause)
{
    if (!module)
        return 0;
    std::lock_guard<std::mutex> hold(mixer.lock);
    module->paused = pause != 0;
    return 1;
}

signed char FMUSIC_GetPaused(FMUSIC_MODULE *module)
{
    if (!module)
        return 0;
    std::lock_guard<std::mutex> hold(mixer.lock);
    return module->paused;
}

signed char FMUSIC_SetZxxCallback(FMUSIC_MODULE *module, FMUSIC_CALLBACK callback)
{
    if (!module)
        return 0;
    std::lock_guard<std::mutex> hold(mixer.lock);
    module->callback = callback;
    return 1;
}

signed char FMUSIC_FreeSong(FMUSIC_MODULE *module)
{
    if (!module)
        return 0;
    {
        std::lock_guard<std::mutex> hold(mixer.lock);
        if (mixer.playing == module)
            mixer.playing = nullptr;
    }
    openmpt_module_destroy(module->player);
    delete module;
    return 1;
}

void tracker_sound_pull(int16_t *out, int frames)
{
    std::lock_guard<std::mutex> hold(mixer.lock);
    pull_locked(out, frames);
}

int64_t tracker_sound_frames_handed()
{
    return mixer.handed;
}

bool tracker_sound_seek(FMUSIC_MODULE *module, int order, int row)
{
    if (!module || order < 0 || static_cast<size_t>(order) >= module->layout.orders.size() || row < 0)
        return false;
    const size_t pattern = module->layout.orders[order];
    if (pattern >= module->layout.patternRows.size() || row >= module->layout.patternRows[pattern])
        return false;
    std::lock_guard<std::mutex> hold(mixer.lock);
    seek_locked(module, order, row, true);
    return true;
}

double tracker_sound_seconds(FMUSIC_MODULE *module)
{
    if (!module)
        return 0;
    std::lock_guard<std::mutex> hold(mixer.lock);
    return static_cast<double>(module->rendered) / mixer.rate;
}
