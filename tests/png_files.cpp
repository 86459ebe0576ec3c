// png_files.cpp - writes the test pictures with libpng's writer into memory,
// and the small file and chunk helpers around them.
#include "png_files.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>

namespace {

// libpng's error recovery returns here, so nothing with a destructor lives
// in this frame.
bool Encode(const PngImage &image, png_bytepp rows, std::vector<unsigned char> &out)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t length) {
            auto *bytes = static_cast<std::vector<unsigned char> *>(png_get_io_ptr(p));
            bytes->insert(bytes->end(), data, data + length);
        },
        [](png_structp) {});
    png_set_IHDR(png, info, image.width, image.height, image.bitDepth, image.colorType,
                 image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (image.gamma > 0)
        png_set_gAMA(png, info, image.gamma);

    png_color palette[256];
    for (std::size_t i = 0; i < image.palette.size() && i < 256; ++i)
        palette[i] = {image.palette[i].red, image.palette[i].green, image.palette[i].blue};
    if (!image.palette.empty())
        png_set_PLTE(png, info, palette, int(image.palette.size()));
    if (!image.paletteAlpha.empty())
        png_set_tRNS(png, info, image.paletteAlpha.data(), int(image.paletteAlpha.size()), nullptr);
    if (image.hasTransparentColor) {
        png_color_16 color = {0, image.transparentColor[0], image.transparentColor[1], image.transparentColor[2],
                              image.transparentColor[0]};
        png_set_tRNS(png, info, nullptr, 0, &color);
    }

    png_write_info(png, info);
    if (image.bitDepth < 8)
        png_set_packing(png);
    png_set_interlace_handling(png);
    png_write_image(png, rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

int SampleCount(int colorType)
{
    return colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1;
}

// Odd sizes leave partial bytes and sparse Adam7 passes; the palette entry
// that tRNS leaves out is opaque by omission.
PngImage ScatteredImage(int colorType, int depth, bool transparency, bool interlaced, double gamma)
{
    PngImage image;
    image.width = 9;
    image.height = 7;
    image.bitDepth = depth;
    image.colorType = colorType;
    image.interlaced = interlaced;
    image.gamma = gamma;
    const int channels = SampleCount(colorType);
    const uint32_t levels = colorType == 3 ? std::min(256u, 1u << depth) : 1u << depth;
    image.samples.resize(std::size_t(63) * channels);
    for (std::size_t i = 0; i < image.samples.size(); ++i)
        image.samples[i] = uint16_t(i < std::size_t(channels) ? 0 : i < 2u * channels ? levels - 1
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

std::vector<unsigned char> EncodePng(const PngImage &image)
{
    const std::size_t perRow = std::size_t(image.width) * SampleCount(image.colorType);
    const std::size_t bytesPerSample = image.bitDepth == 16 ? 2 : 1;
    if (image.samples.size() != perRow * image.height)
        throw std::invalid_argument("PngImage: sample count does not match its size");

    std::vector<unsigned char> data(image.samples.size() * bytesPerSample);
    for (std::size_t i = 0; i < image.samples.size(); ++i)
        for (std::size_t b = 0; b < bytesPerSample; ++b) // big-endian
            data[bytesPerSample * i + b] = uint8_t(image.samples[i] >> (8 * (bytesPerSample - 1 - b)));
    std::vector<png_bytep> rows(image.height);
    for (int y = 0; y < image.height; ++y)
        rows[y] = data.data() + y * perRow * bytesPerSample;

    std::vector<unsigned char> out;
    if (!Encode(image, rows.data(), out))
        out.clear();
    return out;
}

bool WriteFile(const std::string &path, const std::vector<unsigned char> &bytes)
{
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

uint32_t Crc32(const unsigned char *data, std::size_t length)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

static uint32_t ReadBigEndian(const std::vector<unsigned char> &png, std::size_t at)
{
    return uint32_t(png[at]) << 24 | uint32_t(png[at + 1]) << 16 | uint32_t(png[at + 2]) << 8 | png[at + 3];
}

std::size_t FindChunk(const std::vector<unsigned char> &png, const char *type)
{
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        if (std::string(png.begin() + at + 4, png.begin() + at + 8) == type)
            return at;
        at += 12 + ReadBigEndian(png, at);
    }
    return png.size();
}

void FixChunkCrc(std::vector<unsigned char> &png, std::size_t offset)
{
    const std::size_t length = ReadBigEndian(png, offset);
    const uint32_t crc = Crc32(png.data() + offset + 4, length + 4);
    for (int i = 0; i < 4; ++i)
        png[offset + 8 + length + i] = uint8_t(crc >> (24 - 8 * i));
}

TempDir::TempDir()
{
    // create_directory fails on a name that exists, so a taken name is
    // passed over and no other run's folder is ever shared.
    static std::random_device seed;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path name = base / ("loadpng-test." + std::to_string(seed()));
        std::error_code error;
        if (std::filesystem::create_directory(name, error)) {
            path_ = name.generic_string();
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}
