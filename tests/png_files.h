// png_files.h - PNG files for tests and fuzz seeds: described, written by libpng, damaged, kept in a temporary folder.
#pragma once

#include <png.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct PngImage {
    int width = 1, height = 1, bitDepth = 8;
    int colorType = 2;       // PNG colour type: 0, 2, 3, 4 or 6
    bool interlaced = false; // Adam7
    // Row-major, SampleCount(colorType) full-depth samples (palette indices for type 3) per pixel.
    std::vector<uint16_t> samples;
    std::vector<png_color> palette;    // colour type 3
    std::vector<uint8_t> paletteAlpha; // its tRNS when not empty
    bool hasTransparentColor = false;  // tRNS for colour types 0 and 2
    uint16_t transparentColor[3] = {}; // grey in [0], or red, green, blue
    double gamma = 0;                  // gAMA chunk when above 0
};

// Every colour type with each bit depth PNG allows it.
const std::pair<int, int> pngForms[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                                        {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};

inline int SampleCount(int colorType) { return colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1; }
// A picture, 9x7 unless told: pixel 0 all zero, 1 all maximum, the rest scattered; with transparency,
// pixel 2 is the transparent colour, pixel 3 one bit off it, and a palette's tRNS one entry short.
PngImage ScatteredImage(int colorType, int bitDepth, bool transparency, bool interlaced, double gamma, int width = 9,
                        int height = 7);
// The PNG file of the image; empty when libpng refuses to write it.
std::vector<unsigned char> EncodePng(const PngImage &image);
bool WriteFile(const std::string &path, const std::vector<unsigned char> &bytes);
// Makes the CRC of every whole chunk right again after the bytes were changed.
void FixChunkCrcs(std::vector<unsigned char> &png);

// A fresh directory in the system's temporary folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return path_; }
    std::string File(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};
