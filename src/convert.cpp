// convert.cpp - the eight row converters from 0x00RRGGBB pixels to the
// screen's layout, and the choice of one from the screen's bit count and
// channel masks. On x86 the 32-bit copy is the C library's and every other
// layout has versions for SSE2, SSSE3 and AVX2, mostly plain per-pixel
// loops that the compiler vectorises, some packed by hand; the processor's
// best is picked on first use, and wider registers beat the packed
// routines' four pixels a step. Elsewhere the 32-bit copy, the RGB 24-bit
// layout and the four 16-bit layouts go through the packed routines.
#include "convert.h"

#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "mmx.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

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

// A 16-bit layout for the multiply-add of the SSE2 and AVX2 loops: blue's
// and red's top five bits times 4 or 8 reach `shift` (5 or 6) bits above
// their field, times 2^13 reach 16 bits above it, where green is masked in
// place.
template <int16_t blueMultiplier, int16_t redMultiplier, uint32_t greenMask, int shift, RowLoop plain>
struct Packing16 {
    static constexpr int32_t multipliers = static_cast<int32_t>(uint32_t(uint16_t(redMultiplier)) << 16 |
                                                                uint16_t(blueMultiplier));
    static constexpr int32_t green = static_cast<int32_t>(greenMask);
    static constexpr int up = 16 - shift;
    static constexpr RowLoop rest = plain;
};
using Rgb565 = Packing16<4, 0x2000, 0xFC00, 5, pack565>;
using Bgr565 = Packing16<0x2000, 4, 0xFC00, 5, packBgr565>;
using Rgb555 = Packing16<8, 0x2000, 0xF800, 6, pack555>;
using Bgr555 = Packing16<0x2000, 8, 0xF800, 6, packBgr555>;

// The per-pixel loops are also built for later x86 instruction sets, and
// the processor's best is picked on first use. The choice is made here
// rather than by the loader, which not every platform's can do.
template <RowLoop loop>
void baseVersion(const unsigned char *from, unsigned char *to, size_t pixels) {
    loop(from, to, pixels);
}

#if defined(__x86_64__) || defined(__i386__)
// The vectoriser's own versions lose to hand-packed ones in two places: it
// narrows 32-bit lanes to 16 bits by a string of shuffles, and without
// SSSE3 it cannot move bytes across lanes at all.

// Four pixels to 16 bits each, in the low halves of their lanes: the
// fields shifted to the top and back keep the sign of bit 15, so that the
// saturating pack to 16 bits keeps every value as it is.
template <class Packing>
inline __attribute__((always_inline)) __m128i fields16x4(const unsigned char *from) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from));
    const __m128i redBlue = _mm_and_si128(pixels, _mm_set1_epi32(0x00F800F8));
    const __m128i fields = _mm_or_si128(_mm_madd_epi16(redBlue, _mm_set1_epi32(Packing::multipliers)),
                                        _mm_and_si128(pixels, _mm_set1_epi32(Packing::green)));
    return _mm_srai_epi32(_mm_slli_epi32(fields, Packing::up), 16);
}

template <class Packing>
inline __attribute__((always_inline)) void pack16Sse2(const unsigned char *from, unsigned char *to, size_t pixels) {
    size_t i = 0;
    for (; i + 8 <= pixels; i += 8) {
        const __m128i packed = _mm_packs_epi32(fields16x4<Packing>(from + 4 * i), fields16x4<Packing>(from + 4 * i + 16));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + 2 * i), packed);
    }
    Packing::rest(from + 4 * i, to + 2 * i, pixels - i);
}

// The same with AVX2's registers. Its pack works within each 128-bit half,
// so the middle quarters then swap places.
template <class Packing>
__attribute__((target("avx2"))) inline __m256i fields16x8(const unsigned char *from) {
    const __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(from));
    const __m256i redBlue = _mm256_and_si256(pixels, _mm256_set1_epi32(0x00F800F8));
    const __m256i fields = _mm256_or_si256(_mm256_madd_epi16(redBlue, _mm256_set1_epi32(Packing::multipliers)),
                                           _mm256_and_si256(pixels, _mm256_set1_epi32(Packing::green)));
    return _mm256_srai_epi32(_mm256_slli_epi32(fields, Packing::up), 16);
}

