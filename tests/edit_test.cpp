// The edit window on the test screen, its music pulled offline a frame at a time: over a tune of three 64-row
// orders with a Z00 every sixteenth row (0.12 s a row) and six pictures, the sixth Z00 (row 80) ends the show.
#include "edit.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "ddraw.h"
#include "frame_reference.h"
#include "png_files.h"
#include "synka.h"
#include "test.h"
#include "test_screen.h"
#include "tracker_sound_clock.h"
#include "xm_test_songs.h"

namespace {

const uint32_t colors[] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u, 0xFF00FFFFu, 0xFFFF00FFu};

class EditWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string list;
        for (int i = 0; i < 6; ++i) {
            ASSERT_TRUE(WriteSolidPng(dir.File(std::to_string(i) + ".png"), 100, 80, colors[i]));
            list += std::to_string(i) + ".png\n";
        }
        ASSERT_TRUE(WriteText(dir.File("pics.dat"), list));
        ASSERT_TRUE(xm_save(xm_busy_song(3, 2), dir.File("demo.xm").c_str()));
        back = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
        ASSERT_TRUE(display_open("test", 320, 240, true));
        // A client area of the frame's own size shows it pixel for pixel.
        screen.client = {0, 0, 320, 240};
        ASSERT_TRUE(music_start_offline(48000));
        ASSERT_EQ(EditStart({dir.path(), nullptr}), 0);
    }
    void TearDown() override
    {
        music_stop();
        display_close();
        std::filesystem::current_path(back);
    }

    // Frames of music, each drawn and shown; keys go in through the screen first.
    void Play(int frames, std::vector<uint32_t> keys = {})
    {
        for (uint32_t key : keys)
            screen.events.push_back({Kind::KeyDown, key});
        int16_t samples[2 * 800];
        for (int i = 0; i < frames; ++i) {
            tracker_sound_pull(samples, 800);
            EditStep();
        }
    }
    // The first overlay line's "order O pattern P row R" and the second's "picture k/N name".
    std::string Where() const
    {
        const std::vector<std::string> lines = EditOverlayLines();
        return lines[0].substr(lines[0].find("order")) + ", " + lines[1];
    }
    // The picture the screen shows now, by its colour at the centre.
    int Shown() const
    {
        const std::vector<uint8_t> &frame = screen.frames.back();
        const size_t centre = 4 * (120 * 320 + 160);
        for (int i = 0; i < 6; ++i)
            if (std::abs(frame[centre + 2] - int(colors[i] >> 16 & 0xFF)) < 3 &&
                std::abs(frame[centre + 1] - int(colors[i] >> 8 & 0xFF)) < 3 &&
                std::abs(frame[centre] - int(colors[i] & 0xFF)) < 3)
                return i;
        return -1;
    }

    TempDir dir;
    TestScreen screen;
    std::filesystem::path back;
};

TEST_F(EditWindow, JumpKeysLandOnTheRowAndThePictureItBrings)
{
    Play(1);
    EXPECT_EQ(Where(), "order 0 pattern 0 row 0, picture 2/6 1.png") << "row 0's Z00 applied";
    const struct {
        uint32_t key;
        const char *where;
    } steps[] = {
        {VK_RIGHT, "order 0 pattern 0 row 16, picture 3/6 2.png"},
        {VK_RIGHT, "order 0 pattern 0 row 32, picture 4/6 3.png"},
        {VK_LEFT, "order 0 pattern 0 row 16, picture 3/6 2.png"}, // within a second: the one before
        {VK_NEXT, "order 1 pattern 1 row 0, picture 6/6 5.png"},
        {VK_PRIOR, "order 0 pattern 0 row 0, picture 2/6 1.png"},
        {VK_NEXT, "order 1 pattern 1 row 0, picture 6/6 5.png"},
        {VK_HOME, "order 0 pattern 0 row 0, picture 2/6 1.png"},
    };
    for (const auto &step : steps) {
        Play(1, {step.key});
        const std::string where = step.where;
        EXPECT_EQ(std::make_tuple(Where(), Shown()), std::make_tuple(where, where[where.size() - 5] - '0'))
            << "after key " << step.key;
    }
    // Well past a sync point, back goes to it.
    Play(1, {VK_RIGHT});
    Play(80);
    Play(1, {VK_LEFT});
    EXPECT_EQ(Where(), "order 0 pattern 0 row 16, picture 3/6 2.png");
}

