// sdl_screen_test.cpp - the display over the real SDL screen on SDL's dummy video driver, read back from its renderer.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "ddraw.h"
#include "test_screen.h"

float crossfadeLevel = 255.0f;

void music_stop() { std::fprintf(stderr, "music_stop\n"); }

namespace {

// Pure colours scattered so that no shift or flip looks alike, every channel 0 or 255 to survive each layout.
uint32_t pattern_pixel(int x, int y)
{
    const uint32_t colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0xFFFF00, 0x00FFFF, 0xFF00FF};
    return colours[(static_cast<uint32_t>(x) * 2654435761u ^ static_cast<uint32_t>(y) * 40503u) >> 13 & 7];
}

SDL_Window *shown_window()
{
    for (Uint32 id = 1; id < 256; ++id)
        if (SDL_Window *window = SDL_GetWindowFromID(id))
            return window;
    return nullptr;
}

// Whether the renderer shows the pattern at its largest size between black bars, each pixel sampled at its
// centre; only the channels' top bits count, as 5 or 6 bits widened back to 8 may round either way.
::testing::AssertionResult shows_pattern()
{
    SDL_Renderer *renderer = SDL_GetRenderer(shown_window());
    int width = 0, height = 0;
    if (!renderer || SDL_GetRendererOutputSize(renderer, &width, &height) != 0)
        return ::testing::AssertionFailure() << "no window with a renderer";
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    if (SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, pixels.data(), width * 4) != 0)
        return ::testing::AssertionFailure() << SDL_GetError();
    const double scale = std::min(width / 320.0, height / 240.0);
    const int left = (width - static_cast<int>(320 * scale)) / 2, top = (height - static_cast<int>(240 * scale)) / 2;
    for (int y = 0; y < height; y += 7)
        for (int x : {0, width - 1})
            if (left > 0 && (pixels[static_cast<size_t>(y) * width + x] & 0x00FFFFFF) != 0)
                return ::testing::AssertionFailure() << "no black bar at " << x << "," << y;
    for (int y = 0; y < 240; y += 3)
        for (int x = 0; x < 320; x += 3) {
            const int sx = left + static_cast<int>((x + 0.5) * scale), sy = top + static_cast<int>((y + 0.5) * scale);
            const uint32_t seen = pixels[static_cast<size_t>(sy) * width + sx] & 0xF0F0F0;
            if (seen != (pattern_pixel(x, y) & 0xF0F0F0))
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " shows " << std::hex << seen
                                                     << " instead of " << pattern_pixel(x, y);
        }
    return ::testing::AssertionSuccess();
}

// A key pressed or held, perhaps with modifiers, an event of the window, or another event.
void push(Uint32 type, int detail = 0, Uint8 repeat = 0, Uint16 modifiers = 0)
{
    SDL_Event e = {};
    e.type = type;
    if (type == SDL_KEYDOWN) {
        e.key.repeat = repeat;
        e.key.keysym.sym = detail;
        e.key.keysym.mod = modifiers;
    } else if (type == SDL_WINDOWEVENT) {
        e.window.event = static_cast<Uint8>(detail);
    }
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

    std::vector<uint32_t> pattern = [] {
        std::vector<uint32_t> frame(320 * 240);
        for (int i = 0; i < 320 * 240; ++i)
            frame[i] = pattern_pixel(i % 320, i / 320);
        return frame;
    }();
};