template <class Packing>
__attribute__((target("avx2"))) void pack16Avx2(const unsigned char *from, unsigned char *to, size_t pixels) {
    size_t i = 0;
    for (; i + 16 <= pixels; i += 16) {
        const __m256i packed =
            _mm256_packs_epi32(fields16x8<Packing>(from + 4 * i), fields16x8<Packing>(from + 4 * i + 32));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(to + 2 * i), _mm256_permute4x64_epi64(packed, 0xD8));
    }
    Packing::rest(from + 4 * i, to + 2 * i, pixels - i);
}

// Four pixels to twelve bytes: each pair's two 24-bit pixels joined in its
// 64-bit half, the halves then closed up; four such groups fill three
// registers exactly.
template <bool swapRedAndBlue>
inline __attribute__((always_inline)) __m128i pack24x4(const unsigned char *from) {
    __m128i quad = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from));
    if (swapRedAndBlue)
        quad = _mm_or_si128(_mm_or_si128(_mm_and_si128(_mm_srli_epi32(quad, 16), _mm_set1_epi32(0xFF)),
                                         _mm_and_si128(quad, _mm_set1_epi32(0xFF00))),
                            _mm_slli_epi32(_mm_and_si128(quad, _mm_set1_epi32(0xFF)), 16));
    const __m128i pairs = _mm_or_si128(_mm_and_si128(quad, _mm_set_epi32(0, 0x00FFFFFF, 0, 0x00FFFFFF)),
                                       _mm_srli_epi64(_mm_and_si128(quad, _mm_set_epi32(0x00FFFFFF, 0, 0x00FFFFFF, 0)), 8));
    return _mm_or_si128(_mm_and_si128(pairs, _mm_set_epi32(0, 0, 0x0000FFFF, -1)),
                        _mm_slli_si128(_mm_srli_si128(pairs, 8), 6));
}

template <bool swapRedAndBlue, RowLoop rest>
inline __attribute__((always_inline)) void pack24Sse2(const unsigned char *from, unsigned char *to, size_t pixels) {
    size_t i = 0;
    for (; i + 16 <= pixels; i += 16) {
        const __m128i a = pack24x4<swapRedAndBlue>(from + 4 * i), b = pack24x4<swapRedAndBlue>(from + 4 * i + 16),
                      c = pack24x4<swapRedAndBlue>(from + 4 * i + 32), d = pack24x4<swapRedAndBlue>(from + 4 * i + 48);
        __m128i *out = reinterpret_cast<__m128i *>(to + 3 * i);
        _mm_storeu_si128(out, _mm_or_si128(a, _mm_slli_si128(b, 12)));
        _mm_storeu_si128(out + 1, _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8)));
        _mm_storeu_si128(out + 2, _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(d, 4)));
    }
    rest(from + 4 * i, to + 3 * i, pixels - i);
}

template <RowLoop loop>
__attribute__((target("ssse3"))) void ssse3Version(const unsigned char *from, unsigned char *to, size_t pixels) {
    loop(from, to, pixels);
}

template <RowLoop loop>
__attribute__((target("avx2"))) void avx2Version(const unsigned char *from, unsigned char *to, size_t pixels) {
    loop(from, to, pixels);
}

enum class Level { base, ssse3, avx2 };

// DEMO_INSTRUCTIONS=sse2 or ssse3 holds the choice below what the processor
// offers, so that the versions older processors run can be tested and
// measured here.
Level bestLevel() {
    static const Level level = [] {
        const char *cap = std::getenv("DEMO_INSTRUCTIONS");
        const bool upToSse2 = cap && std::strcmp(cap, "sse2") == 0;
        const bool upToSsse3 = upToSse2 || (cap && std::strcmp(cap, "ssse3") == 0);
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx2") && !upToSsse3)
            return Level::avx2;
        if (__builtin_cpu_supports("ssse3") && !upToSse2)
            return Level::ssse3;
        return Level::base;
    }();
    return level;
}

// The loop each instruction set runs: the vectoriser's for most layouts.
template <RowLoop loop>
struct Vectorised {
    static constexpr RowLoop avx2 = avx2Version<loop>, ssse3 = ssse3Version<loop>, sse2 = baseVersion<loop>;
};

