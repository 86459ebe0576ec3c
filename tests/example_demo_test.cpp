// example_demo_test.cpp - the bundled demo in example/ as the demo will meet
// it: "pics.dat" names PNG files of varied forms, and "demo.xm" plays for
// 40-60 seconds at sane levels with exactly one Z00 per picture, evenly
// spaced and the last at the tune's end. Reads the files with libopenmpt and
// libpng, independently of the tools that wrote them.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

const std::string kDir = EXAMPLE_DIR "/";
constexpr int kRate = 44100;

std::vector<uint8_t> read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> picture_names() {
    std::ifstream in(kDir + "pics.dat", std::ios::binary);
    std::vector<std::string> names;
    for (std::string line; std::getline(in, line);) names.push_back(line);
    return names;
}

struct ModuleDeleter {
    void operator()(openmpt_module *m) const { openmpt_module_destroy(m); }
};
using Module = std::unique_ptr<openmpt_module, ModuleDeleter>;

Module load_module() {
    const std::vector<uint8_t> bytes = read_file(kDir + "demo.xm");
    return Module(openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr, nullptr,
                                                     nullptr, nullptr, nullptr));
}

// Rows from the start of the song to each Z00 it plays, walking the order list.
struct SyncWalk {
    std::vector<long> rows;
    long songRows = 0;
    int rowsWithTwo = 0;
};

SyncWalk walk_syncs(openmpt_module *m) {
    SyncWalk walk;
    for (int order = 0; order < openmpt_module_get_num_orders(m); ++order) {
        const int pattern = openmpt_module_get_order_pattern(m, order);
        for (int row = 0; row < openmpt_module_get_pattern_num_rows(m, pattern); ++row, ++walk.songRows) {
            int here = 0;
            for (int ch = 0; ch < openmpt_module_get_num_channels(m); ++ch) {
                const char *effect =
                    openmpt_module_format_pattern_row_channel_command(m, pattern, row, ch, OPENMPT_MODULE_COMMAND_EFFECT);
                const bool isZ = effect && std::strcmp(effect, "Z") == 0;
                openmpt_free_string(effect);
                if (isZ && openmpt_module_get_pattern_row_channel_command(m, pattern, row, ch,
                                                                          OPENMPT_MODULE_COMMAND_PARAMETER) == 0) {
                    walk.rows.push_back(walk.songRows);
                    ++here;
                }
            }
            if (here > 1) ++walk.rowsWithTwo;
        }
    }
    return walk;
}

struct PngHeader {
    uint32_t width = 0, height = 0;
    int bitDepth = 0, colorType = -1;
    bool hasTrns = false;
};

uint32_t be32(const std::vector<uint8_t> &b, size_t at) {
    return static_cast<uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

// Reads IHDR and looks for tRNS by walking the chunk list.
bool parse_png(const std::vector<uint8_t> &b, PngHeader &h) {
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (b.size() < 33 || std::memcmp(b.data(), signature, 8) != 0 || std::memcmp(&b[12], "IHDR", 4) != 0) return false;
    h.width = be32(b, 16);
    h.height = be32(b, 20);
    h.bitDepth = b[24];
    h.colorType = b[25];
    for (size_t at = 8; at + 8 <= b.size(); at += 12 + be32(b, at))
        if (std::memcmp(&b[at + 4], "tRNS", 4) == 0) h.hasTrns = true;
    return true;
}

// Share of pixels whose opacity lies strictly between clear and opaque.
double soft_alpha_share(const std::string &path) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return -1;
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return -1;
    }
    size_t soft = 0;
    for (size_t i = 3; i < pixels.size(); i += 4)
        if (pixels[i] > 0 && pixels[i] < 255) ++soft;
    return static_cast<double>(soft) / (pixels.size() / 4);
}

