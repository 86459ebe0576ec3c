// ddraw_test.cpp - the display layer on the DirectDraw stand-in over a test
// screen: format negotiation, presentation in every layout, pitch, back
// buffers, activation, lock failures, keys, the ways out, and closing.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "ddraw.h"
#include "icon.h"
#include "test_screen.h"

float crossfadeLevel = 255.0f;
int musicStops = 0;

void music_stop()
{
    ++musicStops;
    std::fprintf(stderr, "music_stop\n");
}

// The linker routes the layer's calls of DefWindowProcA and Sleep here
// (--wrap), so that the tests see what it passes on and how it sleeps.
struct PassedMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<PassedMessage> passedOn;
std::vector<DWORD> sleeps;
const LRESULT DEFAULT_RESULT = 4321;

extern "C" LRESULT __real__Z14DefWindowProcAP6HWND__jml(HWND, UINT, WPARAM, LPARAM);
extern "C" LRESULT __wrap__Z14DefWindowProcAP6HWND__jml(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    passedOn.push_back({window, message, wParam, lParam});
    __real__Z14DefWindowProcAP6HWND__jml(window, message, wParam, lParam);
    return DEFAULT_RESULT;
}

extern "C" void __wrap__Z5Sleepj(DWORD milliseconds)
{
    sleeps.push_back(milliseconds);
}

namespace {

const int WIDTH = 320;
const int HEIGHT = 240;

// Pixels 0x00RRGGBB that vary in every channel and from pixel to pixel.
std::vector<uint32_t> noise_frame(uint32_t seed)
{
    std::vector<uint32_t> frame(WIDTH * HEIGHT);
    for (uint32_t &p : frame) {
        seed = seed * 1664525u + 1013904223u;
        p = seed >> 8;
    }
    return frame;
}

int bit_count(uint32_t mask)
{
    int n = 0;
    for (; mask; mask &= mask - 1)
        ++n;
    return n;
}

int lowest_bit(uint32_t mask)
{
    int n = 0;
    while (!(mask & 1)) {
        mask >>= 1;
        ++n;
    }
    return n;
}

// A channel narrowed to its mask by keeping its top bits.
uint32_t place(uint32_t channel, uint32_t mask)
{
    return (channel >> (8 - bit_count(mask))) << lowest_bit(mask);
}

// The bytes a screen of this layout holds for one pixel, little-endian.
std::vector<uint8_t> screen_bytes(uint32_t pixel, const ScreenFormat &f)
{
    const uint32_t value =
        place((pixel >> 16) & 0xFF, f.redMask) | place((pixel >> 8) & 0xFF, f.greenMask) | place(pixel & 0xFF, f.blueMask);
    std::vector<uint8_t> bytes;
    for (uint32_t i = 0; i < f.bits / 8; ++i)
        bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return bytes;
}

// Whether a presented frame holds exactly the source, row by row, with the
// bytes between rows still `padding`.
::testing::AssertionResult shows(const std::vector<uint8_t> &presented, const std::vector<uint32_t> &source,
                                 const ScreenFormat &f, LONG pitch, uint8_t padding = 0)
{
    const size_t bytesPerPixel = f.bits / 8;
    if (presented.size() != static_cast<size_t>(pitch) * HEIGHT)
        return ::testing::AssertionFailure() << "frame of " << presented.size() << " bytes";
    for (int y = 0; y < HEIGHT; ++y) {
        const uint8_t *row = presented.data() + static_cast<size_t>(y) * pitch;
        for (int x = 0; x < WIDTH; ++x) {
            const std::vector<uint8_t> expected = screen_bytes(source[y * WIDTH + x], f);
            for (size_t i = 0; i < bytesPerPixel; ++i)
                if (row[x * bytesPerPixel + i] != expected[i])
                    return ::testing::AssertionFailure() << "pixel " << x << "," << y << " byte " << i;
        }
        for (size_t i = WIDTH * bytesPerPixel; i < static_cast<size_t>(pitch); ++i)
            if (row[i] != padding)
                return ::testing::AssertionFailure() << "row " << y << " padding byte " << i << " written";
    }
    return ::testing::AssertionSuccess();
}

class Display : public ::testing::Test {
protected:
    void SetUp() override
    {
        crossfadeLevel = 255.0f;
        musicStops = 0;
        passedOn.clear();
        sleeps.clear();
    }

