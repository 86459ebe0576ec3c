// capture_bench.cpp - how fast the bundled show is captured, as a multiple
// of real time: the whole program capturing the whole show into each kind
// of file, beside the video encoder alone on ten seconds' worth of drawn
// frames, which shows how much of the time is the encoder's.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "capture.h"
#include "test.h"
#include "video_file.h"

namespace {

// The bundled show ends with the Z00 on the first sample of frame 2872.
const int showFrames = 2872;
const int encoderFrames = 600;

void report(benchmark::State &state, int frames, double wallSeconds, const std::string &file)
{
    state.SetIterationTime(wallSeconds);
    state.counters["x_real_time"] = frames / (wallSeconds * captureFramesPerSecond);
    state.counters["frames_per_s"] = frames / wallSeconds;
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
}

void WholeCapture(benchmark::State &state, const char *extension)
{
    const std::string file = (std::filesystem::temp_directory_path() / "capture_bench").string() + extension;
    const std::string command = "cd '" DEMO_EXAMPLE_DIR "' && " DEMO_BINARY " --capture '" + file + "' --scale " +
                                std::to_string(state.range(0)) + " 2>/dev/null";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("the capture failed");
            return;
        }
        report(state, showFrames, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
               file);
    }
    std::filesystem::remove(file);
}
BENCHMARK_CAPTURE(WholeCapture, mkv, ".mkv")->Arg(1)->Arg(4)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(WholeCapture, mp4, ".mp4")->Arg(4)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// The frames are the show's background, drawn ahead so that only encoding
// is timed; the audio is silence.
void EncoderAlone(benchmark::State &state, VideoKind kind, const char *extension)
{
    const std::string file = (std::filesystem::temp_directory_path() / "encoder_bench").string() + extension;
    BuildPalette(palette);
    std::vector<std::vector<uint32_t>> drawn(60);
    for (size_t i = 0; i < drawn.size(); ++i) {
        DrawBackground(palette, static_cast<int>(i * 5 % 320));
        drawn[i].assign(pixel, pixel + SCREEN_WIDTH * SCREEN_HEIGHT);
    }
    const int sliceFrames = captureSampleRate / captureFramesPerSecond;
    const int16_t silence[2 * sliceFrames] = {};
    const VideoLayout layout = {SCREEN_WIDTH, SCREEN_HEIGHT, static_cast<int>(state.range(0)), captureFramesPerSecond,
                                captureSampleRate};
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        std::string error = "cannot create " + file;
        const int descriptor = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        VideoFile *video = descriptor < 0 ? nullptr : video_file_open(descriptor, kind, layout, error);
        bool ok = video != nullptr;
        for (int i = 0; ok && i < encoderFrames; ++i)
            ok = video_file_add(video, drawn[i % drawn.size()].data(), silence, sliceFrames, error);
        ok = video && video_file_finish(video, error) && ok;
        if (descriptor >= 0)
            close(descriptor);
        if (!ok) {
            state.SkipWithError(error.c_str());
            return;
        }
        report(state, encoderFrames,
               std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), file);
    }
    std::filesystem::remove(file);
}
BENCHMARK_CAPTURE(EncoderAlone, mkv, VideoKind::Matroska, ".mkv")->Arg(1)->Arg(4)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(EncoderAlone, mp4, VideoKind::Mp4, ".mp4")->Arg(4)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
