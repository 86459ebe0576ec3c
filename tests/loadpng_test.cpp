// loadpng_test.cpp - Picture::Load over every PNG colour type and bit depth,
// transparency, gamma and interlacing, the pixel helpers Expand24 and
// SetAlpha, and the refusal of missing, damaged and oversized files.
#include "loadpng.h"
#include "png_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

constexpr double screenGamma = 2.2;
constexpr double defaultFileGamma = 0.45455;

uint32_t Word(uint32_t alpha, uint32_t red, uint32_t green, uint32_t blue) { return alpha << 24 | red << 16 | green << 8 | blue; }

// A sample of `bitDepth` bits scaled to 8 bits: narrow greys spread over
// 0-255, 16-bit samples keep their high byte.
uint32_t To8Bits(uint16_t sample, int bitDepth)
{
    return bitDepth == 16 ? sample >> 8 : sample * 255u / ((1u << bitDepth) - 1);
}

int OpenFileCount()
{
#ifdef _WIN32
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    return int(handles);
#else
    return int(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
#endif
}

std::string Write(const TempDir &dir, const std::string &name, const std::vector<unsigned char> &bytes)
{
    const std::string path = dir.File(name);
    if (!WriteFile(path, bytes))
        ADD_FAILURE() << "cannot write " << path;
    return path;
}

std::vector<uint32_t> PixelsOf(const Picture &picture)
{
    return std::vector<uint32_t>(picture.pixels, picture.pixels + std::size_t(picture.width) * picture.height);
}

// A 9x7 picture (odd sizes leave partial bytes and sparse Adam7 passes)
// whose samples span the whole range: the first pixel is all zero, the
// second all maximum, the rest scattered. With transparency, pixel 2 is
// the transparent colour and pixel 3 differs from it in the lowest bit of
// its last sample only; a palette's tRNS is one entry short, leaving the
// last entry opaque by omission.
PngImage MakeImage(int colorType, int bitDepth, bool transparency, bool interlaced, double gamma)
{
    PngImage image;
    image.width = 9;
    image.height = 7;
    image.bitDepth = bitDepth;
    image.colorType = colorType;
    image.interlaced = interlaced;
    image.gamma = gamma;
    const int channels = SampleCount(colorType);
    const uint32_t levels = colorType == 3 ? std::min(256u, 1u << bitDepth) : 1u << bitDepth;
    image.samples.resize(std::size_t(image.width) * image.height * channels);
    for (std::size_t i = 0; i < image.samples.size(); ++i)
        image.samples[i] = uint16_t(i < std::size_t(channels) ? 0 : i < std::size_t(2 * channels) ? levels - 1
                                                                   : (i * 2654435761u >> 5) % levels);
    if (colorType == 3) {
        for (uint32_t i = 0; i < levels; ++i)
            image.palette.push_back({uint8_t(i * 37 + 5), uint8_t(255 - i * 11), uint8_t(i * 101)});
        for (uint32_t i = 0; transparency && i + 1 < levels; ++i)
            image.paletteAlpha.push_back(uint8_t(i * 255 / (levels - 1)));
    } else if (transparency) {
        image.hasTransparentColor = true;
        for (int c = 0; c < channels; ++c)
            image.transparentColor[c] = image.samples[3 * channels + c] = image.samples[2 * channels + c];
        image.samples[4 * channels - 1] ^= 1;
    }
    return image;
}

// The word the PNG standard gives pixel i of the image, with no gamma change.
uint32_t ExpectedWord(const PngImage &image, std::size_t i)
{
    const uint16_t *s = &image.samples[i * SampleCount(image.colorType)];
    if (image.colorType == 3) {
        const PaletteColor &color = image.palette[s[0]];
        return Word(s[0] < image.paletteAlpha.size() ? image.paletteAlpha[s[0]] : 255, color.red, color.green, color.blue);
    }
    const int colours = image.colorType & 2 ? 3 : 1;
    bool transparent = image.hasTransparentColor;
    for (int c = 0; c < colours; ++c)
        transparent = transparent && s[c] == image.transparentColor[c];
    const int depth = image.bitDepth;
    const uint32_t alpha = image.colorType & 4 ? To8Bits(s[colours], depth) : transparent ? 0 : 255;
    return Word(alpha, To8Bits(s[0], depth), To8Bits(s[colours / 2], depth), To8Bits(s[colours - 1], depth));
}

// Writes and loads the image; true when Load succeeded with its size.
bool Loads(const TempDir &dir, const PngImage &image, Picture &picture)
{
    const std::string path = Write(dir, "picture.png", EncodePng(image));
    if (picture.Load(path.c_str()) != 1 || !picture.pixels)
        return false;
    EXPECT_EQ(picture.width, image.width);
    EXPECT_EQ(picture.height, image.height);
    EXPECT_EQ(picture.bpp, 32);
    return true;
}

TEST(LoadPicture, EveryColourTypeAndDepthDecodesToTheColourWords)
{
    const struct {
        int colorType;
        std::vector<int> depths;
    } types[] = {{0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
    TempDir dir;
    for (const auto &type : types)
        for (int depth : type.depths)
            for (bool transparency : {false, true})
                for (bool interlaced : {false, true})
                    for (double gamma : {0.0, defaultFileGamma}) {
                        if (transparency && type.colorType >= 4)
                            continue;  // tRNS is not allowed with an alpha channel
                        SCOPED_TRACE(testing::Message() << "type " << type.colorType << " depth " << depth
                                                        << " tRNS " << transparency << " Adam7 " << interlaced
                                                        << " gAMA " << gamma);
                        const PngImage image = MakeImage(type.colorType, depth, transparency, interlaced, gamma);
                        Picture picture;
                        ASSERT_TRUE(Loads(dir, image, picture));
                        std::vector<uint32_t> expected;
                        for (int i = 0; i < image.width * image.height; ++i)
                            expected.push_back(ExpectedWord(image, i));
                        EXPECT_EQ(PixelsOf(picture), expected);
                    }
}

TEST(LoadPicture, LargestAllowedSidesLoadAndASecondLoadReplacesThePicture)
{
    TempDir dir;
    Picture picture;
    for (bool wide : {true, false}) {
        PngImage image;
        image.width = wide ? 16384 : 1;
        image.height = wide ? 1 : 16384;
        image.colorType = 0;
        image.samples.assign(16384, 0);
        image.samples.back() = 255;
        ASSERT_TRUE(Loads(dir, image, picture)) << (wide ? "wide" : "high");
        EXPECT_EQ(picture.pixels[0], 0xFF000000u);
        EXPECT_EQ(picture.pixels[16383], 0xFFFFFFFFu);
    }
    PngImage single;
    single.samples = {10, 20, 30};
    ASSERT_TRUE(Loads(dir, single, picture));
    EXPECT_EQ(PixelsOf(picture), std::vector<uint32_t>{0xFF0A141E});
}

// Gamma: screen 2.2, and the file's gAMA or else 0.45455, so that a sample
// s of full scale max becomes 255 * (s / max) ^ (1 / (fileGamma * 2.2)).

uint32_t GammaCorrected(double fraction, double fileGamma)
{
    return uint32_t(std::lround(255.0 * std::pow(fraction, 1.0 / (fileGamma * screenGamma))));
}

uint32_t Distance(uint32_t a, uint32_t b) { return a > b ? a - b : b - a; }

TEST(LoadGamma, GreyRampFollowsFileAndScreenGamma)
{
    const struct {
        int bitDepth;
        double fileGamma; // no gAMA chunk at 0
        uint32_t tolerance;
    } cases[] = {{8, 0, 0}, {8, defaultFileGamma, 0}, {8, 1.0, 1}, {8, 0.25, 1}, {16, 1.0, 1}};
    TempDir dir;
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "depth " << c.bitDepth << " gAMA " << c.fileGamma);
        const uint32_t maxSample = (1u << c.bitDepth) - 1;
        PngImage image;
        image.width = 256;
        image.bitDepth = c.bitDepth;
        image.colorType = 0;
        image.gamma = c.fileGamma;
        for (uint32_t i = 0; i < 256; ++i)
            image.samples.push_back(uint16_t(i * maxSample / 255));
        Picture picture;
        ASSERT_TRUE(Loads(dir, image, picture));
        const double fileGamma = c.fileGamma > 0 ? c.fileGamma : defaultFileGamma;
        for (uint32_t i = 0; i < 256; ++i) {
            const uint32_t word = picture.pixels[i];
            const uint32_t grey = GammaCorrected(double(image.samples[i]) / maxSample, fileGamma);
            EXPECT_EQ(word >> 24, 255u) << "sample " << i;
            EXPECT_LE(Distance(word & 0xFF, grey), c.tolerance) << "sample " << i << " word " << std::hex << word;
            EXPECT_EQ(word >> 16 & 0xFF, word & 0xFF) << "sample " << i;
            EXPECT_EQ(word >> 8 & 0xFF, word & 0xFF) << "sample " << i;
        }
    }
}

TEST(PixelHelpers, Expand24WidensRowsSkippingTheGapAndSetAlphaReplacesAlphaOnly)
{
    const unsigned char source[] = {
        0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0xEE, 0xEE,
        0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xEE, 0xEE,
    };
    Picture picture;
    picture.width = 2;
    picture.height = 2;
    picture.pixels = new uint32_t[4];
    picture.Expand24(source, 2, false);
    EXPECT_EQ(PixelsOf(picture), (std::vector<uint32_t>{0xFF112233, 0xFF445566, 0xFF778899, 0xFFAABBCC}));
    picture.Expand24(source, 2, true);
    EXPECT_EQ(PixelsOf(picture), (std::vector<uint32_t>{0xFF332211, 0xFF665544, 0xFF998877, 0xFFCCBBAA}));

    picture.pixels[1] = 0x00123456;
    picture.pixels[2] = 0x7F000000;
    picture.SetAlpha(0x80);
    EXPECT_EQ(PixelsOf(picture), (std::vector<uint32_t>{0x80332211, 0x80123456, 0x80000000, 0x80CCBBAA}));
}

// Files that must be refused: 0, an empty Picture even after an earlier
// success, nothing left open.

class LoadRefusal : public testing::Test {
protected:
    void SetUp() override
    {
        goodPath = Write(dir, "good.png", SmallPng());
        filesBefore = OpenFileCount();
    }

    void ExpectRefused(const char *path, const std::string &what)
    {
        Picture picture;
        ASSERT_EQ(picture.Load(goodPath.c_str()), 1);
        EXPECT_EQ(picture.Load(path), 0) << what;
        EXPECT_EQ(picture.pixels, nullptr) << what;
        EXPECT_EQ(picture.width, 0) << what;
        EXPECT_EQ(picture.height, 0) << what;
        EXPECT_EQ(OpenFileCount(), filesBefore) << what;
    }

    void ExpectRefused(const std::vector<unsigned char> &bytes, const std::string &what)
    {
        ExpectRefused(Write(dir, "refused.png", bytes).c_str(), what);
    }

    // A small valid file: 6x5 truecolour, so it takes the 3-byte path.
    static std::vector<unsigned char> SmallPng(int colorType = 2, bool interlaced = false)
    {
        PngImage image;
        image.width = 6;
        image.height = 5;
        image.colorType = colorType;
        image.interlaced = interlaced;
        for (int i = 0; i < 30 * SampleCount(colorType); ++i)
            image.samples.push_back(uint16_t(i * 7 % 256));
        return EncodePng(image);
    }

    // The small file with its header claiming another size.
    static std::vector<unsigned char> WithSize(uint32_t width, uint32_t height, int colorType = 2)
    {
        std::vector<unsigned char> png = SmallPng(colorType);
        const std::size_t ihdr = FindChunk(png, "IHDR");
        for (int i = 0; i < 4; ++i) {
            png[ihdr + 8 + i] = uint8_t(width >> (24 - 8 * i));
            png[ihdr + 12 + i] = uint8_t(height >> (24 - 8 * i));
        }
        FixChunkCrc(png, ihdr);
        return png;
    }

    TempDir dir;
    std::string goodPath;
    int filesBefore = 0;
};

TEST_F(LoadRefusal, NoFileOrADamagedOne)
{
    ExpectRefused(static_cast<const char *>(nullptr), "null name");
    ExpectRefused(dir.File("missing.png").c_str(), "missing file");
    ExpectRefused(dir.path().c_str(), "directory");

    const std::vector<unsigned char> png = SmallPng();
    ExpectRefused(std::vector<unsigned char>{}, "empty file");
    ExpectRefused(std::vector<unsigned char>(png.begin(), png.begin() + 7), "7 signature bytes");
    for (std::size_t i = 0; i < 8; ++i) {
        std::vector<unsigned char> damaged = png;
        damaged[i] ^= 0x20;
        ExpectRefused(damaged, "signature byte " + std::to_string(i));
    }
    for (const char *type : {"IHDR", "IDAT", "IEND"}) {
        std::vector<unsigned char> damaged = png;
        const std::size_t chunk = FindChunk(damaged, type);
        ASSERT_LT(chunk, damaged.size()) << type;
        damaged[chunk + 8] ^= 0x01; // first data byte, or the CRC of empty IEND
        ExpectRefused(damaged, std::string("bad CRC in ") + type);
    }
    // Damage that the CRCs do not show, on both the 3- and 4-byte paths.
    for (const auto &original : {png, SmallPng(6, true)}) {
        std::vector<unsigned char> badStream = original;
        const std::size_t idat = FindChunk(badStream, "IDAT");
        badStream[idat + 8] = 0xFF; // not a zlib header
        FixChunkCrc(badStream, idat);
        ExpectRefused(badStream, "zlib header");

        std::vector<unsigned char> badHeader = original;
        const std::size_t ihdr = FindChunk(badHeader, "IHDR");
        badHeader[ihdr + 16] = 5; // bit depth 5 exists for no colour type
        FixChunkCrc(badHeader, ihdr);
        ExpectRefused(badHeader, "bit depth 5");
    }
}

TEST_F(LoadRefusal, EveryTruncation)
{
    for (const auto &png : {SmallPng(2), SmallPng(6, true), SmallPng(0, true)}) {
        ASSERT_FALSE(png.empty());
        for (std::size_t length = 8; length < png.size(); ++length)
            ExpectRefused(std::vector<unsigned char>(png.begin(), png.begin() + length),
                          "truncated to " + std::to_string(length) + " of " + std::to_string(png.size()));
    }
}

TEST_F(LoadRefusal, AbsurdDimensions)
{
    ExpectRefused(WithSize(65536, 65536), "65536x65536: 2^34 bytes of pixels");
    ExpectRefused(WithSize(0, 5), "zero wide");
    ExpectRefused(WithSize(0x80000000u, 1), "width beyond 2^31 - 1");
    // Complete, valid files: only the size limit refuses them.
    const std::pair<int, int> sizes[] = {{16385, 1}, {1, 16385}};
    for (const auto &size : sizes) {
        PngImage image;
        image.width = size.first;
        image.height = size.second;
        image.bitDepth = 1;
        image.colorType = 0;
        image.samples.assign(std::size_t(size.first) * size.second, 1);
        ExpectRefused(EncodePng(image), std::to_string(size.first) + "x" + std::to_string(size.second));
    }
}

#ifndef _WIN32
// AddressSanitizer reserves far more address space than any limit allows.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool addressSpaceCanBeLimited = false;
#elif defined(__has_feature)
constexpr bool addressSpaceCanBeLimited = !__has_feature(address_sanitizer);
#else
constexpr bool addressSpaceCanBeLimited = true;
#endif

// Loads the file with the address space capped at 256 MB above what is in
// use, and exits 0 when Load refused it cleanly.
[[noreturn]] void LoadWithLittleMemory(const std::string &path)
{
    long pages = 0;
    if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1)
            pages = 0;
        std::fclose(statm);
    }
    const rlim_t inUse = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE));
    const rlimit limit = {inUse + (256u << 20), inUse + (256u << 20)};
    if (pages == 0 || setrlimit(RLIMIT_AS, &limit) != 0)
        std::_Exit(2);
    Picture picture;
    const int result = picture.Load(path.c_str());
    std::_Exit(result == 0 && picture.pixels == nullptr ? 0 : 1);
}

