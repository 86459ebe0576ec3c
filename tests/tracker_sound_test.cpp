// tracker_sound_test.cpp - the sound stand-in played for real: which sync
// calls arrive, in which order and at which output frame, driven frame by
// frame through its pull and once through SDL's dummy audio device; and
// its harmless handling of null songs, bad files and missing devices.
#include "tracker_sound.h"
#include "tracker_sound_clock.h"
#include "xm_test_songs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

const int kDeviceBlock = 512;

struct Delivery {
    unsigned param;
    int64_t frame; // frames handed when the call arrived
    std::thread::id thread;
};

std::mutex deliveriesLock;
std::vector<Delivery> deliveries;

void record(FMUSIC_MODULE *, unsigned char param)
{
    std::lock_guard<std::mutex> hold(deliveriesLock);
    deliveries.push_back({param, tracker_sound_frames_handed(), std::this_thread::get_id()});
}

void clear_recorded()
{
    std::lock_guard<std::mutex> hold(deliveriesLock);
    deliveries.clear();
}

std::vector<Delivery> recorded()
{
    std::lock_guard<std::mutex> hold(deliveriesLock);
    return deliveries;
}

// A row as the sync song plays it: its length in ticks, the BPM in force
// and its Zxx parameters in channel order.
struct PlayedRow {
    int ticks;
    int bpm;
    std::vector<unsigned> syncs;
};

// The sync song's rows in playing order, read off its patterns by hand:
// order 0 rows 0..4, the loop back to rows 2..4 (E60 and E61, both in
// channel 0, as the tracker keeps one loop per channel), row 5 held for two more
// rows' worth (EE2), rows 6 and 7 at speed 2 (F02), the break into row 2
// of order 1 (D02) at BPM 150 (F96), the jump to order 2 (B02), then the
// restart at order 1, row 0 with speed 3 and BPM 125.
std::vector<PlayedRow> played_rows()
{
    const std::vector<PlayedRow> firstPass = {
        {3, 125, {0x00}}, {3, 125, {0xAB}}, {3, 125, {}}, {3, 125, {0x01, 0x00}}, {3, 125, {}},
        {3, 125, {}}, {3, 125, {0x01, 0x00}}, {3, 125, {}},
        {9, 125, {0x02}}, {2, 125, {0x03}}, {2, 125, {0x04}},
        {2, 150, {0x12}}, {2, 150, {}},
        {2, 150, {0x20}}, {2, 150, {}}, {2, 150, {}}, {2, 150, {0x21}},
    };
    const std::vector<PlayedRow> loop = {
        {3, 125, {0x10}}, {3, 125, {0x11}}, {3, 150, {0x12}}, {3, 150, {}},
        {3, 150, {0x20}}, {3, 150, {}}, {3, 150, {}}, {3, 150, {0x21}},
    };
    std::vector<PlayedRow> rows = firstPass;
    for (int pass = 0; pass < 5; ++pass)
        rows.insert(rows.end(), loop.begin(), loop.end());
    return rows;
}

// The expected calls with the frame at which each row's first sample is
// played: a tick lasts 44100 * 2.5 / BPM frames.
std::vector<Delivery> expected_calls(int64_t untilFrame)
{
    std::vector<Delivery> calls;
    int64_t frame = 0;
    for (const PlayedRow &row : played_rows()) {
        if (frame >= untilFrame)
            break;
        for (unsigned param : row.syncs)
            calls.push_back({param, frame, {}});
        frame += row.ticks * 110250 / row.bpm;
    }
    return calls;
}

// Module files in the system's temporary folder, removed after each test.
class TrackerSound : public ::testing::Test {
protected:
    void SetUp() override { clear_recorded(); }
    void TearDown() override
    {
        FSOUND_Close();
        for (const std::string &path : saved)
            std::remove(path.c_str());
    }
    std::string save(const std::vector<uint8_t> &bytes, const char *name)
    {
        saved.push_back(testing::TempDir() + "tracker_sound_test." + name);
        std::ofstream(saved.back(), std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()), bytes.size());
        return saved.back();
    }
    FMUSIC_MODULE *load_sync_song() { return FMUSIC_LoadSong(save(xm_write(xm_sync_song()), "sync.xm").c_str()); }
    void pullFrames(int64_t frames, int perPull, std::vector<int16_t> *audio = nullptr)
    {
        std::vector<int16_t> buffer(2 * static_cast<size_t>(perPull));
        for (int64_t done = 0; done < frames; done += perPull) {
            tracker_sound_pull(buffer.data(), perPull);
            if (audio)
                audio->insert(audio->end(), buffer.begin(), buffer.end());
        }
    }

    std::vector<std::string> saved;
};

// Pulls from frame 0 on: each row's calls come as the pull holding its
// first frame is handed over, so at that pull's end; the sound is the same
// whatever the pull size.
TEST_F(TrackerSound, PullsDeliverEachRowsSyncsWithTheBlockHoldingItsFirstFrame)
{
    const int64_t frames = 215 * kDeviceBlock;
    std::vector<int16_t> audio[2];
    for (int perPull : {1, kDeviceBlock}) {
        SCOPED_TRACE(::testing::Message() << perPull << " frames per pull");
        clear_recorded();
        FMUSIC_MODULE *song = load_sync_song();
        ASSERT_TRUE(FMUSIC_PlaySong(song));
        ASSERT_TRUE(FMUSIC_SetZxxCallback(song, record));
        pullFrames(frames, perPull, &audio[perPull != 1]);
        FMUSIC_FreeSong(song);

        std::vector<std::pair<unsigned, int64_t>> expected, got;
        for (const Delivery &call : expected_calls(frames))
            expected.push_back({call.param, (call.frame / perPull + 1) * perPull});
        for (const Delivery &call : recorded())
            got.push_back({call.param, call.frame});
        EXPECT_EQ(got, expected);
    }
    EXPECT_TRUE(audio[0] == audio[1]);
    EXPECT_GT(*std::max_element(audio[1].begin(), audio[1].end()), 1000) << "the song should be audible";
}

