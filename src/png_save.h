// png_save.h - writes raw pixel rows of any PNG colour type and bit depth
// with libpng, to a named file or to a stream the caller opened; the
// example pictures and the screenshots are made through it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// In a namespace of its own, found without naming it, so that the tests'
// own PngImage, a description of a picture to encode, links beside it in
// one program without the two types' members taking each other's place.
inline namespace png_writer {

struct PngImage {
    int width = 0;
    int height = 0;
    int colorType = 6;             // libpng PNG_COLOR_TYPE_* value
    int bitDepth = 8;
    std::vector<uint8_t> bytes;    // rows packed as PNG stores them, no filter byte
    std::vector<uint8_t> palette;  // r, g, b triples for colour type 3
    std::vector<uint8_t> alphas;   // tRNS entries for colour type 3
};

// Writes `image` to `path`; false with a message naming `path` in `error`
// when it cannot.
bool png_save(const PngImage &image, const std::string &path, std::string &error);
// Writes `image` to `file`, opened for binary writing, and closes it in
// every case; false with the plain reason in `error` when it cannot.
bool png_save(const PngImage &image, FILE *file, std::string &error);

} // namespace png_writer
