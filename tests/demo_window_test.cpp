// demo_window_test.cpp - the real demo program in an X window under Xvfb,
// watched through screenshots and driven with xdotool: the pictures come in
// "pics.dat" order as the module's Z00s arrive, the bundled example's too,
// SPACE crossfades to the next one and ends the show on the last, ESC ends
// it, and failures end it with 1 and their line. Run by ctest under
// xvfb-run, for the Windows build through Wine ($DEMO_COMMAND); the
// screenshots stay in $DEMO_SCREENSHOT_DIR.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "demo_run.h"
#include "frame_reference.h"

namespace {

// SDL unloads its X11 libraries when it quits, after which LeakSanitizer
// can no longer name, or be told to pass over, the libraries behind what
// they keep at exit. The demo's own memory is checked for leaks by the
// headless end-to-end tests, which take the same paths through it.
const std::vector<std::string> windowed = {"SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy",
                                           "ASAN_OPTIONS=detect_leaks=0:abort_on_error=1"};

// A screenshot of the screen, or of the part $DEMO_SCREEN_AREA names
// (WxH+X+Y), kept as `name` and brought to the frame's 320x240 by nearest
// neighbour: the frame fills the screen at a whole multiple (the window on
// Linux), or fills that part exactly (Wine's desktop). Empty when no
// screenshot could be taken.
std::vector<unsigned char> Screenshot(const std::string &name)
{
    const char *dir = std::getenv("DEMO_SCREENSHOT_DIR");
    const std::string path = std::string(dir && *dir ? dir : "/tmp") + "/" + name;
    const char *area = std::getenv("DEMO_SCREEN_AREA");
    const std::string crop = area && *area ? std::string(" -crop '") + area + "' +repage" : "";
    FILE *pipe = popen(("xwd -root -silent | /usr/bin/convert xwd:-" + crop + " -write png:'" + path +
                        "' -filter point -resize '320x240!' -depth 8 rgb:-")
                           .c_str(),
                       "r");
    std::vector<unsigned char> rgb(320 * 240 * 3);
    const bool read = pipe && std::fread(rgb.data(), 1, rgb.size(), pipe) == rgb.size();
    if (pipe)
        pclose(pipe);
    return read ? rgb : std::vector<unsigned char>();
}

// An opaque channel as the screen shows it: the blend leaves it one lower.
bool ShowsChannel(unsigned char seen, uint32_t channel)
{
    return std::abs(int(seen) - std::max(0, int(channel) - 1)) <= 3;
}

const int noPicture = -1;

// Which of `shown` the screenshot shows: the one whose opaque pixels, centred
// as the demo draws them, are nearly all on screen; noPicture if none is.
int PictureOnScreen(const std::vector<unsigned char> &screen, const std::vector<std::unique_ptr<Picture>> &shown)
{
    for (size_t i = 0; !screen.empty() && i < shown.size(); ++i) {
        const Picture &picture = *shown[i];
        const int left = 160 - picture.width / 2;
        const int top = 120 - picture.height / 2;
        int opaque = 0;
        int matching = 0;
        for (int y = std::max(0, -top); y < std::min(picture.height, 240 - top); ++y)
            for (int x = std::max(0, -left); x < std::min(picture.width, 320 - left); ++x) {
                const uint32_t color = picture.pixels[size_t(y) * picture.width + x];
                if (color >> 24 != 0xFF)
                    continue;
                const unsigned char *seen = &screen[((top + y) * 320 + left + x) * 3];
                ++opaque;
                matching += ShowsChannel(seen[0], color >> 16 & 0xFF) && ShowsChannel(seen[1], color >> 8 & 0xFF) &&
                            ShowsChannel(seen[2], color & 0xFF);
            }
        if (opaque > 0 && matching >= opaque * 9 / 10)
            return int(i);
    }
    return noPicture;
}

// Polls the screen until it shows shown[picture] or `seconds` pass.
bool WaitForPicture(int picture, const std::vector<std::unique_ptr<Picture>> &shown, const std::string &name,
                    double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline)
        if (PictureOnScreen(Screenshot(name), shown) == picture)
            return true;
    return false;
}

