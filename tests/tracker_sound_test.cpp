// tracker_sound_test.cpp - the sound stand-in played for real: its sync calls and their frames, and its refusals.
#include "tracker_sound.h"
#include "tracker_sound_clock.h"
#include "xm_test_songs.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace {

const int kDeviceBlock = 512;

// Read once the calls are over: after the pulls, or the device closed.
using Call = std::pair<unsigned, int64_t>; // parameter, frames handed when it came
std::vector<Call> calls;

void record(FMUSIC_MODULE *, unsigned char param)
{
    calls.push_back({param, tracker_sound_frames_handed()});
}

using PlayedRow = std::tuple<int, int, std::vector<unsigned>>; // ticks, BPM, Zxx parameters

// The sync calls of the frames before `until`, each with the `block` holding its row's first frame. The rows,
// read off the song by hand: order 0 rows 0..4, back to 2..4 (E60/E61, one loop per channel), row 5 held two
// more rows (EE2), rows 6 and 7 at speed 2, the break into order 1 row 2 at BPM 150, the jump to order 2, then
// the restart at order 1 row 0 with speed 3 and BPM 125.
std::vector<Call> expected_calls(int64_t until, int block)
{
    std::vector<PlayedRow> rows = {
        {3, 125, {0x00}}, {3, 125, {0xAB}}, {3, 125, {}}, {3, 125, {0x01, 0x00}}, {3, 125, {}}, {3, 125, {}},
        {3, 125, {0x01, 0x00}}, {3, 125, {}}, {9, 125, {0x02}}, {2, 125, {0x03}}, {2, 125, {0x04}},
        {2, 150, {0x12}}, {2, 150, {}}, {2, 150, {0x20}}, {2, 150, {}}, {2, 150, {}}, {2, 150, {0x21}}};
    const std::vector<PlayedRow> loop = {{3, 125, {0x10}}, {3, 125, {0x11}}, {3, 150, {0x12}}, {3, 150, {}},
                                         {3, 150, {0x20}}, {3, 150, {}},     {3, 150, {}},     {3, 150, {0x21}}};
    for (int pass = 0; pass < 5; ++pass)
        rows.insert(rows.end(), loop.begin(), loop.end());
    std::vector<Call> expected;
    int64_t frame = 0;
    for (const auto &[ticks, bpm, syncs] : rows) {
        for (unsigned param : syncs)
            if (frame < until)
                expected.push_back({param, (frame / block + 1) * block});
        frame += ticks * 110250 / bpm; // a tick is 44100 * 2.5 / BPM frames
    }
    return expected;
}

// One file per process: CTest runs the cases side by side.
const std::string songPath = testing::TempDir() + "tracker_sound_test." + std::to_string(getpid()) + ".xm";

FMUSIC_MODULE *play(const XmModule &module = xm_sync_song())
{
    calls.clear();
    EXPECT_TRUE(xm_save(module, songPath.c_str()));
    FMUSIC_MODULE *song = FMUSIC_LoadSong(songPath.c_str());
    EXPECT_TRUE(FMUSIC_SetZxxCallback(song, record));
    EXPECT_TRUE(FMUSIC_PlaySong(song));
    return song;
}

// libopenmpt's own render of the module without Zxx cells, looping and undithered as the stand-in plays it.
std::vector<int16_t> reference(size_t frames)
{
    const std::vector<uint8_t> bytes = xm_write(xm_without_sync(xm_sync_song()));
    openmpt_module *player = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
        nullptr, openmpt_error_func_ignore, nullptr, nullptr, nullptr, nullptr);
    openmpt_module_set_repeat_count(player, -1);
    openmpt_module_ctl_set_integer(player, "dither", 0);
    std::vector<int16_t> audio(2 * frames);
    for (size_t done = 0, got = 1; done < frames && got > 0; done += got)
        got = openmpt_module_read_interleaved_stereo(player, 44100, frames - done, &audio[2 * done]);
    openmpt_module_destroy(player);
    return audio;
}

// Whole pulls, so at least `frames` frames.
std::vector<int16_t> pull(int64_t frames, int perPull)
{
    std::vector<int16_t> audio(2 * static_cast<size_t>((frames + perPull - 1) / perPull * perPull));
    for (int64_t done = 0; done < frames; done += perPull)
        tracker_sound_pull(&audio[2 * done], perPull);
    return audio;
}

class TrackerSound : public ::testing::Test {
protected:
    void TearDown() override { FSOUND_Close(); FSOUND_SetOutput(-1); std::remove(songPath.c_str()); }
};

// With no device, as an offline render: libopenmpt's sound of the emptied Zxx cells, whatever the pull size.
TEST_F(TrackerSound, PullsDeliverEachRowsSyncsWithTheBlockHoldingItsFirstFrame)
{
    ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND) && FSOUND_Init(44100, 32, 0));
    const int64_t frames = 215 * kDeviceBlock;
    const std::vector<int16_t> sound = reference(frames);
    for (int perPull : {1, kDeviceBlock}) {
        FMUSIC_MODULE *song = play();
        EXPECT_TRUE(pull(frames, perPull) == sound) << perPull << " frames per pull";
        FMUSIC_FreeSong(song);
        EXPECT_EQ(calls, expected_calls(frames, perPull)) << perPull << " frames per pull";
    }
}

