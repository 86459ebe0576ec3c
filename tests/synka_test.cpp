// synka_test.cpp - the music module against a recording sound library: its calls, and its syncs to the pictures.
#include "synka.h"
#include "test.h"
#include "tracker_sound.h"
#include "tracker_sound_clock.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

bool running = true;
Picture *currentPicture = nullptr;
Lista<Picture *> pictures;

// Linked in place of platform_sound: logs every call and succeeds; loading gives one song, or null when told to.
struct FMUSIC_MODULE {};

static std::vector<std::string> soundCalls;
static bool songLoads = true;
static FMUSIC_MODULE theSong;

static signed char log(std::string call, const void *song = nullptr)
{
    soundCalls.push_back(call + (song == &theSong ? " song" : ""));
    return 1;
}

signed char FSOUND_SetOutput(int type) { return log("SetOutput " + std::to_string(type)); }
signed char FSOUND_SetDriver(int driver) { return log("SetDriver " + std::to_string(driver)); }
signed char FSOUND_SetMixer(int mixer) { return log("SetMixer " + std::to_string(mixer)); }
signed char FSOUND_Init(int rate, int channels, unsigned flags)
{
    return log("Init " + std::to_string(rate) + " " + std::to_string(channels) + " " + std::to_string(flags));
}
void FSOUND_Close() { log("Close"); }
FMUSIC_MODULE *FMUSIC_LoadSong(const char *name)
{
    log(std::string("LoadSong ") + name);
    return songLoads ? &theSong : nullptr;
}
signed char FMUSIC_PlaySong(FMUSIC_MODULE *song) { return log("PlaySong", song); }
signed char FMUSIC_SetOrder(FMUSIC_MODULE *song, int order) { return log("SetOrder " + std::to_string(order), song); }
signed char FMUSIC_SetZxxCallback(FMUSIC_MODULE *song, FMUSIC_CALLBACK callback)
{
    return log(callback == &music_sync_callback ? "SetZxxCallback music_sync_callback" : "SetZxxCallback", song);
}
signed char FMUSIC_FreeSong(FMUSIC_MODULE *song) { return log("FreeSong", song); }
signed char FMUSIC_SetPaused(FMUSIC_MODULE *song, signed char pause) { return log("SetPaused " + std::to_string(pause), song); }
signed char FMUSIC_GetPaused(FMUSIC_MODULE *) { return 0; }
bool tracker_sound_seek(FMUSIC_MODULE *song, int order, int row)
{
    return log("Seek " + std::to_string(order) + ":" + std::to_string(row), song);
}
double tracker_sound_seconds(FMUSIC_MODULE *) { return 0; }

namespace {

TEST(MusicStart, StartAndStopMakeTheCallsInOrderWithTheirValues)
{
    for (bool loads : {true, false}) {
        songLoads = loads;
        const std::string song = loads ? " song" : "";
        soundCalls.clear();
        music_start(3);
        music_stop();
        EXPECT_EQ(soundCalls, (std::vector<std::string>{"SetOutput -1", "SetDriver 2", "SetMixer 4", "Init 44100 32 0",
                                                        "LoadSong demo.xm", "PlaySong" + song, "SetOrder 0" + song,
                                                        "SetZxxCallback music_sync_callback" + song,
                                                        "FreeSong" + song, "Close"}));
    }
}

// Three pictures of widths 1 to 3, the first on screen, nothing pending.
class MusicSync : public ::testing::Test {
protected:
    void SetUp() override
    {
        music_sync_deliver();
        if (!pictures.next)
            for (int i = 0; i < 3; ++i)
                pictures.Add(new Picture);
        pictures.current = &pictures;
        for (int width = 1; Picture *picture = pictures.Next(); ++width)
            picture->width = width;
        currentPicture = pictures.Next();
        running = true;
    }
    static int shown() { return currentPicture ? currentPicture->width : 0; }
    static void sync(unsigned char param) { music_sync_callback(&theSong, param); }
};

TEST_F(MusicSync, EachZ00DeliveredOnceShowsTheNextPictureAndTheLastEndsThePresentation)
{
    for (int param = 1; param <= 0xFF; ++param)
        sync(static_cast<unsigned char>(param));
    sync(0x00);
    sync(0x00);
    // Nothing before the frame loop delivers; then both Z00s, once each, the last picture kept, then a restart.
    std::vector<std::pair<int, bool>> got = {{shown(), running}};
    for (int step = 0; step < 4; ++step) {
        if (step >= 2)
            sync(0x00);
        music_sync_deliver();
        got.push_back({shown(), running});
    }
    EXPECT_EQ(got, (std::vector<std::pair<int, bool>>{{1, true}, {3, true}, {3, true}, {3, false}, {1, false}}));
}

TEST_F(MusicSync, CommandsFromTheAudioThreadAreNeitherLostNorRepeated)
{
    std::thread audio([] {
        for (int i = 0; i < 4001; ++i) {
            sync(0x00);
            sync(0x80);
        }
    });
    for (int pass = 0; pass < 1000; ++pass)
        music_sync_deliver();
    audio.join();
    music_sync_deliver();
    // Next yields the second, third, null, first, ...: 4001 commands are one step into a cycle of four.
    EXPECT_EQ(shown(), 2);
    EXPECT_FALSE(running);
}

} // namespace
