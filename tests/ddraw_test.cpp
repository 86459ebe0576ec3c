// ddraw_test.cpp - the display layer on the DirectDraw stand-in over a test screen, full-screen and windowed, and
// switched between the two.
#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>
#include <vector>

#include "ddraw.h"
#include "test_screen.h"

float crossfadeLevel = 255.0f;

void music_stop() { std::fprintf(stderr, "music_stop\n"); }

// The layer's calls of Sleep, routed here by the linker (--wrap).
std::vector<DWORD> sleeps;

extern "C" void __wrap__Z5Sleepj(DWORD milliseconds) { sleeps.push_back(milliseconds); }

namespace {

const int WIDTH = 320, HEIGHT = 240;
const ScreenEvent ALT_ENTER = {Kind::KeyDown, VK_RETURN, true}, ALT_ENTER_HELD = {Kind::KeyDown, VK_RETURN, true, true};

std::vector<unsigned> handed;
void hand(unsigned key) { handed.push_back(key); }

// Pixels 0x00RRGGBB that vary in every channel and from pixel to pixel.
std::vector<uint32_t> noise_frame(uint32_t seed)
{
    std::vector<uint32_t> frame(WIDTH * HEIGHT);
    for (uint32_t &p : frame)
        p = (seed = seed * 1664525u + 1013904223u) >> 8;
    return frame;
}

// The frame shown at width x height in layout `f`, each pixel the frame's under its centre: channels cut
// to their masks' top bits, little-endian, rows `pitch` apart with zero between.
std::vector<uint8_t> in_layout(const std::vector<uint32_t> &frame, const ScreenFormat &f, LONG pitch,
                               int width = WIDTH, int height = HEIGHT)
{
    auto place = [](uint32_t c, uint32_t mask) { return (c >> (8 - __builtin_popcount(mask))) << __builtin_ctz(mask); };
    const int bytes = f.bits / 8;
    std::vector<uint8_t> out(static_cast<size_t>(pitch) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t p = frame[(2 * y + 1) * HEIGHT / (2 * height) * WIDTH + (2 * x + 1) * WIDTH / (2 * width)];
            const uint32_t value =
                place(p >> 16 & 0xFF, f.redMask) | place(p >> 8 & 0xFF, f.greenMask) | place(p & 0xFF, f.blueMask);
            for (int b = 0; b < bytes; ++b)
                out[y * pitch + x * bytes + b] = static_cast<uint8_t>(value >> 8 * b);
        }
    return out;
}

class Display : public ::testing::Test {
protected:
    void TearDown() override
    {
        display_close();
        display_set_key_handler(nullptr);
    }

    // Full-screen in a screen of this one layout, or a window on a desktop of it; what it asked, forgotten.
    void open(const ScreenFormat &layout, bool windowed = false)
    {
        screen.modes = {{static_cast<int>(layout.bits), layout}};
        screen.desktopFormat = layout;
        ASSERT_EQ(display_open("test", WIDTH, HEIGHT, windowed), 1);
        screen.said();
        sleeps.clear();
    }

    int update(const std::vector<uint32_t> &frame) { return display_update(frame.data()); }