    void TearDown() override { display_close(); }

    void open_with(const ScreenFormat &format)
    {
        screen.modes = {{static_cast<int>(format.bits), format}};
        ASSERT_EQ(display_open("test", WIDTH, HEIGHT), 1);
    }

    int update(const std::vector<uint32_t> &frame) { return display_update(frame.data()); }

    void key(uint32_t virtualKey) { screen.events.push_back({ScreenEventKind::KeyDown, virtualKey}); }

    TestScreen screen;
};

TEST_F(Display, OpensIn32BitsWhenTheScreenAcceptsThem)
{
    screen.modes = {{32, LAYOUT_RGB32}, {24, LAYOUT_RGB24}, {16, LAYOUT_RGB565}};
    EXPECT_EQ(display_open("test", WIDTH, HEIGHT), 1);
    EXPECT_EQ(screen.modeRequests, (std::vector<int>{32}));
    EXPECT_EQ(screen.width, WIDTH);
    EXPECT_EQ(screen.height, HEIGHT);
}

TEST_F(Display, FallsBackTo24And16Bits)
{
    screen.modes = {{24, LAYOUT_BGR24}, {16, LAYOUT_RGB565}};
    EXPECT_EQ(display_open("test", WIDTH, HEIGHT), 1);
    EXPECT_EQ(screen.modeRequests, (std::vector<int>{32, 24}));
    display_close();

    screen.modeRequests.clear();
    screen.modes = {{16, LAYOUT_RGB565}};
    EXPECT_EQ(display_open("test", WIDTH, HEIGHT), 1);
    EXPECT_EQ(screen.modeRequests, (std::vector<int>{32, 24, 16}));
}

TEST_F(Display, FailsWhenNoneOf32_24_16IsAccepted)
{
    screen.modes = {{8, {8, false, 0, 0, 0}}, {15, LAYOUT_RGB555}};
    EXPECT_EQ(display_open("test", WIDTH, HEIGHT), 0);
    EXPECT_EQ(screen.modeRequests, (std::vector<int>{32, 24, 16}));
}

TEST_F(Display, RefusesAPaletteFormatAndUnservedMasks)
{
    screen.modes = {{16, {16, false, 0xF800, 0x07E0, 0x001F}}};
    EXPECT_EQ(display_open("test", WIDTH, HEIGHT), 0);
    display_close();

    screen.modes = {{32, {32, true, 0xFF000000, 0x00FF0000, 0x0000FF00}}};
    EXPECT_EQ(display_open("test", WIDTH, HEIGHT), 0);
    display_close();

    screen.modes = {{16, {16, true, 0xF800, 0x07C0, 0x003F}}};
    EXPECT_EQ(display_open("test", WIDTH, HEIGHT), 0);
}

TEST_F(Display, FailsWithoutAScreen)
{
    screen.available = false;
    EXPECT_EQ(display_open("test", WIDTH, HEIGHT), 0);
    EXPECT_TRUE(screen.modeRequests.empty());
}

TEST_F(Display, ShowsItsWindowFullScreenWithCaptionAndIcon)
{
    open_with(LAYOUT_RGB32);
    EXPECT_TRUE(screen.shown);
    EXPECT_EQ(screen.caption, "test");
    ASSERT_NE(screen.icon, nullptr);
    EXPECT_EQ(screen.icon->large.size, 32);
    EXPECT_EQ(screen.icon->small.size, 16);
    EXPECT_FALSE(screen.screenSaverAllowed);
}

TEST_F(Display, HidesTheCursorWhenThePointerIsOverTheWindow)
{
    open_with(LAYOUT_RGB32);
    screen.events.push_back({ScreenEventKind::PointerOver, 0});
    update(noise_frame(1));
    EXPECT_FALSE(screen.cursorShown);
}

TEST_F(Display, EachLayoutReachesTheScreenByteForByte)
{
    const ScreenFormat layouts[] = {LAYOUT_RGB32,  LAYOUT_BGR32,  LAYOUT_RGB24,  LAYOUT_BGR24,
                                    LAYOUT_RGB565, LAYOUT_BGR565, LAYOUT_RGB555, LAYOUT_BGR555};
    uint32_t seed = 7;
    for (const ScreenFormat &layout : layouts) {
        SCOPED_TRACE(::testing::Message() << layout.bits << " bits, red " << std::hex << layout.redMask);
        screen.frames.clear();
        open_with(layout);
        const std::vector<uint32_t> first = noise_frame(++seed);
        const std::vector<uint32_t> second = noise_frame(++seed);
        EXPECT_EQ(update(first), 1);
        EXPECT_EQ(update(second), 1);
        ASSERT_EQ(screen.frames.size(), 2u);
        EXPECT_TRUE(shows(screen.frames[0], first, layout, WIDTH * layout.bits / 8));
        EXPECT_TRUE(shows(screen.frames[1], second, layout, WIDTH * layout.bits / 8));
        display_close();
    }
}

TEST_F(Display, ConvertsEachRowOnePitchAfterThePreviousAndLeavesTheGapAlone)
{
    screen.extraPitch = 20;
    open_with(LAYOUT_RGB24);
    const std::vector<uint32_t> white(WIDTH * HEIGHT, 0x00FFFFFF);
    const std::vector<uint32_t> noise = noise_frame(3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(update(white), 1);
        EXPECT_EQ(update(noise), 1);
    }
    ASSERT_EQ(screen.frames.size(), 6u);
    EXPECT_EQ(screen.presentedPitch, WIDTH * 3 + 20);
    for (size_t i = 0; i < screen.frames.size(); i += 2) {
        EXPECT_TRUE(shows(screen.frames[i], white, LAYOUT_RGB24, WIDTH * 3 + 20));
        EXPECT_TRUE(shows(screen.frames[i + 1], noise, LAYOUT_RGB24, WIDTH * 3 + 20));
    }
}

TEST_F(Display, AsksForTwoBackBuffersThenOne)
{
    open_with(LAYOUT_RGB565);
    EXPECT_EQ(screen.backBufferRequests, (std::vector<int>{2}));
    display_close();

    screen.backBufferRequests.clear();
    screen.frames.clear();
    screen.maxBackBuffers = 1;
    open_with(LAYOUT_RGB565);
    EXPECT_EQ(screen.backBufferRequests, (std::vector<int>{2, 1}));
    const std::vector<uint32_t> frames[] = {noise_frame(10), noise_frame(11), noise_frame(12)};
    for (const std::vector<uint32_t> &frame : frames)
        EXPECT_EQ(update(frame), 1);
    ASSERT_EQ(screen.frames.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(shows(screen.frames[i], frames[i], LAYOUT_RGB565, WIDTH * 2));
}

TEST_F(Display, FailsWhenNoBackBufferIsGranted)
{
    screen.maxBackBuffers = 0;
    screen.modes = {{32, LAYOUT_RGB32}};
    EXPECT_EQ(display_open("test", WIDTH, HEIGHT), 0);
    EXPECT_EQ(screen.backBufferRequests, (std::vector<int>{2, 1}));
}

TEST_F(Display, PresentsOnTheFirstUpdateAndSleepsZeroAfterEachFlip)
{
    open_with(LAYOUT_RGB32);
    EXPECT_EQ(update(noise_frame(4)), 1);
    EXPECT_EQ(screen.frames.size(), 1u);
    EXPECT_EQ(sleeps, (std::vector<DWORD>{0}));
}

TEST_F(Display, WhileInactivePresentsNothingAndReturns1)
{
    open_with(LAYOUT_RGB32);
    update(noise_frame(5));
    screen.events.push_back({ScreenEventKind::Deactivate, 0});
    sleeps.clear();
    EXPECT_EQ(update(noise_frame(6)), 1);
    EXPECT_EQ(update(noise_frame(7)), 1);
    EXPECT_EQ(screen.frames.size(), 1u);
    EXPECT_EQ(sleeps, (std::vector<DWORD>{1, 1}));

    screen.events.push_back({ScreenEventKind::Activate, 0});
    const std::vector<uint32_t> back = noise_frame(8);
    EXPECT_EQ(update(back), 1);
    ASSERT_EQ(screen.frames.size(), 2u);
    EXPECT_TRUE(shows(screen.frames[1], back, LAYOUT_RGB32, WIDTH * 4));
}

TEST_F(Display, AFailedLockReturns0AndTheNextCallPresents)
{
    open_with(LAYOUT_BGR565);
    screen.failingLocks = 1;
    sleeps.clear();
    EXPECT_EQ(update(noise_frame(9)), 0);
    EXPECT_TRUE(screen.frames.empty());
    EXPECT_TRUE(sleeps.empty());

    const std::vector<uint32_t> next = noise_frame(10);
    EXPECT_EQ(update(next), 1);
    ASSERT_EQ(screen.frames.size(), 1u);
    EXPECT_TRUE(shows(screen.frames[0], next, LAYOUT_BGR565, WIDTH * 2));
}

TEST_F(Display, SpaceAndItsRepeatsRestartTheCrossfade)
{
    open_with(LAYOUT_RGB32);
    const std::vector<uint32_t> frame = noise_frame(11);
    crossfadeLevel = 200.0f;
    key(VK_SPACE);
    update(frame);
    EXPECT_EQ(crossfadeLevel, 1.0f);

    // Held down: every repeat sets it back, also while the crossfade runs.
    for (float level : {37.5f, 120.0f, 254.0f}) {
        crossfadeLevel = level;
        key(VK_SPACE);
        update(frame);
        EXPECT_EQ(crossfadeLevel, 1.0f);
    }
    EXPECT_EQ(screen.frames.size(), 4u);
}

TEST_F(Display, TheKeyIsTheLow8BitsOfWParam)
{
    crossfadeLevel = 99.0f;
    EXPECT_EQ(display_wndproc(nullptr, WM_KEYDOWN, 0x1220, 0), 0);
    EXPECT_EQ(crossfadeLevel, 1.0f);
}

TEST_F(Display, OtherKeysChangeNothingAndAreConsumed)
{
    open_with(LAYOUT_RGB32);
    crossfadeLevel = 42.0f;
    for (WPARAM other : {WPARAM('A'), WPARAM('0'), WPARAM(0x0D), WPARAM(0x70), WPARAM(0xFF), WPARAM(0x21)}) {
        EXPECT_EQ(display_wndproc(nullptr, WM_KEYDOWN, other, 0), 0);
        key(static_cast<uint32_t>(other));
    }
    update(noise_frame(12));
    EXPECT_EQ(crossfadeLevel, 42.0f);
    EXPECT_EQ(musicStops, 0);
    EXPECT_TRUE(passedOn.empty());
}

TEST_F(Display, OtherMessagesGoToTheDefaultProcedureUnchanged)
{
    HWND window = reinterpret_cast<HWND>(0x1234);
    EXPECT_EQ(display_wndproc(window, 0x0400, 77, -5), DEFAULT_RESULT);
    ASSERT_EQ(passedOn.size(), 1u);
    EXPECT_EQ(passedOn[0].window, window);
    EXPECT_EQ(passedOn[0].message, 0x0400u);
    EXPECT_EQ(passedOn[0].wParam, 77u);
    EXPECT_EQ(passedOn[0].lParam, -5);
}

TEST_F(Display, HandledMessagesYield0)
{
    EXPECT_EQ(display_wndproc(nullptr, WM_SETCURSOR, 0, 0), 0);
    EXPECT_EQ(display_wndproc(nullptr, WM_ACTIVATEAPP, 1, 0), 0);
    EXPECT_TRUE(passedOn.empty());
}

// ESC and close end the process from inside display_update, so they are
// watched from a child process; the screen's log shows the order.
const char *const QUIT_SEQUENCE = "music_stop\n(.|\n)*screen: close\n(.|\n)*screen: screen saver allowed\n$";

TEST_F(Display, EscapeStopsTheMusicClosesAndExitsWith0)
{
    open_with(LAYOUT_RGB32);
    key(VK_ESCAPE);
    EXPECT_EXIT((screen.echo = true, update(noise_frame(13))), ::testing::ExitedWithCode(0), QUIT_SEQUENCE);
}

TEST_F(Display, EscapeOnTheVeryFirstUpdateAlsoStopsTheMusic)
{
    open_with(LAYOUT_RGB32);
    key('Q');
    key(VK_ESCAPE);
    key(VK_SPACE);
    EXPECT_EXIT((screen.echo = true, update(std::vector<uint32_t>(WIDTH * HEIGHT, 0))), ::testing::ExitedWithCode(0), QUIT_SEQUENCE);
}

TEST_F(Display, ClosingTheWindowStopsTheMusicClosesAndExitsWith0)
{
    open_with(LAYOUT_RGB32);
    screen.events.push_back({ScreenEventKind::Close, 0});
    EXPECT_EXIT((screen.echo = true, update(noise_frame(14))), ::testing::ExitedWithCode(0), QUIT_SEQUENCE);
}

TEST_F(Display, CloseMessageEndsTheProcessEvenWhenSentDirectly)
{
    open_with(LAYOUT_RGB32);
    EXPECT_EXIT((screen.echo = true, display_wndproc(nullptr, WM_CLOSE, 0, 0)), ::testing::ExitedWithCode(0), QUIT_SEQUENCE);
}

TEST_F(Display, CloseRestoresEverything)
{
    open_with(LAYOUT_RGB32);
    update(noise_frame(15));
    screen.log.clear();
    display_close();
    EXPECT_EQ(screen.log,
              (std::vector<std::string>{"restore mode", "hide", "close", "screen saver allowed"}));
    EXPECT_FALSE(screen.isOpen);
    EXPECT_EQ(GetModuleHandleA("ddraw.dll"), nullptr);
}

TEST_F(Display, CloseAfterAFailedOpenReleasesWhatExists)
{
    // Fails after the mode was set and the primary made.
    screen.modes = {{32, {32, true, 0xFF000000, 0x00FF0000, 0x0000FF00}}};
    EXPECT_EQ(display_open("test", WIDTH, HEIGHT), 0);
    EXPECT_TRUE(screen.isOpen);
    EXPECT_TRUE(screen.shown);
    display_close();
    EXPECT_FALSE(screen.isOpen);
    EXPECT_FALSE(screen.shown);
    EXPECT_TRUE(screen.screenSaverAllowed);
    EXPECT_EQ(GetModuleHandleA("ddraw.dll"), nullptr);

    // Fails before there is any DirectDraw object.
    screen.available = false;
    screen.log.clear();
    EXPECT_EQ(display_open("test", WIDTH, HEIGHT), 0);
    display_close();
    EXPECT_EQ(screen.log, (std::vector<std::string>{"open refused", "screen saver allowed"}));
    EXPECT_EQ(GetModuleHandleA("ddraw.dll"), nullptr);
}

TEST_F(Display, UpdateWithoutAnOpenDisplayPresentsNothing)
{
    open_with(LAYOUT_RGB32);
    display_close();
    EXPECT_EQ(update(noise_frame(16)), 0);
    EXPECT_TRUE(screen.frames.empty());
}

} // namespace
