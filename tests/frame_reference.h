// frame_reference.h - the presentation tests' own blend, pictures made in memory, and files to read.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "loadpng.h"
#include "png_files.h"

// ⌊s × a / 256⌋ + ⌊d × (255 − a) / 256⌋ for red, green and blue.
inline uint32_t ReferenceBlend(uint32_t stored, uint32_t color)
{
    const uint32_t a = color >> 24;
    uint32_t result = 0;
    for (int shift : {16, 8, 0}) {
        const uint32_t s = (color >> shift) & 0xFF;
        const uint32_t d = (stored >> shift) & 0xFF;
        result |= (s * a / 256 + d * (255 - a) / 256) << shift;
    }
    return result;
}

// A picture whose pixel (x, y) is colorAt(x, y); the caller owns it.
inline Picture *MakePicture(int width, int height, const std::function<uint32_t(int, int)> &colorAt)
{
    Picture *picture = new Picture;
    picture->width = width;
    picture->height = height;
    picture->bpp = 32;
    picture->pixels = new uint32_t[std::size_t(width) * height];
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture->pixels[std::size_t(y) * width + x] = colorAt(x, y);
    return picture;
}

inline Picture *MakeSolidPicture(int width, int height, uint32_t color)
{
    return MakePicture(width, height, [color](int, int) { return color; });
}

// A width × height RGBA PNG file of one 0xAARRGGBB colour.
inline bool WriteSolidPng(const std::string &path, int width, int height, uint32_t color)
{
    PngImage image;
    image.width = width;
    image.height = height;
    image.colorType = 6;
    for (int i = 0; i < width * height; ++i)
        for (int shift : {16, 8, 0, 24})
            image.samples.push_back(uint16_t(color >> shift & 0xFF));
    const std::vector<unsigned char> png = EncodePng(image);
    return !png.empty() && WriteFile(path, png);
}

inline bool WriteText(const std::string &path, const std::string &text)
{
    return WriteFile(path, std::vector<unsigned char>(text.begin(), text.end()));
}
