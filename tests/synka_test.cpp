// synka_test.cpp - the music module against a recording sound library: the
// calls and values of start and stop, and the sync commands' road from the
// audio thread's callback to the pictures, the current picture and the
// running flag that the frame loop applies them to.
#include "synka.h"
#include "test.h"
#include "tracker_sound.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

bool running = true;
Picture *currentPicture = nullptr;
Lista<Picture *> pictures;

// The recording sound library, linked in place of platform_sound: every
// call is logged with its arguments and succeeds; loading hands out one
// fixed song, or null when told to fail.
struct FMUSIC_MODULE {
    int unused;
};

namespace {

struct SoundCall {
    std::string name;
    std::vector<long long> numbers; // integer arguments in order
    const void *song;
    std::string text;         // file name argument
    FMUSIC_CALLBACK callback; // callback argument, else null
};

std::vector<SoundCall> soundCalls;
bool songLoads = true;
FMUSIC_MODULE theSong;

signed char log(const char *name, std::vector<long long> numbers, const void *song = nullptr, std::string text = "",
                FMUSIC_CALLBACK callback = nullptr)
{
    soundCalls.push_back({name, std::move(numbers), song, std::move(text), callback});
    return 1;
}

} // namespace

signed char FSOUND_SetOutput(int outputType) { return log("FSOUND_SetOutput", {outputType}); }
signed char FSOUND_SetDriver(int driver) { return log("FSOUND_SetDriver", {driver}); }
signed char FSOUND_SetMixer(int mixer) { return log("FSOUND_SetMixer", {mixer}); }
signed char FSOUND_Init(int rate, int channels, unsigned flags) { return log("FSOUND_Init", {rate, channels, flags}); }
void FSOUND_Close() { log("FSOUND_Close", {}); }
FMUSIC_MODULE *FMUSIC_LoadSong(const char *name)
{
    log("FMUSIC_LoadSong", {}, nullptr, name ? name : "");
    return songLoads ? &theSong : nullptr;
}
signed char FMUSIC_PlaySong(FMUSIC_MODULE *song) { return log("FMUSIC_PlaySong", {}, song); }
signed char FMUSIC_SetOrder(FMUSIC_MODULE *song, int order) { return log("FMUSIC_SetOrder", {order}, song); }
signed char FMUSIC_SetZxxCallback(FMUSIC_MODULE *song, FMUSIC_CALLBACK callback)
{
    return log("FMUSIC_SetZxxCallback", {}, song, "", callback);
}
signed char FMUSIC_FreeSong(FMUSIC_MODULE *song) { return log("FMUSIC_FreeSong", {}, song); }

namespace {

struct CallShape {
    const char *name;
    std::vector<long long> numbers;
    const void *song;
};

void expect_calls(const std::vector<CallShape> &expected)
{
    ASSERT_EQ(soundCalls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(soundCalls[i].name, expected[i].name) << "call " << i;
        EXPECT_EQ(soundCalls[i].numbers, expected[i].numbers) << "call " << i;
        EXPECT_EQ(soundCalls[i].song, expected[i].song) << "call " << i;
    }
}

TEST(MusicStart, StartAndStopMakeTheCallsInOrderWithTheirValues)
{
    const struct {
        int driver;
        long long driverPassed; // counted from zero
        bool loads;
    } cases[] = {{1, 0, true}, {3, 2, true}, {1, 0, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(::testing::Message() << "driver " << c.driver << (c.loads ? "" : ", no song"));
        songLoads = c.loads;
        const void *song = c.loads ? &theSong : nullptr;
        soundCalls.clear();
        music_start(c.driver);
        expect_calls({{"FSOUND_SetOutput", {-1}, nullptr},
                      {"FSOUND_SetDriver", {c.driverPassed}, nullptr},
                      {"FSOUND_SetMixer", {4}, nullptr},
                      {"FSOUND_Init", {44100, 32, 0}, nullptr},
                      {"FMUSIC_LoadSong", {}, nullptr},
                      {"FMUSIC_PlaySong", {}, song},
                      {"FMUSIC_SetOrder", {0}, song},
                      {"FMUSIC_SetZxxCallback", {}, song}});
        ASSERT_EQ(soundCalls.size(), 8u);
        EXPECT_EQ(soundCalls[4].text, "demo.xm");
        EXPECT_EQ(soundCalls[7].callback, &music_sync_callback);

        soundCalls.clear();
        music_stop();
        expect_calls({{"FMUSIC_FreeSong", {}, song}, {"FSOUND_Close", {}, nullptr}});
    }
}

class MusicSync : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!pictures.next) {
            for (int width = 1; width <= 3; ++width) {
                Picture *picture = new Picture;
                picture->width = width;
                pictures.Add(picture);
            }
        }
        while (pictures.Next()) {
        }
        currentPicture = pictures.Next();
        running = true;
        music_sync_deliver();
        ASSERT_EQ(shown(), 1);
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
    EXPECT_EQ(shown(), 1) << "nothing changes until the frame loop delivers";
    music_sync_deliver();
    EXPECT_EQ(shown(), 3) << "only the Z00s apply, in order";
    EXPECT_TRUE(running);
    music_sync_deliver();
    EXPECT_EQ(shown(), 3) << "each command applies once";
    // The last picture stays; the list starts over after reporting its end.
    const std::pair<int, bool> steps[] = {{3, false}, {1, false}};
    for (const auto &step : steps) {
        sync(0x00);
        music_sync_deliver();
        EXPECT_EQ(shown(), step.first);
        EXPECT_EQ(running, step.second);
    }
}

TEST_F(MusicSync, CommandsFromTheAudioThreadAreNeitherLostNorRepeated)
{
    const int commands = 4001;
    std::thread audio([] {
        for (int i = 0; i < commands; ++i) {
            sync(0x00);
            sync(0x80);
        }
    });
    for (int pass = 0; pass < 1000; ++pass)
        music_sync_deliver();
    audio.join();
    music_sync_deliver();
    // Next yields the second, third, null, first, ... so after 4001 commands
    // the cursor's cycle of four is one step into its next round.
    EXPECT_EQ(shown(), 2);
    EXPECT_FALSE(running);
}

} // namespace