// AVX2's byte shuffle works within 128-bit halves, and the vectoriser's
// way around that loses to the SSSE3 version.
template <RowLoop loop, bool swapRedAndBlue>
struct Bytes24 {
    static constexpr RowLoop avx2 = ssse3Version<loop>, ssse3 = ssse3Version<loop>,
                             sse2 = baseVersion<pack24Sse2<swapRedAndBlue, loop>>;
};

template <class Packing>
struct Packed16 {
    static constexpr RowLoop avx2 = pack16Avx2<Packing>, ssse3 = baseVersion<pack16Sse2<Packing>>,
                             sse2 = baseVersion<pack16Sse2<Packing>>;
};

template <class Versions>
RowLoop bestVersion() {
    switch (bestLevel()) {
    case Level::avx2:
        return Versions::avx2;
    case Level::ssse3:
        return Versions::ssse3;
    default:
        return Versions::sse2;
    }
}

// Named by the instructions its loop was built for; a set may give a later
// processor the loop of an earlier one.
template <class Versions>
const char *instructionsOf() {
    const RowLoop best = bestVersion<Versions>();
    return best == Versions::sse2 ? "sse2" : best == Versions::ssse3 ? "ssse3" : "avx2";
}

const bool packedRoutines = false;
#else
template <RowLoop loop>
struct Vectorised {
    static constexpr RowLoop plain = loop;
};
template <RowLoop loop, bool>
struct Bytes24 : Vectorised<loop> {};
template <class Packing>
struct Packed16 : Vectorised<Packing::rest> {};

template <class Versions>
RowLoop bestVersion() {
    return baseVersion<Versions::plain>;
}

template <class Versions>
const char *instructionsOf() {
    return "portable";
}

const bool packedRoutines = true;
#endif

template <class Versions>
void convertWith(const void *source, void *destination, int count) {
    static const RowLoop best = bestVersion<Versions>();
    if (count > 0)
        best(static_cast<const unsigned char *>(source), static_cast<unsigned char *>(destination), count);
}

// The layouts that the packed routines also serve.
template <void (*packed)(void *, const void *, int), class Versions>
void packedOrLoop(const void *source, void *destination, int count) {
    if (packedRoutines)
        packed(destination, source, count);
    else
        convertWith<Versions>(source, destination, count);
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

bool avx2_allowed() {
#if defined(__x86_64__) || defined(__i386__)
    return bestLevel() == Level::avx2;
#else
    return false;
#endif
}

const char *converter_instructions(Converter converter) {
    if (packedRoutines && converter != to_bgr32 && converter != to_bgr24)
        return "mmx";
    if (converter == to_rgb32)
        return "memcpy";
    if (converter == to_bgr32)
        return instructionsOf<Vectorised<swapRedAndBlue32>>();
    if (converter == to_rgb24 || converter == to_bgr24)
        return instructionsOf<Bytes24<keepBytes24, false>>();
    return instructionsOf<Packed16<Rgb565>>();
}

void to_rgb32(const void *source, void *destination, int count) {
    // The C library's copy picks the widest moves the processor has.
    if (!packedRoutines) {
        if (count > 0)
            std::memcpy(destination, source, 4 * static_cast<size_t>(count));
        return;
    }
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

void to_bgr32(const void *source, void *destination, int count) { convertWith<Vectorised<swapRedAndBlue32>>(source, destination, count); }

void to_rgb24(const void *source, void *destination, int count) {
    packedOrLoop<mmx_to_rgb24, Bytes24<keepBytes24, false>>(source, destination, count);
}

void to_bgr24(const void *source, void *destination, int count) { convertWith<Bytes24<swapRedAndBlue24, true>>(source, destination, count); }

void to_rgb565(const void *source, void *destination, int count) {
    packedOrLoop<mmx_to_rgb565, Packed16<Rgb565>>(source, destination, count);
}

void to_bgr565(const void *source, void *destination, int count) {
    packedOrLoop<mmx_to_bgr565, Packed16<Bgr565>>(source, destination, count);
}

void to_rgb555(const void *source, void *destination, int count) {
    packedOrLoop<mmx_to_rgb555, Packed16<Rgb555>>(source, destination, count);
}

void to_bgr555(const void *source, void *destination, int count) {
    packedOrLoop<mmx_to_bgr555, Packed16<Bgr555>>(source, destination, count);
}
