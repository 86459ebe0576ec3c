// loadpng_seeds.cpp - writes the PNG loader fuzzer's seeds, pictures of every colour type and depth, into a folder.
#include "png_files.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <seed directory>\n", argv[0]);
        return 2;
    }
    std::filesystem::create_directories(argv[1]);
    for (const auto &[type, depth] : pngForms)
        for (int variant = 0; variant < 2; ++variant) {
            const std::string name = std::string(argv[1]) + "/type" + std::to_string(type) + "_depth" +
                                     std::to_string(depth) + "_" + std::to_string(variant) + ".png";
            if (!WriteFile(name, EncodePng(ScatteredImage(type, depth, variant && type < 4, variant, variant)))) {
                std::fprintf(stderr, "cannot write %s\n", name.c_str());
                return 1;
            }
        }
    return 0;
}
