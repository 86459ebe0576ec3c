// make_icon.cpp - writes the icon file that the Windows build compiles in as
// "IDI_MAIN", from the same picture that the window stand-in shows, so that
// both platforms carry one icon: a 32x32 and a 16x16 image, 32 bits with
// alpha, each with its 1-bit mask for systems that ignore the alpha.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "icon.h"

namespace {

void put16(std::vector<uint8_t> &out, uint32_t v)
{
    out.push_back(v & 0xFF);
    out.push_back(v >> 8 & 0xFF);
}

void put32(std::vector<uint8_t> &out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// The image as stored in the file: a bitmap header with the height doubled
// for the mask, colour rows bottom-up in BGRA, then mask rows padded to
// four bytes, a set bit marking a transparent pixel.
std::vector<uint8_t> image_bytes(const IconImage &image)
{
    const int n = image.size;
    std::vector<uint8_t> out;
    put32(out, 40);
    put32(out, n);
    put32(out, 2 * n);
    put16(out, 1);
    put16(out, 32);
    for (int i = 0; i < 6; ++i)
        put32(out, 0);
    for (int y = n - 1; y >= 0; --y)
        for (int x = 0; x < n; ++x)
            put32(out, image.pixels[y * n + x]);
    const int maskRowBytes = (n + 31) / 32 * 4;
    for (int y = n - 1; y >= 0; --y) {
        std::vector<uint8_t> row(maskRowBytes, 0);
        for (int x = 0; x < n; ++x)
            if (image.pixels[y * n + x] >> 24 == 0)
                row[x / 8] |= 0x80 >> (x % 8);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: make_icon <output path>\n", stderr);
        return 2;
    }
    const HICON icon = icon_main();
    const std::vector<uint8_t> images[] = {image_bytes(icon->large), image_bytes(icon->small)};
    const int sizes[] = {icon->large.size, icon->small.size};

    std::vector<uint8_t> file;
    put16(file, 0);
    put16(file, 1); // an icon, not a cursor
    put16(file, 2);
    uint32_t offset = 6 + 2 * 16;
    for (int i = 0; i < 2; ++i) {
        file.push_back(static_cast<uint8_t>(sizes[i]));
        file.push_back(static_cast<uint8_t>(sizes[i]));
        file.push_back(0); // no palette
        file.push_back(0);
        put16(file, 1);
        put16(file, 32);
        put32(file, static_cast<uint32_t>(images[i].size()));
        put32(file, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const std::vector<uint8_t> &image : images)
        file.insert(file.end(), image.begin(), image.end());

    FILE *out = std::fopen(argv[1], "wb");
    const bool written = out && std::fwrite(file.data(), 1, file.size(), out) == file.size();
    if (!out || std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