// Order 2 at the speed and BPM reached by then (2 and 150): rows of 1470 frames, Z20 on row 0, Z21 on row 3,
// then the restart's Z10 and Z11, the latter with the callback unset. A freed song plays no more.
TEST_F(TrackerSound, SetOrderStartsThatOrdersFirstRowAndCallsStopWhenUnsetOrFreed)
{
    FMUSIC_MODULE *song = play();
    EXPECT_FALSE(FMUSIC_SetOrder(song, 3) || FMUSIC_SetOrder(song, -1));
    ASSERT_TRUE(FMUSIC_SetOrder(song, 2));
    pull(4 * 1470 + 1, 1);
    FMUSIC_SetZxxCallback(song, nullptr);
    pull(2 * 2646, 1);
    FMUSIC_SetZxxCallback(song, record);
    FMUSIC_FreeSong(song);
    const std::vector<int16_t> audio = pull(8 * 2646, kDeviceBlock);
    EXPECT_EQ(calls, (std::vector<Call>{{0x20, 1}, {0x21, 3 * 1470 + 1}, {0x10, 4 * 1470 + 1}}));
    EXPECT_EQ(std::count(audio.begin(), audio.end(), 0), std::ptrdiff_t(audio.size())) << "silent once freed";
}

// Moved to order 2 row 0 as if it had started there: Z20 counts as called, Z21 and the restart's Z10 come as
// after SetOrder. Paused for a while, it hands out silence and makes no call, and resumed it goes on with the
// very samples it held back; its seconds count from the move.
TEST_F(TrackerSound, SeekStartsOnARowAlreadyCalledAndPauseHoldsTheNextSample)
{
    ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND) && FSOUND_Init(44100, 32, 0));
    FMUSIC_MODULE *song = play();
    EXPECT_FALSE(tracker_sound_seek(song, 3, 0) || tracker_sound_seek(song, 2, 64) || tracker_sound_seek(song, 0, -1) ||
                 tracker_sound_seek(nullptr, 0, 0));
    ASSERT_TRUE(tracker_sound_seek(song, 2, 0));
    const std::vector<int16_t> straight = pull(4 * 1470 + 1, 1);
    FMUSIC_FreeSong(song);
    EXPECT_EQ(calls, (std::vector<Call>{{0x21, 3 * 1470 + 1}, {0x10, 4 * 1470 + 1}}));

    song = play();
    ASSERT_TRUE(tracker_sound_seek(song, 2, 0));
    std::vector<int16_t> resumed = pull(2 * 1470, 1);
    EXPECT_EQ(tracker_sound_seconds(song), 2 * 1470 / 44100.0);
    ASSERT_TRUE(FMUSIC_SetPaused(song, 1) && FMUSIC_GetPaused(song));
    const std::vector<int16_t> held = pull(5 * 1470, kDeviceBlock);
    EXPECT_EQ(std::make_tuple(std::count(held.begin(), held.end(), 0), calls.size(), tracker_sound_seconds(song)),
              std::make_tuple(std::ptrdiff_t(held.size()), 0u, 2 * 1470 / 44100.0));
    ASSERT_TRUE(FMUSIC_SetPaused(song, 0) && !FMUSIC_GetPaused(song));
    const std::vector<int16_t> rest = pull(2 * 1470 + 1, 1);
    resumed.insert(resumed.end(), rest.begin(), rest.end());
    FMUSIC_FreeSong(song);
    EXPECT_TRUE(resumed == straight);
    std::vector<unsigned> params;
    for (const Call &call : calls)
        params.push_back(call.first);
    EXPECT_EQ(params, (std::vector<unsigned>{0x21, 0x10}));
}

TEST_F(TrackerSound, RefusesBadSongsDevicesAndLateSettings)
{
    // In order: loading no XM file, a folder and no name; the calls on no song; a thousandth device, an output
    // other than automatic, 1000 Hz, a driver after Init; a closed device opened again.
    std::ofstream(songPath) << "hi";
    const std::vector<int> got = {
        FMUSIC_LoadSong(songPath.c_str()) != nullptr, FMUSIC_LoadSong(testing::TempDir().c_str()) != nullptr,
        FMUSIC_LoadSong(nullptr) != nullptr, FMUSIC_PlaySong(nullptr), FMUSIC_SetOrder(nullptr, 0),
        FMUSIC_SetZxxCallback(nullptr, record), FMUSIC_FreeSong(nullptr), FSOUND_SetDriver(1000),
        FSOUND_Init(44100, 32, 0), FSOUND_SetOutput(3), FSOUND_SetDriver(0), FSOUND_Init(1000, 32, 0),
        FSOUND_Init(44100, 32, 0), FSOUND_SetDriver(0), (FSOUND_Close(), FSOUND_Init(44100, 32, 0))};
    EXPECT_EQ(got, (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 1, 0, 1}));
}

// One-row patterns: each order starts at the row number of the one before.
TEST_F(TrackerSound, EveryOrderStartsARowEvenAtTheSameRowNumber)
{
    XmModule module = xm_sync_song();
    module.orders = {0, 0};
    module.restartPosition = 0;
    module.patterns = {xm_pattern(1, 4)};
    module.patterns[0].at(0, 0, 4).effect = kEffectSync;
    FMUSIC_MODULE *song = play(module);
    pull(3 * 2646, 1);
    FMUSIC_FreeSong(song);
    EXPECT_EQ(calls, (std::vector<Call>{{0, 1}, {0, 2647}, {0, 5293}}));
}

// The platform's audio device (SDL's dummy one when headless) takes whole blocks on its own thread, which calls.
TEST_F(TrackerSound, DevicePlaysTheSongAndDeliversOnItsThread)
{
    ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
    const std::vector<Call> expected = expected_calls(44100, kDeviceBlock);
    FMUSIC_MODULE *song = play();
    for (int waited = 0; tracker_sound_frames_handed() < 44100 + kDeviceBlock && waited < 2000; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    FMUSIC_FreeSong(song);
    FSOUND_Close();
    calls.resize(std::min(calls.size(), expected.size()));
    EXPECT_EQ(calls, expected);
}

} // namespace
