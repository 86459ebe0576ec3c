// display_bench.cpp - the cost of presenting one 320x240 frame: the whole
// display_update (pump, row conversion, flip, upload and draw) on SDL's
// dummy video driver, full-screen and in a window three times the frame's
// size (conversion and scaling, blits, upload and draw), beside the row
// conversion alone, for the 32-bit layout and the 16-bit ones.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "convert.h"
#include "ddraw.h"

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
BENCHMARK_CAPTURE(conversion_alone, rgb32, to_rgb32, 4)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(conversion_alone, rgb565, to_rgb565, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(conversion_alone, bgr555, to_bgr555, 2)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
