// demo_window_test.cpp - the real demo program on a real X server (Xvfb),
// driven by xdotool and watched through screenshots kept in $DEMO_SCREENSHOT_DIR.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <thread>
#include <tuple>

#include "demo_run.h"
#include "frame_reference.h"

namespace {

// The screen, or the part $DEMO_SCREEN_AREA (WxH+X+Y) names for Wine's desktop,
// brought to the frame's 320x240 as 0xAARRGGBB words; empty when xwd failed.
std::vector<uint32_t> Screenshot(const std::string &name)
{
    const char *dir = std::getenv("DEMO_SCREENSHOT_DIR");
    const char *area = std::getenv("DEMO_SCREEN_AREA");
    const std::string crop = area && *area ? std::string(" -crop '") + area + "' +repage" : "";
    FILE *pipe = popen(("xwd -root -silent | /usr/bin/convert xwd:-" + crop + " -write png:'" +
                        (dir && *dir ? dir : "/tmp") + "/" + name + "' -filter point -resize '320x240!' -depth 8 bgra:-")
                           .c_str(),
                       "r");
    std::vector<uint32_t> frame(320 * 240);
    const bool read = pipe && std::fread(frame.data(), 4, frame.size(), pipe) == frame.size();
    if (pipe)
        pclose(pipe);
    return read ? frame : std::vector<uint32_t>();
}

// Leaks go unchecked: LeakSanitizer cannot name the X11 libraries SDL unloads
// at quit, and the headless runs check the demo's own memory.
DemoProcess StartWindowed(const std::string &dir, const std::string &args = "")
{
    if (const char *log = std::getenv("DEMO_ERROR_LOG"))
        std::remove(log);
    return DemoProcess(dir, {args, {"SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy",
                                    "ASAN_OPTIONS=detect_leaks=0:abort_on_error=1"}});
}

// Each change of picture on the screen until `seconds` pass or it shows
// `until`; the blend may leave opaque pixels a step off.
std::vector<int> PicturesSeen(DemoProcess &demo, const std::vector<std::unique_ptr<Picture>> &shown,
                              const std::string &prefix, double seconds, int until = -1)
{
    std::vector<int> seen;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (demo.Running() && std::chrono::steady_clock::now() < deadline && (seen.empty() || seen.back() != until)) {
        const int picture =
            PictureShown(Screenshot(prefix + "-" + std::to_string(seen.size() + 1) + ".png"), shown, 4, 0.9);
        if (picture >= 0 && (seen.empty() || seen.back() != picture))
            seen.push_back(picture);
    }
    return seen;
}

// With no window manager the keyboard follows the pointer, so it goes over the frame first: the full-screen
// frame's corner, or the middle of the screen, where a window starts.
void Key(const char *key, const char *over = "100 100")
{
    ASSERT_EQ(std::system((std::string("xdotool mousemove ") + over + " key " + key).c_str()), 0) << key;
}

// The Windows build, which may have no console, also writes the line to
// $DEMO_ERROR_LOG, and leaves no log after a normal end.
void ExpectEnd(DemoProcess &demo, int code, const std::string &err)
{
    const DemoExit result = demo.Wait(30);
    EXPECT_EQ(std::make_tuple(result.exited, result.code, result.err), std::make_tuple(true, code, err));
    if (const char *log = std::getenv("DEMO_ERROR_LOG")) {
        std::ifstream file(log, std::ios::binary);
        EXPECT_EQ(file.good(), !err.empty()) << log;
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), err) << log;
    }
}

class DemoWindow : public ::testing::Test {
protected:
    TempDir dir;
    std::vector<std::unique_ptr<Picture>> shown;

    void SetUp() override
    {
        const uint32_t colors[] = {0xFFFF0000u, 0xFF00FF00u, 0xFF00FFFFu};
        for (int i = 0; i < 3; ++i) {
            shown.emplace_back(MakeSolidPicture(160 + 20 * i, 120, colors[i]));
            ASSERT_TRUE(WriteSolidPng(dir.File(std::to_string(i) + ".png"), 160 + 20 * i, 120, colors[i]));
        }
        ASSERT_TRUE(WriteText(dir.File("pics.dat"), "0.png\n1.png\n2.png\n"));
        ASSERT_TRUE(WriteSyncModule(dir.File("demo.xm"), {}, 64));
    }
};

// The background's bands are never dark; noise over unbuilt colours is
// black in about half its pixels, in every frame but a white flash.
TEST_F(DemoWindow, SpaceCrossfadesToEachPictureOverTheBackgroundAndEscapeEndsWithZero)
{
    DemoProcess demo = StartWindowed(dir.path());
    for (int picture = 0; picture < 3; ++picture) {
        const std::vector<int> seen = PicturesSeen(demo, shown, "keys" + std::to_string(picture), 10, picture);
        ASSERT_TRUE(!seen.empty() && seen.back() == picture) << picture;
        const std::vector<uint32_t> frame = Screenshot("background" + std::to_string(picture) + ".png");
        ASSERT_EQ(frame.size(), 320u * 240);
        EXPECT_TRUE(std::none_of(frame.begin(), frame.begin() + 320, [](uint32_t p) { return (p & 0xE0E0E0) == 0; }));
        Key(picture < 2 ? "space" : "Escape");
    }
    ExpectEnd(demo, 0, "");
}

