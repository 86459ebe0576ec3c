// frame_bench.cpp - the cost of one frame: each drawing step on its own
// (background, step, flash, picture, crossfade), the whole drawn frame, its
// conversion to 32 and 16 bits, and, over SDL's dummy drivers with the
// bundled example, the frame loop's rate and the time from start to the
// first presented picture.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <iterator>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>

#include "convert.h"
#include "ddraw.h"
#include "synka.h"
#include "test.h"

namespace {

Picture *SolidPicture(int width, int height, uint32_t color)
{
    Picture *picture = new Picture;
    picture->width = width;
    picture->height = height;
    picture->bpp = 32;
    picture->pixels = new uint32_t[std::size_t(width) * height];
    for (int i = 0; i < width * height; ++i)
        picture->pixels[i] = color ^ uint32_t(i * 2654435761u & 0x00FFFFFFu);
    return picture;
}

// The yardsticks: the runtime's rand called once per background pixel, and
// a copy of the whole screen buffer.
void RuntimeRandPerPixel(benchmark::State &state)
{
    for (auto _ : state)
        for (int i = 0; i < SCREEN_WIDTH * SCREEN_HEIGHT; ++i)
            benchmark::DoNotOptimize(rand());
}
BENCHMARK(RuntimeRandPerPixel);

void ScreenCopy(benchmark::State &state)
{
    static uint32_t copy[SCREEN_WIDTH * SCREEN_HEIGHT];
    for (auto _ : state) {
        std::memcpy(copy, pixel, sizeof pixel);
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(ScreenCopy);

void Background(benchmark::State &state)
{
    BuildPalette(palette);
    int step = 0;
    for (auto _ : state) {
        DrawBackground(palette, step);
        step = (step + 37) % 320;
        benchmark::DoNotOptimize(pixel);
    }
}
BENCHMARK(Background);

void PaletteStep(benchmark::State &state)
{
    int step = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(step = UpdatePaletteStep(step));
}
BENCHMARK(PaletteStep);

void FlashStep(benchmark::State &state)
{
    for (auto _ : state) {
        Flash();
        benchmark::DoNotOptimize(pixel);
    }
}
BENCHMARK(FlashStep);

// A picture of width × height with opacity state.range(2).
void CentredPicture(benchmark::State &state)
{
    std::unique_ptr<Picture> picture(
        SolidPicture(int(state.range(0)), int(state.range(1)), uint32_t(state.range(2)) << 24));
    for (auto _ : state) {
        DrawPicture(*picture);
        benchmark::DoNotOptimize(pixel);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(CentredPicture)->Args({200, 150, 0x80})->Args({320, 240, 0xFF})->Args({320, 240, 0x80})->Args({400, 300, 0x80});

void CrossfadeFrame(benchmark::State &state)
{
    Lista<Picture *> list;
    list.Add(SolidPicture(320, 240, 0xFF000000u));
    list.Add(SolidPicture(int(state.range(0)), int(state.range(1)), 0xFF000000u));
    currentPicture = list.Next();
    for (auto _ : state) {
        crossfadeLevel = 128.0f;
        CrossfadeStep(list, 0.0);
        benchmark::DoNotOptimize(pixel);
    }
    crossfadeLevel = 255.0f;
    currentPicture = nullptr;
}
BENCHMARK(CrossfadeFrame)->Args({320, 240})->Args({400, 300});

// Background, step, flash, timer and a 200 × 150 half-transparent picture.
void WholeFrame(benchmark::State &state)
{
    std::unique_ptr<Picture> picture(SolidPicture(200, 150, 0x80000000u));
    BuildPalette(palette);
    currentPicture = picture.get();
    for (auto _ : state) {
        DrawFrame();
        benchmark::DoNotOptimize(pixel);
    }
    currentPicture = nullptr;
}
BENCHMARK(WholeFrame);

// The presenter's row loop with one converter, into a packed screen.
void ConvertFrame(benchmark::State &state, Converter converter, int bytesPerPixel)
{
    std::unique_ptr<unsigned char[]> screen(new unsigned char[SCREEN_WIDTH * SCREEN_HEIGHT * bytesPerPixel]);
    for (auto _ : state) {
        for (int y = 0; y < SCREEN_HEIGHT; ++y)
            converter(pixel + y * SCREEN_WIDTH, screen.get() + y * SCREEN_WIDTH * bytesPerPixel, SCREEN_WIDTH);
        benchmark::DoNotOptimize(screen.get());
    }
}
BENCHMARK_CAPTURE(ConvertFrame, rgb32, to_rgb32, 4);
BENCHMARK_CAPTURE(ConvertFrame, rgb565, to_rgb565, 2);

// Start-up as the program runs it, from opening the display to the first
// presented frame, with the bundled pictures and module; then shut down.
void StartToFirstPicture(benchmark::State &state)
{
    for (auto _ : state) {
        Lista<Picture *> list;
        if (!display_open("test", SCREEN_WIDTH, SCREEN_HEIGHT)) {
            state.SkipWithError("cannot open the display");
            return;
        }
        std::fill(std::begin(pixel), std::end(pixel), 0u);
        display_update(pixel);
        frameTimer.Reset();
        if (!LoadPictureList("pics.dat", list)) {
            state.SkipWithError("cannot load the example");
            return;
        }
        BuildPalette(palette);
        paletteStep = 0;
        currentPicture = list.Next();
        music_start(1);
        DrawFrame();
        display_update(pixel);

        state.PauseTiming();
        music_stop();
        display_close();
        currentPicture = nullptr;
        state.ResumeTiming();
    }
}
BENCHMARK(StartToFirstPicture)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// The frame loop with the display and the music running: frames per second
// is its items per second. The music's endings are restarted, so that the
// loop runs for as long as the measurement needs.
void FrameLoop(benchmark::State &state)
{
    if (!display_open("test", SCREEN_WIDTH, SCREEN_HEIGHT)) {
        state.SkipWithError("cannot open the display");
        return;
    }
    BuildPalette(palette);
    pictures.current = &pictures;
    currentPicture = pictures.Next();
    music_start(1);
    for (auto _ : state) {
        if (!NextFrame()) {
            running = true;
            crossfadeLevel = 255.0f;
            continue;
        }
        display_update(pixel);
    }
    music_stop();
    display_close();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(FrameLoop)->MinTime(3.0)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (chdir(DEMO_EXAMPLE_DIR) != 0 || !LoadPictureList("pics.dat", pictures))
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