TEST(ExamplePictures, ListNamesFiveOrMoreDecodablePngsOfVariedForms) {
    const std::vector<uint8_t> text = read_file(kDir + "pics.dat");
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 0) << "LF line ends only";

    const std::vector<std::string> names = picture_names();
    ASSERT_GE(names.size(), 5u);
    std::set<int> colorTypes;
    std::set<std::pair<uint32_t, uint32_t>> sizes;
    bool largerThanScreen = false, paletteWithTrns = false, sixteenBit = false;
    int softEdged = 0;
    for (const std::string &name : names) {
        SCOPED_TRACE(name);
        EXPECT_GE(name.size(), 3u);
        const std::vector<uint8_t> bytes = read_file(kDir + name);
        EXPECT_LT(bytes.size(), 200u * 1024);
        PngHeader h;
        ASSERT_TRUE(parse_png(bytes, h));
        colorTypes.insert(h.colorType);
        sizes.insert({h.width, h.height});
        largerThanScreen |= h.width > 320 && h.height > 240;
        paletteWithTrns |= h.colorType == 3 && h.hasTrns;
        sixteenBit |= h.bitDepth == 16;
        const double share = soft_alpha_share(kDir + name);
        ASSERT_GE(share, 0.0) << "libpng cannot decode it";
        softEdged += share > 0.05;
    }
    EXPECT_EQ(sizes.size(), names.size()) << "every picture has its own size";
    EXPECT_TRUE(colorTypes.count(2)) << "opaque truecolour";
    EXPECT_TRUE(colorTypes.count(6)) << "truecolour with alpha";
    EXPECT_TRUE(colorTypes.count(0) || colorTypes.count(4)) << "greyscale";
    EXPECT_TRUE(paletteWithTrns);
    EXPECT_TRUE(largerThanScreen);
    EXPECT_TRUE(sixteenBit);
    EXPECT_GE(softEdged, 3) << "pictures with soft alpha edges";
}

TEST(ExampleModule, OneZ00PerPictureEvenlySpacedAndTheLastEndsTheTune) {
    Module m = load_module();
    ASSERT_TRUE(m);
    const SyncWalk walk = walk_syncs(m.get());
    EXPECT_EQ(walk.rows.size(), picture_names().size());
    EXPECT_EQ(walk.rowsWithTwo, 0);
    ASSERT_GE(walk.rows.size(), 2u);
    const long first = walk.rows[0];
    EXPECT_GT(first, 0) << "the first picture shows from the start; the first Z00 brings the second";
    for (size_t i = 1; i + 1 < walk.rows.size(); ++i) EXPECT_EQ(walk.rows[i] - walk.rows[i - 1], first);
    const long lastGap = walk.rows.back() - walk.rows[walk.rows.size() - 2];
    EXPECT_GE(lastGap, first);
    EXPECT_LE(lastGap, first * 3 / 2);
    EXPECT_EQ(walk.rows.back(), walk.songRows - 1) << "the last Z00 sits on the tune's last row";
}

TEST(ExampleModule, PlaysForAMinuteOrLessWithoutClippingOrSilentStretches) {
    Module m = load_module();
    ASSERT_TRUE(m);
    const double seconds = openmpt_module_get_duration_seconds(m.get());
    EXPECT_GE(seconds, 40.0);
    EXPECT_LE(seconds, 60.0);
    EXPECT_GE(openmpt_module_get_num_instruments(m.get()), 6);
    EXPECT_GE(openmpt_module_get_num_patterns(m.get()), 3);

    std::vector<float> audio;
    std::vector<float> block(2 * 4096);
    for (size_t n; (n = openmpt_module_read_interleaved_float_stereo(m.get(), kRate, 4096, block.data())) > 0;)
        audio.insert(audio.end(), block.begin(), block.begin() + 2 * n);
    ASSERT_GT(audio.size(), 2u * 40 * kRate);

    float peak = 0;
    for (float s : audio) peak = std::max(peak, std::fabs(s));
    EXPECT_LT(peak, 0.98f);
    EXPECT_GT(peak, 0.2f);

    // Every second-long stretch but the fading tail is clearly audible.
    const size_t second = 2 * kRate;
    for (size_t start = 0; start + second <= audio.size() - 2 * second; start += second) {
        double sum = 0;
        for (size_t i = start; i < start + second; ++i) sum += audio[i] * audio[i];
        EXPECT_GT(std::sqrt(sum / second), 0.01) << "quiet at " << start / second << " s";
    }
}

} // namespace
