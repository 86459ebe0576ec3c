// frame_loop_test.cpp - the frame's steps over the program's own state: the
// music's sync commands applied at the top of a frame, the endings by sync
// and by crossfade, the random draws of a whole frame and the flash frame;
// and sync commands arriving from another thread while frames are drawn,
// run under ThreadSanitizer by the "threads" label.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <memory>
#include <thread>
#include <vector>

#include "frame_reference.h"
#include "synka.h"
#include "test.h"

namespace {

const int pictureCount = 3;
const uint32_t colors[pictureCount] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu};
Picture *shown[pictureCount];

uint32_t Centre()
{
    return pixel[120 * SCREEN_WIDTH + 160];
}

// Centre pixel of a frame showing picture i: opaque, so one below its colour.
uint32_t CentreOf(int i)
{
    return ReferenceBlend(0, colors[i]);
}

int PictureIndex(const Picture *picture)
{
    return int(std::find(std::begin(shown), std::end(shown), picture) - std::begin(shown));
}

void Sync(unsigned char param = 0)
{
    music_sync_callback(nullptr, param);
}

std::vector<uint32_t> Snapshot()
{
    return std::vector<uint32_t>(std::begin(pixel), std::end(pixel));
}

class FrameLoop : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (shown[0])
            return;
        for (int i = 0; i < pictureCount; ++i) {
            shown[i] = MakeSolidPicture(40 + i, 30 + i, colors[i]);
            pictures.Add(shown[i]);
        }
        BuildPalette(palette);
    }

    // The state main leaves before its first frame.
    void SetUp() override
    {
        music_sync_deliver();
        running = true;
        crossfadeLevel = 255.0f;
        paletteStep = 0;
        pictures.current = &pictures;
        currentPicture = pictures.Next();
        frameTimer.Reset();
    }

    void TearDown() override { crossfadeLevel = 255.0f; }
};

TEST_F(FrameLoop, Z00sShowTheNextPictureFromTheNextFrameAndEndPastTheLast)
{
    ASSERT_TRUE(NextFrame());
    EXPECT_EQ(Centre(), CentreOf(0));
    for (int param : {1, 0, 0x80})
        Sync(static_cast<unsigned char>(param));
    EXPECT_EQ(currentPicture, shown[0]); // not before the next frame
    ASSERT_TRUE(NextFrame());
    EXPECT_EQ(Centre(), CentreOf(1));
    for (int param : {0xFF, 0, 0x7F})
        Sync(static_cast<unsigned char>(param));
    ASSERT_TRUE(NextFrame());
    EXPECT_EQ(currentPicture, shown[2]);
    EXPECT_EQ(Centre(), CentreOf(2));
    Sync(); // arrives while this frame is presented
    const auto presented = Snapshot();
    EXPECT_FALSE(NextFrame());
    EXPECT_FALSE(running);
    EXPECT_EQ(currentPicture, shown[2]);
    EXPECT_EQ(Snapshot(), presented); // the following frame is not drawn
    Sync(); // a sync after the ending starts the list over
    EXPECT_FALSE(NextFrame());
    EXPECT_EQ(currentPicture, shown[0]);
}

TEST_F(FrameLoop, CrossfadeBringsInTheNextPictureFollowsSyncsAndEndsAtTheLast)
{
    crossfadeLevel = 1.0f;
    ASSERT_TRUE(NextFrame());
    Sync(); // retargets the running crossfade
    ASSERT_TRUE(NextFrame());
    EXPECT_EQ(currentPicture, shown[1]);
    crossfadeLevel = 254.5f;
    // The timer measures from its second update on; a few frames pass 255.
    for (int frame = 0; frame < 1000 && currentPicture == shown[1]; ++frame)
        ASSERT_TRUE(NextFrame());
    EXPECT_EQ(currentPicture, shown[2]);
    EXPECT_GT(crossfadeLevel, 255.0f);
    ASSERT_TRUE(NextFrame());
    EXPECT_EQ(Centre(), CentreOf(2));
    crossfadeLevel = 1.0f; // SPACE on the last picture
    EXPECT_FALSE(NextFrame());
    EXPECT_TRUE(running);
    EXPECT_EQ(currentPicture, shown[2]);
}

