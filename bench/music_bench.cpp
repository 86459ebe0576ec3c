// music_bench.cpp - the cost of the music: a second of playback through the
// sound stand-in (rendering in sync-detection chunks, polling the position,
// looking up and calling the Zxx cells) beside libopenmpt rendering the same
// module alone, and the XM layout reader's parse of the module.
#include "tracker_sound.h"
#include "tracker_sound_clock.h"
#include "xm_patterns.h"
#include "xm_test_songs.h"

#include <benchmark/benchmark.h>
#include <libopenmpt/libopenmpt.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const int kRate = 44100;
const int kDeviceBlock = 512;

// Eight orders of the busy tune on eight channels, about 25 s of music.
const std::vector<uint8_t> &module_bytes()
{
    static const std::vector<uint8_t> bytes = xm_write(xm_busy_song(8, 8));
    return bytes;
}

unsigned syncCalls = 0;
void count_sync(FMUSIC_MODULE *, unsigned char) { ++syncCalls; }

void BM_PlaybackSecond(benchmark::State &state)
{
    const std::string path = "/tmp/music_bench.xm";
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) {
        state.SkipWithError("cannot write the module");
        return;
    }
    std::fwrite(module_bytes().data(), 1, module_bytes().size(), file);
    std::fclose(file);
    FSOUND_SetMixer(4);
    FMUSIC_MODULE *song = FMUSIC_LoadSong(path.c_str());
    std::remove(path.c_str());
    if (!song) {
        state.SkipWithError("cannot load the module");
        return;
    }
    FMUSIC_PlaySong(song);
    FMUSIC_SetZxxCallback(song, count_sync);
    syncCalls = 0;
    std::vector<int16_t> block(2 * kDeviceBlock);
    for (auto _ : state)
        for (int frames = 0; frames < kRate; frames += kDeviceBlock)
            tracker_sound_pull(block.data(), kDeviceBlock);
    FMUSIC_FreeSong(song);
    state.counters["sync_calls_per_second"] = benchmark::Counter(syncCalls, benchmark::Counter::kAvgIterations);
    state.SetLabel("one second of music, 512-frame blocks");
}
BENCHMARK(BM_PlaybackSecond)->Unit(benchmark::kMillisecond);

void BM_PlainRenderSecond(benchmark::State &state)
{
    openmpt_module *player = openmpt_module_create_from_memory2(
        module_bytes().data(), module_bytes().size(), openmpt_log_func_silent, nullptr,
        openmpt_error_func_ignore, nullptr, nullptr, nullptr, nullptr);
    if (!player) {
        state.SkipWithError("cannot load the module");
        return;
    }
    openmpt_module_set_repeat_count(player, -1);
    openmpt_module_ctl_set_integer(player, "dither", 0);
    openmpt_module_set_render_param(player, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, 8);
    std::vector<int16_t> block(2 * kDeviceBlock);
    for (auto _ : state)
        for (int frames = 0; frames < kRate; frames += kDeviceBlock)
            openmpt_module_read_interleaved_stereo(player, kRate, kDeviceBlock, block.data());
    openmpt_module_destroy(player);
    state.SetLabel("libopenmpt alone, 512-frame blocks");
}
BENCHMARK(BM_PlainRenderSecond)->Unit(benchmark::kMillisecond);

void BM_ParseModule(benchmark::State &state)
{
    const std::vector<uint8_t> &bytes = module_bytes();
    for (auto _ : state) {
        XmPatterns song;
        benchmark::DoNotOptimize(xm_parse_patterns(bytes.data(), bytes.size(), song));
        benchmark::DoNotOptimize(song.syncCells.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ParseModule)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
