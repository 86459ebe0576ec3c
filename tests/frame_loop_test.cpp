// frame_loop_test.cpp - the frame loop over the program's own state, with the music's sync commands given
// by hand, also from another thread (run under ThreadSanitizer).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <iterator>
#include <thread>
#include <tuple>
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
    // The state main leaves before its first frame.
    void SetUp() override
    {
        for (int i = 0; i < pictureCount && !shown[pictureCount - 1]; ++i) // once: the list keeps them
            pictures.Add(shown[i] = MakeSolidPicture(40 + i, 30 + i, colors[i]));
        music_sync_deliver();
        running = true;
        crossfadeLevel = 255.0f;
        pictures.current = &pictures;
        currentPicture = pictures.Next();
        frameTimer.Reset();
    }
};

// Only Z00 counts, and only from the next frame; the one past the last picture ends the show without
// drawing, and one after the end starts the list over.
TEST_F(FrameLoop, Z00sShowTheNextPictureFromTheNextFrameAndEndPastTheLast)
{
    const std::tuple<std::vector<int>, bool, int> frames[] = {
        {{}, true, 0}, {{1, 0, 0x80}, true, 1}, {{0xFF, 0, 0x7F}, true, 2}, {{0}, false, 2}, {{0}, false, 0}};
    for (const auto &[syncs, drawn, picture] : frames) {
        SCOPED_TRACE(picture);
        const Picture *before = currentPicture;
        for (int param : syncs)
            Sync(param);
        EXPECT_EQ(currentPicture, before);
        const std::vector<uint32_t> presented(std::begin(pixel), std::end(pixel));
        const bool shows = NextFrame();
        EXPECT_EQ(std::make_tuple(shows, running, PictureIndex(currentPicture)),
                  std::make_tuple(drawn, drawn, picture));
        EXPECT_TRUE(shows ? CentreShows() == picture : std::equal(presented.begin(), presented.end(), pixel));
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
    ASSERT_TRUE(NextFrame());
    EXPECT_EQ(std::make_pair(currentPicture, CentreShows()), std::make_pair(shown[2], 2));
    crossfadeLevel = 1.0f; // SPACE on the last picture
    EXPECT_FALSE(NextFrame());
    EXPECT_EQ(std::make_pair(running, currentPicture), std::make_pair(true, shown[2]));
}

// Calls drawFrame(frame) 1000 times while another thread sends bursts of sync commands, most of them Z00.
// The number of Z00 sent.
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
    EXPECT_GT(endings, 0);
    // Each Z00 moved the cursor one place along the cycle of the pictures and the tail, from just past the first.
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
