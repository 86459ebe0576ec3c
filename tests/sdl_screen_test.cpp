// sdl_screen_test.cpp - the display over the real SDL screen, headless on
// SDL's dummy video driver: the window it shows, full-screen or on the
// desktop, the frame read back from the renderer in each emulated layout
// and letterboxed in a resized window, SDL input as window messages, and
// opening without video.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ddraw.h"
#include "screen.h"

float crossfadeLevel = 255.0f;

void music_stop()
{
    std::fprintf(stderr, "music_stop\n");
}

namespace {

// A coloured block in each corner, a one-pixel checkerboard in the middle
// and 8-pixel tiles elsewhere; every channel 0 or 255, so that the frame
// survives each of the eight layouts unchanged.
uint32_t pattern_pixel(int x, int y)
{
    const bool left = x < 32, right = x >= 288, top = y < 24, bottom = y >= 216;
    if ((top || bottom) && (left || right))
        return top ? (left ? 0x00FF0000 : 0x0000FF00) : (left ? 0x000000FF : 0x00FFFFFF);
    if (x >= 128 && x < 192 && y >= 96 && y < 144)
        return (x + y) % 2 ? 0x00FFFF00 : 0x00000000;
    return (x / 8 + y / 8) % 2 ? 0x0000FFFF : 0x00FF00FF;
}

std::vector<uint32_t> pattern_frame()
{
    std::vector<uint32_t> frame(320 * 240);
    for (int i = 0; i < 320 * 240; ++i)
        frame[i] = pattern_pixel(i % 320, i / 320);
    return frame;
}

SDL_Window *shown_window()
{
    for (Uint32 id = 1; id < 256; ++id)
        if (SDL_Window *window = SDL_GetWindowFromID(id))
            return window;
    return nullptr;
}

// Whether two colours differ by at most one step in each channel: widening
// a 5- or 6-bit channel back to 8 bits may round either way.
bool close_to(uint32_t seen, uint32_t expected)
{
    for (int shift = 0; shift < 24; shift += 8) {
        const int difference = static_cast<int>((seen >> shift) & 0xFF) - static_cast<int>((expected >> shift) & 0xFF);
        if (difference < -1 || difference > 1)
            return false;
    }
    return true;
}

// Whether the renderer's output holds the pattern scaled to the largest
// 4:3 area, each source pixel sampled at the centre of its scaled block.
::testing::AssertionResult screen_shows_pattern()
{
    SDL_Window *window = shown_window();
    SDL_Renderer *renderer = window ? SDL_GetRenderer(window) : nullptr;
    if (!renderer)
        return ::testing::AssertionFailure() << "no window with a renderer";
    int outputWidth = 0, outputHeight = 0;
    SDL_GetRendererOutputSize(renderer, &outputWidth, &outputHeight);
    const double scale = std::min(outputWidth / 320.0, outputHeight / 240.0);
    const int width = static_cast<int>(320 * scale), height = static_cast<int>(240 * scale);
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    if (SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, pixels.data(), width * 4) != 0)
        return ::testing::AssertionFailure() << SDL_GetError();
    for (int y = 0; y < 240; y += 3) {
        for (int x = 0; x < 320; x += 3) {
            const int sx = static_cast<int>((x + 0.5) * scale), sy = static_cast<int>((y + 0.5) * scale);
            const uint32_t seen = pixels[static_cast<size_t>(sy) * width + sx] & 0x00FFFFFF;
            if (!close_to(seen, pattern_pixel(x, y)))
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " shows " << std::hex << seen
                                                     << " instead of " << pattern_pixel(x, y);
        }
    }
    return ::testing::AssertionSuccess();
}

void push_window_event(Uint8 event)
{
    SDL_Event e = {};
    e.type = SDL_WINDOWEVENT;
    e.window.event = event;
    e.window.windowID = SDL_GetWindowID(shown_window());
    SDL_PushEvent(&e);
}

void push_key(SDL_Keycode key, Uint8 repeat)
{
    SDL_Event e = {};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.repeat = repeat;
    e.key.keysym.sym = key;
    SDL_PushEvent(&e);
}

class SdlDisplay : public ::testing::Test {
protected:
    void TearDown() override
    {
        display_close();
        unsetenv("DEMO_SCREEN_FORMAT");
        setenv("SDL_VIDEODRIVER", "dummy", 1);
    }

    const std::vector<uint32_t> pattern = pattern_frame();
};

TEST_F(SdlDisplay, OpensAFullScreenWindowOnlyWithAKnownLayoutAndVideo)
{
    setenv("DEMO_SCREEN_FORMAT", "rgb666", 1);
    EXPECT_EQ(display_open("test", 320, 240), 0);
    display_close();
    unsetenv("DEMO_SCREEN_FORMAT");
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    EXPECT_EQ(display_open("test", 320, 240), 0);
    display_close();
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);

    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_EQ(display_open("test", 320, 240), 1);
    SDL_Window *window = shown_window();
    ASSERT_NE(window, nullptr);
    const Uint32 flags = SDL_GetWindowFlags(window);
    EXPECT_EQ(flags & SDL_WINDOW_FULLSCREEN_DESKTOP, static_cast<Uint32>(SDL_WINDOW_FULLSCREEN_DESKTOP));
    EXPECT_TRUE(flags & SDL_WINDOW_SHOWN);
    EXPECT_STREQ(SDL_GetWindowTitle(window), "test");
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    EXPECT_FALSE(SDL_IsScreenSaverEnabled());
    display_close();
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
}