// Each with its reason, in the same words on every platform: a missing picture, a missing list, a folder as list,
// a file as the show's folder.
TEST_F(DemoWindow, FailuresEndWithOneAndTheirLine)
{
    ASSERT_TRUE(WriteText(dir.File("pics.dat"), "0.png\nmissing.png\n"));
    for (const std::string what : {"cannot load picture \"missing.png\": no such file",
                                   "cannot read \"pics.dat\": no such file", "cannot read \"pics.dat\": a folder"}) {
        DemoProcess demo = StartWindowed(dir.path());
        ExpectEnd(demo, 1, "demo: " + what + "\n");
        std::filesystem::remove(dir.File("pics.dat"));
        if (what.find("read") != std::string::npos)
            std::filesystem::create_directory(dir.File("pics.dat"));
    }
    std::filesystem::remove(dir.File("pics.dat"));
    ASSERT_TRUE(WriteText(dir.File("pics.dat"), "0.png\n"));
    DemoProcess demo = StartWindowed(dir.path(), "pics.dat");
    ExpectEnd(demo, 2, "demo: cannot open the folder \"pics.dat\": not a folder\n");
}

std::string ShotName(int number)
{
    char name[32];
    std::snprintf(name, sizeof name, "shot-%03d.png", number);
    return name;
}

// The edit window's saved frames, which it writes exactly as drawn wherever the window is: one before and one
// during a pause alike, the next sync's picture after a jump, a picture saved meanwhile shown at once.
TEST_F(DemoWindow, EditWindowPausesJumpsAndReloads)
{
    ASSERT_TRUE(WriteSyncModule(dir.File("demo.xm"), {20, 40}, 64));
    DemoProcess demo = StartWindowed(dir.path(), "--edit");
    // The newest saved frame after F12, pressed again while none comes: the first waits for the window.
    int saved = 0;
    const auto shot = [&] {
        for (int wait = 0; wait < 600 && demo.Running() && !std::filesystem::exists(dir.File(ShotName(saved + 1)));
             ++wait)
            if (wait % 40 == 0)
                Key("F12", "320 240");
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        while (std::filesystem::exists(dir.File(ShotName(saved + 1))))
            ++saved;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        Picture picture;
        std::vector<uint32_t> frame;
        if (picture.Load(dir.File(ShotName(saved)).c_str()) == 1 && picture.width == 320 && picture.height == 240)
            for (int i = 0; i < 320 * 240; ++i)
                frame.push_back(picture.pixels[i] & 0xFFFFFF);
        return frame;
    };
    const std::vector<uint32_t> first = shot();
    EXPECT_EQ(PictureShown(first, shown, 4, 0.9), 0);
    Key("p", "320 240");
    const std::vector<uint32_t> paused = shot();
    EXPECT_EQ(shot(), paused) << "held";
    Key("Right", "320 240");
    EXPECT_EQ(PictureShown(shot(), shown, 4, 0.9), 1);
    ASSERT_TRUE(WriteSolidPng(dir.File("1.png"), 180, 120, 0xFF00FFFFu));
    int reloaded = -1;
    for (int look = 0; look < 20 && reloaded != 2; ++look) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        reloaded = PictureShown(shot(), shown, 4, 0.9);
    }
    EXPECT_EQ(reloaded, 2) << "1.png now has the colour of 2.png";
    Key("Escape", "320 240");
    const DemoExit result = demo.Wait(30);
    EXPECT_EQ(std::make_tuple(result.exited, result.code, std::count(result.out.begin(), result.out.end(), '\n')),
              std::make_tuple(true, 0, long(saved))) << result.out << result.err;
}

TEST(DemoExample, ShowsItsPicturesInOrderAsTheMusicSyncsAndEndsWithZero)
{
    TempDir dir;
    std::filesystem::copy(EXAMPLE_DIR, dir.path());
    std::vector<std::unique_ptr<Picture>> shown;
    std::ifstream list(dir.File("pics.dat"));
    for (std::string name; std::getline(list, name);) {
        shown.push_back(std::make_unique<Picture>());
        ASSERT_EQ(shown.back()->Load(dir.File(name).c_str()), 1) << name;
    }
    std::vector<int> inOrder(shown.size());
    std::iota(inOrder.begin(), inOrder.end(), 0);
    DemoProcess demo = StartWindowed(dir.path());
    EXPECT_EQ(PicturesSeen(demo, shown, "example", 120), inOrder);
    ExpectEnd(demo, 0, "");
}

} // namespace
