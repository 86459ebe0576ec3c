// loadpng.cpp - Picture's PNG loader: every PNG colour type and bit depth
// decoded through libpng into 8-bit samples and stored as 0xAARRGGBB words.
// The Picture owns its pixel array; everything else lives for one Load call.
// A damaged or oversized file makes Load release all it took and leave the
// Picture empty.
#include "loadpng.h"

#include <png.h>

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <new>

namespace {

// Far beyond anything a 320x240 screen shows, and small enough that every
// byte count fits in 32 bits and a damaged header asks for at most 1 GB of
// pixels.
constexpr png_uint_32 maxSide = 16384;
static_assert(4ull * maxSide * maxSide <= 0xFFFFFFFFull,
              "the byte counts of a picture must fit in 32 bits");

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
    png_bytep *rows = nullptr;
    unsigned char *buffer = nullptr;
};

void Release(Acquired &acquired)
{
    delete[] acquired.rows;
    acquired.rows = nullptr;
    delete[] acquired.buffer;
    acquired.buffer = nullptr;
    if (acquired.png)
        png_destroy_read_struct(&acquired.png, acquired.info ? &acquired.info : nullptr, nullptr);
    acquired.png = nullptr;
    acquired.info = nullptr;
    if (acquired.file)
        std::fclose(acquired.file);
    acquired.file = nullptr;
}

// libpng's default handlers print; these stay quiet, and an error returns
// to the recovery point set in Decode.
[[noreturn]] void SilentError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void SilentWarning(png_structp, png_const_charp)
{
}

// Turns every layout into 8-bit red, green, blue and, where the file has
// transparency, alpha.
void RequestTransformations(png_structp png, png_infop info, int bitDepth, int colorType)
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
    png_set_interlace_handling(png);
}

// Row pointers into `image`, one per row of `rowBytes`; null when out of memory.
png_bytep *RowPointers(unsigned char *image, std::size_t rowBytes, int height)
{
    png_bytep *rows = new (std::nothrow) png_bytep[height];
    if (rows)
        for (int y = 0; y < height; ++y)
            rows[y] = image + y * rowBytes;
    return rows;
}

// RGBA: decodes straight into the pixel array, then turns each pixel's
// red, green, blue, alpha bytes into the word 0xAARRGGBB.
int DecodeRgba(Picture &picture, Acquired &acquired, std::size_t rowBytes)
{
    const std::size_t count = std::size_t(picture.width) * picture.height;
    picture.pixels = new (std::nothrow) uint32_t[count];
    if (!picture.pixels)
        return 0;
    unsigned char *bytes = reinterpret_cast<unsigned char *>(picture.pixels);
    acquired.rows = RowPointers(bytes, rowBytes, picture.height);
    if (!acquired.rows)
        return 0;
    png_read_image(acquired.png, acquired.rows);
    delete[] acquired.rows;
    acquired.rows = nullptr;

    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char *p = bytes + 4 * i;
        picture.pixels[i] = uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
    picture.bpp = 32;
    return 1;
}

// RGB: decodes into a buffer of 3 bytes per pixel, then widens it.
int DecodeRgb(Picture &picture, Acquired &acquired, std::size_t rowBytes)
{
    acquired.buffer = new (std::nothrow) unsigned char[rowBytes * picture.height];
    if (!acquired.buffer)
        return 0;
    acquired.rows = RowPointers(acquired.buffer, rowBytes, picture.height);
    if (!acquired.rows)
        return 0;
    png_read_image(acquired.png, acquired.rows);
    delete[] acquired.rows;
    acquired.rows = nullptr;

    picture.bpp = 32;
    picture.pixels = new (std::nothrow) uint32_t[std::size_t(picture.width) * picture.height];
    if (!picture.pixels)
        return 0;
    picture.Expand24(acquired.buffer, 0, false);
    delete[] acquired.buffer;
    acquired.buffer = nullptr;
    picture.SetAlpha(255);
    return 1;
}

// Everything from the signature to the last chunk. libpng's errors land
// at the setjmp below and make it return 0; whatever was acquired by then
// is in `acquired` or the Picture, and the caller releases it.
int Decode(Picture &picture, Acquired &acquired)
{
    unsigned char signature[signatureBytes];
    if (std::fread(signature, 1, signatureBytes, acquired.file) != signatureBytes
        || png_sig_cmp(signature, 0, signatureBytes) != 0)
        return 0;

    acquired.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, SilentError, SilentWarning);
    if (!acquired.png)
        return 0;
    acquired.info = png_create_info_struct(acquired.png);
    if (!acquired.info)
        return 0;
    if (setjmp(png_jmpbuf(acquired.png)))
        return 0;

    png_set_user_limits(acquired.png, maxSide, maxSide);
    png_init_io(acquired.png, acquired.file);
    png_set_sig_bytes(acquired.png, signatureBytes);
    png_read_info(acquired.png, acquired.info);

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int colorType = 0;
    png_get_IHDR(acquired.png, acquired.info, &width, &height, &picture.bpp, &colorType,
                 nullptr, nullptr, nullptr);
    picture.width = int(width);
    picture.height = int(height);

    RequestTransformations(acquired.png, acquired.info, picture.bpp, colorType);
    png_read_update_info(acquired.png, acquired.info);
    const std::size_t rowBytes = png_get_rowbytes(acquired.png, acquired.info);

    int decoded = 0;
    if (rowBytes == 4 * std::size_t(picture.width))
        decoded = DecodeRgba(picture, acquired, rowBytes);
    else if (rowBytes == 3 * std::size_t(picture.width))
        decoded = DecodeRgb(picture, acquired, rowBytes);
    if (!decoded)
        return 0;

    png_read_end(acquired.png, acquired.info);
    return 1;
}

} // namespace

Picture::~Picture()
{
    delete[] pixels;
}

int Picture::Load(const char *fileName)
{
    delete[] pixels;
    pixels = nullptr;
    width = height = bpp = 0;
    if (!fileName)
        return 0;

    Acquired acquired;
    acquired.file = std::fopen(fileName, "rb");
    if (!acquired.file)
        return 0;
    const int loaded = Decode(*this, acquired);
    Release(acquired);
    if (!loaded) {
        delete[] pixels;
        pixels = nullptr;
        width = height = bpp = 0;
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
