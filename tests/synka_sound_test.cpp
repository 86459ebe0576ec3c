// synka_sound_test.cpp - the music module over the real sound stand-in and
// SDL's dummy audio device: the module in the working directory plays and
// its Z00 commands reach the pictures; without it the demo runs on silent.
#include "synka.h"
#include "test.h"
#include "xm_test_songs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

bool running = true;
Picture *currentPicture = nullptr;
Lista<Picture *> pictures;

namespace {

// Runs each test in a fresh scratch working directory with two pictures,
// the first on screen.
class MusicOverSound : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/synka_sound_test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        previousDir = std::filesystem::current_path();
        std::filesystem::current_path(dir);
        if (!pictures.next)
            for (int width = 1; width <= 2; ++width) {
                Picture *picture = new Picture;
                picture->width = width;
                pictures.Add(picture);
            }
        while (pictures.Next()) {
        }
        currentPicture = pictures.Next();
        running = true;
    }
    void TearDown() override
    {
        std::filesystem::current_path(previousDir);
        std::filesystem::remove_all(dir);
    }
    // Plays the frame loop's part for up to `seconds`, until `done` holds.
    template <class Done> static void deliver_until(Done done, int seconds)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            music_sync_deliver();
        }
    }

    std::filesystem::path dir, previousDir;
};

TEST_F(MusicOverSound, TheModulesZ00CommandsChangeThePictures)
{
    // Two orders of the busy tune at speed 6, BPM 125: a Z00 on every 16th
    // row, the first at row 0, the next 16 rows (1.92 s) later.
    ASSERT_TRUE(xm_save(xm_busy_song(2, 4), "demo.xm"));
    music_start(1);
    deliver_until([] { return currentPicture->width == 2; }, 20);
    EXPECT_EQ(currentPicture->width, 2);
    deliver_until([] { return !running; }, 20);
    EXPECT_FALSE(running) << "the Z00 after the last picture ends the presentation";
    music_stop();
}

TEST_F(MusicOverSound, WithoutTheModuleStartAndStopReturnAndNothingSyncs)
{
    music_start(1);
    deliver_until([] { return false; }, 1);
    EXPECT_EQ(currentPicture->width, 1);
    EXPECT_TRUE(running);
    music_stop();
}

} // namespace
