// loadpng_test.cpp - Picture::Load over every PNG form, its pixel helpers, and its quiet refusals.
#include "frame_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tuple>

namespace {

// The descriptor a file opened now gets: the lowest free one, so a file left open raises it.
int NextDescriptor(const std::string &path)
{
    FILE *file = std::fopen(path.c_str(), "rb");
    const int descriptor = fileno(file);
    std::fclose(file);
    return descriptor;
}

std::vector<uint32_t> PixelsOf(const Picture &picture)
{
    return std::vector<uint32_t>(picture.pixels, picture.pixels + std::size_t(picture.width) * picture.height);
}

// The words the PNG standard gives the pixels, with no gamma change.
std::vector<uint32_t> ExpectedWords(const PngImage &image)
{
    // Narrow samples spread over 0-255, 16-bit ones keep their high byte.
    const auto to8Bits = [](uint32_t sample, int depth) {
        return depth == 16 ? sample >> 8 : sample * 255u / ((1u << depth) - 1);
    };
    std::vector<uint32_t> words;
    for (std::size_t i = 0; i < image.samples.size(); i += SampleCount(image.colorType)) {
        const uint16_t *s = &image.samples[i];
        if (image.colorType == 3) {
            const png_color &c = image.palette[s[0]];
            const uint32_t alpha = s[0] < image.paletteAlpha.size() ? image.paletteAlpha[s[0]] : 255;
            words.push_back(alpha << 24 | uint32_t(c.red) << 16 | uint32_t(c.green) << 8 | c.blue);
            continue;
        }
        const int colours = image.colorType & 2 ? 3 : 1, depth = image.bitDepth;
        bool transparent = image.hasTransparentColor;
        for (int c = 0; c < colours; ++c)
            transparent = transparent && s[c] == image.transparentColor[c];
        const uint32_t alpha = image.colorType & 4 ? to8Bits(s[colours], depth) : transparent ? 0 : 255;
        words.push_back(alpha << 24 | to8Bits(s[0], depth) << 16 | to8Bits(s[colours / 2], depth) << 8 |
                        to8Bits(s[colours - 1], depth));
    }
    return words;
}

// The pixels Load gives the written image; none unless it took the image's size.
std::vector<uint32_t> Loaded(const TempDir &dir, const PngImage &image, Picture &picture)
{
    const std::string path = dir.File("picture.png");
    EXPECT_TRUE(WriteFile(path, EncodePng(image)) && picture.Load(path.c_str()) == 1);
    const bool sized = picture.pixels && std::tie(picture.width, picture.height, picture.bpp) ==
                                             std::make_tuple(image.width, image.height, 32);
    return sized ? PixelsOf(picture) : std::vector<uint32_t>();
}

TEST(LoadPicture, EveryColourTypeAndDepthDecodesToTheColourWords)
{
    TempDir dir;
    for (const auto &[type, depth] : pngForms)
        for (int variant = 0; variant < 8; ++variant) {
            // tRNS is not allowed with an alpha channel; no gAMA and 0.45455 both undo the screen's 2.2.
            if (variant & 1 && type >= 4)
                continue;
            const PngImage image = ScatteredImage(type, depth, variant & 1, variant & 2, variant & 4 ? 0.45455 : 0.0);
            Picture picture;
            EXPECT_EQ(Loaded(dir, image, picture), ExpectedWords(image))
                << "type " << type << " depth " << depth << " variant " << variant;
        }
}

// s of full scale max becomes 255 * (s / max) ^ (1 / (gAMA * 2.2)), in grey at full opacity.
TEST(LoadPicture, GreyRampFollowsFileAndScreenGammaAndASecondLoadReplacesThePicture)
{
    TempDir dir;
    Picture picture;
    for (int depth : {8, 16}) {
        PngImage image;
        image.width = 256;
        image.bitDepth = depth;
        image.colorType = 0;
        image.gamma = depth == 8 ? 0.25 : 1.0;
        for (uint32_t i = 0; i < 256; ++i)
            image.samples.push_back(uint16_t(i * ((1u << depth) - 1) / 255));
        const std::vector<uint32_t> words = Loaded(dir, image, picture);
        ASSERT_EQ(words.size(), 256u);
        for (std::size_t i = 0; i < words.size(); ++i) {
            EXPECT_EQ(words[i], 0xFF000000u | (words[i] & 0xFF) * 0x010101u) << "depth " << depth << " sample " << i;
            EXPECT_NEAR(words[i] & 0xFF, 255.0 * std::pow(i / 255.0, 1.0 / (image.gamma * 2.2)), 1.5) << i;
        }
    }
}

TEST(PixelHelpers, Expand24WidensRowsSkippingTheGapAndSetAlphaReplacesAlphaOnly)
{
    const unsigned char source[] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0xEE, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC};
    Picture picture;
    picture.width = picture.height = 2;
    picture.pixels = new uint32_t[4];
    picture.Expand24(source, 1, false);
    EXPECT_EQ(PixelsOf(picture), (std::vector<uint32_t>{0xFF112233, 0xFF445566, 0xFF778899, 0xFFAABBCC}));
    picture.Expand24(source, 1, true);
    picture.pixels[1] = 0x00123456;
    picture.SetAlpha(0x80);
    EXPECT_EQ(PixelsOf(picture), (std::vector<uint32_t>{0x80332211, 0x80123456, 0x80998877, 0x80CCBBAA}));
}

