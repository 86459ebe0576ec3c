// mmx.cpp - the packed-integer routines behind six of the row converters.
// Each routine runs through whole groups with 64-bit packed operations, two
// source pixels to a word, then finishes the rest one unit at a time. On a
// processor with MMX the packed operations are MMX instructions; elsewhere
// the same operations are done on 64-bit integers, so the groups, the
// remainders and every result stay the same. All loads and stores go through
// memcpy because neither address is aligned. A negative count has no groups
// and a negative remainder, so it converts nothing.
#include "mmx.h"

#include <cstdint>
#include <cstring>

#if defined(__MMX__)
#include <mmintrin.h>
#endif

namespace {

#if defined(__MMX__)

typedef __m64 Packed;

inline Packed constant(uint64_t value) {
    Packed word;
    std::memcpy(&word, &value, sizeof word);
    return word;
}
inline Packed bitAnd(Packed a, Packed b) { return _mm_and_si64(a, b); }
inline Packed bitOr(Packed a, Packed b) { return _mm_or_si64(a, b); }
inline Packed shiftLeft64(Packed a, int bits) { return _mm_slli_si64(a, bits); }
inline Packed shiftRight64(Packed a, int bits) { return _mm_srli_si64(a, bits); }
inline Packed shiftLeft32(Packed a, int bits) { return _mm_slli_pi32(a, bits); }
inline Packed shiftRight32(Packed a, int bits) { return _mm_srli_pi32(a, bits); }
inline Packed packSigned32(Packed low, Packed high) { return _mm_packs_pi32(low, high); }
inline Packed packUnsigned16(Packed low, Packed high) { return _mm_packs_pu16(low, high); }
inline Packed multiplyAdd16(Packed a, Packed b) { return _mm_madd_pi16(a, b); }
inline uint32_t low32(Packed a) { return static_cast<uint32_t>(_mm_cvtsi64_si32(a)); }
inline void endPacked() { _mm_empty(); }

#else

typedef uint64_t Packed;

inline Packed constant(uint64_t value) { return value; }
inline Packed bitAnd(Packed a, Packed b) { return a & b; }
inline Packed bitOr(Packed a, Packed b) { return a | b; }
inline Packed shiftLeft64(Packed a, int bits) { return a << bits; }
inline Packed shiftRight64(Packed a, int bits) { return a >> bits; }

inline uint32_t lane32(Packed a, int lane) { return static_cast<uint32_t>(a >> (32 * lane)); }
inline Packed join32(uint32_t low, uint32_t high) { return low | static_cast<uint64_t>(high) << 32; }
inline int16_t lane16(Packed a, int lane) { return static_cast<int16_t>(a >> (16 * lane)); }

inline Packed shiftLeft32(Packed a, int bits) { return join32(lane32(a, 0) << bits, lane32(a, 1) << bits); }
inline Packed shiftRight32(Packed a, int bits) { return join32(lane32(a, 0) >> bits, lane32(a, 1) >> bits); }

inline uint16_t saturate16(int32_t value) {
    return static_cast<uint16_t>(value < -32768 ? -32768 : value > 32767 ? 32767 : value);
}
inline Packed packSigned32(Packed low, Packed high) {
    const Packed lanes[4] = {low, low >> 32, high, high >> 32};
    Packed result = 0;
    for (int i = 0; i < 4; ++i)
        result |= static_cast<uint64_t>(saturate16(static_cast<int32_t>(static_cast<uint32_t>(lanes[i])))) << (16 * i);
    return result;
}
inline Packed packUnsigned16(Packed low, Packed high) {
    Packed result = 0;
    for (int i = 0; i < 8; ++i) {
        const int value = lane16(i < 4 ? low : high, i % 4);
        const uint64_t byte = value < 0 ? 0 : value > 255 ? 255 : value;
        result |= byte << (8 * i);
    }
    return result;
}
inline Packed multiplyAdd16(Packed a, Packed b) {
    uint32_t sums[2];
    for (int i = 0; i < 2; ++i) {
        const int64_t sum = int64_t{lane16(a, 2 * i)} * lane16(b, 2 * i) + int64_t{lane16(a, 2 * i + 1)} * lane16(b, 2 * i + 1);
        sums[i] = static_cast<uint32_t>(sum);
    }
    return join32(sums[0], sums[1]);
}
inline uint32_t low32(Packed a) { return static_cast<uint32_t>(a); }
inline void endPacked() {}

#endif

inline Packed load(const unsigned char *from) {
    Packed word;
    std::memcpy(&word, from, sizeof word);
    return word;
}
inline void store(unsigned char *to, Packed word) { std::memcpy(to, &word, sizeof word); }
inline uint32_t loadPixel(const unsigned char *from) {
    uint32_t pixel;
    std::memcpy(&pixel, from, sizeof pixel);
    return pixel;
}

const uint64_t colourBytes = 0x00FFFFFF00FFFFFF;
const uint64_t blueTop5 = 0x000000F8000000F8;
const uint64_t greenTop6 = 0x0000FC000000FC00;
const uint64_t redTop5 = 0x00F8000000F80000;
const uint64_t blueAndRedTop5 = 0x00F800F800F800F8;
const uint64_t greenTop5 = 0x0000F8000000F800;
const uint64_t blueLowRedHigh = 0x2000000820000008;
const uint64_t blueHighRedLow = 0x0008200000082000;

// 16-bit destination values are little-endian.
inline void store16(unsigned char *to, uint32_t value) {
    to[0] = static_cast<unsigned char>(value);
    to[1] = static_cast<unsigned char>(value >> 8);
}

inline uint32_t red(uint32_t pixel) { return (pixel >> 16) & 0xFF; }
inline uint32_t green(uint32_t pixel) { return (pixel >> 8) & 0xFF; }
inline uint32_t blue(uint32_t pixel) { return pixel & 0xFF; }

// Green and the low channel of both pixels of a word, as 565 fields in the
// low bits of each 32-bit lane.
template <bool redHigh>
inline Packed lowFields565(Packed pair) {
    const Packed lowChannel = redHigh ? shiftLeft32(bitAnd(pair, constant(blueTop5)), 2)
                                      : shiftRight32(bitAnd(pair, constant(redTop5)), 14);
    return shiftRight32(bitOr(lowChannel, bitAnd(pair, constant(greenTop6))), 5);
}

// The top channel's 5 bits of both pixels of a word, in the low byte of the
// upper 16-bit lane of each pixel.
template <bool redHigh>
inline Packed topChannel565(Packed pair) {
    return redHigh ? bitAnd(pair, constant(redTop5)) : shiftLeft32(bitAnd(pair, constant(blueTop5)), 16);
}

// Four pixels of 565: the low fields come from 32-bit lanes packed to 16
// bits, the top field from a byte pack that lands the masked channel in the
// high byte of each 16-bit result.
template <bool redHigh>
void to565(void *destination, const void *source, int count) {
    auto *to = static_cast<unsigned char *>(destination);
    auto *from = static_cast<const unsigned char *>(source);
    for (int group = count / 4; group > 0; --group, from += 16, to += 8) {
        const Packed pixels01 = load(from), pixels23 = load(from + 8);
        const Packed low = packSigned32(lowFields565<redHigh>(pixels01), lowFields565<redHigh>(pixels23));
        const Packed top = packUnsigned16(topChannel565<redHigh>(pixels01), topChannel565<redHigh>(pixels23));
        store(to, bitOr(low, top));
    }
    for (int rest = count % 4; rest > 0; --rest, from += 4, to += 2) {
        const uint32_t pixel = loadPixel(from);
        const uint32_t high = redHigh ? red(pixel) : blue(pixel), low = redHigh ? blue(pixel) : red(pixel);
        store16(to, (high >> 3) << 11 | (green(pixel) >> 2) << 5 | low >> 3);
    }
    endPacked();
}

// Both pixels of a word as 555 values in 32-bit lanes: one multiply-add per
// pixel moves blue and red to their places at once, green is already where
// it belongs.
template <bool redHigh>
inline Packed fields555(Packed pair) {
    const Packed outer = multiplyAdd16(bitAnd(pair, constant(blueAndRedTop5)), constant(redHigh ? blueLowRedHigh : blueHighRedLow));
    return shiftRight32(bitOr(outer, bitAnd(pair, constant(greenTop5))), 6);
}

template <bool redHigh>
void to555(void *destination, const void *source, int count) {
    auto *to = static_cast<unsigned char *>(destination);
    auto *from = static_cast<const unsigned char *>(source);
    for (int group = count / 8; group > 0; --group, from += 32, to += 16) {
        store(to, packSigned32(fields555<redHigh>(load(from)), fields555<redHigh>(load(from + 8))));
        store(to + 8, packSigned32(fields555<redHigh>(load(from + 16)), fields555<redHigh>(load(from + 24))));
    }
    for (int rest = count % 8; rest > 0; --rest, from += 4, to += 2) {
        const uint32_t pixel = loadPixel(from);
        const uint32_t high = redHigh ? red(pixel) : blue(pixel), low = redHigh ? blue(pixel) : red(pixel);
        store16(to, (high >> 3) << 10 | (green(pixel) >> 3) << 5 | low >> 3);
    }
    endPacked();
}

}  // namespace

