// ddraw_test.cpp - the display layer on the DirectDraw stand-in over a test
// screen: format negotiation, presentation in every layout at any pitch,
// back buffers, activation, lock failures, keys, the ways out, and closing;
// and the window on the desktop: its size, its letterbox and its ways out.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "ddraw.h"
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
std::vector<MSG> passedOn;
std::vector<DWORD> sleeps;
const LRESULT DEFAULT_RESULT = 4321;

extern "C" LRESULT __real__Z14DefWindowProcAP6HWND__jml(HWND, UINT, WPARAM, LPARAM);
extern "C" LRESULT __wrap__Z14DefWindowProcAP6HWND__jml(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    passedOn.push_back({window, message, wParam, lParam, 0, {0, 0}});
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
const ScreenFormat ODD16 = {16, true, 0xF800, 0x07C0, 0x003F};

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

// An 8-bit channel narrowed to its mask by keeping its top bits.
uint32_t place(uint32_t channel, uint32_t mask)
{
    return (channel >> (8 - __builtin_popcount(mask))) << __builtin_ctz(mask);
}

// Whether a presented frame holds exactly the source, row by row in
// little-endian pixels, with the bytes between rows still zero.
::testing::AssertionResult shows(const std::vector<uint8_t> &presented, const std::vector<uint32_t> &source,
                                 const ScreenFormat &f, LONG pitch, int width = WIDTH, int height = HEIGHT)
{
    const size_t bytesPerPixel = f.bits / 8;
    if (presented.size() != static_cast<size_t>(pitch) * height)
        return ::testing::AssertionFailure() << "frame of " << presented.size() << " bytes";
    for (int y = 0; y < height; ++y) {
        const uint8_t *row = presented.data() + static_cast<size_t>(y) * pitch;
        for (int x = 0; x < width; ++x) {
            const uint32_t p = source[y * width + x];
            const uint32_t value =
                place(p >> 16 & 0xFF, f.redMask) | place(p >> 8 & 0xFF, f.greenMask) | place(p & 0xFF, f.blueMask);
            for (size_t i = 0; i < bytesPerPixel; ++i)
                if (row[x * bytesPerPixel + i] != static_cast<uint8_t>(value >> (8 * i)))
                    return ::testing::AssertionFailure() << "pixel " << x << "," << y << " byte " << i;
        }
        for (size_t i = width * bytesPerPixel; i < static_cast<size_t>(pitch); ++i)
            if (row[i] != 0)
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

    TestScreen screen;
};

// Each case: the modes and back buffers the screen grants, whether it opens,
// and the depths and back-buffer counts asked for, in order.
TEST_F(Display, OpensAtTheFirstOf32_24_16BitsWhoseLayoutItServesWithTwoBackBuffersOrOne)
{
    const struct {
        const char *name;
        std::map<int, ScreenFormat> modes;
        int backBuffers, result;
        std::vector<int> requests, backBufferRequests;
    } cases[] = {
        {"all three", {{32, LAYOUT_RGB32}, {24, LAYOUT_RGB24}, {16, LAYOUT_RGB565}}, 2, 1, {32}, {2}},
        {"24 after 32, one back buffer", {{24, LAYOUT_BGR24}, {16, LAYOUT_RGB565}}, 1, 1, {32, 24}, {2, 1}},
        {"16 last, no back buffer", {{16, LAYOUT_RGB565}}, 0, 0, {32, 24, 16}, {2, 1}},
        {"none of them", {{8, {8, false, 0, 0, 0}}, {15, LAYOUT_RGB555}}, 2, 0, {32, 24, 16}, {}},
        {"unknown 16-bit masks", {{16, ODD16}}, 2, 0, {32, 24, 16}, {2}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        screen.modes = c.modes;
        screen.maxBackBuffers = c.backBuffers;
        screen.modeRequests.clear();
        screen.backBufferRequests.clear();
        EXPECT_EQ(display_open("test", WIDTH, HEIGHT), c.result);
        EXPECT_EQ(screen.modeRequests, c.requests);
        EXPECT_EQ(screen.backBufferRequests, c.backBufferRequests);
        display_close();
    }
}

// Each row lands one pitch after the previous and the gap between rows is
// left alone; four frames make the chain of three surfaces come round.
TEST_F(Display, EachLayoutReachesTheScreenByteForByteAtAnyPitch)
{
    const ScreenFormat layouts[] = {LAYOUT_RGB32,  LAYOUT_BGR32,  LAYOUT_RGB24,  LAYOUT_BGR24,
                                    LAYOUT_RGB565, LAYOUT_BGR565, LAYOUT_RGB555, LAYOUT_BGR555};
    uint32_t seed = 7;
    for (const ScreenFormat &layout : layouts)
        for (LONG extraPitch : {0, 20}) {
            SCOPED_TRACE(::testing::Message() << layout.bits << " bits, red " << std::hex << layout.redMask
                                              << ", pitch " << std::dec << extraPitch << " beyond the row");
            screen.frames.clear();
            screen.extraPitch = extraPitch;
            open_with(layout);
            const std::vector<uint32_t> frames[] = {noise_frame(++seed), noise_frame(++seed),
                                                    std::vector<uint32_t>(WIDTH * HEIGHT, 0x00FFFFFF),
                                                    noise_frame(++seed)};
            for (const std::vector<uint32_t> &frame : frames)
                EXPECT_EQ(update(frame), 1);
            ASSERT_EQ(screen.frames.size(), 4u);
            for (size_t i = 0; i < 4; ++i)
                EXPECT_TRUE(shows(screen.frames[i], frames[i], layout, WIDTH * layout.bits / 8 + extraPitch));
            display_close();
        }
}

TEST_F(Display, PresentsEachUpdateUnlessInactiveOrTheLockFailsAndNothingAfterClose)
{
    open_with(LAYOUT_BGR565);
    EXPECT_TRUE(screen.shown);
    EXPECT_EQ(screen.caption, "test");
    EXPECT_NE(screen.icon, nullptr);
    EXPECT_FALSE(screen.screenSaverAllowed);
    screen.events = {{ScreenEventKind::PointerOver, 0}};
    EXPECT_EQ(update(noise_frame(4)), 1);
    EXPECT_FALSE(screen.cursorShown);
    screen.events = {{ScreenEventKind::Deactivate, 0}};
    EXPECT_EQ(update(noise_frame(5)), 1);
    screen.events = {{ScreenEventKind::Activate, 0}};
    screen.failingLocks = 1;
    EXPECT_EQ(update(noise_frame(7)), 0);
    EXPECT_EQ(update(noise_frame(8)), 1);
    EXPECT_EQ(screen.frames.size(), 2u);
    EXPECT_EQ(sleeps, (std::vector<DWORD>{0, 1, 0}));

    screen.log.clear();
    display_close();
    EXPECT_EQ(screen.log, (std::vector<std::string>{"restore mode", "hide", "close", "screen saver allowed"}));
    EXPECT_EQ(GetModuleHandleA("ddraw.dll"), nullptr);
    EXPECT_EQ(update(noise_frame(16)), 0);
    EXPECT_EQ(screen.frames.size(), 2u);
}

TEST_F(Display, WindowProcedureHandlesItsMessagesAndPassesOnTheRest)
{
    const HWND window = reinterpret_cast<HWND>(0x1234);
    const struct {
        UINT message;
        WPARAM wParam;
        LRESULT result;
        float level;
    } cases[] = {
        {WM_KEYDOWN, 0x1220, 0, 1.0f}, // SPACE is the low 8 bits
        {WM_KEYDOWN, 0x21, 0, 42.0f},   {WM_SETCURSOR, 0, 0, 42.0f},   {0x0400, 77, DEFAULT_RESULT, 42.0f},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(::testing::Message() << "message " << c.message << ", wParam " << c.wParam);
        crossfadeLevel = 42.0f;
        passedOn.clear();
        EXPECT_EQ(display_wndproc(window, c.message, c.wParam, -5), c.result);
        EXPECT_EQ(crossfadeLevel, c.level);
        ASSERT_EQ(passedOn.size(), c.result == DEFAULT_RESULT ? 1u : 0u);
        if (!passedOn.empty()) {
            EXPECT_EQ(passedOn[0].hwnd, window);
            EXPECT_EQ(passedOn[0].wParam, c.wParam);
            EXPECT_EQ(passedOn[0].lParam, -5);
        }
    }
    EXPECT_EQ(musicStops, 0);
}

class WindowedDisplay : public Display {
protected:
    void open_windowed(const ScreenFormat &desktop)
    {
        screen.desktopFormat = desktop;
        ASSERT_EQ(display_open("test", WIDTH, HEIGHT, true), 1);
    }
};

// The stand-in's frame takes 4 pixels each side and 24 at the top, so the
// window of 960x720 is 968x748.
TEST_F(WindowedDisplay, OpensAtTheLargestMultipleTheWorkAreaHoldsAndLeavesModeCursorAndScreenSaverAlone)
{
    const struct {
        RECT workArea;
        RECT client;
    } cases[] = {
        {{0, 0, 1920, 1040}, {480, 170, 1440, 890}},
        {{100, 50, 1068, 798}, {104, 74, 1064, 794}},
        {{0, 0, 967, 748}, {163, 144, 803, 624}},
        {{0, 0, 200, 100}, {4, 24, 324, 264}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(::testing::Message() << "work area " << ::testing::PrintToString(c.workArea));
        screen.workArea = c.workArea;
        screen.log.clear();
        open_windowed(LAYOUT_RGB32);
        EXPECT_TRUE(screen.windowed);
        EXPECT_EQ(screen.client, c.client);
        EXPECT_EQ(screen.log, (std::vector<std::string>{"open", "show window"}));
        screen.cursorShown = false;
        screen.events.push_back({ScreenEventKind::PointerOver, 0});
        update(noise_frame(20));
        EXPECT_TRUE(screen.cursorShown);
        screen.log.clear();
        display_close();
        EXPECT_EQ(screen.log, (std::vector<std::string>{"close", "hide"}));
    }
}

// Also while another program is the active one; the client area's origin
// on the desktop is taken off again by the stand-in. Each picture pixel
// shows the frame pixel under its centre, on desktops of 2 and 3 bytes a
// pixel.
TEST_F(WindowedDisplay, EachFrameFillsTheLetterboxOfTheClientAreaAsItIsNowBetweenBlackBars)
{
    const struct {
        RECT client;
        RECT picture;
        std::vector<RECT> bars;
    } cases[] = {
        {{100, 50, 1060, 770}, {0, 0, 960, 720}, {}},
        {{100, 50, 1100, 770}, {20, 0, 980, 720}, {{0, 0, 20, 720}, {980, 0, 1000, 720}}},
        {{-30, 10, 610, 610}, {0, 60, 640, 540}, {{0, 0, 640, 60}, {0, 540, 640, 600}}},
        {{0, 0, 321, 240}, {0, 0, 320, 240}, {{320, 0, 321, 240}}},
        {{5, 5, 105, 105}, {0, 12, 100, 87}, {{0, 0, 100, 12}, {0, 87, 100, 100}}},
    };
    uint32_t seed = 30;
    for (const ScreenFormat &desktop : {LAYOUT_BGR565, LAYOUT_RGB24})
    for (const auto &c : cases) {
        SCOPED_TRACE(::testing::Message() << desktop.bits << "-bit desktop, client area "
                                          << ::testing::PrintToString(c.client));
        if (&c == cases) {
            display_close();
            open_windowed(desktop);
            screen.events.push_back({ScreenEventKind::Deactivate, 0});
        }
        screen.client = c.client;
        screen.fills.clear();
        const std::vector<uint32_t> frame = noise_frame(++seed);
        EXPECT_EQ(update(frame), 1);
        ASSERT_FALSE(screen.frames.empty());
        EXPECT_EQ(screen.pictureAreas.back(), c.picture);
        const int width = c.picture.right - c.picture.left, height = c.picture.bottom - c.picture.top;
        std::vector<uint32_t> scaled;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                scaled.push_back(
                    frame[(2 * y + 1) * HEIGHT / (2 * height) * WIDTH + (2 * x + 1) * WIDTH / (2 * width)]);
        EXPECT_EQ(screen.frameSizes.back(), std::make_pair(width, height));
        EXPECT_TRUE(shows(screen.frames.back(), scaled, desktop, width * desktop.bits / 8, width, height));
        std::vector<RECT> bars;
        for (const auto &fill : screen.fills) {
            bars.push_back(fill.first);
            EXPECT_EQ(fill.second, 0u);
        }
        EXPECT_EQ(bars, c.bars);
    }

    // Minimised: nothing to show, and no hurry.
    const size_t shown = screen.frames.size();
    screen.client = {200, 300, 200, 300};
    sleeps.clear();
    EXPECT_EQ(update(noise_frame(40)), 1);
    EXPECT_EQ(screen.frames.size(), shown);
    EXPECT_EQ(sleeps, (std::vector<DWORD>{1}));
}

// ESC and close end the process from inside the layer, so they are watched
// from a child process; the screen's log shows the order. A window leaves
// the screen saver alone.
TEST_F(WindowedDisplay, EscapeAndCloseStopTheMusicCloseAndExitWith0)
{
    const std::vector<ScreenEvent> ways[] = {
        {{ScreenEventKind::KeyDown, 'Q'}, {ScreenEventKind::KeyDown, VK_ESCAPE}, {ScreenEventKind::KeyDown, VK_SPACE}},
        {{ScreenEventKind::Close, 0}},
        {}, // WM_CLOSE sent directly
    };
    for (bool windowed : {false, true})
        for (const auto &events : ways) {
            windowed ? open_windowed(LAYOUT_RGB32) : open_with(LAYOUT_RGB32);
            screen.events.assign(events.begin(), events.end());
            EXPECT_EXIT((screen.echo = true, events.empty() ? display_wndproc(nullptr, WM_CLOSE, 0, 0)
                                                             : update(noise_frame(13))),
                        ::testing::ExitedWithCode(0),
                        windowed ? "music_stop\n(.|\n)*screen: close\n(.|\n)*screen: hide\n$"
                                 : "music_stop\n(.|\n)*screen: close\n(.|\n)*screen: screen saver allowed\n$");
            display_close();
        }
}

} // namespace
