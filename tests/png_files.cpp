// png_files.cpp - the test pictures written by libpng into memory, and the file and chunk helpers.
#include "png_files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace {

// libpng's error recovery returns here, so nothing with a destructor lives in this frame.
bool Encode(const PngImage &image, png_bytepp rows, std::vector<unsigned char> &out)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    const auto append = [](png_structp p, png_bytep data, png_size_t length) {
        auto *bytes = static_cast<std::vector<unsigned char> *>(png_get_io_ptr(p));
        bytes->insert(bytes->end(), data, data + length);
    };
    png_set_write_fn(png, &out, append, [](png_structp) {});
    // Sides past the limit that readers apply by default, for the tests of that limit.
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_IHDR(png, info, image.width, image.height, image.bitDepth, image.colorType,
                 image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (image.gamma > 0)
        png_set_gAMA(png, info, image.gamma);
    if (!image.palette.empty())
        png_set_PLTE(png, info, image.palette.data(), int(image.palette.size()));
    if (!image.paletteAlpha.empty())
        png_set_tRNS(png, info, image.paletteAlpha.data(), int(image.paletteAlpha.size()), nullptr);
    const uint16_t *t = image.transparentColor;
    png_color_16 color = {0, t[0], t[1], t[2], t[0]};
    if (image.hasTransparentColor)
        png_set_tRNS(png, info, nullptr, 0, &color);
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

// Odd sizes leave partial bytes and sparse Adam7 passes; the palette entry tRNS leaves out is opaque by omission.
PngImage ScatteredImage(int colorType, int depth, bool transparency, bool interlaced, double gamma, int width,
                        int height)
{
    PngImage image;
    image.width = width;
    image.height = height;
    image.bitDepth = depth;
    image.colorType = colorType;
    image.interlaced = interlaced;
    image.gamma = gamma;
    const int channels = SampleCount(colorType);
    const uint32_t levels = colorType == 3 ? std::min(256u, 1u << depth) : 1u << depth;
    image.samples.resize(std::size_t(width) * height * channels);
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
    const std::size_t perRow = std::size_t(image.width) * SampleCount(image.colorType),
                      bytesPerSample = image.bitDepth == 16 ? 2 : 1;
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
    return Encode(image, rows.data(), out) ? out : std::vector<unsigned char>();
}

bool WriteFile(const std::string &path, const std::vector<unsigned char> &bytes)
{
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    file.close();
    return bool(file);
}

void FixChunkCrcs(std::vector<unsigned char> &png)
{
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::size_t length = std::size_t(png[at]) << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
        if (length > png.size() - at - 12)
            return;
        uint32_t crc = 0xFFFFFFFFu;
        for (std::size_t i = at + 4; i < at + 8 + length; ++i) {
            crc ^= png[i];
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
        at += 8 + length;
        for (int shift = 24; shift >= 0; shift -= 8)
            png[at++] = uint8_t(~crc >> shift);
    }
}

// create_directory fails on a name that exists, so no other run's folder is ever shared.
TempDir::TempDir()
{
    static std::random_device seed;
    std::error_code error;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const auto name = std::filesystem::temp_directory_path() / ("loadpng-test." + std::to_string(seed()));
        if (std::filesystem::create_directory(name, error))
            path_ = name.generic_string();
    }
    if (path_.empty())
        throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}
