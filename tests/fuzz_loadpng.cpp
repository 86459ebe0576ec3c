// fuzz_loadpng.cpp - libFuzzer target: Picture::Load decodes or refuses any bytes without a crash or a leak.
#include "loadpng.h"
#include "png_files.h"

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
    Picture picture;
    if (picture.Load(path.c_str())) {
        if (!picture.pixels || picture.bpp != 32 || picture.width <= 0 || picture.height <= 0)
            std::abort();
        // Touch every word, so that a short pixel array shows.
        uint32_t mix = 0;
        for (std::size_t i = 0; i < std::size_t(picture.width) * picture.height; ++i)
            mix ^= picture.pixels[i];
        volatile uint32_t sink = mix;
        (void)sink;
    } else if (picture.pixels) {
        std::abort();
    }
    return 0;
}
