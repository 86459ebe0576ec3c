// demo_window_test.cpp - the real demo program in an X window under Xvfb,
// watched through screenshots and driven with xdotool: the pictures come in
// "pics.dat" order as the module's Z00s arrive, SPACE crossfades to the
// next one and ends the show on the last, ESC ends it. Run by ctest under
// xvfb-run with a 640×480 screen; the screenshots stay in
// $DEMO_SCREENSHOT_DIR.
#include <gtest/gtest.h>

#include <png.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "demo_run.h"
#include "solid_png.h"

namespace {

struct Rgb {
    int red, green, blue;
};

// The pictures: opaque, so the screen shows each channel one lower.
const uint32_t pictureColors[] = {0xFFFF0000u, 0xFF00FF00u, 0xFF00FFFFu};
const char *const pictureNames[] = {"red.png", "green.png", "cyan.png"};
const int noPicture = -1;

// SDL unloads its X11 libraries when it quits, after which LeakSanitizer
// can no longer name, or be told to pass over, the libraries behind what
// they keep at exit. The demo's own memory is checked for leaks by the
// headless end-to-end tests, which take the same paths through it.
const std::vector<std::string> windowed = {"SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy",
                                           "ASAN_OPTIONS=detect_leaks=0:abort_on_error=1"};

std::string Command(const std::string &command)
{
    std::string output;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        return output;
    char chunk[256];
    while (fgets(chunk, sizeof chunk, pipe))
        output += chunk;
    pclose(pipe);
    return output;
}

std::string ScreenshotDir()
{
    const char *dir = std::getenv("DEMO_SCREENSHOT_DIR");
    return dir && *dir ? dir : "/tmp";
}

// The colour at the centre of the root window, saved as `name` first.
bool CentreOfScreen(const std::string &name, Rgb &centre)
{
    const std::string path = ScreenshotDir() + "/" + name;
    if (std::system(("xwd -root -silent | /usr/bin/convert xwd:- png:'" + path + "'").c_str()) != 0)
        return false;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
        return false;
    const std::size_t at = (std::size_t(image.height / 2) * image.width + image.width / 2) * 3;
    centre = {rgb[at], rgb[at + 1], rgb[at + 2]};
    return true;
}

// Which picture the colour shows, within a small tolerance for the
// screen's rounding, or noPicture (background, crossfade, black).
int PictureShown(const Rgb &color)
{
    for (int i = 0; i < 3; ++i) {
        const int channels[] = {int(pictureColors[i] >> 16 & 0xFF), int(pictureColors[i] >> 8 & 0xFF),
                                int(pictureColors[i] & 0xFF)};
        const int seen[] = {color.red, color.green, color.blue};
        bool match = true;
        for (int c = 0; c < 3; ++c)
            match = match && std::abs(seen[c] - std::max(0, channels[c] - 1)) <= 3;
        if (match)
            return i;
    }
    return noPicture;
}

class DemoWindow : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string window;

    void SetUp() override
    {
        std::string list;
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(WriteSolidPng(dir / pictureNames[i], 160 + 20 * i, 120, pictureColors[i]));
            list += std::string(pictureNames[i]) + "\n";
        }
        ASSERT_TRUE(WriteText(dir / "pics.dat", list));
    }

    // Finds the demo's window and, as a window manager would for its
    // full-screen request (Xvfb has none), lets it cover the screen.
    bool TakeWindow(DemoProcess &demo)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            DemoExit ended;
            if (demo.Ended(ended))
                return false;
            window = Command("xdotool search --onlyvisible --name '^test$' 2>/dev/null | head -n 1");
            if (!window.empty()) {
                window.pop_back();
                Command("xdotool windowmove " + window + " 0 0 windowsize " + window + " 640 480");
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    // Polls the screen until it shows `picture` or `seconds` pass; keeps
    // that screenshot as `name`.
    bool WaitForPicture(int picture, const std::string &name, double seconds)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        Rgb centre{};
        while (std::chrono::steady_clock::now() < deadline)
            if (CentreOfScreen(name, centre) && PictureShown(centre) == picture)
                return true;
        return false;
    }

    static void Key(const char *key) { Command(std::string("xdotool key ") + key); }
};

TEST_F(DemoWindow, PicturesFollowTheModulesSyncCommands)
{
    // Z00s 2.4 s apart; the third finds no picture and ends the show.
    ASSERT_TRUE(WriteSyncModule(dir / "demo.xm", {20, 40, 60}, 128));
    DemoProcess demo(dir.path(), windowed);
    ASSERT_TRUE(TakeWindow(demo));

    std::vector<int> seen;
    DemoExit result;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!demo.Ended(result) && std::chrono::steady_clock::now() < deadline) {
        Rgb centre{};
        const std::string name = "sync-" + std::to_string(seen.size() + 1) + ".png";
        if (!CentreOfScreen(name, centre))
            continue;
        const int picture = PictureShown(centre);
        if (picture != noPicture && (seen.empty() || seen.back() != picture))
            seen.push_back(picture);
    }
    result = demo.Wait(5);
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2}));
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.err, "");
}

TEST_F(DemoWindow, SpaceCrossfadesAndEndsOnTheLastPicture)
{
    ASSERT_TRUE(WriteSyncModule(dir / "demo.xm", {}, 64));
    DemoProcess demo(dir.path(), windowed);
    ASSERT_TRUE(TakeWindow(demo));
    ASSERT_TRUE(WaitForPicture(0, "space-1.png", 10));
    Key("space");
    ASSERT_TRUE(WaitForPicture(1, "space-2.png", 5));
    Key("space");
    ASSERT_TRUE(WaitForPicture(2, "space-3.png", 5));
    Key("space");
    const DemoExit result = demo.Wait(5);
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.err, "");
}

TEST_F(DemoWindow, EscapeEndsWithZero)
{
    ASSERT_TRUE(WriteSyncModule(dir / "demo.xm", {}, 64));
    DemoProcess demo(dir.path(), windowed);
    ASSERT_TRUE(TakeWindow(demo));
    ASSERT_TRUE(WaitForPicture(0, "escape.png", 10));
    Key("Escape");
    const DemoExit result = demo.Wait(5);
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.err, "");
}

} // namespace
