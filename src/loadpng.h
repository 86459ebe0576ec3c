// loadpng.h - Picture, one decoded image as 0xAARRGGBB words, and its PNG
// loader. The Picture owns its pixel array.
#pragma once

#include <cstdint>

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

    // Decodes the PNG file; 1 on success, 0 on any failure. Prints nothing.
    int Load(const char *fileName);
    // Fills `pixels` from height rows of width 3-byte pixels, alpha 255.
    void Expand24(const unsigned char *src, int rowGap, bool keepOrder);
    // Sets the alpha byte of every pixel.
    void SetAlpha(unsigned char alpha);
};