// Without a known layout or video there is no display and SDL's video is shut again; a screen offers its
// layout, two back buffers, and no mode of another depth.
TEST_F(SdlDisplay, OpensAFullScreenWindowInEachKnownLayoutShowingTheFrameUnchangedWhileFocused)
{
    const std::vector<uint32_t> black(320 * 240, 0);
    for (const char *unknown : {"DEMO_SCREEN_FORMAT", "SDL_VIDEODRIVER"}) {
        setenv(unknown, "unknown", 1);
        EXPECT_EQ(display_open("test", 320, 240), 0) << unknown;
        TearDown();
        EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    }
    for (const auto &[name, layout] : LAYOUTS) {
        SCOPED_TRACE(name);
        setenv("DEMO_SCREEN_FORMAT", name, 1);
        ASSERT_EQ(display_open("test", 320, 240), 1);
        const ScreenFormat f = sdl_screen().desktop().format;
        ScreenFormat other;
        EXPECT_EQ(std::make_tuple(f.bits, f.redMask, f.greenMask, f.blueMask, sdl_screen().grant_back_buffers(2),
                                  sdl_screen().set_mode(320, 240, layout.bits == 32 ? 24 : 32, &other)),
                  std::make_tuple(layout.bits, layout.redMask, layout.greenMask, layout.blueMask, true, false));
        const Uint32 fullScreen = SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_SHOWN;
        EXPECT_EQ(std::make_tuple(SDL_GetWindowFlags(shown_window()) & fullScreen,
                                  std::string(SDL_GetWindowTitle(shown_window())), SDL_ShowCursor(SDL_QUERY),
                                  SDL_IsScreenSaverEnabled()),
                  std::make_tuple(fullScreen, std::string("test"), SDL_DISABLE, SDL_FALSE));
        EXPECT_EQ(display_update(pattern.data()), 1);
        EXPECT_TRUE(shows_pattern());
        // SPACE crossfades, held or not; without focus nothing is presented.
        crossfadeLevel = 100.0f;
        push(SDL_KEYDOWN, SDLK_SPACE, name[0] == 'b');
        push(SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_LOST);
        EXPECT_EQ(display_update(black.data()), 1);
        EXPECT_EQ(crossfadeLevel, 1.0f);
        EXPECT_TRUE(shows_pattern());
        push(SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_GAINED);
        EXPECT_EQ(display_update(black.data()), 1);
        EXPECT_FALSE(shows_pattern());
        display_close();
        EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    }
}

// The dummy display of 1024x768 has room for three times the frame; the driver keeps no resizable flag, and
// only the program resizes. ESC, the close button and a quit request end the process.
TEST_F(SdlDisplay, OpensAWindowOfThreeTimesTheFrameLetterboxesItAfterAResizeAndEndsOnEscapeCloseOrQuit)
{
    ASSERT_EQ(display_open("test", 320, 240, true), 1);
    SDL_Window *window = shown_window();
    int width = 0, height = 0;
    SDL_GetWindowSize(window, &width, &height);
    EXPECT_EQ(std::make_tuple(SDL_GetWindowFlags(window) & (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_SHOWN),
                              SDL_ShowCursor(SDL_QUERY), SDL_IsScreenSaverEnabled(), width, height),
              std::make_tuple(Uint32{SDL_WINDOW_SHOWN}, SDL_ENABLE, SDL_TRUE, 960, 720));
    SDL_SetWindowSize(window, 800, 300);
    ASSERT_EQ(display_update(pattern.data()), 1);
    EXPECT_TRUE(shows_pattern());
    for (const auto &[type, detail] : {std::pair<Uint32, int>{SDL_KEYDOWN, SDLK_ESCAPE},
                                       {SDL_WINDOWEVENT, SDL_WINDOWEVENT_CLOSE}, {SDL_QUIT, 0}})
        EXPECT_EXIT((push(type, detail), display_update(pattern.data())), ::testing::ExitedWithCode(0), "music_stop")
            << "SDL event " << type;
}

// The window's picture is drawn in the window's own pixels, not scaled from the mode's; the screen waits for input
// and leaves it to be taken.
TEST_F(SdlDisplay, AltEnterSwitchesToAWindowAndBackShowingTheFrameEachWay)
{
    ASSERT_EQ(display_open("test", 320, 240), 1);
    for (const bool windowed : {true, false}) {
        SCOPED_TRACE(windowed ? "to a window" : "back to full-screen");
        push(SDL_KEYDOWN, SDLK_RETURN, 0, KMOD_LALT);
        ASSERT_EQ(display_update(pattern.data()), 1);
        int width = 0, height = 0;
        SDL_GetWindowSize(shown_window(), &width, &height);
        EXPECT_EQ(std::make_tuple(SDL_GetWindowFlags(shown_window()) & SDL_WINDOW_FULLSCREEN_DESKTOP, width, height),
                  windowed ? std::make_tuple(Uint32{0}, 960, 720)
                           : std::make_tuple(Uint32{SDL_WINDOW_FULLSCREEN_DESKTOP}, 1024, 768));
        EXPECT_TRUE(shows_pattern());
    }
    ScreenEvent event;
    while (sdl_screen().next_event(&event)) {
    }
    EXPECT_FALSE(sdl_screen().wait_event(0));
    push(SDL_KEYDOWN, SDLK_a);
    EXPECT_TRUE(sdl_screen().wait_event(1000));
    EXPECT_TRUE(sdl_screen().next_event(&event) && event.key == 'A');
}

} // namespace