// 16384x16384 is within the size limit, but its 1 GB of pixels (and 768 MB
// buffer on the 3-byte path) cannot be had.
TEST_F(LoadRefusal, PictureTooLargeForMemory)
{
    if (!addressSpaceCanBeLimited)
        GTEST_SKIP() << "address space cannot be limited under AddressSanitizer";
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    const std::string rgbPath = Write(dir, "rgb.png", WithSize(16384, 16384, 2));
    const std::string rgbaPath = Write(dir, "rgba.png", WithSize(16384, 16384, 6));

    EXPECT_EXIT(LoadWithLittleMemory(rgbPath), testing::ExitedWithCode(0), "") << "3 bytes per pixel";
    EXPECT_EXIT(LoadWithLittleMemory(rgbaPath), testing::ExitedWithCode(0), "") << "4 bytes per pixel";
}

#endif

TEST_F(LoadRefusal, NothingIsPrinted)
{
    std::vector<unsigned char> badIdat = SmallPng();
    badIdat[FindChunk(badIdat, "IDAT") + 8] ^= 0x01;

    PngImage image;
    image.samples = {1, 2, 3};
    image.gamma = 1.0;
    std::vector<unsigned char> badAncillary = EncodePng(image);
    badAncillary[FindChunk(badAncillary, "gAMA") + 8] ^= 0x01;

    const std::string errorPath = Write(dir, "error.png", badIdat);
    const std::string warningPath = Write(dir, "warning.png", badAncillary);
    Picture picture;
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    const int errorResult = picture.Load(errorPath.c_str());
    const int warningResult = picture.Load(warningPath.c_str());
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();

    EXPECT_EQ(errorResult, 0);
    EXPECT_EQ(warningResult, 1) << "a damaged ancillary chunk is skipped, not fatal";
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");
}

} // namespace
