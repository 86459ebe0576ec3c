// convert_test.cpp - the row converters and the packed routines checked
// pixel by pixel against the results the eight screen layouts define, at
// unaligned addresses, with the bytes around the run left alone, and the
// choice of a converter from a screen format.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include "convert.h"
#include "mmx.h"

namespace {

typedef std::vector<uint8_t> Bytes;

uint32_t red(uint32_t pixel) { return pixel >> 16 & 0xFF; }
uint32_t green(uint32_t pixel) { return pixel >> 8 & 0xFF; }
uint32_t blue(uint32_t pixel) { return pixel & 0xFF; }
Bytes littleEndian16(uint32_t value) { return {uint8_t(value), uint8_t(value >> 8)}; }

// One converter under test, by the destination bytes its layout gives a
// source pixel.
struct Unit {
    const char *name;
    Converter convert;
    int bytesPerPixel;
    Bytes (*expect)(uint32_t pixel);
};

const Unit units[] = {
    {"to_rgb32", to_rgb32, 4, [](uint32_t p) { return Bytes{uint8_t(p), uint8_t(p >> 8), uint8_t(p >> 16), uint8_t(p >> 24)}; }},
    {"to_bgr32", to_bgr32, 4, [](uint32_t p) { return Bytes{uint8_t(red(p)), uint8_t(green(p)), uint8_t(blue(p)), 0}; }},
    {"to_rgb24", to_rgb24, 3, [](uint32_t p) { return Bytes{uint8_t(blue(p)), uint8_t(green(p)), uint8_t(red(p))}; }},
    {"to_bgr24", to_bgr24, 3, [](uint32_t p) { return Bytes{uint8_t(red(p)), uint8_t(green(p)), uint8_t(blue(p))}; }},
    {"to_rgb565", to_rgb565, 2, [](uint32_t p) { return littleEndian16((red(p) >> 3) << 11 | (green(p) >> 2) << 5 | blue(p) >> 3); }},
    {"to_bgr565", to_bgr565, 2, [](uint32_t p) { return littleEndian16((blue(p) >> 3) << 11 | (green(p) >> 2) << 5 | red(p) >> 3); }},
    {"to_rgb555", to_rgb555, 2, [](uint32_t p) { return littleEndian16((red(p) >> 3) << 10 | (green(p) >> 3) << 5 | blue(p) >> 3); }},
    {"to_bgr555", to_bgr555, 2, [](uint32_t p) { return littleEndian16((blue(p) >> 3) << 10 | (green(p) >> 3) << 5 | red(p) >> 3); }},
};

// The packed routines themselves, destination first, with the same results.
const Unit packedUnits[] = {
    {"mmx_to_rgb24", [](const void *s, void *d, int n) { mmx_to_rgb24(d, s, n); }, 3, units[2].expect},
    {"mmx_to_rgb565", [](const void *s, void *d, int n) { mmx_to_rgb565(d, s, n); }, 2, units[4].expect},
    {"mmx_to_bgr565", [](const void *s, void *d, int n) { mmx_to_bgr565(d, s, n); }, 2, units[5].expect},
    {"mmx_to_rgb555", [](const void *s, void *d, int n) { mmx_to_rgb555(d, s, n); }, 2, units[6].expect},
    {"mmx_to_bgr555", [](const void *s, void *d, int n) { mmx_to_bgr555(d, s, n); }, 2, units[7].expect},
};

const uint8_t guardByte = 0xA5;
const size_t guardLength = 16;

// Pseudo-random words, every one with a non-zero top byte.
std::vector<uint32_t> noisyPixels(size_t count, uint32_t seed) {
    std::vector<uint32_t> pixels(count);
    for (uint32_t &pixel : pixels) {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        pixel = seed >> 24 ? seed : seed | 0x5A000000;
    }
    return pixels;
}

// Converts the pixels with the source placed sourceOffset bytes into a
// buffer and the destination destinationOffset bytes past a guard; checks
// every destination pixel and that nothing outside the run changed.
testing::AssertionResult convertsExactly(const Unit &unit, const std::vector<uint32_t> &pixels, size_t sourceOffset,
                                         size_t destinationOffset) {
    std::vector<uint8_t> source(sourceOffset + 4 * pixels.size() + 1);
    if (!pixels.empty())
        std::memcpy(source.data() + sourceOffset, pixels.data(), 4 * pixels.size());
    const size_t runStart = guardLength + destinationOffset;
    const size_t runLength = unit.bytesPerPixel * pixels.size();
    std::vector<uint8_t> destination(runStart + runLength + guardLength, guardByte);

    unit.convert(source.data() + sourceOffset, destination.data() + runStart, int(pixels.size()));

    for (size_t i = 0; i < pixels.size(); ++i) {
        const Bytes want = unit.expect(pixels[i]);
        const Bytes got(destination.begin() + runStart + i * want.size(), destination.begin() + runStart + (i + 1) * want.size());
        if (got != want)
            return testing::AssertionFailure() << unit.name << ": pixel " << i << " of " << pixels.size() << " (0x" << std::hex
                                               << pixels[i] << ") converts wrongly";
    }
    for (size_t i = 0; i < destination.size(); ++i)
        if ((i < runStart || i >= runStart + runLength) && destination[i] != guardByte)
            return testing::AssertionFailure() << unit.name << ": byte " << int(i) - int(runStart) << " outside a run of "
                                               << pixels.size() << " was written";
    return testing::AssertionSuccess();
}

// Every run length through several groups of 4 and 8 and each remainder,
// and a few rows' worth, at every alignment; empty and negative runs touch
// nothing.
void checkEveryCountAndAlignment(const Unit &unit) {
    std::vector<int> counts = {63, 64, 65, 319, 320, 321};
    for (int count = 0; count <= 40; ++count)
        counts.push_back(count);
    for (int count : counts)
        for (size_t sourceOffset = 0; sourceOffset < 4; ++sourceOffset)
            for (size_t destinationOffset = 0; destinationOffset < 4; ++destinationOffset)
                ASSERT_TRUE(convertsExactly(unit, noisyPixels(count, 0x9E3779B9u + count), sourceOffset, destinationOffset));
    const uint32_t source[8] = {};
    for (int count : {-1, -8, INT_MIN}) {
        std::vector<uint8_t> destination(64, guardByte);
        unit.convert(source, destination.data(), count);
        EXPECT_EQ(destination, std::vector<uint8_t>(64, guardByte)) << unit.name << " with count " << count;
    }
}

TEST(Converters, EveryCountAtEveryAlignmentGivesTheLayoutsPixels) {
    for (const Unit &unit : units)
        checkEveryCountAndAlignment(unit);
    for (const Unit &unit : packedUnits)
        checkEveryCountAndAlignment(unit);
}

TEST(MmxCopy, CopiesEveryByteCountAtOddAddressesAndNothingForANegativeOne) {
    const std::vector<uint32_t> words = noisyPixels(64, 12345);
    const uint8_t *noise = reinterpret_cast<const uint8_t *>(words.data());
    for (int byteCount = 0; byteCount <= 200; ++byteCount)
        for (size_t sourceOffset : {1, 3})
            for (size_t destinationOffset : {1, 5, 7}) {
                std::vector<uint8_t> destination(guardLength + destinationOffset + byteCount + guardLength, guardByte);
                mmx_copy(destination.data() + guardLength + destinationOffset, noise + sourceOffset, byteCount);
                std::vector<uint8_t> expected(destination.size(), guardByte);
                std::memcpy(expected.data() + guardLength + destinationOffset, noise + sourceOffset, byteCount);
                ASSERT_EQ(expected, destination) << byteCount << " bytes from +" << sourceOffset << " to +" << destinationOffset;
            }
    std::vector<uint8_t> destination(64, guardByte);
    for (int byteCount : {-1, -63, -64, INT_MIN})
        mmx_copy(destination.data(), noise, byteCount);
    EXPECT_EQ(std::vector<uint8_t>(64, guardByte), destination);
}

TEST(ConverterSelect, EachLayoutGivesItsConverterAndAnyOtherNone) {
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
    EXPECT_EQ(nullptr, converter_select(8, 0, 0, 0));  // palette
}

}  // namespace
