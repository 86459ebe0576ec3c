// memory_bench.cpp - the demo program's peak resident memory while it
// captures one second at scale 1: the bundled example, one huge picture of
// several shapes and many pictures, each beside the goal of 80 MB plus
// 320 KB per listed picture.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "png_files.h"

namespace {

const double goalBaseMB = 80;
const double goalMBPerPicture = 0.32;
// The bundled pics.dat lists six pictures.
const int examplePictures = 6;

struct Run {
    double peakMB = 0;
    double wallSeconds = 0;
    std::string error; // empty when the demo exited with 0
};

// wait4 rather than RUSAGE_CHILDREN, whose figure is the largest of all
// children so far.
Run RunDemo(const std::string &folder, const std::string &video)
{
    const char *const argv[] = {DEMO_BINARY, "--capture", video.c_str(), "--scale", "1",
                                "--seconds", "1", folder.c_str(), nullptr};
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&quiet, 1, 2);
    Run run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv[0], &quiet, nullptr, const_cast<char *const *>(argv), environ);
    posix_spawn_file_actions_destroy(&quiet);
    int status = 0;
    rusage usage = {};
    if (failed || wait4(pid, &status, 0, &usage) != pid) {
        run.error = "cannot run " DEMO_BINARY;
        return run;
    }
    run.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakMB = usage.ru_maxrss * 1024.0 / 1e6;
    if (WIFSIGNALED(status))
        run.error = "the demo was killed by signal " + std::to_string(WTERMSIG(status));
    else if (WEXITSTATUS(status) != 0)
        run.error = "the demo exited with code " + std::to_string(WEXITSTATUS(status));
    return run;
}

// libpng's error recovery returns here, so nothing with a destructor lives
// in this frame.
bool Encode(FILE *file, int width, int height, png_bytep row)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, row);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

// An opaque picture of one colour, which compresses a thousandfold,
// written a row at a time: the child's peak counts this process's own
// until it execs, so that must stay a few MB.
bool WritePicture(const std::string &path, int width, int height, int seed, std::string &error)
{
    const png_byte colour[4] = {png_byte(seed * 40), png_byte(seed * 3), png_byte(seed), 255};
    std::vector<png_byte> row(4 * size_t(width));
    for (size_t i = 0; i < row.size(); ++i)
        row[i] = colour[i % 4];
    FILE *file = std::fopen(path.c_str(), "wb");
    const bool written = file && Encode(file, width, height, row.data());
    if ((file && std::fclose(file) != 0) || !written)
        error = "cannot write " + path;
    return error.empty();
}

// pics.dat listing `names`, beside a copy of the bundled tune.
bool WriteShow(const TempDir &dir, const std::vector<std::string> &names, std::string &error)
{
    std::ofstream list(dir.File("pics.dat"));
    for (const std::string &name : names)
        list << name << '\n';
    std::error_code copyError;
    std::filesystem::copy_file(DEMO_EXAMPLE_DIR "/demo.xm", dir.File("demo.xm"), copyError);
    if (!list.flush() || copyError)
        error = "cannot write the show in " + dir.path();
    return error.empty();
}

// The capture of `folder` reported beside the goal; its peak, 0 when it failed.
double Measure(benchmark::State &state, const std::string &folder, int pictures)
{
    const TempDir videoDir;
    Run run;
    for (auto _ : state) {
        run = RunDemo(folder, videoDir.File("out.mkv"));
        if (!run.error.empty()) {
            state.SkipWithError(run.error.c_str());
            return 0;
        }
        state.SetIterationTime(run.wallSeconds);
    }
    state.counters["peak_MB"] = run.peakMB;
    state.counters["pictures"] = pictures;
    state.counters["goal_MB"] = goalBaseMB + goalMBPerPicture * pictures;
    return run.peakMB;
}

double examplePeakMB = 0;

// Measured once: by its own case, which runs first, or on first need when a
// filter leaves that out.
double ExamplePeakMB()
{
    if (examplePeakMB == 0) {
        const TempDir videoDir;
        const Run run = RunDemo(DEMO_EXAMPLE_DIR, videoDir.File("out.mkv"));
        examplePeakMB = run.error.empty() ? run.peakMB : 0;
    }
    return examplePeakMB;
}

void ReportAboveExample(benchmark::State &state, double peakMB, int pictures)
{
    const double exampleMB = ExamplePeakMB();
    if (peakMB > 0 && exampleMB > 0)
        state.counters["MB_per_picture_above_example"] = (peakMB - exampleMB) / pictures;
}

void Example(benchmark::State &state)
{
    examplePeakMB = Measure(state, DEMO_EXAMPLE_DIR, examplePictures);
}
BENCHMARK(Example)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void OnePicture(benchmark::State &state)
{
    const TempDir dir;
    std::string error;
    if (!WritePicture(dir.File("picture.png"), int(state.range(0)), int(state.range(1)), 0, error) ||
        !WriteShow(dir, {"picture.png"}, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    ReportAboveExample(state, Measure(state, dir.path(), 1), 1);
}
BENCHMARK(OnePicture)->Args({16384, 16384})->Args({16384, 240})->Args({320, 16384})->Args({4099, 3001})
    ->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// Each picture differs, so that nothing shared between them hides a cost.
void ManyPictures(benchmark::State &state)
{
    const int count = int(state.range(0));
    const TempDir dir;
    std::vector<std::string> names;
    std::string error;
    for (int i = 0; i < count && error.empty(); ++i) {
        names.push_back("picture" + std::to_string(i) + ".png");
        WritePicture(dir.File(names.back()), 640, 480, i, error);
    }
    if (!error.empty() || !WriteShow(dir, names, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    ReportAboveExample(state, Measure(state, dir.path(), count), count);
}
BENCHMARK(ManyPictures)->Arg(200)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
