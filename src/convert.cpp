// convert.cpp - the eight row converters from 0x00RRGGBB pixels to the
// screen's layout, and the choice of one from the screen's bit count and
// channel masks. On x86 every layout is a plain per-pixel loop that the
// compiler vectorises, built for SSE2, SSSE3 and AVX2 with the processor's
// best picked on first use; wider registers beat the packed routines' four
// pixels a step. Elsewhere the 32-bit copy, the RGB 24-bit layout and the
// four 16-bit layouts go through the packed routines.
#include "convert.h"

#include <climits>
#include <cstddef>
#include <cstring>

#include "mmx.h"

namespace {

// mmx_copy takes its length in bytes as an int; longer runs go in pieces of
// whole 64-byte blocks that fit.
const int largestCopy = INT_MAX / 64 * 16;

typedef void (*RowLoop)(const unsigned char *from, unsigned char *to, size_t pixels);

inline __attribute__((always_inline)) void swapRedAndBlue32(const unsigned char *from, unsigned char *to,
                                                            size_t pixels) {
    for (size_t i = 0; i < pixels; ++i) {
        uint32_t pixel;
        std::memcpy(&pixel, from + 4 * i, 4);
        const uint32_t swapped = ((pixel >> 16) & 0xFF) | (pixel & 0xFF00) | ((pixel & 0xFF) << 16);
        std::memcpy(to + 4 * i, &swapped, 4);
    }
}

inline __attribute__((always_inline)) void keepBytes32(const unsigned char *from, unsigned char *to, size_t pixels) {
    for (size_t i = 0; i < pixels; ++i) {
        uint32_t pixel;
        std::memcpy(&pixel, from + 4 * i, 4);
        std::memcpy(to + 4 * i, &pixel, 4);
    }
}

inline __attribute__((always_inline)) void keepBytes24(const unsigned char *from, unsigned char *to, size_t pixels) {
    for (size_t i = 0; i < pixels; ++i) {
        to[3 * i] = from[4 * i];
        to[3 * i + 1] = from[4 * i + 1];
        to[3 * i + 2] = from[4 * i + 2];
    }
}

// The 16-bit layouts: each channel's top bits moved to its field by one
// shift and mask of the whole word.
template <int redShift, int greenShift, int blueShift, uint32_t redField, uint32_t greenField, uint32_t blueField>
inline __attribute__((always_inline)) void pack16(const unsigned char *from, unsigned char *to, size_t pixels) {
    auto move = [](uint32_t word, int shift) { return shift >= 0 ? word >> shift : word << -shift; };
    for (size_t i = 0; i < pixels; ++i) {
        uint32_t pixel;
        std::memcpy(&pixel, from + 4 * i, 4);
        const uint16_t packed = static_cast<uint16_t>((move(pixel, redShift) & redField) |
                                                      (move(pixel, greenShift) & greenField) |
                                                      (move(pixel, blueShift) & blueField));
        std::memcpy(to + 2 * i, &packed, 2);
    }
}

inline __attribute__((always_inline)) void pack565(const unsigned char *from, unsigned char *to, size_t pixels) {
    pack16<8, 5, 3, 0xF800, 0x07E0, 0x001F>(from, to, pixels);
}
inline __attribute__((always_inline)) void packBgr565(const unsigned char *from, unsigned char *to, size_t pixels) {
    pack16<19, 5, -8, 0x001F, 0x07E0, 0xF800>(from, to, pixels);
}
inline __attribute__((always_inline)) void pack555(const unsigned char *from, unsigned char *to, size_t pixels) {
    pack16<9, 6, 3, 0x7C00, 0x03E0, 0x001F>(from, to, pixels);
}
inline __attribute__((always_inline)) void packBgr555(const unsigned char *from, unsigned char *to, size_t pixels) {
    pack16<19, 6, -7, 0x001F, 0x03E0, 0x7C00>(from, to, pixels);
}

inline __attribute__((always_inline)) void swapRedAndBlue24(const unsigned char *from, unsigned char *to,
                                                            size_t pixels) {
    for (size_t i = 0; i < pixels; ++i) {
        to[3 * i] = from[4 * i + 2];
        to[3 * i + 1] = from[4 * i + 1];
        to[3 * i + 2] = from[4 * i];
    }
}

// The two per-pixel loops are also built for later x86 instruction sets,
// and the processor's best is picked on first use: the byte shuffle of the
// 24-bit loop only vectorises from SSSE3 on. The choice is made here rather
// than by the loader, which not every platform's can do.
template <RowLoop loop>
void baseVersion(const unsigned char *from, unsigned char *to, size_t pixels) {
    loop(from, to, pixels);
}

#if defined(__x86_64__) || defined(__i386__)
template <RowLoop loop>
__attribute__((target("ssse3"))) void ssse3Version(const unsigned char *from, unsigned char *to, size_t pixels) {
    loop(from, to, pixels);
}

template <RowLoop loop>
__attribute__((target("avx2"))) void avx2Version(const unsigned char *from, unsigned char *to, size_t pixels) {
    loop(from, to, pixels);
}

enum class Level { base, ssse3, avx2 };

Level bestLevel() {
    static const Level level = [] {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx2"))
            return Level::avx2;
        if (__builtin_cpu_supports("ssse3"))
            return Level::ssse3;
        return Level::base;
    }();
    return level;
}

template <RowLoop loop>
RowLoop bestVersion() {
    switch (bestLevel()) {
    case Level::avx2:
        return avx2Version<loop>;
    case Level::ssse3:
        return ssse3Version<loop>;
    default:
        return baseVersion<loop>;
    }
}

const char *const levelNames[] = {"sse2", "ssse3", "avx2"};
const bool packedRoutines = false;
#else
enum class Level { base };

Level bestLevel() {
    return Level::base;
}

template <RowLoop loop>
RowLoop bestVersion() {
    return baseVersion<loop>;
}

const char *const levelNames[] = {"portable"};
const bool packedRoutines = true;
#endif

template <RowLoop loop>
void convertWith(const void *source, void *destination, int count) {
    static const RowLoop best = bestVersion<loop>();
    if (count > 0)
        best(static_cast<const unsigned char *>(source), static_cast<unsigned char *>(destination), count);
}

// The layouts that the packed routines also serve.
template <void (*packed)(void *, const void *, int), RowLoop loop>
void packedOrLoop(const void *source, void *destination, int count) {
    if (packedRoutines)
        packed(destination, source, count);
    else
        convertWith<loop>(source, destination, count);
}

struct Layout {
    uint32_t bits, redMask, greenMask, blueMask;
    Converter converter;
};

// In the order of preference: the first exact match wins.
const Layout layouts[] = {
    {32, 0x00FF0000, 0x0000FF00, 0x000000FF, to_rgb32},
    {32, 0x000000FF, 0x0000FF00, 0x00FF0000, to_bgr32},
    {24, 0x00FF0000, 0x0000FF00, 0x000000FF, to_rgb24},
    {24, 0x000000FF, 0x0000FF00, 0x00FF0000, to_bgr24},
    {16, 0xF800, 0x07E0, 0x001F, to_rgb565},
    {16, 0x001F, 0x07E0, 0xF800, to_bgr565},
    {16, 0x7C00, 0x03E0, 0x001F, to_rgb555},
    {16, 0x001F, 0x03E0, 0x7C00, to_bgr555},
};

}  // namespace

