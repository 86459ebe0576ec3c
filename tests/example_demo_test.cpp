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

TEST(ExamplePictures, ListNamesFiveOrMoreDecodablePngsOfVariedForms) {
    const std::vector<uint8_t> text = read_file(kDir + "pics.dat");
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 0) << "LF line ends only";

    const std::vector<std::string> names = picture_names();
    ASSERT_GE(names.size(), 5u);
    std::set<std::pair<uint32_t, uint32_t>> sizes;
    png_uint_32 formats = 0, greyFormats = 0;
    bool largerThanScreen = false;
    for (const std::string &name : names) {
        SCOPED_TRACE(name);
        png_image image;
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_file(&image, (kDir + name).c_str())) << "libpng cannot read it";
        sizes.insert({image.width, image.height});
        largerThanScreen |= image.width > 320 && image.height > 240;
        formats |= image.format;
        greyFormats |= ~image.format & PNG_FORMAT_FLAG_COLOR;
        image.format = PNG_FORMAT_RGBA;
        std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
        EXPECT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) << "libpng cannot decode it";
        png_image_free(&image);
    }
    EXPECT_EQ(sizes.size(), names.size()) << "every picture has its own size";
    EXPECT_TRUE(formats & PNG_FORMAT_FLAG_ALPHA) << "a picture with transparency";
    EXPECT_TRUE(formats & PNG_FORMAT_FLAG_COLORMAP) << "a palette picture";
    EXPECT_TRUE(greyFormats) << "a greyscale picture";
    EXPECT_TRUE(largerThanScreen);
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
