// loadpng.h - Picture, one decoded image as 0xAARRGGBB words, and its PNG
// loader. The Picture owns its pixel array.
#pragma once

#include <climits>
#include <cstdint>
#include <string>

class Picture {
public:
    int width = 0;
    int height = 0;
    int bpp = 0;               // bits per pixel of `pixels` after a successful Load: 32
    uint32_t *pixels = nullptr; // width * height words, row-major from the top row

    Picture() = default;
    ~Picture();
    Picture(const Picture &) = delete;
    Picture &operator=(const Picture &) = delete;

    // Decodes the PNG file row by row and keeps its centred part of at most
    // keepWidth × keepHeight pixels (the part that a screen of that size,
    // showing it centred, can ever show); `width` and `height` are then the
    // kept part's. 1 on success; 0 on any failure, with `reason` (when
    // given) set to why in plain words. Prints nothing.
    int Load(const char *fileName, int keepWidth = INT_MAX, int keepHeight = INT_MAX,
             std::string *reason = nullptr);
    // Fills `pixels` from height rows of width 3-byte pixels, alpha 255.
    void Expand24(const unsigned char *src, int rowGap, bool keepOrder);
    // Sets the alpha byte of every pixel.
    void SetAlpha(unsigned char alpha);
};
