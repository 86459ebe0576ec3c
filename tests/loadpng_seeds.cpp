// loadpng_seeds.cpp - writes the seed corpus for the PNG loader's fuzzer:
// small pictures of every colour type, interlaced or not, with and without
// transparency and gamma, into the directory named on the command line.
#include "png_files.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

PngImage Seed(int colorType, int bitDepth, bool interlaced, int variant)
{
    PngImage image;
    image.width = 3 + variant;
    image.height = 2 + variant;
    image.colorType = colorType;
    image.bitDepth = bitDepth;
    image.interlaced = interlaced;
    const unsigned levels = colorType == 3 ? 1u << (bitDepth < 8 ? bitDepth : 8) : 1u << bitDepth;
    const std::size_t count = std::size_t(image.width) * image.height * SampleCount(colorType);
    for (std::size_t i = 0; i < count; ++i)
        image.samples.push_back(uint16_t((i * 40503u + variant) % levels));
    if (colorType == 3) {
        for (unsigned i = 0; i < levels; ++i)
            image.palette.push_back({uint8_t(i * 53), uint8_t(i * 29 + 7), uint8_t(255 - i)});
        if (variant == 1)
            image.paletteAlpha = {0, 128};
    } else if (variant == 1 && (colorType == 0 || colorType == 2)) {
        image.hasTransparentColor = true;
        for (int c = 0; c < SampleCount(colorType); ++c)
            image.transparentColor[c] = image.samples[c];
    }
    if (variant == 1)
        image.gamma = 1.0;
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <seed directory>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::filesystem::create_directories(dir);

    int written = 0;
    for (int colorType : {0, 2, 3, 4, 6})
        for (int bitDepth : {1, 2, 4, 8, 16})
            for (int variant = 0; variant < 2; ++variant) {
                if ((bitDepth < 8 && colorType != 0 && colorType != 3) || (bitDepth == 16 && colorType == 3))
                    continue; // depths that PNG does not allow for the colour type
                const std::string name = dir + "/type" + std::to_string(colorType) + "_depth" + std::to_string(bitDepth)
                    + "_" + std::to_string(variant) + ".png";
                if (!WriteFile(name, EncodePng(Seed(colorType, bitDepth, variant == 1, variant)))) {
                    std::fprintf(stderr, "cannot write %s\n", name.c_str());
                    return 1;
                }
                ++written;
            }
    std::printf("%d seeds in %s\n", written, dir.c_str());
    return 0;
}
