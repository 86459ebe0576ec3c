// loadpng_seeds.cpp - writes the seed corpus for the PNG loader's fuzzer:
// the loader tests' pictures of every colour type and depth, interlaced or
// not, with and without transparency and gamma, into the directory named
// on the command line.
#include "png_files.h"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <seed directory>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::filesystem::create_directories(dir);
    const std::pair<int, int> forms[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16},
                                         {3, 1}, {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
    for (const auto &form : forms)
        for (int variant = 0; variant < 2; ++variant) {
            const std::string name = dir + "/type" + std::to_string(form.first) + "_depth" +
                                     std::to_string(form.second) + "_" + std::to_string(variant) + ".png";
            const bool transparency = variant == 1 && form.first < 4;
            if (!WriteFile(name, EncodePng(ScatteredImage(form.first, form.second, transparency, variant == 1,
                                                          variant == 1 ? 1.0 : 0.0)))) {
                std::fprintf(stderr, "cannot write %s\n", name.c_str());
                return 1;
            }
        }
    return 0;
}
