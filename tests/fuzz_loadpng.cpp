// fuzz_loadpng.cpp - libFuzzer target for Picture::Load: each input becomes
// the contents of one temporary file, reused for the whole run, which Load
// must decode or refuse without a crash, a leak or a file left open. The
// chunk CRCs are made right first, so that mutations reach the decoder
// instead of stopping at libpng's CRC test, which the fuzzer cannot see into.
#include "loadpng.h"
#include "png_files.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

std::string inputPath;

void RemoveInputFile() { unlink(inputPath.c_str()); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<unsigned char> png(data, data + size);
    FixChunkCrcs(png);
    if (inputPath.empty()) {
        char name[] = "/tmp/fuzz_loadpng.XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0)
            std::abort();
        close(fd);
        inputPath = name;
        std::atexit(RemoveInputFile);
    }
    const char *path = inputPath.c_str();
    if (!WriteFile(path, png))
        std::abort();

    Picture picture;
    if (picture.Load(path)) {
        if (!picture.pixels || picture.bpp != 32 || picture.width <= 0 || picture.height <= 0)
            std::abort();
        // Touch every word, so that a short pixel array shows.
        uint32_t mix = 0;
        const std::size_t count = std::size_t(picture.width) * picture.height;
        for (std::size_t i = 0; i < count; ++i)
            mix ^= picture.pixels[i];
        volatile uint32_t sink = mix;
        (void)sink;
    } else if (picture.pixels) {
        std::abort();
    }
    return 0;
}
