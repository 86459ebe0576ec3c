// fuzz_loadpng.cpp - libFuzzer target: Picture::Load decodes or refuses any bytes without a crash or a leak, row by
// row through the screen's window or a small odd one.
#include "loadpng.h"
#include "png_files.h"
#include "test.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const TempDir dir;
    static const std::string path = dir.File("input.png");
    std::vector<unsigned char> png(data, data + size);
    // Mutations then reach the decoder instead of stopping at libpng's CRC test, which the fuzzer cannot see into.
    FixChunkCrcs(png);
    if (!WriteFile(path, png))
        std::abort();
    // The length chooses the window; the small one crops the small pictures that seeds are.
    const int keepWidth = size & 1 ? SCREEN_WIDTH : 5, keepHeight = size & 1 ? SCREEN_HEIGHT : 3;
    Picture picture;
    std::string reason;
    if (picture.Load(path.c_str(), keepWidth, keepHeight, &reason)) {
        if (!picture.pixels || picture.bpp != 32 || picture.width <= 0 || picture.height <= 0 ||
            picture.width > keepWidth || picture.height > keepHeight)
            std::abort();
        // Touch every word, so that a short pixel array shows.
        uint32_t mix = 0;
        for (std::size_t i = 0; i < std::size_t(picture.width) * picture.height; ++i)
            mix ^= picture.pixels[i];
        volatile uint32_t sink = mix;
        (void)sink;
    } else if (picture.pixels || reason.empty()) {
        std::abort();
    }
    return 0;
}