// A picture larger than the window keeps the centred part that a screen of the window's size shows, whatever
// its form, interlaced or not, odd or even; one that fits keeps everything.
TEST(LoadPicture, KeepsTheCentredPartThatAWindowOfTheGivenSizeShows)
{
    TempDir dir;
    const std::string path = dir.File("picture.png");
    for (const auto &[type, depth] : pngForms)
        for (bool interlaced : {false, true}) {
            const int width = 37, height = 30;
            const PngImage image = ScatteredImage(type, depth, type == 3, interlaced, 0, width, height);
            ASSERT_TRUE(WriteFile(path, EncodePng(image)));
            const std::vector<uint32_t> whole = ExpectedWords(image);
            Picture part;
            for (const auto &[keepWidth, keepHeight] : {std::pair{20, 13}, {5, 30}, {37, 2}, {1, 1}, {60, 9}}) {
                SCOPED_TRACE(testing::Message() << "type " << type << " depth " << depth << " interlaced "
                                                << interlaced << " in " << keepWidth << "x" << keepHeight);
                ASSERT_EQ(part.Load(path.c_str(), keepWidth, keepHeight), 1);
                const int keptWidth = std::min(width, keepWidth), keptHeight = std::min(height, keepHeight);
                const int left = width / 2 - keptWidth / 2, top = height / 2 - keptHeight / 2;
                std::vector<uint32_t> expected;
                for (int y = top; y < top + keptHeight; ++y)
                    for (int x = left; x < left + keptWidth; ++x)
                        expected.push_back(whole[y * width + x]);
                EXPECT_EQ(std::make_tuple(part.width, part.height, part.bpp, PixelsOf(part)),
                          std::make_tuple(keptWidth, keptHeight, 32, expected));
            }
        }
}

// Refused: 0, an empty Picture even after an earlier success, the reason in plain words, nothing printed,
// nothing left open.
TEST(LoadPicture, RefusesNoFileADamagedATruncatedOrAnOversizedOneQuietlyAndSaysWhy)
{
    TempDir dir;
    const std::string good = dir.File("good.png"), bad = dir.File("bad.png"), missing = dir.File("missing.png");
    // The 3-byte path, and the 4-byte one interlaced.
    const std::vector<unsigned char> rgb = EncodePng(ScatteredImage(2, 8, false, false, 0)),
                                     rgba = EncodePng(ScatteredImage(6, 8, false, true, 0));
    ASSERT_TRUE(WriteFile(good, rgb));
    auto expectRefused = [&](const char *path, const std::string &why, const std::string &what) {
        Picture picture;
        ASSERT_EQ(picture.Load(good.c_str()), 1);
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        std::string reason;
        const int descriptor = NextDescriptor(good), result = picture.Load(path, 320, 240, &reason),
                  after = NextDescriptor(good);
        const std::string printed = testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::make_tuple(result, printed, picture.pixels, picture.width, picture.height, after,
                                  reason.substr(0, why.size())),
                  std::make_tuple(0, std::string(), nullptr, 0, 0, descriptor, why))
            << what << ": " << reason;
    };
    auto expectBytesRefused = [&](const std::vector<unsigned char> &bytes, const std::string &why,
                                  const std::string &what) {
        ASSERT_TRUE(WriteFile(bad, bytes));
        expectRefused(bad.c_str(), why, what);
    };
    expectRefused(nullptr, "no file named", "no name");
    expectRefused(missing.c_str(), "no such file", "missing");
    expectRefused(dir.path().c_str(), "a folder", "a folder");
    expectBytesRefused({}, "the file is empty", "empty");
    expectBytesRefused({'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}, "not a PNG file", "a GIF");
    for (const auto &[at, why] : {std::pair<std::size_t, const char *>{1, "not a PNG file"}, // in the signature
                                  {24, "corrupt data (Invalid IHDR data)"}}) {                // the bit depth
        std::vector<unsigned char> png = rgb;
        png[at] = 5;
        FixChunkCrcs(png);
        expectBytesRefused(png, why, "byte " + std::to_string(at) + " made 5");
    }
    std::vector<unsigned char> badCrc = rgb;
    badCrc[rgb.size() - 13] ^= 1; // the image data's CRC
    expectBytesRefused(badCrc, "corrupt data (IDAT: CRC error)", "a CRC");
    // Every cut short, the end chunk included.
    for (const auto &whole : {rgb, rgba})
        for (std::size_t length = 1; length < whole.size(); ++length)
            expectBytesRefused({whole.begin(), whole.begin() + length}, "the file ends early",
                               "truncated to " + std::to_string(length));
    // Only a side past libpng's own limit is refused; one within it is decoded however little is kept.
    ASSERT_TRUE(WriteSolidPng(bad, 1000001, 1, 0xFF000000u));
    expectRefused(bad.c_str(), "too large: 1000001×1 pixels, more than 1000000 a side", "1000001 wide");
    ASSERT_TRUE(WriteSolidPng(bad, 1000000, 1, 0xFF102030u));
    Picture widest;
    ASSERT_EQ(widest.Load(bad.c_str(), 320, 240), 1);
    EXPECT_EQ(std::make_tuple(widest.width, widest.height, widest.pixels[0], widest.pixels[319]),
              std::make_tuple(320, 1, 0xFF102030u, 0xFF102030u));
}

} // namespace