class SdlDisplayLayout : public SdlDisplay, public ::testing::WithParamInterface<const char *> {};

TEST_P(SdlDisplayLayout, ShowsTheFrameUnchanged)
{
    setenv("DEMO_SCREEN_FORMAT", GetParam(), 1);
    ASSERT_EQ(display_open("test", 320, 240), 1);
    EXPECT_EQ(display_update(pattern.data()), 1);
    EXPECT_TRUE(screen_shows_pattern());
    // A screen of one layout offers no mode of another depth.
    ScreenFormat format;
    EXPECT_FALSE(sdl_screen().set_mode(320, 240, std::string(GetParam()).find("32") == 3 ? 24 : 32, &format));
}

INSTANTIATE_TEST_SUITE_P(EveryLayout, SdlDisplayLayout,
                         ::testing::Values("rgb32", "bgr32", "rgb24", "bgr24", "rgb565", "bgr565", "rgb555",
                                           "bgr555"));

TEST_F(SdlDisplay, SpaceAndItsRepeatsCrossfadeAndLosingFocusStopsPresentationUntilItReturns)
{
    ASSERT_EQ(display_open("test", 320, 240), 1);
    for (Uint8 repeat : {0, 1}) {
        crossfadeLevel = 100.0f;
        push_key(SDLK_SPACE, repeat);
        EXPECT_EQ(display_update(pattern.data()), 1);
        EXPECT_EQ(crossfadeLevel, 1.0f);
    }
    const std::vector<uint32_t> black(320 * 240, 0);
    push_window_event(SDL_WINDOWEVENT_FOCUS_LOST);
    EXPECT_EQ(display_update(black.data()), 1);
    EXPECT_TRUE(screen_shows_pattern());
    push_window_event(SDL_WINDOWEVENT_FOCUS_GAINED);
    EXPECT_EQ(display_update(black.data()), 1);
    EXPECT_FALSE(screen_shows_pattern());
}

TEST_F(SdlDisplay, EscapeCloseButtonAndQuitRequestEndTheProcessWith0)
{
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    for (int way = 0; way < 3; ++way)
        EXPECT_EXIT(
            {
                display_open("test", 320, 240);
                if (way == 0)
                    push_key(SDLK_ESCAPE, 0);
                else if (way == 1)
                    push_window_event(SDL_WINDOWEVENT_CLOSE);
                else
                    SDL_PushEvent(&quit);
                display_update(pattern.data());
            },
            ::testing::ExitedWithCode(0), "music_stop")
            << "way " << way;
}

// SDL's dummy display is 1024x768: room for three times the frame. The
// dummy driver keeps no resizable flag, and has no hand to resize with but
// the program's.
TEST_F(SdlDisplay, OpensAWindowOfThreeTimesTheFrameAndLetterboxesItAfterAResize)
{
    ASSERT_EQ(display_open("test", 320, 240, true), 1);
    SDL_Window *window = shown_window();
    ASSERT_NE(window, nullptr);
    const Uint32 flags = SDL_GetWindowFlags(window);
    EXPECT_FALSE(flags & SDL_WINDOW_FULLSCREEN);
    EXPECT_TRUE(flags & SDL_WINDOW_SHOWN);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    EXPECT_TRUE(SDL_IsScreenSaverEnabled());
    int width = 0, height = 0;
    SDL_GetWindowSize(window, &width, &height);
    EXPECT_EQ(width, 960);
    EXPECT_EQ(height, 720);

    // 800x300 holds the frame 1.25 times, 400 wide in the middle.
    SDL_SetWindowSize(window, 800, 300);
    ASSERT_EQ(display_update(pattern.data()), 1);
    std::vector<uint32_t> pixels(800 * 300);
    ASSERT_EQ(SDL_RenderReadPixels(SDL_GetRenderer(window), nullptr, SDL_PIXELFORMAT_ARGB8888, pixels.data(), 800 * 4),
              0);
    for (int y = 0; y < 300; y += 7)
        for (int x : {0, 199, 600, 799})
            ASSERT_EQ(pixels[y * 800 + x] & 0x00FFFFFF, 0u) << "bar at " << x << "," << y;
    for (int y = 0; y < 240; y += 3) {
        for (int x = 0; x < 320; x += 3) {
            const int sx = 200 + static_cast<int>((x + 0.5) * 1.25), sy = static_cast<int>((y + 0.5) * 1.25);
            ASSERT_EQ(pixels[sy * 800 + sx] & 0x00FFFFFF, pattern_pixel(x, y)) << "pixel " << x << "," << y;
        }
    }
}

} // namespace
