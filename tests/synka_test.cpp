// synka_test.cpp - the music module against a recording sound library: the
// calls and values of start and stop, and the sync commands' road from the
// audio thread's callback to the pictures, the current picture and the
// running flag that the frame loop applies them to.
#include "synka.h"
#include "fake_tracker_sound.h"
#include "test.h"

#include <gtest/gtest.h>

#include <thread>

bool running = true;
Picture *currentPicture = nullptr;
Lista<Picture *> pictures;

namespace {

struct CallShape {
    const char *name;
    std::vector<long long> numbers;
};

void expect_calls(const std::vector<CallShape> &expected)
{
    ASSERT_EQ(soundCalls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(soundCalls[i].name, expected[i].name) << "call " << i;
        EXPECT_EQ(soundCalls[i].numbers, expected[i].numbers) << "call " << i;
    }
}

class MusicStart : public ::testing::Test {
protected:
    void SetUp() override
    {
        soundCalls.clear();
        fakeSongLoads = true;
    }
};

TEST_F(MusicStart, MakesTheCallsInOrderWithTheirValues)
{
    music_start(1);
    expect_calls({{"FSOUND_SetOutput", {-1}},
                  {"FSOUND_SetDriver", {0}},
                  {"FSOUND_SetMixer", {4}},
                  {"FSOUND_Init", {44100, 32, 0}},
                  {"FMUSIC_LoadSong", {}},
                  {"FMUSIC_PlaySong", {}},
                  {"FMUSIC_SetOrder", {0}},
                  {"FMUSIC_SetZxxCallback", {}}});
    ASSERT_EQ(soundCalls.size(), 8u);
    EXPECT_EQ(soundCalls[4].text, "demo.xm");
    for (size_t i = 5; i < 8; ++i)
        EXPECT_EQ(soundCalls[i].pointer, fake_song()) << "call " << i;
    EXPECT_EQ(soundCalls[7].callback, &music_sync_callback);
}

TEST_F(MusicStart, PassesTheDriverCountedFromZero)
{
    music_start(3);
    ASSERT_GE(soundCalls.size(), 2u);
    EXPECT_EQ(soundCalls[1].name, "FSOUND_SetDriver");
    EXPECT_EQ(soundCalls[1].numbers, std::vector<long long>{2});
}

TEST_F(MusicStart, StopFreesTheLoadedSongThenClosesOutput)
{
    music_start(1);
    soundCalls.clear();
    music_stop();
    expect_calls({{"FMUSIC_FreeSong", {}}, {"FSOUND_Close", {}}});
    ASSERT_EQ(soundCalls.size(), 2u);
    EXPECT_EQ(soundCalls[0].pointer, fake_song());
}

TEST_F(MusicStart, AMissingSongIsPassedOnAsNull)
{
    fakeSongLoads = false;
    music_start(1);
    ASSERT_EQ(soundCalls.size(), 8u);
    for (size_t i = 5; i < 8; ++i)
        EXPECT_EQ(soundCalls[i].pointer, nullptr) << soundCalls[i].name;
    soundCalls.clear();
    music_stop();
    ASSERT_EQ(soundCalls.size(), 2u);
    EXPECT_EQ(soundCalls[0].name, "FMUSIC_FreeSong");
    EXPECT_EQ(soundCalls[0].pointer, nullptr);
}

// Three pictures, told apart by their width; the first on screen and the
// list's cursor on the second, as main leaves them before the music starts.
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
    static void sync(unsigned char param) { music_sync_callback(fake_song(), param); }
};

TEST_F(MusicSync, EachZ00ShowsTheNextPictureAndTheLastEndsThePresentation)
{
    sync(0x00);
    music_sync_deliver();
    EXPECT_EQ(shown(), 2);
    EXPECT_TRUE(running);

    sync(0x00);
    music_sync_deliver();
    EXPECT_EQ(shown(), 3);
    EXPECT_TRUE(running);

    sync(0x00);
    music_sync_deliver();
    EXPECT_EQ(shown(), 3) << "the last picture stays";
    EXPECT_FALSE(running);

    sync(0x00);
    music_sync_deliver();
    EXPECT_EQ(shown(), 1) << "the list starts over after reporting its end";
    EXPECT_FALSE(running);
}

TEST_F(MusicSync, OtherParametersChangeNothing)
{
    for (int param = 1; param <= 0xFF; ++param)
        sync(static_cast<unsigned char>(param));
    music_sync_deliver();
    EXPECT_EQ(shown(), 1);
    EXPECT_TRUE(running);

    sync(0x00);
    music_sync_deliver();
    EXPECT_EQ(shown(), 2) << "the list's cursor did not move";
}

TEST_F(MusicSync, NothingChangesUntilTheFrameLoopDelivers)
{
    sync(0x00);
    sync(0x00);
    EXPECT_EQ(shown(), 1);
    music_sync_deliver();
    EXPECT_EQ(shown(), 3) << "both commands apply, in order";
    EXPECT_TRUE(running);
    music_sync_deliver();
    EXPECT_EQ(shown(), 3) << "each command applies once";
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
