// loadpng.cpp - Picture's PNG loader: every PNG colour type and bit depth
// decoded through libpng into 8-bit samples, row by row, and the part that
// can be shown stored as 0xAARRGGBB words. The Picture owns its pixel
// array; everything else lives for one Load call. A damaged or oversized
// file makes Load release all it took, leave the Picture empty and say why.
#include "loadpng.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>

#include "regular_file.h"

namespace {

// libpng's own default limit on a side, kept as libpng would: its row
// buffers grow with the width, and a side of a million already asks 8 MB a
// row. The limit is checked here rather than by libpng so that the refusal
// can name the size.
constexpr png_uint_32 maxSide = 1000000;

constexpr int signatureBytes = 8;
constexpr double screenGamma = 2.2;
constexpr double defaultFileGamma = 0.45455;

// Everything one Load acquires besides the pixel array. It lives outside
// the frame that libpng's error recovery returns into, so its fields keep
// their values across the jump and can all be released.
struct Acquired {
    FILE *file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    unsigned char *row = nullptr;  // one decoded row, whole
    unsigned char *kept = nullptr; // the kept part's decoded bytes, when not the pixel array itself
    char message[128] = "";        // libpng's last error
};

void Release(Acquired &acquired)
{
    delete[] acquired.row;
    acquired.row = nullptr;
    delete[] acquired.kept;
    acquired.kept = nullptr;
    if (acquired.png)
        png_destroy_read_struct(&acquired.png, acquired.info ? &acquired.info : nullptr, nullptr);
    acquired.png = nullptr;
    acquired.info = nullptr;
    if (acquired.file)
        std::fclose(acquired.file);
    acquired.file = nullptr;
}

// libpng's default handlers print; these stay quiet, and an error is kept
// for the reason and returns to the recovery point set in Decode.
[[noreturn]] void SilentError(png_structp png, png_const_charp message)
{
    Acquired *acquired = static_cast<Acquired *>(png_get_error_ptr(png));
    std::snprintf(acquired->message, sizeof acquired->message, "%s", message ? message : "");
    png_longjmp(png, 1);
}

void SilentWarning(png_structp, png_const_charp)
{
}

// Why libpng stopped, in the words a maker can act on.
std::string DecodeFailure(const Acquired &acquired)
{
    if (std::feof(acquired.file))
        return "the file ends early";
    if (std::ferror(acquired.file))
        return file_reason(errno ? errno : EIO);
    const std::string message = acquired.message;
    if (message.find("emory") != std::string::npos)
        return "out of memory";
    return "corrupt data (" + message + ")";
}

// Turns every layout into 8-bit red, green, blue and, where the file has
// transparency, alpha. The number of passes over the rows that reading
// then takes: 7 for an interlaced file, else 1.
int RequestTransformations(png_structp png, png_infop info, int bitDepth, int colorType)
{
    if (bitDepth == 16)
        png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_expand(png);
    if (bitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_expand(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);

    double fileGamma;
    if (!png_get_gAMA(png, info, &fileGamma))
        fileGamma = defaultFileGamma;
    png_set_gamma(png, screenGamma, fileGamma);
    return png_set_interlace_handling(png);
}

// The columns or rows kept of `size`: the centred `keep` of them, as a
// screen of `keep` that centres the picture shows them.
struct Span {
    int first;
    int count;
};

Span Kept(int size, int keep)
{
    return size > keep ? Span{size / 2 - keep / 2, keep} : Span{0, size};
}

// Reads every row of every pass, as one png_read_image would, through one
// row buffer, and keeps the kept part's bytes in `kept`. An interlaced
// pass fills in only some pixels of a row, so a kept row is put back into
// the buffer before each pass adds to it.
void ReadRows(Acquired &acquired, int passes, int height, Span columns, Span rows, std::size_t pixelBytes,
              unsigned char *kept)
{
    const std::size_t keptRowBytes = pixelBytes * columns.count;
    unsigned char *part = acquired.row + pixelBytes * columns.first;
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < height; ++y) {
            const bool inside = y >= rows.first && y < rows.first + rows.count;
            unsigned char *keptRow = kept + keptRowBytes * (y - rows.first);
            if (inside && pass > 0)
                std::memcpy(part, keptRow, keptRowBytes);
            png_read_row(acquired.png, acquired.row, nullptr);
            if (inside)
                std::memcpy(keptRow, part, keptRowBytes);
        }
}

// Everything from the signature to the last chunk. libpng's errors land
// at the setjmp below and make it return 0; whatever was acquired by then
// is in `acquired` or the Picture, and the caller releases it.
int Decode(Picture &picture, Acquired &acquired, int keepWidth, int keepHeight, std::string &reason)
{
    unsigned char signature[signatureBytes];
    const std::size_t got = std::fread(signature, 1, signatureBytes, acquired.file);
    if (got == 0) {
        reason = std::ferror(acquired.file) ? file_reason(errno) : "the file is empty";
        return 0;
    }
    if (png_sig_cmp(signature, 0, got) != 0) {
        reason = "not a PNG file";
        return 0;
    }
    if (got < signatureBytes) {
        reason = "the file ends early";
        return 0;
    }

    reason = "out of memory";
    acquired.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &acquired, SilentError, SilentWarning);
    if (!acquired.png)
        return 0;
    acquired.info = png_create_info_struct(acquired.png);
    if (!acquired.info)
        return 0;
    if (setjmp(png_jmpbuf(acquired.png))) {
        reason = DecodeFailure(acquired);
        return 0;
    }

