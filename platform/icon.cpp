// icon.cpp - the picture of the icon "IDI_MAIN": a little monitor showing
// the demo's colour bands with a picture in front, drawn in 16 colours at
// 32x32 and 16x16, with a transparent surround.
#include "icon.h"

namespace {

const char *const LARGE_ART[32] = {
    "................................",
    ".dddddddddddddddddddddddddddddd.",
    ".dggggggggggggggggggggggggggggd.",
    ".dgkkkkkkkkkkkkkkkkkkkkkkkkkkgd.",
    ".dgkrrrrrrrrrrrrrrrrrrrrrrrrkgd.",
    ".dgkrrrrrrrrrrrrrrrrrrrrrrrrkgd.",
    ".dgkrrrrrrrrrrrrrrrrrrrrrrrrkgd.",
    ".dgkooooooooooooooooooooooookgd.",
    ".dgkoooooookkkkkkkkkkoooooookgd.",
    ".dgkoooooookwwwwwwwwkoooooookgd.",
    ".dgkyyyyyyykwwwwwwwwkyyyyyyykgd.",
    ".dgkyyyyyyykwwrwwrwwkyyyyyyykgd.",
    ".dgkyyyyyyykwrrrrrrwkyyyyyyykgd.",
    ".dgkbbbbbbbkwwrrrrwwkbbbbbbbkgd.",
    ".dgkbbbbbbbkwwwrrwwwkbbbbbbbkgd.",
    ".dgkbbbbbbbkwwwwwwwwkbbbbbbbkgd.",
    ".dgkccccccckwwwwwwwwkccccccckgd.",
    ".dgkccccccckkkkkkkkkkccccccckgd.",
    ".dgkcccccccccccccccccccccccckgd.",
    ".dgkmmmmmmmmmmmmmmmmmmmmmmmmkgd.",
    ".dgkmmmmmmmmmmmmmmmmmmmmmmmmkgd.",
    ".dgkmmmmmmmmmmmmmmmmmmmmmmmmkgd.",
    ".dgkkkkkkkkkkkkkkkkkkkkkkkkkkgd.",
    ".dgggggggggggggggggggggggGGgggd.",
    ".dddddddddddddddddddddddddddddd.",
    ".............dggggd.............",
    ".............dggggd.............",
    ".............dggggd.............",
    "........dggggggggggggggd........",
    "........dddddddddddddddd........",
    "................................",
    "................................",
};

const char *const SMALL_ART[16] = {
    "dddddddddddddddd",
    "dggggggggggggggd",
    "dgrrrrrrrrrrrrgd",
    "dgrrrrrrrrrrrrgd",
    "dgoookkkkkkooogd",
    "dgyyykwwwwkyyygd",
    "dgyyykwwwwkyyygd",
    "dgbbbkwwwwkbbbgd",
    "dgccckkkkkkcccgd",
    "dgccccccccccccgd",
    "dgmmmmmmmmmmmmgd",
    "dggggggggggggggd",
    "dddddddddddddddd",
    "......dddd......",
    "...dddddddddd...",
    "................",
};

uint32_t art_colour(char c)
{
    switch (c) {
    case 'k': return 0xFF000000;
    case 'd': return 0xFF404048;
    case 'g': return 0xFFA0A0A8;
    case 'w': return 0xFFFFFFFF;
    case 'r': return 0xFFE02020;
    case 'o': return 0xFFF08020;
    case 'y': return 0xFFF0E040;
    case 'G': return 0xFF20E040;
    case 'c': return 0xFF20C0E0;
    case 'b': return 0xFF2040E0;
    case 'm': return 0xFFC030C0;
    default: return 0x00000000;
    }
}

void paint(const char *const *art, int size, uint32_t *pixels)
{
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            pixels[y * size + x] = art_colour(art[y][x]);
}

} // namespace

HICON icon_main()
{
    static uint32_t large[32 * 32];
    static uint32_t small[16 * 16];
    static HICON__ icon = [] {
        paint(LARGE_ART, 32, large);
        paint(SMALL_ART, 16, small);
        return HICON__{{32, large}, {16, small}};
    }();
    return &icon;
}
