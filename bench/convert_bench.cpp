// convert_bench.cpp - the eight row converters on a 320x240 frame, row by
// row as the display presents it, beside memcpy of the frame and the same
// conversions done by pixman and by SDL_ConvertPixels. Each benchmark runs a
// few times and keeps its fastest run; a table of times per frame follows,
// with the instructions each of ours ran on. To see how an older processor
// fares, cap both sides: DEMO_INSTRUCTIONS=ssse3 (pixman has no AVX2 code),
// or DEMO_INSTRUCTIONS=sse2 with PIXMAN_DISABLE=ssse3.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "convert.h"

namespace {

const int width = 320, height = 240;
const int repetitions = 5;

// One screen layout, with the formats under which the peers produce the
// same bytes.
struct Layout {
    const char *name;
    Converter converter;
    int bytesPerPixel;
    pixman_format_code_t pixmanFormat;
    Uint32 sdlFormat;
};

const Layout layouts[] = {
    {"rgb32", to_rgb32, 4, PIXMAN_x8r8g8b8, SDL_PIXELFORMAT_RGB888},
    {"bgr32", to_bgr32, 4, PIXMAN_x8b8g8r8, SDL_PIXELFORMAT_BGR888},
    {"rgb24", to_rgb24, 3, PIXMAN_r8g8b8, SDL_PIXELFORMAT_BGR24},  // bytes B, G, R
    {"bgr24", to_bgr24, 3, PIXMAN_b8g8r8, SDL_PIXELFORMAT_RGB24},  // bytes R, G, B
    {"rgb565", to_rgb565, 2, PIXMAN_r5g6b5, SDL_PIXELFORMAT_RGB565},
    {"bgr565", to_bgr565, 2, PIXMAN_b5g6r5, SDL_PIXELFORMAT_BGR565},
    {"rgb555", to_rgb555, 2, PIXMAN_x1r5g5b5, SDL_PIXELFORMAT_RGB555},
    {"bgr555", to_bgr555, 2, PIXMAN_x1b5g5r5, SDL_PIXELFORMAT_BGR555},
};

// A frame as the demo draws it: 0x00RRGGBB words.
std::vector<uint32_t> makeFrame() {
    std::vector<uint32_t> frame(width * height);
    uint32_t seed = 2463534242u;
    for (uint32_t &pixel : frame) {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        pixel = seed & 0x00FFFFFF;
    }
    return frame;
}

const std::vector<uint32_t> frame = makeFrame();

// Destination frames are held in words so that pixman gets the alignment
// it needs.
std::vector<uint32_t> destinationFor(const Layout &layout) { return std::vector<uint32_t>(width * height * layout.bytesPerPixel / 4); }
int pitchOf(const Layout &layout) { return width * layout.bytesPerPixel; }

void convertOurs(const Layout &layout, void *destination) {
    auto *to = static_cast<unsigned char *>(destination);
    for (int y = 0; y < height; ++y)
        layout.converter(frame.data() + y * width, to + y * pitchOf(layout), width);
}

struct PixmanFrames {
    pixman_image_t *source, *destination;
    PixmanFrames(const Layout &layout, uint32_t *destinationBits)
        : source(pixman_image_create_bits(PIXMAN_x8r8g8b8, width, height, const_cast<uint32_t *>(frame.data()), width * 4)),
          destination(pixman_image_create_bits(layout.pixmanFormat, width, height, destinationBits, pitchOf(layout))) {}
    ~PixmanFrames() {
        pixman_image_unref(source);
        pixman_image_unref(destination);
    }
    void convert() { pixman_image_composite32(PIXMAN_OP_SRC, source, nullptr, destination, 0, 0, 0, 0, 0, 0, width, height); }
};

int convertSdl(const Layout &layout, void *destination) {
    return SDL_ConvertPixels(width, height, SDL_PIXELFORMAT_RGB888, frame.data(), width * 4, layout.sdlFormat, destination,
                             pitchOf(layout));
}

void benchMemcpy(benchmark::State &state) {
    std::vector<uint32_t> destination(frame.size());
    for (auto _ : state) {
        std::memcpy(destination.data(), frame.data(), frame.size() * 4);
        benchmark::DoNotOptimize(destination.data());
        benchmark::ClobberMemory();
    }
}

void benchOurs(benchmark::State &state, const Layout &layout) {
    std::vector<uint32_t> destination = destinationFor(layout);
    for (auto _ : state) {
        convertOurs(layout, destination.data());
        benchmark::DoNotOptimize(destination.data());
        benchmark::ClobberMemory();
    }
}

void benchPixman(benchmark::State &state, const Layout &layout) {
    std::vector<uint32_t> destination = destinationFor(layout);
    PixmanFrames images(layout, destination.data());
    for (auto _ : state) {
        images.convert();
        benchmark::DoNotOptimize(destination.data());
        benchmark::ClobberMemory();
    }
}

void benchSdl(benchmark::State &state, const Layout &layout) {
    std::vector<uint32_t> destination = destinationFor(layout);
    for (auto _ : state) {
        if (convertSdl(layout, destination.data()) != 0) {
            state.SkipWithError(SDL_GetError());
            break;
        }
        benchmark::DoNotOptimize(destination.data());
        benchmark::ClobberMemory();
    }
}

// Whether a peer's frame holds exactly our bytes, so that the times compare
// like with like.
const char *agreement(const Layout &layout) {
    std::vector<uint32_t> ours = destinationFor(layout), pixman = destinationFor(layout), sdl = destinationFor(layout);
    convertOurs(layout, ours.data());
    PixmanFrames(layout, pixman.data()).convert();
    const bool sdlOk = convertSdl(layout, sdl.data()) == 0;
    const bool pixmanSame = ours == pixman, sdlSame = sdlOk && ours == sdl;
    return pixmanSame ? (sdlSame ? "both" : "pixman") : (sdlSame ? "SDL" : "neither");
}

double fastest(const std::vector<double> &times) { return *std::min_element(times.begin(), times.end()); }

// Shows and keeps only the fastest repetition of each benchmark, in
// microseconds per frame.
class FastestRunReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> microseconds;

