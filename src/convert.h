// convert.h - row converters from the demo's 32-bit 0x00RRGGBB pixels to the
// eight RGB screen layouts, and the selection of one from a screen format.
// Pure computation: no state, no platform calls. Neither address needs
// alignment.
#pragma once

#include <cstdint>

typedef void (*Converter)(const void *source, void *destination, int count);

// The converter for a screen of `bits` per pixel with these channel masks,
// or null when the layout is not one of the eight served.
Converter converter_select(uint32_t bits, uint32_t redMask, uint32_t greenMask, uint32_t blueMask);

// Which instructions `converter` runs on this processor: "avx2", "ssse3",
// "sse2" or "portable" for the plain loops, "mmx" for the packed routines,
// "memcpy" for the copy that is the C library's.
const char *converter_instructions(Converter converter);

// Whether loops built for AVX2 may run: the processor has it and
// DEMO_INSTRUCTIONS does not hold the converters below it. For other
// modules' loops, so that one cap tests them all.
bool avx2_allowed();

void to_rgb32(const void *source, void *destination, int count);
void to_bgr32(const void *source, void *destination, int count);
void to_rgb24(const void *source, void *destination, int count);
void to_bgr24(const void *source, void *destination, int count);
void to_rgb565(const void *source, void *destination, int count);
void to_bgr565(const void *source, void *destination, int count);
void to_rgb555(const void *source, void *destination, int count);
void to_bgr555(const void *source, void *destination, int count);