    TestScreen screen;
};

// The stand-in's window frame takes 4 pixels each side and 24 at the top: a window of 960x720 is 968x748.
TEST(DisplayOpen, TakesTheFirstOf32_24_16BitsItServesWithTwoBackBuffersOrOneOrTheLargestWindowThatFits)
{
    const struct { RECT work; std::map<int, ScreenFormat> modes; int buffers, result; const char *asked; } cases[] = {
        {{}, {{32, LAYOUT_RGB32}, {24, LAYOUT_RGB24}}, 2, 1, "show test, mode 32, back buffers 2, screen saver off"},
        {{}, {{24, LAYOUT_BGR24}, {16, LAYOUT_RGB565}}, 1, 1,
         "show test, mode 32, mode 24, back buffers 2, back buffers 1, screen saver off"},
        {{}, {{16, LAYOUT_RGB565}}, 0, 0, "show test, mode 32, mode 24, mode 16, back buffers 2, back buffers 1"},
        {{}, {{8, {8, false, 0, 0, 0}}, {15, LAYOUT_RGB555}}, 2, 0, "show test, mode 32, mode 24, mode 16"},
        {{}, {{16, {16, true, 0xF800, 0x07C0, 0x003F}}}, 2, 0, "show test, mode 32, mode 24, mode 16, back buffers 2"},
        {{0, 0, 1920, 1040}, {}, 0, 1, "show window test {480, 170, 1440, 890}"},
        {{100, 50, 1068, 798}, {}, 0, 1, "show window test {104, 74, 1064, 794}"},
        {{0, 0, 967, 748}, {}, 0, 1, "show window test {163, 144, 803, 624}"},
        {{0, 0, 200, 100}, {}, 0, 1, "show window test {4, 24, 324, 264}"},
    };
    for (const auto &c : cases) {
        TestScreen screen;
        screen.modes = c.modes;
        screen.maxBackBuffers = c.buffers;
        screen.workArea = c.work;
        EXPECT_EQ(display_open("test", WIDTH, HEIGHT, c.work.right > 0), c.result);
        EXPECT_EQ(screen.said(), std::string("open, ") + c.asked);
        display_close();
    }
}

// SPACE is the low byte of a key's code; the rows keep to the screen's pitch.
TEST_F(Display, PresentsEachUpdateUnlessInactiveOrTheLockFailsAndNothingAfterClose)
{
    screen.extraPitch = 20;
    open(LAYOUT_BGR565);
    EXPECT_NE(screen.icon, nullptr);
    const std::vector<uint32_t> frame = noise_frame(3);
    crossfadeLevel = 255.0f;
    screen.events = {{Kind::PointerOver, 0}, {Kind::KeyDown, 0x1221}};
    EXPECT_EQ(update(frame), 1);
    EXPECT_EQ(crossfadeLevel, 255.0f);
    screen.events = {{Kind::KeyDown, 0x1220}, {Kind::Deactivate, 0}};
    EXPECT_EQ(update(frame), 1);
    EXPECT_EQ(crossfadeLevel, 1.0f);
    EXPECT_FALSE(screen.cursorShown);
    screen.events = {{Kind::Activate, 0}};
    screen.failingLocks = 1;
    EXPECT_EQ(update(frame), 0);
    EXPECT_EQ(update(frame), 1);
    display_close();
    EXPECT_EQ(update(frame), 0);
    EXPECT_EQ(std::make_tuple(screen.said(), sleeps, GetModuleHandleA("ddraw.dll")),
              std::make_tuple(std::string("present, present, restore mode, hide, close, screen saver on"),
                              std::vector<DWORD>{0, 1, 0}, HMODULE{}));
    EXPECT_EQ(screen.frames, std::vector<std::vector<uint8_t>>(2, in_layout(frame, LAYOUT_BGR565, WIDTH * 2 + 20)));
}

// A window goes on presenting while inactive, on desktops of 2 and 3 bytes a pixel; the screen is told
// rectangles within the client area, and the cursor is the window's own.
TEST_F(Display, AWindowShowsEachFrameInTheLetterboxOfItsClientAreaAsItIsNowBetweenBlackBars)
{
    const struct { RECT client; int width, height; const char *shown; } cases[] = {
        {{100, 50, 1100, 770}, 960, 720,
         "fill {0, 0, 20, 720} 000000, fill {980, 0, 1000, 720} 000000, picture 960x720 at {20, 0, 980, 720}"},
        {{-30, 10, 610, 610}, 640, 480,
         "fill {0, 0, 640, 60} 000000, fill {0, 540, 640, 600} 000000, picture 640x480 at {0, 60, 640, 540}"},
        {{0, 0, 321, 240}, 320, 240, "fill {320, 0, 321, 240} 000000, picture 320x240 at {0, 0, 320, 240}"},
        {{5, 5, 105, 105}, 100, 75,
         "fill {0, 0, 100, 12} 000000, fill {0, 87, 100, 100} 000000, picture 100x75 at {0, 12, 100, 87}"},
    };
    const std::vector<uint32_t> frame = noise_frame(30);
    for (const ScreenFormat &desktop : {LAYOUT_BGR565, LAYOUT_RGB24}) {
        display_close();
        open(desktop, true);
        screen.events = {{Kind::Deactivate, 0}, {Kind::PointerOver, 0}};
        screen.cursorShown = false;
        for (const auto &c : cases) {
            SCOPED_TRACE(::testing::Message() << desktop.bits << "-bit desktop, " << c.shown);
            screen.client = c.client;
            EXPECT_EQ(update(frame), 1);
            EXPECT_EQ(screen.said(), c.shown);
            EXPECT_EQ(screen.frames.back(), in_layout(frame, desktop, c.width * desktop.bits / 8, c.width, c.height));
        }
        EXPECT_TRUE(screen.cursorShown);
    }

    // Minimised: nothing to show, and no hurry.
    screen.client = {200, 300, 200, 300};
    sleeps.clear();
    EXPECT_EQ(update(noise_frame(40)), 1);
    EXPECT_EQ(std::make_pair(screen.said(), sleeps), std::make_pair(std::string(), std::vector<DWORD>{1}));
}

// ESC and close end the process from inside the layer, so the screen's log shows the order in a child process;
// the key handler sees Q, but not ESC.
TEST_F(Display, EscapeAndCloseStopTheMusicCloseAndExitWith0)
{
    const std::vector<ScreenEvent> ways[] = {
        {{Kind::KeyDown, 'Q'}, {Kind::KeyDown, VK_ESCAPE}, {Kind::KeyDown, VK_SPACE}}, {{Kind::Close, 0}}};
    display_set_key_handler([](unsigned key) { std::fprintf(stderr, "key %x\n", key); });
    for (bool windowed : {false, true})
        for (const auto &events : ways) {
            open(LAYOUT_RGB32, windowed);
            screen.events.assign(events.begin(), events.end());
            EXPECT_EXIT((screen.echo = true, update(noise_frame(13))), ::testing::ExitedWithCode(0),
                        std::string(events.size() > 1 ? "^key 51\n" : "^") +
                            "music_stop\n(.|\n)*screen: close\n(.|\n)*screen: " +
                            (windowed ? "hide" : "screen saver on") + "\n$");
            display_close();
        }
}

// By the low byte, as SPACE is; keys held with Alt are the system's.
TEST_F(Display, EveryOtherKeyGoesToTheHandler)
{
    open(LAYOUT_RGB32);
    handed.clear();
    display_set_key_handler(hand);
    crossfadeLevel = 255.0f;
    screen.events = {{Kind::KeyDown, 'Q'},       {Kind::KeyDown, VK_OEM_4}, {Kind::KeyDown, 0x1220},
                     {Kind::KeyDown, VK_RETURN}, {Kind::KeyDown, 0x1241, false, true},
                     {Kind::KeyDown, 'X', true}, {Kind::KeyDown, VK_OEM_6}};
    EXPECT_EQ(update(noise_frame(1)), 1);
    EXPECT_EQ(std::make_pair(handed, crossfadeLevel),
              std::make_pair(std::vector<unsigned>{'Q', 0xDB, 0x0D, 0x41, 0xDD}, 1.0f));
    // One that closes the display leaves nothing to switch or present.
    display_set_key_handler([](unsigned) { display_close(); });
    screen.events = {ALT_ENTER, {Kind::KeyDown, 'C'}};
    EXPECT_EQ(update(noise_frame(1)), 0);
}

// From full-screen in 32 bits to a window on a 16-bit desktop, with the arrow, and back, each shown at once; held,
// Alt+Enter switches once, pressed twice in one frame not at all, and Enter alone is a key like others.
TEST_F(Display, AltEnterReopensTheOtherWayAndPresentsThereAtOnce)
{
    open(LAYOUT_RGB32);
    screen.desktopFormat = LAYOUT_RGB565;
    const std::vector<uint32_t> frame = noise_frame(8);
    screen.events = {ALT_ENTER_HELD, {Kind::KeyDown, VK_RETURN}};
    EXPECT_EQ(update(frame), 1);
    EXPECT_EQ(screen.said(), "present");
    screen.events = {ALT_ENTER, ALT_ENTER_HELD};
    screen.icon = nullptr;
    EXPECT_EQ(update(frame), 1);
    EXPECT_EQ(screen.said(), "restore mode, hide, screen saver on, show window test {480, 170, 1440, 890}, "
                             "picture 960x720 at {0, 0, 960, 720}");
    EXPECT_NE(screen.icon, nullptr);
    EXPECT_EQ(screen.frames.back(), in_layout(frame, LAYOUT_RGB565, 960 * 2, 960, 720));
    screen.cursorShown = false;
    screen.events = {{Kind::PointerOver, 0}, ALT_ENTER};
    EXPECT_EQ(update(frame), 1);
    EXPECT_TRUE(screen.cursorShown);
    EXPECT_EQ(screen.said(), "hide, show test, mode 32, back buffers 2, screen saver off, present");
    EXPECT_EQ(screen.frames.back(), in_layout(frame, LAYOUT_RGB32, WIDTH * 4));
    screen.events = {ALT_ENTER, ALT_ENTER};
    EXPECT_EQ(update(frame), 1);
    EXPECT_EQ(screen.said(), "present");
}

// A desktop of a layout not served: no window opens, and full-screen comes back; when that fails too, the program
// ends as when the display cannot open.
TEST_F(Display, AltEnterThatCannotOpenAWindowGoesBackFullScreenOrEndsWith1)
{
    open(LAYOUT_RGB32);
    screen.desktopFormat = {16, true, 0xF800, 0x07C0, 0x003F};
    screen.events = {ALT_ENTER};
    EXPECT_EQ(update(noise_frame(2)), 1);
    EXPECT_EQ(screen.said(), "restore mode, hide, screen saver on, show window test {480, 170, 1440, 890}, hide, "
                             "show test, mode 32, back buffers 2, screen saver off, present");
    screen.modes.clear();
    screen.events = {ALT_ENTER};
    EXPECT_EXIT(update(noise_frame(2)), ::testing::ExitedWithCode(1), "^demo: cannot open the display\nmusic_stop\n$");
}

// Pumping presents nothing; a wait returns at once while messages are queued, else asks the screen, and only
// sleeps once closed.
TEST_F(Display, PumpTakesKeysAndCloseWithoutPresentingAndWaitWaitsForInput)
{
    open(LAYOUT_RGB32);
    display_wait(40);
    EXPECT_EQ(screen.said(), "");
    crossfadeLevel = 255.0f;
    screen.events = {{Kind::KeyDown, VK_SPACE}};
    display_pump();
    display_wait(40);
    display_wait(-3);
    EXPECT_EQ(std::make_tuple(crossfadeLevel, screen.said(), screen.frames.size(), sleeps),
              std::make_tuple(1.0f, std::string("wait 40, wait 0"), size_t{0}, std::vector<DWORD>{}));
    EXPECT_EXIT((screen.events = {{Kind::Close, 0}}, display_pump()), ::testing::ExitedWithCode(0), "music_stop");
    display_close();
    display_wait(5);
    EXPECT_EQ(sleeps, std::vector<DWORD>{5});
}

} // namespace
