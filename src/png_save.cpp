// png_save.cpp - the libpng write path of the picture maker and the
// screenshot: header, palette and transparency chunks, rows, at a fixed
// compression level so the same pixels always give the same file.
#include "png_save.h"

#include "regular_file.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>

namespace {

size_t row_bytes(const PngImage &image) {
    const int channels = image.colorType == PNG_COLOR_TYPE_RGBA         ? 4
                         : image.colorType == PNG_COLOR_TYPE_RGB        ? 3
                         : image.colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                        : 1;
    return (static_cast<size_t>(image.width) * channels * image.bitDepth + 7) / 8;
}

bool sized(const PngImage &image) {
    return image.width > 0 && image.height > 0 &&
           image.bytes.size() == row_bytes(image) * static_cast<size_t>(image.height);
}

const char size_mismatch[] = "pixel data does not match the image size";

// Everything with a destructor lives in the caller: libpng's errors arrive
// here by longjmp.
bool write(png_structp png, png_infop info, const PngImage &image, std::vector<png_color> &colors,
           std::vector<png_bytep> &rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height),
                 image.bitDepth, image.colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (image.colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(png, info, colors.data(), static_cast<int>(colors.size()));
        if (!image.alphas.empty())
            png_set_tRNS(png, info, image.alphas.data(), static_cast<int>(image.alphas.size()), nullptr);
    }
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    return true;
}

} // namespace

inline namespace png_writer {

bool png_save(const PngImage &image, FILE *file, std::string &error) {
    if (!sized(image)) {
        std::fclose(file);
        error = size_mismatch;
        return false;
    }
    const size_t stride = row_bytes(image);
    // Silent: the caller says what failed, in one line of its own.
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr,
                                              [](png_structp failed, png_const_charp) { png_longjmp(failed, 1); },
                                              [](png_structp, png_const_charp) {});
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_bytep> rows(static_cast<size_t>(image.height));
    for (size_t y = 0; y < rows.size(); ++y) rows[y] = const_cast<png_bytep>(image.bytes.data() + y * stride);
    std::vector<png_color> colors(image.palette.size() / 3);
    for (size_t i = 0; i < colors.size(); ++i)
        colors[i] = {image.palette[3 * i], image.palette[3 * i + 1], image.palette[3 * i + 2]};
    // A failed write leaves its errno, the plainest reason there is; a
    // failure without one is libpng's own.
    errno = 0;
    bool ok = info != nullptr;
    if (ok) {
        png_init_io(png, file);
        ok = write(png, info, image, colors, rows);
    }
    int reason = errno;
    png_destroy_write_struct(&png, info ? &info : nullptr);
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        reason = errno;
    }
    if (!ok) error = reason != 0 ? file_reason(reason) : "libpng could not encode the picture";
    return ok;
}

bool png_save(const PngImage &image, const std::string &path, std::string &error) {
    if (!sized(image)) {
        error = size_mismatch;
        return false;
    }
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot open " + path + " for writing";
        return false;
    }
    const bool ok = png_save(image, file, error);
    if (!ok) error = "libpng could not write " + path;
    return ok;
}

} // namespace png_writer