// Order 2 plays at the speed and BPM that playback has on reaching it
// (speed 2 from order 0, BPM 150 from order 1): rows of 2 * 735 frames,
// Z20 on row 0, Z21 on row 3, then the restart's Z10 at order 1, row 0.
// Orders past the song's three are refused.
TEST_F(TrackerSound, SetOrderStartsThatOrdersFirstRow)
{
    FMUSIC_MODULE *song = load_sync_song();
    FMUSIC_PlaySong(song);
    EXPECT_FALSE(FMUSIC_SetOrder(song, 3));
    EXPECT_FALSE(FMUSIC_SetOrder(song, -1));
    ASSERT_TRUE(FMUSIC_SetOrder(song, 2));
    FMUSIC_SetZxxCallback(song, record);
    pullFrames(4 * 2 * 735 + 1, 1);
    FMUSIC_FreeSong(song);

    std::vector<std::pair<unsigned, int64_t>> got;
    for (const Delivery &call : recorded())
        got.push_back({call.param, call.frame - 1});
    EXPECT_EQ(got, (std::vector<std::pair<unsigned, int64_t>>{{0x20, 0}, {0x21, 3 * 2 * 735}, {0x10, 4 * 2 * 735}}));
}

TEST_F(TrackerSound, SyncCallsStopWhenTheSongIsFreedOrUnset)
{
    FMUSIC_MODULE *song = load_sync_song();
    FMUSIC_PlaySong(song);
    FMUSIC_SetZxxCallback(song, record);
    pullFrames(2646, 1); // row 0 only
    FMUSIC_SetZxxCallback(song, nullptr);
    pullFrames(2 * 2646, 1);
    EXPECT_EQ(recorded().size(), 1u);
    FMUSIC_SetZxxCallback(song, record);
    FMUSIC_FreeSong(song);

    std::vector<int16_t> audio;
    pullFrames(8 * 2646, kDeviceBlock, &audio);
    EXPECT_EQ(recorded().size(), 1u);
    EXPECT_EQ(std::count(audio.begin(), audio.end(), 0), std::ptrdiff_t(audio.size())) << "silent once freed";
}

TEST_F(TrackerSound, NullSongsBadFilesAndMissingDevicesAreHarmlessAndSettingsWaitForInit)
{
    std::vector<uint8_t> wrongVersion = xm_write(xm_sync_song());
    wrongVersion[58] = 0x03;
    EXPECT_EQ(FMUSIC_LoadSong(save(wrongVersion, "old.xm").c_str()), nullptr);
    EXPECT_EQ(FMUSIC_LoadSong(save({'h', 'i'}, "text.xm").c_str()), nullptr);
    EXPECT_EQ(FMUSIC_LoadSong(testing::TempDir().c_str()), nullptr);
    EXPECT_EQ(FMUSIC_LoadSong(nullptr), nullptr);
    EXPECT_FALSE(FMUSIC_PlaySong(nullptr));
    EXPECT_FALSE(FMUSIC_SetOrder(nullptr, 0));
    EXPECT_FALSE(FMUSIC_SetZxxCallback(nullptr, record));
    EXPECT_FALSE(FMUSIC_FreeSong(nullptr));
    FSOUND_Close();

    ASSERT_TRUE(FSOUND_SetDriver(1000));
    EXPECT_FALSE(FSOUND_Init(44100, 32, 0)) << "no thousandth device";
    EXPECT_FALSE(FSOUND_SetOutput(3)) << "only automatic output is offered";
    EXPECT_TRUE(FSOUND_SetDriver(0));
    EXPECT_FALSE(FSOUND_Init(1000, 32, 0)) << "no output at 1000 Hz";
    ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
    EXPECT_FALSE(FSOUND_SetDriver(0));
    FSOUND_Close();
    EXPECT_TRUE(FSOUND_Init(44100, 32, 0)) << "a closed device opens again";
}

// The whole road through the platform's audio device (SDL's dummy one in
// the headless runs), which takes blocks in real time on its own thread.
TEST_F(TrackerSound, DevicePlaysTheSongAndDeliversOnItsThread)
{
    ASSERT_TRUE(FSOUND_SetDriver(0));
    ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
    FMUSIC_MODULE *song = load_sync_song();
    {
        std::lock_guard<std::mutex> hold(deliveriesLock);
        deliveries.reserve(64);
    }
    FMUSIC_SetZxxCallback(song, record);
    FMUSIC_PlaySong(song);
    const std::vector<Delivery> expected = expected_calls(44100);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (recorded().size() < expected.size() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    FMUSIC_FreeSong(song);
    FSOUND_Close();

    const std::vector<Delivery> got = recorded();
    ASSERT_GE(got.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NE(got[i].thread, std::this_thread::get_id()) << "call " << i << " not on the audio thread";
        EXPECT_EQ(got[i].param, expected[i].param) << "call " << i;
        EXPECT_LE(got[i].frame - kDeviceBlock, expected[i].frame) << "call " << i;
        EXPECT_GT(got[i].frame, expected[i].frame) << "call " << i;
    }
}

} // namespace