    void ReportRuns(const std::vector<Run> &runs) override {
        std::vector<Run> shown;
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "fastest") {
                shown.push_back(run);
                microseconds[run.run_name.function_name] = run.real_accumulated_time / run.iterations * 1e6;
            }
        if (!shown.empty())
            ConsoleReporter::ReportRuns(shown);
    }
};

void registerAll() {
    auto add = [](const std::string &name, auto function) {
        benchmark::RegisterBenchmark(name.c_str(), function)
            ->Unit(benchmark::kMicrosecond)
            ->MinTime(0.2)
            ->Repetitions(repetitions)
            ->ComputeStatistics("fastest", fastest);
    };
    add("memcpy", benchMemcpy);
    for (const Layout &layout : layouts) {
        add(std::string("ours/") + layout.name, [&layout](benchmark::State &state) { benchOurs(state, layout); });
        add(std::string("pixman/") + layout.name, [&layout](benchmark::State &state) { benchPixman(state, layout); });
        add(std::string("SDL/") + layout.name, [&layout](benchmark::State &state) { benchSdl(state, layout); });
    }
}

void printTable(const std::map<std::string, double> &microseconds) {
    auto time = [&](const std::string &name) {
        const auto found = microseconds.find(name);
        return found == microseconds.end() ? -1.0 : found->second;
    };
    const double copy = time("memcpy");
    std::printf("\n320x240 frame, fastest of %d runs; microseconds per frame (times memcpy, %.1f us)\n", repetitions, copy);
    std::printf("%-8s %-9s %18s %18s %18s  %-10s %s\n", "layout", "ours on", "ours", "pixman", "SDL", "fastest",
                "same bytes as ours");
    for (const Layout &layout : layouts) {
        const double ours = time(std::string("ours/") + layout.name), pixman = time(std::string("pixman/") + layout.name),
                     sdl = time(std::string("SDL/") + layout.name);
        char cells[3][32];
        const double values[3] = {ours, pixman, sdl};
        for (int i = 0; i < 3; ++i)
            std::snprintf(cells[i], sizeof cells[i], "%8.1f (%5.1fx)", values[i], values[i] / copy);
        const double bestPeer = pixman < sdl ? pixman : sdl;
        std::printf("%-8s %-9s %18s %18s %18s  %-10s %s\n", layout.name, converter_instructions(layout.converter),
                    cells[0], cells[1], cells[2],
                    ours <= bestPeer ? "ours" : (pixman < sdl ? "pixman" : "SDL"), agreement(layout));
    }
}

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    registerAll();
    FastestRunReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printTable(reporter.microseconds);
    benchmark::Shutdown();
    return 0;
}
