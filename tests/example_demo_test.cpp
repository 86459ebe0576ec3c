// example_demo_test.cpp - the bundled demo in example/, read with libpng and
// libopenmpt rather than through the tools that wrote it.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kDir = EXAMPLE_DIR "/";

std::string Slurp(const std::string &name)
{
    std::ifstream in(kDir + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Headers only: the window test loads every picture through the demo's own loader.
TEST(ExampleDemo, VariedPicturesAndOneEvenlySpacedZ00EachInAMinuteOrLessUnclipped)
{
    const std::string list = Slurp("pics.dat");
    ASSERT_FALSE(list.empty());
    EXPECT_TRUE(list.back() == '\n' && list.find('\r') == std::string::npos) << "LF line ends only";
    std::istringstream names(list);
    size_t count = 0;
    std::set<std::pair<uint32_t, uint32_t>> sizes;
    png_uint_32 formats = 0, greyFormats = 0;
    bool largerThanScreen = false;
    for (std::string name; std::getline(names, name); ++count) {
        png_image image = {};
        image.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_file(&image, (kDir + name).c_str())) << name;
        sizes.insert({image.width, image.height});
        largerThanScreen |= image.width > 320 && image.height > 240;
        formats |= image.format;
        greyFormats |= ~image.format & PNG_FORMAT_FLAG_COLOR;
        png_image_free(&image);
    }
    ASSERT_GE(count, 5u);
    EXPECT_EQ(sizes.size(), count) << "every picture has its own size";
    EXPECT_TRUE(formats & PNG_FORMAT_FLAG_ALPHA) << "a picture with transparency";
    EXPECT_TRUE(formats & PNG_FORMAT_FLAG_COLORMAP) << "a palette picture";
    EXPECT_TRUE(greyFormats) << "a greyscale picture";
    EXPECT_TRUE(largerThanScreen);

    const std::string bytes = Slurp("demo.xm");
    openmpt_module *m = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr,
                                                           nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(m, nullptr);
    // Rows from the start of the song to each Z00 it plays, in order-list order.
    std::vector<long> rows;
    long songRows = 0;
    for (int order = 0; order < openmpt_module_get_num_orders(m); ++order) {
        const int pattern = openmpt_module_get_order_pattern(m, order);
        for (int row = 0; row < openmpt_module_get_pattern_num_rows(m, pattern); ++row, ++songRows)
            for (int ch = 0; ch < openmpt_module_get_num_channels(m); ++ch) {
                const char *effect = openmpt_module_format_pattern_row_channel_command(
                    m, pattern, row, ch, OPENMPT_MODULE_COMMAND_EFFECT);
                if (effect && std::strcmp(effect, "Z") == 0 &&
                    openmpt_module_get_pattern_row_channel_command(m, pattern, row, ch,
                                                                   OPENMPT_MODULE_COMMAND_PARAMETER) == 0)
                    rows.push_back(songRows);
                openmpt_free_string(effect);
            }
    }
    ASSERT_EQ(rows.size(), count);
    // The first picture shows from the start; the first Z00 brings the second.
    const long gap = rows[0];
    EXPECT_GT(gap, 0);
    for (size_t i = 1; i + 1 < rows.size(); ++i)
        EXPECT_EQ(rows[i] - rows[i - 1], gap);
    const long lastGap = rows.back() - rows[rows.size() - 2];
    EXPECT_TRUE(lastGap >= gap && lastGap <= gap * 3 / 2) << lastGap << " rows after " << gap;
    EXPECT_EQ(rows.back(), songRows - 1);

    const double seconds = openmpt_module_get_duration_seconds(m);
    EXPECT_TRUE(seconds >= 40 && seconds <= 60) << seconds;
    float peak = 0;
    std::vector<float> block(2 * 4096);
    for (size_t n; (n = openmpt_module_read_interleaved_float_stereo(m, 44100, 4096, block.data())) > 0;)
        for (size_t i = 0; i < 2 * n; ++i)
            peak = std::max(peak, std::fabs(block[i]));
    EXPECT_TRUE(peak > 0.2f && peak < 0.98f) << peak;
    openmpt_module_destroy(m);
}

} // namespace
