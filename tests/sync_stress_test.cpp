// sync_stress_test.cpp - the music's sync commands arriving from another
// thread while the frame loop draws: every frame shows one of the pictures
// throughout, and every Z00 sent is applied exactly once. Run under
// ThreadSanitizer, which fails it on any unsynchronised access.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "frame_reference.h"
#include "synka.h"
#include "test.h"

namespace {

const int pictureCount = 3;
const uint32_t colors[pictureCount] = {0xFFFF4000u, 0xFF00FF40u, 0xFF4000FFu};
Picture *shown[pictureCount];

// The cursor's place in the cycle that Next walks: 0 to pictureCount - 1 at
// a picture, pictureCount at the tail (where Next reports the end).
int CursorPlace()
{
    int place = 0;
    for (const Lista<Picture *> *node = &pictures; node != pictures.current; node = node->next)
        ++place;
    return place;
}

int PictureIndex(const Picture *picture)
{
    for (int i = 0; i < pictureCount; ++i)
        if (shown[i] == picture)
            return i;
    return -1;
}

class SyncStress : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        for (int i = 0; i < pictureCount; ++i) {
            shown[i] = MakeSolidPicture(64, 48, colors[i]);
            pictures.Add(shown[i]);
        }
        BuildPalette(palette);
    }

    void SetUp() override
    {
        music_sync_deliver();
        running = true;
        crossfadeLevel = 255.0f;
        pictures.current = &pictures;
        currentPicture = pictures.Next();
        frameTimer.Reset();
    }

    void TearDown() override { crossfadeLevel = 255.0f; }
};

// Sends bursts of sync commands, most of them Z00, until told to stop;
// returns through `zeros` how many Z00 it sent.
void SendSyncs(const std::atomic<bool> &stop, long &zeros)
{
    unsigned n = 0;
    while (!stop.load(std::memory_order_relaxed)) {
        for (int burst = 0; burst < 50; ++burst, ++n) {
            const unsigned char param = n % 7 == 3 ? static_cast<unsigned char>(n % 255 + 1) : 0;
            if (param == 0)
                ++zeros;
            music_sync_callback(nullptr, param);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

TEST_F(SyncStress, EveryFrameShowsOnePictureAndEverySyncCounts)
{
    const int frames = 1000;
    std::atomic<bool> stop{false};
    long zeros = 0;
    std::thread sender(SendSyncs, std::cref(stop), std::ref(zeros));

    int endings = 0;
    for (int frame = 0; frame < frames; ++frame) {
        if (!NextFrame()) {
            // The music ended the presentation; start it again so that the
            // loop keeps drawing while syncs arrive.
            ASSERT_FALSE(running);
            ++endings;
            running = true;
            continue;
        }
        const int index = PictureIndex(currentPicture);
        ASSERT_GE(index, 0) << "frame " << frame;
        // The picture drawn is the picture current at the end of the frame.
        ASSERT_EQ(pixel[120 * SCREEN_WIDTH + 160], ReferenceBlend(0, colors[index])) << "frame " << frame;
    }
    stop = true;
    sender.join();
    music_sync_deliver();

    EXPECT_GT(zeros, 0);
    EXPECT_GT(endings, 0);
    // Each Z00 moved the cursor one place; it started just past the first picture.
    EXPECT_EQ(CursorPlace(), int((1 + zeros) % (pictureCount + 1)));
    EXPECT_GE(PictureIndex(currentPicture), 0);
}

TEST_F(SyncStress, CrossfadesAndSyncsShareTheListSafely)
{
    const int frames = 1000;
    std::atomic<bool> stop{false};
    long zeros = 0;
    std::thread sender(SendSyncs, std::cref(stop), std::ref(zeros));

    for (int frame = 0; frame < frames; ++frame) {
        if (frame % 5 == 0)
            crossfadeLevel = 1.0f; // as SPACE does between frames
        if (!NextFrame())
            running = true; // ended by the music or by the crossfade; go on
        ASSERT_GE(PictureIndex(currentPicture), 0) << "frame " << frame;
    }
    stop = true;
    sender.join();
    music_sync_deliver();
    EXPECT_GT(zeros, 0);
    EXPECT_GE(PictureIndex(currentPicture), 0);
}

} // namespace
