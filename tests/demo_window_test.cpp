// demo_window_test.cpp - the real demo program in an X window under Xvfb,
// watched through screenshots and driven with xdotool: the pictures come in
// "pics.dat" order as the module's Z00s arrive, the bundled example's too,
// SPACE crossfades to the next one and ends the show on the last, ESC ends
// it, and failures end it with 1 and their line. Run by ctest under
// xvfb-run, for the Windows build through Wine ($DEMO_COMMAND); the
// screenshots stay in $DEMO_SCREENSHOT_DIR.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <tuple>

#include "demo_run.h"
#include "frame_reference.h"

namespace {

// A screenshot of the screen, or of the part $DEMO_SCREEN_AREA names
// (WxH+X+Y), kept as `name` and brought to the frame's 320x240 by nearest
// neighbour: the frame fills the screen at a whole multiple (the window on
// Linux), or fills that part exactly (Wine's desktop). Empty when no
// screenshot could be taken.
std::vector<uint32_t> Screenshot(const std::string &name)
{
    const char *dir = std::getenv("DEMO_SCREENSHOT_DIR");
    const char *area = std::getenv("DEMO_SCREEN_AREA");
    const std::string crop = area && *area ? std::string(" -crop '") + area + "' +repage" : "";
    FILE *pipe = popen(("xwd -root -silent | /usr/bin/convert xwd:-" + crop + " -write png:'" +
                        (dir && *dir ? dir : "/tmp") + "/" + name + "' -filter point -resize '320x240!' -depth 8 bgra:-")
                           .c_str(),
                       "r");
    // Little-endian words of blue, green, red and alpha bytes: 0xAARRGGBB.
    std::vector<uint32_t> frame(320 * 240);
    const bool read = pipe && std::fread(frame.data(), 4, frame.size(), pipe) == frame.size();
    if (pipe)
        pclose(pipe);
    return read ? frame : std::vector<uint32_t>();
}

// The demo in a window, once $DEMO_ERROR_LOG is gone: where the Windows
// build keeps its lines for a user who started it without a console.
// SDL unloads its X11 libraries when it quits, after which LeakSanitizer
// can no longer name, or be told to pass over, the libraries behind what
// they keep at exit; the headless end-to-end tests check the demo's own
// memory for leaks along the same paths.
DemoProcess StartWindowed(const std::string &dir)
{
    if (const char *log = std::getenv("DEMO_ERROR_LOG"))
        std::remove(log);
    return DemoProcess(dir, {"", {"SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy",
                                  "ASAN_OPTIONS=detect_leaks=0:abort_on_error=1"}});
}

// The pictures the screen showed while the demo ran, up to `seconds` or
// until it shows `until`, each change recorded once; nearly all of a
// picture's opaque pixels count, the blend leaving them one lower. The
// screenshots are named `prefix`-1.png, -2.png, ...
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

// With no window manager the keyboard follows the pointer, so the pointer
// goes inside the frame first, wherever on the screen that is.
void Key(const char *key)
{
    ASSERT_EQ(std::system((std::string("xdotool mousemove 100 100 key ") + key).c_str()), 0) << key;
}

// Ends with 0, no line and no log.
void ExpectEndsWithZero(DemoProcess &demo)
{
    const DemoExit result = demo.Wait(5);
    EXPECT_EQ(std::make_tuple(result.exited, result.code, result.err), std::make_tuple(true, 0, ""));
    const char *log = std::getenv("DEMO_ERROR_LOG");
    EXPECT_FALSE(log && std::ifstream(log).good()) << "a normal end leaves no log";
}

// Three opaque pictures of their own colours and sizes, listed in order.
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
    }
};

TEST_F(DemoWindow, PicturesFollowTheModulesSyncCommands)
{
    // Z00s 2.4 s apart; the third finds no picture and ends the show.
    ASSERT_TRUE(WriteSyncModule(dir.File("demo.xm"), {20, 40, 60}, 128));
    DemoProcess demo = StartWindowed(dir.path());
    EXPECT_EQ(PicturesSeen(demo, shown, "sync", 20), (std::vector<int>{0, 1, 2}));
    ExpectEndsWithZero(demo);
}

TEST_F(DemoWindow, SpaceCrossfadesAndEndsOnTheLastPicture)
{
    ASSERT_TRUE(WriteSyncModule(dir.File("demo.xm"), {}, 64));
    DemoProcess demo = StartWindowed(dir.path());
    for (int picture = 0; picture < 3; ++picture) {
        const std::vector<int> seen = PicturesSeen(demo, shown, "space" + std::to_string(picture), 10, picture);
        ASSERT_TRUE(!seen.empty() && seen.back() == picture) << picture;
        Key("space");
    }
    ExpectEndsWithZero(demo);
}

TEST_F(DemoWindow, EscapeEndsWithZero)
{
    ASSERT_TRUE(WriteSyncModule(dir.File("demo.xm"), {}, 64));
    DemoProcess demo = StartWindowed(dir.path());
    ASSERT_EQ(PicturesSeen(demo, shown, "escape", 10, 0), std::vector<int>{0});
    Key("Escape");
    ExpectEndsWithZero(demo);
}

// Both lines also reach $DEMO_ERROR_LOG when it is set.
TEST_F(DemoWindow, FailuresEndWithOneAndTheirLine)
{
    const char *log = std::getenv("DEMO_ERROR_LOG");
    const struct {
        const char *list; // "pics.dat", removed when null
        const char *err;
    } cases[] = {
        {"0.png\nmissing.png\n", "demo: cannot load picture \"missing.png\"\n"},
        {nullptr, "demo: cannot read \"pics.dat\": No such file or directory\n"},
    };
    ASSERT_TRUE(WriteSyncModule(dir.File("demo.xm"), {}, 64));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.err);
        std::remove(dir.File("pics.dat").c_str());
        if (c.list) {
            ASSERT_TRUE(WriteText(dir.File("pics.dat"), c.list));
        }
        const DemoExit result = StartWindowed(dir.path()).Wait(30);
        EXPECT_EQ(std::make_tuple(result.exited, result.code, result.err), std::make_tuple(true, 1, c.err));
        if (log) {
            std::ifstream file(log, std::ios::binary);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), c.err) << log;
        }
    }
}

TEST(DemoExample, ShowsItsPicturesInOrderAsTheMusicSyncsAndEndsWithZero)
{
    std::vector<std::unique_ptr<Picture>> shown;
    std::ifstream list(EXAMPLE_DIR "/pics.dat");
    for (std::string name; std::getline(list, name);) {
        shown.push_back(std::make_unique<Picture>());
        ASSERT_EQ(shown.back()->Load((EXAMPLE_DIR "/" + name).c_str()), 1) << name;
    }
    TempDir dir;
    for (const auto &file : std::filesystem::directory_iterator(EXAMPLE_DIR))
        std::filesystem::copy(file.path(), dir.File(file.path().filename().string()));
    DemoProcess demo = StartWindowed(dir.path());
    std::vector<int> inOrder(shown.size());
    std::iota(inOrder.begin(), inOrder.end(), 0);
    EXPECT_EQ(PicturesSeen(demo, shown, "example", 120), inOrder);
    ExpectEndsWithZero(demo);
}

} // namespace
