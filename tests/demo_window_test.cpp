// demo_window_test.cpp - the real demo program in an X window under Xvfb,
// watched through screenshots and driven with xdotool: the pictures come in
// "pics.dat" order as the module's Z00s arrive, SPACE crossfades to the
// next one and ends the show on the last, ESC ends it. Run by ctest under
// xvfb-run; the screenshots stay in $DEMO_SCREENSHOT_DIR.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "demo_run.h"
#include "frame_reference.h"

namespace {

// Opaque, so the screen shows each channel one lower.
const uint32_t pictureColors[] = {0xFFFF0000u, 0xFF00FF00u, 0xFF00FFFFu};
const char *const pictureNames[] = {"red.png", "green.png", "cyan.png"};
const int noPicture = -1;

// SDL unloads its X11 libraries when it quits, after which LeakSanitizer
// can no longer name, or be told to pass over, the libraries behind what
// they keep at exit. The demo's own memory is checked for leaks by the
// headless end-to-end tests, which take the same paths through it.
const std::vector<std::string> windowed = {"SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy",
                                           "ASAN_OPTIONS=detect_leaks=0:abort_on_error=1"};

// Takes a screenshot of the whole screen, keeps it as `name`, and tells
// which picture its centre shows (within the screen's rounding), or
// noPicture: background, crossfade, black or no screenshot.
int PictureAtCentre(const std::string &name)
{
    const char *dir = std::getenv("DEMO_SCREENSHOT_DIR");
    const std::string path = std::string(dir && *dir ? dir : "/tmp") + "/" + name;
    FILE *pipe = popen(("xwd -root -silent | /usr/bin/convert xwd:- -write png:'" + path +
                        "' -gravity center -crop 1x1+0+0 -depth 8 rgb:-")
                           .c_str(),
                       "r");
    unsigned char seen[3];
    const bool read = pipe && std::fread(seen, 1, 3, pipe) == 3;
    if (pipe)
        pclose(pipe);
    for (int i = 0; read && i < 3; ++i) {
        bool match = true;
        for (int c = 0; c < 3; ++c)
            match = match && std::abs(seen[c] - std::max(0, int(pictureColors[i] >> (16 - 8 * c) & 0xFF) - 1)) <= 3;
        if (match)
            return i;
    }
    return noPicture;
}

// Polls the screen until it shows `picture` or `seconds` pass.
bool WaitForPicture(int picture, const std::string &name, double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline)
        if (PictureAtCentre(name) == picture)
            return true;
    return false;
}

void Key(const char *key)
{
    ASSERT_EQ(std::system((std::string("xdotool key ") + key).c_str()), 0) << key;
}

class DemoWindow : public ::testing::Test {
protected:
    TempDir dir;

    void SetUp() override
    {
        std::string list;
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(WriteSolidPng(dir.File(pictureNames[i]), 160 + 20 * i, 120, pictureColors[i]));
            list += std::string(pictureNames[i]) + "\n";
        }
        ASSERT_TRUE(WriteText(dir.File("pics.dat"), list));
    }

    static void ExpectEndsWithZero(DemoProcess &demo)
    {
        const DemoExit result = demo.Wait(5);
        ASSERT_TRUE(result.exited);
        EXPECT_EQ(result.code, 0);
        EXPECT_EQ(result.err, "");
    }
};

TEST_F(DemoWindow, PicturesFollowTheModulesSyncCommands)
{
    // Z00s 2.4 s apart; the third finds no picture and ends the show.
    ASSERT_TRUE(WriteSyncModule(dir.File("demo.xm"), {20, 40, 60}, 128));
    DemoProcess demo(dir.path(), windowed);
    std::vector<int> seen;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (demo.Running() && std::chrono::steady_clock::now() < deadline) {
        const int picture = PictureAtCentre("sync-" + std::to_string(seen.size() + 1) + ".png");
        if (picture != noPicture && (seen.empty() || seen.back() != picture))
            seen.push_back(picture);
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2}));
    ExpectEndsWithZero(demo);
}

TEST_F(DemoWindow, SpaceCrossfadesAndEndsOnTheLastPicture)
{
    ASSERT_TRUE(WriteSyncModule(dir.File("demo.xm"), {}, 64));
    DemoProcess demo(dir.path(), windowed);
    ASSERT_TRUE(WaitForPicture(0, "space-1.png", 10));
    Key("space");
    ASSERT_TRUE(WaitForPicture(1, "space-2.png", 5));
    Key("space");
    ASSERT_TRUE(WaitForPicture(2, "space-3.png", 5));
    Key("space");
    ExpectEndsWithZero(demo);
}

TEST_F(DemoWindow, EscapeEndsWithZero)
{
    ASSERT_TRUE(WriteSyncModule(dir.File("demo.xm"), {}, 64));
    DemoProcess demo(dir.path(), windowed);
    ASSERT_TRUE(WaitForPicture(0, "escape.png", 10));
    Key("Escape");
    ExpectEndsWithZero(demo);
}

} // namespace
