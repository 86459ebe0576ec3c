// mmx.h - packed-integer routines behind six of the row converters: two
// pixels per 64-bit operation, in whole groups followed by a remainder.
// Destination first, unlike the converters.
#pragma once

void mmx_copy(void *destination, const void *source, int byteCount);
void mmx_to_rgb24(void *destination, const void *source, int count);
void mmx_to_rgb565(void *destination, const void *source, int count);
void mmx_to_bgr565(void *destination, const void *source, int count);
void mmx_to_rgb555(void *destination, const void *source, int count);
void mmx_to_bgr555(void *destination, const void *source, int count);
