// convert_test.cpp - the row converters, the packed routines behind them and the choice of a converter.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <vector>

#include "convert.h"
#include "mmx.h"

namespace {

typedef std::vector<uint8_t> Bytes;

// Each screen layout, its converter and the packed routine behind it (destination first).
const struct Layout {
    uint32_t bits, red, green, blue;
    Converter converter, packed;
} layouts[] = {
    {32, 0x00FF0000, 0x0000FF00, 0x000000FF, to_rgb32, nullptr},
    {32, 0x000000FF, 0x0000FF00, 0x00FF0000, to_bgr32, nullptr},
    {24, 0x00FF0000, 0x0000FF00, 0x000000FF, to_rgb24, [](const void *s, void *d, int n) { mmx_to_rgb24(d, s, n); }},
    {24, 0x000000FF, 0x0000FF00, 0x00FF0000, to_bgr24, nullptr},
    {16, 0xF800, 0x07E0, 0x001F, to_rgb565, [](const void *s, void *d, int n) { mmx_to_rgb565(d, s, n); }},
    {16, 0x001F, 0x07E0, 0xF800, to_bgr565, [](const void *s, void *d, int n) { mmx_to_bgr565(d, s, n); }},
    {16, 0x7C00, 0x03E0, 0x001F, to_rgb555, [](const void *s, void *d, int n) { mmx_to_rgb555(d, s, n); }},
    {16, 0x001F, 0x03E0, 0x7C00, to_bgr555, [](const void *s, void *d, int n) { mmx_to_bgr555(d, s, n); }},
};

// The bytes a layout gives the pixels, little-endian: each channel's top bits in its mask; rgb32 copies the
// top byte too, the others leave it zero.
Bytes Expected(const Layout &layout, const std::vector<uint32_t> &pixels)
{
    Bytes bytes;
    for (uint32_t pixel : pixels) {
        uint32_t value = layout.converter == to_rgb32 ? pixel & 0xFF000000u : 0;
        const uint32_t channels[][2] = {{layout.red, pixel >> 16 & 0xFF}, {layout.green, pixel >> 8 & 0xFF},
                                        {layout.blue, pixel & 0xFF}};
        for (const auto &[mask, channel] : channels)
            value |= channel >> (8 - __builtin_popcount(mask)) << __builtin_ctz(mask);
        for (uint32_t shift = 0; shift < layout.bits; shift += 8)
            bytes.push_back(uint8_t(value >> shift));
    }
    return bytes;
}

// Pseudo-random words, every one with a non-zero top byte.
std::vector<uint32_t> NoisyPixels(size_t count, uint32_t seed)
{
    std::vector<uint32_t> pixels(count);
    for (uint32_t &pixel : pixels) {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        pixel = seed >> 24 ? seed : seed | 0x5A000000;
    }
    return pixels;
}

// Guard bytes after `write` wrote a run of `length` bytes `offset` bytes past the first 16.
Bytes Guarded(size_t offset, size_t length, const std::function<void(uint8_t *)> &write)
{
    Bytes buffer(16 + offset + length + 16, 0xA5);
    write(buffer.data() + 16 + offset);
    return buffer;
}

// Every run length through several groups of 4 and 8 and each remainder,
// and a few rows' worth, at every alignment; negative runs touch nothing.
TEST(Converters, EveryCountAtEveryAlignmentGivesTheLayoutsPixelsAndTouchesNothingElse)
{
    std::vector<int> counts = {63, 64, 65, 319, 320, 321, -1, -8, INT_MIN};
    for (int count = 0; count <= 40; ++count)
        counts.push_back(count);
    for (const Layout &layout : layouts)
        for (Converter convert : {layout.converter, layout.packed})
            for (int count : counts) {
                const std::vector<uint32_t> pixels = NoisyPixels(std::max(count, 0), 0x9E3779B9u + count);
                const Bytes want = Expected(layout, pixels);
                for (size_t from = 0; convert && from < 4; ++from)
                    for (size_t to = 0; to < 4; ++to) {
                        Bytes source(from + 4 * pixels.size() + 1);
                        std::copy_n(reinterpret_cast<const uint8_t *>(pixels.data()), 4 * pixels.size(), &source[from]);
                        ASSERT_EQ(Guarded(to, want.size(), [&](uint8_t *at) { convert(&source[from], at, count); }),
                                  Guarded(to, want.size(), [&](uint8_t *at) { std::copy(want.begin(), want.end(), at); }))
                            << "layout " << &layout - layouts << (convert == layout.packed ? " packed: " : ": ") << count
                            << " pixels from +" << from << " to +" << to;
                    }
            }
}

TEST(MmxCopy, CopiesEveryByteCountAtOddAddressesAndNothingForANegativeOne)
{
    const std::vector<uint32_t> words = NoisyPixels(64, 12345);
    const uint8_t *noise = reinterpret_cast<const uint8_t *>(words.data());
    std::vector<int> counts = {-1, -63, -64, INT_MIN};
    for (int count = 0; count <= 200; ++count)
        counts.push_back(count);
    for (int count : counts)
        for (size_t from : {1, 3})
            for (size_t to : {1, 5, 7}) {
                const size_t length = std::max(count, 0);
                ASSERT_EQ(Guarded(to, length, [&](uint8_t *at) { mmx_copy(at, noise + from, count); }),
                          Guarded(to, length, [&](uint8_t *at) { std::copy_n(noise + from, length, at); }))
                    << count << " bytes from +" << from << " to +" << to;
            }
}

TEST(ConverterSelect, EachLayoutGivesItsConverterAndAnyOtherNone)
{
    for (const Layout &f : layouts) {
        EXPECT_EQ(f.converter, converter_select(f.bits, f.red, f.green, f.blue)) << f.bits << " bits, red " << f.red;
        for (uint32_t bit = 0; bit < 4 * 32; ++bit) { // near misses: any one bit of the depth or a mask off
            uint32_t format[] = {f.bits, f.red, f.green, f.blue};
            format[bit / 32] ^= 1u << bit % 32;
            EXPECT_EQ(nullptr, converter_select(format[0], format[1], format[2], format[3]));
        }
    }
    EXPECT_EQ(nullptr, converter_select(8, 0, 0, 0)); // palette
}

} // namespace
