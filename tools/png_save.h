// png_save.h - writes raw pixel rows of any PNG colour type and bit depth to
// a file with libpng; the example pictures are made through it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PngImage {
    int width = 0;
    int height = 0;
    int colorType = 6;             // libpng PNG_COLOR_TYPE_* value
    int bitDepth = 8;
    std::vector<uint8_t> bytes;    // rows packed as PNG stores them, no filter byte
    std::vector<uint8_t> palette;  // r, g, b triples for colour type 3
    std::vector<uint8_t> alphas;   // tRNS entries for colour type 3
};

// Writes `image` to `path`; false with a message in `error` when it cannot.
bool png_save(const PngImage &image, const std::string &path, std::string &error);
