// fuzz_loadpng.cpp - libFuzzer target for Picture::Load: each input becomes
// the contents of one temporary file, reused for the whole run, which Load
// must decode or refuse without a crash, a leak or a file left open.
#include "loadpng.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace {

std::string inputPath;

void RemoveInputFile()
{
    unlink(inputPath.c_str());
}

const char *InputFile()
{
    if (inputPath.empty()) {
        char name[] = "/tmp/fuzz_loadpng.XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0) {
            std::perror("mkstemp");
            std::abort();
        }
        close(fd);
        inputPath = name;
        std::atexit(RemoveInputFile);
    }
    return inputPath.c_str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *path = InputFile();
    FILE *file = std::fopen(path, "wb");
    if (!file)
        std::abort();
    if (std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
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
