// edit_bench.cpp - the edit window's answers over SDL's dummy drivers, with a five-minute tune of 40 orders on
// eight channels: from a jump key to the first frame of the new place, from a picture saved to the first frame
// that shows it, the walk that a saved tune costs, and the processor a paused window takes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>

#include "ddraw.h"
#include "edit.h"
#include "frame_reference.h"
#include "synka.h"
#include "test.h"
#include "timeline.h"
#include "tracker_sound_clock.h"
#include "xm_test_songs.h"

namespace {

using Clock = std::chrono::steady_clock;

// SDL_VIDEODRIVER=x11 under Xvfb measures a real window; its wait for input sleeps, where the dummy
// driver's looks every millisecond.
const bool headless = (setenv("SDL_VIDEODRIVER", "dummy", 0), setenv("SDL_AUDIODRIVER", "dummy", 1), true);

// The session, opened once in a folder of its own: six pictures and the tune.
bool OpenSession()
{
    static bool opened = [] {
        const std::filesystem::path dir = std::filesystem::temp_directory_path() / "edit_bench";
        std::filesystem::create_directories(dir);
        std::string list;
        for (int i = 0; i < 6; ++i) {
            WriteSolidPng((dir / (std::to_string(i) + ".png")).string(), 200, 150, 0xFF000000u | (0x3F << (4 * i)));
            list += std::to_string(i) + ".png\n";
        }
        WriteText((dir / "pics.dat").string(), list);
        xm_save(xm_busy_song(40, 8), (dir / "demo.xm").c_str());
        std::filesystem::current_path(dir);
        return display_open("test", SCREEN_WIDTH, SCREEN_HEIGHT, true) && music_start_offline(48000) &&
               EditStart({dir.string(), nullptr}) == 0;
    }();
    return opened;
}

void BM_JumpKeyToFirstFrame(benchmark::State &state)
{
    if (!OpenSession()) {
        state.SkipWithError("no session");
        return;
    }
    const unsigned keys[] = {VK_NEXT, VK_RIGHT, VK_NEXT, VK_LEFT, VK_PRIOR, VK_HOME};
    size_t next = 0;
    int16_t samples[2 * 800];
    for (auto _ : state) {
        EditKey(keys[next++ % 6]);
        EditStep();
        state.PauseTiming();
        tracker_sound_pull(samples, 800);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_JumpKeyToFirstFrame)->Unit(benchmark::kMillisecond);

// From the picture on screen being rewritten in another colour to the first frame that shows it, the music
// played meanwhile at real time; the looks come four times a second.
void BM_SavedPictureToFirstFrame(benchmark::State &state)
{
    if (!OpenSession()) {
        state.SkipWithError("no session");
        return;
    }
    EditKey(VK_HOME);
    EditStep();
    int16_t samples[2 * 800];
    int round = 0;
    for (auto _ : state) {
        const std::string name = "1.png";
        const uint32_t color = 0xFF000000u | (++round % 2 ? 0x00FF00u : 0x0000FFu);
        const Clock::time_point saved = Clock::now();
        WriteSolidPng(name, 200, 150, color);
        for (;;) {
            tracker_sound_pull(samples, 800);
            EditStep();
            if ((currentPicture->pixels[0] | 0xFF000000u) == color)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(16));
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - saved).count());
    }
}
BENCHMARK(BM_SavedPictureToFirstFrame)->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);

// The walk that a saved tune costs before it plays on, five minutes of it.
void BM_WalkOfTheTune(benchmark::State &state)
{
    if (!OpenSession()) {
        state.SkipWithError("no session");
        return;
    }
    for (auto _ : state) {
        Timeline timeline;
        std::string error;
        benchmark::DoNotOptimize(LoadTimeline("demo.xm", timeline, error));
    }
}
BENCHMARK(BM_WalkOfTheTune)->Unit(benchmark::kMillisecond)->Iterations(3);

// Two seconds of a paused window: the share of one core its process takes.
void BM_PausedWindowCpu(benchmark::State &state)
{
    if (!OpenSession()) {
        state.SkipWithError("no session");
        return;
    }
    EditKey('P');
    EditStep();
    double share = 0;
    for (auto _ : state) {
        const std::clock_t cpu = std::clock();
        const Clock::time_point start = Clock::now();
        while (Clock::now() - start < std::chrono::seconds(2))
            EditStep();
        share = double(std::clock() - cpu) / CLOCKS_PER_SEC / std::chrono::duration<double>(Clock::now() - start).count();
    }
    state.counters["core_percent"] = 100 * share;
    EditKey('P');
    EditStep();
}
BENCHMARK(BM_PausedWindowCpu)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