void mmx_copy(void *destination, const void *source, int byteCount) {
    auto *to = static_cast<unsigned char *>(destination);
    auto *from = static_cast<const unsigned char *>(source);
    for (int group = byteCount / 64; group > 0; --group, from += 64, to += 64) {
        const Packed b0 = load(from), b1 = load(from + 8), b2 = load(from + 16), b3 = load(from + 24);
        const Packed b4 = load(from + 32), b5 = load(from + 40), b6 = load(from + 48), b7 = load(from + 56);
        store(to, b0);
        store(to + 8, b1);
        store(to + 16, b2);
        store(to + 24, b3);
        store(to + 32, b4);
        store(to + 40, b5);
        store(to + 48, b6);
        store(to + 56, b7);
    }
    for (int rest = byteCount % 64; rest > 0; --rest)
        *to++ = *from++;
    endPacked();
}

// Four pixels of 24 bits: the colour bytes of each pixel are joined with
// 64-bit shifts into one 8-byte and one 4-byte store.
void mmx_to_rgb24(void *destination, const void *source, int count) {
    auto *to = static_cast<unsigned char *>(destination);
    auto *from = static_cast<const unsigned char *>(source);
    const Packed colourMask = constant(colourBytes);
    for (int group = count / 4; group > 0; --group, from += 16, to += 12) {
        const Packed pixels01 = bitAnd(load(from), colourMask);
        const Packed pixels23 = bitAnd(load(from + 8), colourMask);
        const Packed pixel0 = shiftRight64(shiftLeft64(pixels01, 32), 32);
        const Packed pixel1 = shiftLeft64(shiftRight64(pixels01, 32), 24);
        const Packed blueGreen2 = shiftLeft64(pixels23, 48);
        const Packed red2 = shiftRight64(shiftLeft64(pixels23, 32), 48);
        const Packed pixel3 = shiftLeft64(shiftRight64(pixels23, 32), 8);
        store(to, bitOr(bitOr(pixel0, pixel1), blueGreen2));
        const uint32_t tail = low32(bitOr(red2, pixel3));
        std::memcpy(to + 8, &tail, sizeof tail);
    }
    for (int rest = count % 4; rest > 0; --rest, from += 4, to += 3) {
        to[0] = from[0];
        to[1] = from[1];
        to[2] = from[2];
    }
    endPacked();
}

void mmx_to_rgb565(void *destination, const void *source, int count) { to565<true>(destination, source, count); }
void mmx_to_bgr565(void *destination, const void *source, int count) { to565<false>(destination, source, count); }
void mmx_to_rgb555(void *destination, const void *source, int count) { to555<true>(destination, source, count); }
void mmx_to_bgr555(void *destination, const void *source, int count) { to555<false>(destination, source, count); }
