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

const int centre = 120 * SCREEN_WIDTH + 160;

// The picture whose colour the centre pixel shows: opaque, so one below it.
int CentreShows()
{
    int i = 0;
    while (i < pictureCount && pixel[centre] != ReferenceBlend(0, colors[i]))
        ++i;
    return i;
}

int PictureIndex(const Picture *picture)
{
    return int(std::find(std::begin(shown), std::end(shown), picture) - std::begin(shown));
}

void Sync(int param = 0)
{
    music_sync_callback(nullptr, static_cast<unsigned char>(param));
}

class FrameLoop : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (shown[0])
            return;
        for (int i = 0; i < pictureCount; ++i)
            pictures.Add(shown[i] = MakeSolidPicture(40 + i, 30 + i, colors[i]));
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

// Only Z00 counts, and only from the next frame; the one past the last
// picture ends the show without drawing, and one after the end starts the
// list over.
TEST_F(FrameLoop, Z00sShowTheNextPictureFromTheNextFrameAndEndPastTheLast)
{
    const struct {
        std::vector<int> syncs;
        bool drawn;
        int picture;
    } frames[] = {{{}, true, 0}, {{1, 0, 0x80}, true, 1}, {{0xFF, 0, 0x7F}, true, 2}, {{0}, false, 2}, {{0}, false, 0}};
    for (const auto &f : frames) {
        SCOPED_TRACE(f.picture);
        const int before = PictureIndex(currentPicture);
        for (int param : f.syncs)
            Sync(param);
        EXPECT_EQ(PictureIndex(currentPicture), before);
        const std::vector<uint32_t> presented(std::begin(pixel), std::end(pixel));
        EXPECT_EQ(NextFrame(), f.drawn);
        EXPECT_EQ(running, f.drawn);
        EXPECT_EQ(PictureIndex(currentPicture), f.picture);
        if (f.drawn)
            EXPECT_EQ(CentreShows(), f.picture);
        else
            EXPECT_EQ(std::vector<uint32_t>(std::begin(pixel), std::end(pixel)), presented);
    }
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
    EXPECT_EQ(CentreShows(), 2);
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
            EXPECT_EQ(pixel[centre], ReferenceBlend(0x00FFFFFFu, 0x40808080u));
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
                const int param = n % 7 == 3 ? n % 255 + 1 : 0;
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

TEST_F(SyncStress, EveryFrameShowsOnePictureEverySyncCountsAndCrossfadesShareTheList)
{
    int endings = 0;
    const long zeros = WithSyncsArriving([&](int frame) {
        if (!NextFrame()) { // ended by the music; go on drawing while syncs arrive
            ASSERT_FALSE(running);
            ++endings;
            running = true;
            return;
        }
        // The picture drawn is the picture current at the end of the frame.
        const int index = PictureIndex(currentPicture);
        ASSERT_LT(index, pictureCount) << "frame " << frame;
        ASSERT_EQ(CentreShows(), index) << "frame " << frame;
    });
    EXPECT_GT(zeros, 0);
    EXPECT_GT(endings, 0);
    // Each Z00 moved the cursor one place along the cycle of the pictures and
    // the tail; it started just past the first picture.
    int place = 0;
    for (const Lista<Picture *> *node = &pictures; node != pictures.current; node = node->next)
        ++place;
    EXPECT_EQ(place, int((1 + zeros) % (pictureCount + 1)));

    EXPECT_GT(WithSyncsArriving([](int frame) {
        if (frame % 5 == 0)
            crossfadeLevel = 1.0f; // as SPACE does between frames
        if (!NextFrame())
            running = true; // ended by the music or by the crossfade; go on
        ASSERT_LT(PictureIndex(currentPicture), pictureCount) << "frame " << frame;
    }), 0);
}

} // namespace