Converter converter_select(uint32_t bits, uint32_t redMask, uint32_t greenMask, uint32_t blueMask) {
    for (const Layout &layout : layouts)
        if (layout.bits == bits && layout.redMask == redMask && layout.greenMask == greenMask && layout.blueMask == blueMask)
            return layout.converter;
    return nullptr;
}

const char *converter_instructions(Converter converter) {
    if (converter == to_bgr32 || converter == to_bgr24 || !packedRoutines)
        return levelNames[static_cast<int>(bestLevel())];
    return "mmx";
}

void to_rgb32(const void *source, void *destination, int count) {
    if (!packedRoutines)
        return convertWith<keepBytes32>(source, destination, count);
    auto *from = static_cast<const unsigned char *>(source);
    auto *to = static_cast<unsigned char *>(destination);
    while (count > 0) {
        const int pixels = count < largestCopy ? count : largestCopy;
        mmx_copy(to, from, pixels * 4);
        from += pixels * 4;
        to += pixels * 4;
        count -= pixels;
    }
}

void to_bgr32(const void *source, void *destination, int count) { convertWith<swapRedAndBlue32>(source, destination, count); }

void to_rgb24(const void *source, void *destination, int count) {
    packedOrLoop<mmx_to_rgb24, keepBytes24>(source, destination, count);
}

void to_bgr24(const void *source, void *destination, int count) { convertWith<swapRedAndBlue24>(source, destination, count); }

void to_rgb565(const void *source, void *destination, int count) {
    packedOrLoop<mmx_to_rgb565, pack565>(source, destination, count);
}

void to_bgr565(const void *source, void *destination, int count) {
    packedOrLoop<mmx_to_bgr565, packBgr565>(source, destination, count);
}

void to_rgb555(const void *source, void *destination, int count) {
    packedOrLoop<mmx_to_rgb555, pack555>(source, destination, count);
}

void to_bgr555(const void *source, void *destination, int count) {
    packedOrLoop<mmx_to_bgr555, packBgr555>(source, destination, count);
}
