// frame_loop_test.cpp - the frame's steps over the program's own state: the
// music's sync commands applied at the top of a frame, the endings by sync
// and by crossfade, the random draws of a whole frame and the flash frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <vector>

#include "frame_reference.h"
#include "synka.h"
#include "test.h"

namespace {

const uint32_t colors[] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu};
Picture *shown[3];

uint32_t Centre()
{
    return pixel[120 * SCREEN_WIDTH + 160];
}

// Centre pixel of a frame showing picture i: opaque, so one below its colour.
uint32_t CentreOf(int i)
{
    return ReferenceBlend(0, colors[i]);
}

class FrameLoop : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        for (int i = 0; i < 3; ++i) {
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

    static void Sync(unsigned char param = 0) { music_sync_callback(nullptr, param); }

    static std::vector<uint32_t> Snapshot() { return std::vector<uint32_t>(std::begin(pixel), std::end(pixel)); }
};

TEST_F(FrameLoop, SyncShowsTheNextPictureFromTheNextFrame)
{
    ASSERT_TRUE(NextFrame());
    EXPECT_EQ(Centre(), CentreOf(0));
    Sync();
    EXPECT_EQ(currentPicture, shown[0]); // not before the next frame
    ASSERT_TRUE(NextFrame());
    EXPECT_EQ(currentPicture, shown[1]);
    EXPECT_EQ(Centre(), CentreOf(1));
    ASSERT_TRUE(NextFrame());
    EXPECT_EQ(Centre(), CentreOf(1));
}

TEST_F(FrameLoop, OtherSyncParametersChangeNothing)
{
    for (int param : {1, 2, 0x7F, 0x80, 0xFF})
        Sync(static_cast<unsigned char>(param));
    ASSERT_TRUE(NextFrame());
    EXPECT_EQ(currentPicture, shown[0]);
    EXPECT_EQ(pictures.current->obj, shown[1]);
    EXPECT_TRUE(running);
}

TEST_F(FrameLoop, SyncsArrivingTogetherApplyInOrder)
{
    Sync();
    Sync(5);
    Sync();
    ASSERT_TRUE(NextFrame());
    EXPECT_EQ(currentPicture, shown[2]);
    EXPECT_EQ(Centre(), CentreOf(2));
}

TEST_F(FrameLoop, SyncPastTheLastPictureEndsBeforeTheNextFrame)
{
    Sync();
    Sync();
    ASSERT_TRUE(NextFrame());
    EXPECT_EQ(currentPicture, shown[2]);
    Sync(); // arrives while this frame is presented
    const auto presented = Snapshot();
    EXPECT_FALSE(NextFrame());
    EXPECT_FALSE(running);
    EXPECT_EQ(currentPicture, shown[2]);
    EXPECT_EQ(Snapshot(), presented); // the following frame is not drawn
    EXPECT_FALSE(NextFrame());
}

TEST_F(FrameLoop, SyncAfterTheEndingStartsTheListOver)
{
    for (int i = 0; i < 4; ++i)
        Sync();
    EXPECT_FALSE(NextFrame());
    EXPECT_FALSE(running);
    EXPECT_EQ(currentPicture, shown[0]);
}

TEST_F(FrameLoop, SinglePictureLeftEndsTheCrossfadeAtOnce)
{
    Sync();
    Sync();
    ASSERT_TRUE(NextFrame());
    crossfadeLevel = 1.0f; // SPACE on the last picture
    EXPECT_FALSE(NextFrame());
    EXPECT_TRUE(running);
    EXPECT_EQ(currentPicture, shown[2]);
}

TEST_F(FrameLoop, CrossfadeBringsInTheNextPicture)
{
    crossfadeLevel = 254.5f;
    // The timer measures from its second update on; a few frames pass 255.
    for (int frame = 0; frame < 1000 && currentPicture == shown[0]; ++frame)
        ASSERT_TRUE(NextFrame());
    EXPECT_EQ(currentPicture, shown[1]);
    EXPECT_GT(crossfadeLevel, 255.0f);
    ASSERT_TRUE(NextFrame());
    EXPECT_EQ(Centre(), CentreOf(1));
    EXPECT_EQ(pictures.current->obj, shown[2]);
}

TEST_F(FrameLoop, SyncDuringACrossfadeRetargetsIt)
{
    crossfadeLevel = 1.0f;
    ASSERT_TRUE(NextFrame());
    Sync();
    ASSERT_TRUE(NextFrame());
    EXPECT_EQ(currentPicture, shown[1]);
    crossfadeLevel = 254.9f;
    for (int frame = 0; frame < 1000 && currentPicture == shown[1]; ++frame)
        ASSERT_TRUE(NextFrame());
    EXPECT_EQ(currentPicture, shown[2]);
}

// The draws of one frame from `seed` at step 0: 76,800 for the noise, the
// step's two or three, then the flash draw, which is returned.
int FlashDrawOfFirstFrame(unsigned seed, int &following)
{
    srand(seed);
    for (int i = 0; i < SCREEN_WIDTH * SCREEN_HEIGHT; ++i)
        rand();
    const int increment = rand() % 20;
    if (increment > rand() % 320)
        rand();
    const int flash = rand() % 10;
    following = rand();
    return flash;
}

TEST_F(FrameLoop, FrameDrawsItsNumbersInOrder)
{
    Picture *faint = MakeSolidPicture(40, 30, 0x40808080u);
    currentPicture = faint;
    bool sawFlash = false, sawPlain = false;
    for (unsigned seed = 1; seed < 60 && !(sawFlash && sawPlain); ++seed) {
        paletteStep = 0;
        int following = 0;
        const bool flashes = FlashDrawOfFirstFrame(seed, following) == 1;
        srand(seed);
        ASSERT_TRUE(DrawFrame());
        ASSERT_EQ(rand(), following) << "seed " << seed;
        if (flashes) {
            sawFlash = true;
            // The picture lies over plain white.
            EXPECT_EQ(pixel[0], 0x00FFFFFFu);
            EXPECT_EQ(Centre(), ReferenceBlend(0x00FFFFFFu, 0x40808080u));
        } else {
            sawPlain = true;
            EXPECT_NE(pixel[0], 0x00FFFFFFu);
        }
    }
    EXPECT_TRUE(sawFlash);
    EXPECT_TRUE(sawPlain);
    delete faint;
}

} // namespace
