// convert_test.cpp - the row converters and the packed routines checked
// pixel by pixel against the results the eight screen layouts define, at
// unaligned addresses, with the bytes around the run left alone, and the
// choice of a converter from a screen format.
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

uint8_t red(uint32_t pixel) { return pixel >> 16 & 0xFF; }
uint8_t green(uint32_t pixel) { return pixel >> 8 & 0xFF; }
uint8_t blue(uint32_t pixel) { return pixel & 0xFF; }
// A 16-bit pixel of the top 5 bits of `high` and `low` around 5 or 6 of green.
Bytes Packed(int greenBits, uint8_t high, uint8_t low, uint32_t p)
{
    const uint32_t value = (high >> 3) << (5 + greenBits) | (green(p) >> (8 - greenBits)) << 5 | low >> 3;
    return {uint8_t(value), uint8_t(value >> 8)};
}

Bytes Rgb24(uint32_t p) { return {blue(p), green(p), red(p)}; }
Bytes Rgb565(uint32_t p) { return Packed(6, red(p), blue(p), p); }
Bytes Bgr565(uint32_t p) { return Packed(6, blue(p), red(p), p); }
Bytes Rgb555(uint32_t p) { return Packed(5, red(p), blue(p), p); }
Bytes Bgr555(uint32_t p) { return Packed(5, blue(p), red(p), p); }

// One converter under test, by the destination bytes its layout gives a
// source pixel; the packed routines take the destination first.
const struct Unit {
    const char *name;
    Converter convert;
    Bytes (*expect)(uint32_t pixel);
} units[] = {
    {"to_rgb32", to_rgb32, [](uint32_t p) { return Bytes{blue(p), green(p), red(p), uint8_t(p >> 24)}; }},
    {"to_bgr32", to_bgr32, [](uint32_t p) { return Bytes{red(p), green(p), blue(p), 0}; }},
    {"to_rgb24", to_rgb24, Rgb24},
    {"to_bgr24", to_bgr24, [](uint32_t p) { return Bytes{red(p), green(p), blue(p)}; }},
    {"to_rgb565", to_rgb565, Rgb565},
    {"to_bgr565", to_bgr565, Bgr565},
    {"to_rgb555", to_rgb555, Rgb555},
    {"to_bgr555", to_bgr555, Bgr555},
    {"mmx_to_rgb24", [](const void *s, void *d, int n) { mmx_to_rgb24(d, s, n); }, Rgb24},
    {"mmx_to_rgb565", [](const void *s, void *d, int n) { mmx_to_rgb565(d, s, n); }, Rgb565},
    {"mmx_to_bgr565", [](const void *s, void *d, int n) { mmx_to_bgr565(d, s, n); }, Bgr565},
    {"mmx_to_rgb555", [](const void *s, void *d, int n) { mmx_to_rgb555(d, s, n); }, Rgb555},
    {"mmx_to_bgr555", [](const void *s, void *d, int n) { mmx_to_bgr555(d, s, n); }, Bgr555},
};

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

// A buffer of guard bytes after `write` wrote a run of `length` bytes
// `offset` bytes past the first 16.
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
    for (const Unit &unit : units)
        for (int count : counts) {
            const std::vector<uint32_t> pixels = NoisyPixels(std::max(count, 0), 0x9E3779B9u + count);
            const uint8_t *bytes = reinterpret_cast<const uint8_t *>(pixels.data());
            Bytes want;
            for (uint32_t pixel : pixels) {
                const Bytes one = unit.expect(pixel);
                want.insert(want.end(), one.begin(), one.end());
            }
            for (size_t from = 0; from < 4; ++from)
                for (size_t to = 0; to < 4; ++to) {
                    Bytes source(from + 4 * pixels.size() + 1);
                    std::copy_n(bytes, 4 * pixels.size(), source.begin() + from);
                    ASSERT_EQ(Guarded(to, want.size(), [&](uint8_t *at) { unit.convert(&source[from], at, count); }),
                              Guarded(to, want.size(), [&](uint8_t *at) { std::copy(want.begin(), want.end(), at); }))
                        << unit.name << ": " << count << " pixels from +" << from << " to +" << to;
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
    const struct {
        uint32_t bits, red, green, blue;
        Converter converter;
    } served[] = {
        {32, 0x00FF0000, 0x0000FF00, 0x000000FF, to_rgb32}, {32, 0x000000FF, 0x0000FF00, 0x00FF0000, to_bgr32},
        {24, 0x00FF0000, 0x0000FF00, 0x000000FF, to_rgb24}, {24, 0x000000FF, 0x0000FF00, 0x00FF0000, to_bgr24},
        {16, 0xF800, 0x07E0, 0x001F, to_rgb565},             {16, 0x001F, 0x07E0, 0xF800, to_bgr565},
        {16, 0x7C00, 0x03E0, 0x001F, to_rgb555},             {16, 0x001F, 0x03E0, 0x7C00, to_bgr555},
    };
    for (const auto &f : served) {
        EXPECT_EQ(f.converter, converter_select(f.bits, f.red, f.green, f.blue)) << f.bits << " bits, red " << f.red;
        // Near misses: any one bit of the depth or a mask off.
        for (int bit = 0; bit < 32; ++bit) {
            const uint32_t flip = 1u << bit;
            EXPECT_EQ(nullptr, converter_select(f.bits ^ flip, f.red, f.green, f.blue));
            EXPECT_EQ(nullptr, converter_select(f.bits, f.red ^ flip, f.green, f.blue));
            EXPECT_EQ(nullptr, converter_select(f.bits, f.red, f.green ^ flip, f.blue));
            EXPECT_EQ(nullptr, converter_select(f.bits, f.red, f.green, f.blue ^ flip));
        }
    }
    EXPECT_EQ(nullptr, converter_select(8, 0, 0, 0)); // palette
}

} // namespace
