// display_bench.cpp - the cost of presenting one 320x240 frame: the whole
// display_update (pump, row conversion, flip, upload and draw) on SDL's
// video driver (dummy unless SDL_VIDEODRIVER says otherwise), full-screen
// and in a window three times the frame's size (conversion and scaling,
// blits, upload and draw); the same up to the moment the frame is handed
// to SDL's renderer, in each of the eight layouts; and the row conversion
// alone.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "convert.h"
#include "ddraw.h"
#include "screen.h"

float crossfadeLevel = 255.0f;

void music_stop() {}

namespace {

std::vector<uint32_t> noise_frame()
{
    std::vector<uint32_t> frame(320 * 240);
    uint32_t seed = 1;
    for (uint32_t &p : frame) {
        seed = seed * 1664525u + 1013904223u;
        p = seed >> 8;
    }
    return frame;
}

// The SDL screen with the renderer's part left out: a frame reaching
// present() is where the display hands it over.
class HandOff : public Screen {
public:
    bool wait_event(int milliseconds) override { return real.wait_event(milliseconds); }
    bool open() override { return real.open(); }
    void close() override { real.close(); }
    void show(const char *caption, HICON icon) override { real.show(caption, icon); }
    void hide() override { real.hide(); }
    ScreenDesktop desktop() override { return real.desktop(); }
    void show_window(const char *caption, HICON icon, const RECT &client) override
    {
        real.show_window(caption, icon, client);
    }
    RECT client_area() override { return real.client_area(); }
    void fill_window(const RECT &, uint32_t) override {}
    void present_window(const void *pixels, LONG, int, int, const RECT &) override
    {
        benchmark::DoNotOptimize(pixels);
    }
    bool set_mode(int width, int height, int bits, ScreenFormat *format) override
    {
        return real.set_mode(width, height, bits, format);
    }
    void restore_mode() override { real.restore_mode(); }
    bool grant_back_buffers(int count) override { return real.grant_back_buffers(count); }
    LONG pitch(int width, int bytesPerPixel) override { return real.pitch(width, bytesPerPixel); }
    bool lock_allowed() override { return real.lock_allowed(); }
    void present(const void *pixels, LONG) override { benchmark::DoNotOptimize(pixels); }
    bool next_event(ScreenEvent *event) override { return real.next_event(event); }
    void show_cursor(bool shown) override { real.show_cursor(shown); }
    void allow_screen_saver(bool allowed) override { real.allow_screen_saver(allowed); }

private:
    Screen &real = sdl_screen();
};

void display_update_in(benchmark::State &state, const char *layout, bool windowed)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("DEMO_SCREEN_FORMAT", layout, 1);
    if (!display_open("test", 320, 240, windowed)) {
        state.SkipWithError("display_open failed");
        display_close();
        return;
    }
    const std::vector<uint32_t> frame = noise_frame();
    for (auto _ : state)
        benchmark::DoNotOptimize(display_update(frame.data()));
    display_close();
    state.SetItemsProcessed(state.iterations() * 320 * 240);
}

void hand_off_in(benchmark::State &state, const char *layout, bool windowed)
{
    HandOff handOff;
    screen_install(&handOff);
    display_update_in(state, layout, windowed);
    screen_install(nullptr);
}

void conversion_alone(benchmark::State &state, Converter converter, int bytesPerPixel)
{
    const std::vector<uint32_t> frame = noise_frame();
    std::vector<uint8_t> surface(320 * 240 * bytesPerPixel);
    for (auto _ : state) {
        for (int row = 0; row < 240; ++row)
            converter(&frame[row * 320], &surface[row * 320 * bytesPerPixel], 320);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 320 * 240);
}

} // namespace

BENCHMARK_CAPTURE(display_update_in, rgb32, "rgb32", false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(display_update_in, rgb565, "rgb565", false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(display_update_in, bgr555, "bgr555", false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(display_update_in, rgb32_window, "rgb32", true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(display_update_in, rgb565_window, "rgb565", true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(hand_off_in, rgb32, "rgb32", false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(hand_off_in, bgr32, "bgr32", false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(hand_off_in, rgb24, "rgb24", false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(hand_off_in, bgr24, "bgr24", false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(hand_off_in, rgb565, "rgb565", false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(hand_off_in, bgr565, "bgr565", false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(hand_off_in, rgb555, "rgb555", false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(hand_off_in, bgr555, "bgr555", false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(hand_off_in, rgb32_window, "rgb32", true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(conversion_alone, rgb32, to_rgb32, 4)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(conversion_alone, rgb565, to_rgb565, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(conversion_alone, bgr555, to_bgr555, 2)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