    png_set_user_limits(acquired.png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_init_io(acquired.png, acquired.file);
    png_set_sig_bytes(acquired.png, signatureBytes);
    png_read_info(acquired.png, acquired.info);

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int colorType = 0;
    png_get_IHDR(acquired.png, acquired.info, &width, &height, &picture.bpp, &colorType,
                 nullptr, nullptr, nullptr);
    if (width > maxSide || height > maxSide) {
        reason = "too large: " + std::to_string(width) + "×" + std::to_string(height) + " pixels, more than " +
                 std::to_string(maxSide) + " a side";
        return 0;
    }

    const int passes = RequestTransformations(acquired.png, acquired.info, picture.bpp, colorType);
    png_read_update_info(acquired.png, acquired.info);
    const std::size_t rowBytes = png_get_rowbytes(acquired.png, acquired.info);
    const std::size_t pixelBytes = rowBytes / width;
    if (pixelBytes * width != rowBytes || (pixelBytes != 3 && pixelBytes != 4)) {
        reason = "corrupt data (an unexpected pixel layout)";
        return 0;
    }

    const Span columns = Kept(int(width), std::max(1, keepWidth));
    const Span rows = Kept(int(height), std::max(1, keepHeight));
    picture.width = columns.count;
    picture.height = rows.count;
    const std::size_t count = std::size_t(columns.count) * std::size_t(rows.count);
    reason = "out of memory";
    acquired.row = new (std::nothrow) unsigned char[rowBytes]();
    picture.pixels = new (std::nothrow) uint32_t[count];
    if (!acquired.row || !picture.pixels)
        return 0;
    // RGBA is decoded straight into the pixel array; RGB into a buffer of 3
    // bytes a pixel that is then widened.
    unsigned char *kept = reinterpret_cast<unsigned char *>(picture.pixels);
    if (pixelBytes == 3) {
        acquired.kept = kept = new (std::nothrow) unsigned char[3 * count];
        if (!kept)
            return 0;
    }

    ReadRows(acquired, passes, int(height), columns, rows, pixelBytes, kept);
    png_read_end(acquired.png, acquired.info);

    if (pixelBytes == 4) {
        // libpng gives red, green, blue, alpha in memory order.
        for (std::size_t i = 0; i < count; ++i) {
            const unsigned char *p = kept + 4 * i;
            picture.pixels[i] = uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        }
    } else {
        picture.Expand24(kept, 0, false);
        picture.SetAlpha(255);
    }
    picture.bpp = 32;
    return 1;
}

} // namespace

Picture::~Picture()
{
    delete[] pixels;
}

int Picture::Load(const char *fileName, int keepWidth, int keepHeight, std::string *reason)
{
    delete[] pixels;
    pixels = nullptr;
    width = height = bpp = 0;
    std::string why = "no file named";
    int loaded = 0;
    if (fileName) {
        Acquired acquired;
        acquired.file = regular_file_open(fileName, "rb", why);
        if (acquired.file)
            loaded = Decode(*this, acquired, keepWidth, keepHeight, why);
        Release(acquired);
    }
    if (!loaded) {
        delete[] pixels;
        pixels = nullptr;
        width = height = bpp = 0;
        if (reason)
            *reason = why;
    }
    return loaded;
}

void Picture::Expand24(const unsigned char *src, int rowGap, bool keepOrder)
{
    uint32_t *dst = pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x, src += 3) {
            const uint32_t first = keepOrder ? src[2] : src[0];
            const uint32_t last = keepOrder ? src[0] : src[2];
            *dst++ = 0xFF000000u | first << 16 | uint32_t(src[1]) << 8 | last;
        }
        src += rowGap;
    }
}

void Picture::SetAlpha(unsigned char alpha)
{
    const std::size_t count = std::size_t(width) * height;
    for (std::size_t i = 0; i < count; ++i)
        pixels[i] = (pixels[i] & 0x00FFFFFFu) | uint32_t(alpha) << 24;
}