// Noise, the step's two or three draws, then the flash: the picture lies
// over plain white when the flash draw is 1.
TEST_F(FrameLoop, FrameDrawsItsNumbersInOrder)
{
    std::unique_ptr<Picture> faint(MakeSolidPicture(40, 30, 0x40808080u));
    currentPicture = faint.get();
    for (unsigned seed : {1u, 7u}) { // the flash draw: 4, then 1
        srand(seed);
        for (int i = 0; i < SCREEN_WIDTH * SCREEN_HEIGHT; ++i)
            rand();
        const int increment = rand() % 20;
        if (increment > rand() % 320)
            rand();
        const bool flashes = rand() % 10 == 1;
        const int following = rand();
        paletteStep = 0;
        SeedRandom(seed);
        ASSERT_TRUE(DrawFrame());
        EXPECT_EQ(NextRandom(), following) << "seed " << seed;
        EXPECT_EQ(pixel[0] == 0x00FFFFFFu, flashes) << "seed " << seed;
        if (flashes) {
            EXPECT_EQ(Centre(), ReferenceBlend(0x00FFFFFFu, 0x40808080u));
        }
    }
}

// Calls drawFrame(frame) 1000 times while another thread sends bursts of
// sync commands, most of them Z00. The number of Z00 sent.
long WithSyncsArriving(const std::function<void(int)> &drawFrame)
{
    std::atomic<bool> stop{false};
    long zeros = 0;
    std::thread sender([&] {
        for (unsigned n = 0; !stop.load(std::memory_order_relaxed);) {
            for (int burst = 0; burst < 50; ++burst, ++n) {
                const unsigned char param = n % 7 == 3 ? static_cast<unsigned char>(n % 255 + 1) : 0;
                zeros += param == 0;
                Sync(param);
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    for (int frame = 0; frame < 1000 && !testing::Test::HasFatalFailure(); ++frame)
        drawFrame(frame);
    stop = true;
    sender.join();
    music_sync_deliver();
    return zeros;
}

using SyncStress = FrameLoop;

TEST_F(SyncStress, EveryFrameShowsOnePictureAndEverySyncCounts)
{
    int endings = 0;
    const long zeros = WithSyncsArriving([&](int frame) {
        if (!NextFrame()) {
            // The music ended the presentation; go on drawing while syncs arrive.
            ASSERT_FALSE(running);
            ++endings;
            running = true;
            return;
        }
        // The picture drawn is the picture current at the end of the frame.
        const int index = PictureIndex(currentPicture);
        ASSERT_LT(index, pictureCount) << "frame " << frame;
        ASSERT_EQ(Centre(), CentreOf(index)) << "frame " << frame;
    });
    EXPECT_GT(zeros, 0);
    EXPECT_GT(endings, 0);
    // Each Z00 moved the cursor one place along the cycle of the pictures and
    // the tail; it started just past the first picture.
    int place = 0;
    for (const Lista<Picture *> *node = &pictures; node != pictures.current; node = node->next)
        ++place;
    EXPECT_EQ(place, int((1 + zeros) % (pictureCount + 1)));
    EXPECT_LT(PictureIndex(currentPicture), pictureCount);
}

TEST_F(SyncStress, CrossfadesAndSyncsShareTheListSafely)
{
    const long zeros = WithSyncsArriving([](int frame) {
        if (frame % 5 == 0)
            crossfadeLevel = 1.0f; // as SPACE does between frames
        if (!NextFrame())
            running = true; // ended by the music or by the crossfade; go on
        ASSERT_LT(PictureIndex(currentPicture), pictureCount) << "frame " << frame;
    });
    EXPECT_GT(zeros, 0);
}

} // namespace