// The pictures the screen showed while the demo ran, up to `seconds`, each
// change recorded once; the screenshots named `prefix`-1.png, -2.png, ...
std::vector<int> PicturesSeen(DemoProcess &demo, const std::vector<std::unique_ptr<Picture>> &shown,
                              const std::string &prefix, int seconds)
{
    std::vector<int> seen;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (demo.Running() && std::chrono::steady_clock::now() < deadline) {
        const int picture = PictureOnScreen(Screenshot(prefix + std::to_string(seen.size() + 1) + ".png"), shown);
        if (picture != noPicture && (seen.empty() || seen.back() != picture))
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

void ExpectEndsWithZero(DemoProcess &demo)
{
    const DemoExit result = demo.Wait(5);
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.err, "");
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
    DemoProcess demo(dir.path(), windowed);
    EXPECT_EQ(PicturesSeen(demo, shown, "sync-", 20), (std::vector<int>{0, 1, 2}));
    ExpectEndsWithZero(demo);
}

TEST_F(DemoWindow, SpaceCrossfadesAndEndsOnTheLastPicture)
{
    ASSERT_TRUE(WriteSyncModule(dir.File("demo.xm"), {}, 64));
    DemoProcess demo(dir.path(), windowed);
    ASSERT_TRUE(WaitForPicture(0, shown, "space-1.png", 10));
    Key("space");
    ASSERT_TRUE(WaitForPicture(1, shown, "space-2.png", 5));
    Key("space");
    ASSERT_TRUE(WaitForPicture(2, shown, "space-3.png", 5));
    Key("space");
    ExpectEndsWithZero(demo);
}

TEST(DemoExample, ShowsItsPicturesInOrderAsTheMusicSyncsAndEndsWithZero)
{
    TempDir dir;
    std::vector<std::unique_ptr<Picture>> shown;
    std::ifstream list(EXAMPLE_DIR "/pics.dat");
    for (std::string name; std::getline(list, name);) {
        shown.push_back(std::make_unique<Picture>());
        ASSERT_EQ(shown.back()->Load((EXAMPLE_DIR "/" + name).c_str()), 1) << name;
    }
    for (const auto &file : std::filesystem::directory_iterator(EXAMPLE_DIR))
        std::filesystem::copy(file.path(), dir.File(file.path().filename().string()));

    DemoProcess demo(dir.path(), windowed);
    std::vector<int> inOrder(shown.size());
    std::iota(inOrder.begin(), inOrder.end(), 0);
    EXPECT_EQ(PicturesSeen(demo, shown, "example-", 120), inOrder);
    ExpectEndsWithZero(demo);
}

// Both lines also reach $DEMO_ERROR_LOG when it is set: where the Windows
// build keeps them for a user who started it without a console.
TEST_F(DemoWindow, FailuresEndWithOneAndTheirLine)
{
    const char *logSetting = std::getenv("DEMO_ERROR_LOG");
    const std::string log = logSetting ? logSetting : "";
    const struct {
        const char *what;
        const char *list; // "pics.dat", removed when null
        const char *err;
    } cases[] = {
        {"missing picture", "0.png\nmissing.png\n", "demo: cannot load picture \"missing.png\"\n"},
        {"missing list", nullptr, "demo: cannot read \"pics.dat\": No such file or directory\n"},
    };
    ASSERT_TRUE(WriteSyncModule(dir.File("demo.xm"), {}, 64));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::remove(dir.File("pics.dat").c_str());
        if (c.list) {
            ASSERT_TRUE(WriteText(dir.File("pics.dat"), c.list));
        }
        if (!log.empty())
            std::remove(log.c_str());
        DemoProcess demo(dir.path(), windowed);
        const DemoExit result = demo.Wait(30);
        ASSERT_TRUE(result.exited);
        EXPECT_EQ(result.code, 1);
        EXPECT_EQ(result.err, c.err);
        if (!log.empty()) {
            std::ifstream file(log, std::ios::binary);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), c.err) << log;
        }
    }
}

TEST_F(DemoWindow, EscapeEndsWithZero)
{
    const char *log = std::getenv("DEMO_ERROR_LOG");
    if (log)
        std::remove(log);
    ASSERT_TRUE(WriteSyncModule(dir.File("demo.xm"), {}, 64));
    DemoProcess demo(dir.path(), windowed);
    ASSERT_TRUE(WaitForPicture(0, shown, "escape.png", 10));
    Key("Escape");
    ExpectEndsWithZero(demo);
    if (log) {
        EXPECT_FALSE(std::ifstream(log).good()) << "a normal end leaves no log";
    }
}

} // namespace