// Paused, the music stands and every frame shown is the same; the end holds the last frame in the same way
// until a jump goes on.
TEST_F(EditWindow, PauseAndTheShowsEndHoldTheFrame)
{
    Play(10, {VK_TAB});
    Play(1, {'P'});
    const std::vector<std::string> held = EditOverlayLines();
    const size_t from = screen.frames.size();
    Play(30);
    EXPECT_NE(held[0].find("paused"), std::string::npos) << held[0];
    EXPECT_EQ(EditOverlayLines(), held);
    for (size_t i = from; i < screen.frames.size(); ++i)
        ASSERT_EQ(screen.frames[i], screen.frames[from - 1]) << "frame " << i;
    Play(1, {'P'});
    const std::vector<uint8_t> resumed = screen.frames.back();
    Play(1);
    EXPECT_NE(screen.frames.back(), resumed) << "the background moves again";

    Play(1, {VK_NEXT, VK_RIGHT});
    const size_t ended = screen.frames.size();
    Play(20);
    EXPECT_NE(EditOverlayLines()[0].find("the show has ended"), std::string::npos) << EditOverlayLines()[0];
    EXPECT_EQ(Shown(), 5);
    for (size_t i = ended; i < screen.frames.size(); ++i)
        ASSERT_EQ(screen.frames[i], screen.frames[ended - 1]) << "frame " << i;
    Play(1, {VK_HOME});
    Play(2);
    EXPECT_EQ(std::make_tuple(Where(), Shown()), std::make_tuple("order 0 pattern 0 row 0, picture 2/6 1.png", 1));
}

// Set at rows 0 and 4, the loop brings the music back from its end to the start of its first row.
TEST_F(EditWindow, TheLoopReturnsFromItsEndToItsStart)
{
    Play(1, {VK_OEM_4});
    Play(30, {});
    Play(1, {VK_OEM_6, 'L'});
    std::vector<std::string> rows;
    for (int i = 0; i < 60; ++i) {
        Play(1);
        rows.push_back(Where().substr(0, Where().find(',')));
    }
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "order 0 pattern 0 row 5"), 0);
    EXPECT_GT(std::count(rows.begin(), rows.end(), "order 0 pattern 0 row 0"), 8);
    Play(1, {'L'});
    Play(60);
    EXPECT_GT(std::stoi(Where().substr(Where().find("row ") + 4)), 5) << "off, it plays on";
}

TEST_F(EditWindow, F12SavesTheFrameWithoutTheOverlay)
{
    Play(5);
    testing::internal::CaptureStdout();
    Play(1, {'P', VK_F12});
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(said, "demo: saved the frame as \"" + dir.File("shot-001.png") + "\"\n");
    Picture shot;
    ASSERT_TRUE(shot.Load(dir.File("shot-001.png").c_str(), 320, 240, nullptr));
    Play(1, {VK_TAB});
    ASSERT_EQ(std::make_tuple(shot.width, shot.height), std::make_tuple(320, 240));
    const std::vector<uint8_t> &frame = screen.frames.back();
    for (int i = 0; i < 320 * 240; ++i)
        ASSERT_EQ(shot.pixels[i] & 0xFFFFFF, uint32_t(frame[4 * i + 2] << 16 | frame[4 * i + 1] << 8 | frame[4 * i]))
            << "pixel " << i;
}

// Saved changes show at the next look, a quarter of a second at most: a picture replaced by a rename and one
// rewritten in place; a broken one keeps the last good picture and says why until it is fixed; a Z00 added
// before the music's place moves the show on at once.
TEST_F(EditWindow, SavedFilesAreReloadedWhereTheMusicIs)
{
    const auto look = [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(260));
        Play(1);
    };
    Play(1, {VK_RIGHT});
    Play(1, {'P'});
    ASSERT_EQ(Shown(), 2);
    ASSERT_TRUE(WriteSolidPng(dir.File("new.png"), 100, 80, colors[4]));
    std::filesystem::rename(dir.File("new.png"), dir.File("2.png"));
    look();
    EXPECT_EQ(Shown(), 4) << "replaced by a rename";
    ASSERT_TRUE(WriteSolidPng(dir.File("2.png"), 100, 80, colors[0]));
    look();
    EXPECT_EQ(Shown(), 0) << "rewritten in place";

    testing::internal::CaptureStderr();
    ASSERT_TRUE(WriteText(dir.File("2.png"), "\x89PNG\r\n"));
    look();
    look();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "demo: cannot load picture \"2.png\": the file ends early\n") << "said once";
    EXPECT_EQ(std::make_tuple(Shown(), EditOverlayLines().back()),
              std::make_tuple(0, "cannot load picture \"2.png\": the file ends early"));
    ASSERT_TRUE(WriteSolidPng(dir.File("2.png"), 100, 80, colors[3]));
    look();
    EXPECT_EQ(std::make_tuple(Shown(), EditOverlayLines().size()), std::make_tuple(3, 3u));

    XmModule song = xm_busy_song(3, 2);
    song.patterns[0].at(8, 1, 2).effect = kEffectSync;
    ASSERT_TRUE(xm_save(song, dir.File("demo.xm").c_str()));
    look();
    EXPECT_EQ(Where(), "order 0 pattern 0 row 16, picture 4/6 3.png");
    ASSERT_TRUE(WriteText(dir.File("pics.dat"), "5.png\n4.png\n3.png\n2.png\n"));
    look();
    EXPECT_EQ(std::make_tuple(Where(), Shown()), std::make_tuple("order 0 pattern 0 row 16, picture 4/4 2.png", 3));
}

} // namespace
