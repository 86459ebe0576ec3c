// fuzz_loadpng.cpp - libFuzzer target for Picture::Load, which must decode
// or refuse each input without a crash or a leak. The chunk CRCs are made
// right first, so that mutations reach the decoder instead of stopping at
// libpng's CRC test, which the fuzzer cannot see into.
#include "loadpng.h"
#include "png_files.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const TempDir dir;
    static const std::string path = dir.File("input.png");
    std::vector<unsigned char> png(data, data + size);
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
