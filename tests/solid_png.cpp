// solid_png.cpp - one-colour PNG files through libpng's simplified writer,
// plain text files and self-removing scratch directories.
#include "solid_png.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ftw.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

bool WriteSolidPng(const std::string &path, int width, int height, uint32_t color)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = PNG_FORMAT_RGBA;
    const unsigned char rgba[4] = {static_cast<unsigned char>(color >> 16), static_cast<unsigned char>(color >> 8),
                                   static_cast<unsigned char>(color), static_cast<unsigned char>(color >> 24)};
    std::vector<unsigned char> pixels(std::size_t(width) * height * 4);
    for (std::size_t i = 0; i < pixels.size(); i += 4)
        std::memcpy(&pixels[i], rgba, 4);
    return png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr) != 0;
}

bool WriteText(const std::string &path, const std::string &text)
{
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

ScratchDir::ScratchDir()
{
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/demo-test-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a scratch directory");
    root = pattern;
}

ScratchDir::~ScratchDir()
{
    nftw(
        root.c_str(), [](const char *path, const struct stat *, int, struct FTW *) { return remove(path); }, 16,
        FTW_DEPTH | FTW_PHYS);
}
