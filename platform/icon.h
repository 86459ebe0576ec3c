// icon.h - the program's icon "IDI_MAIN": a 32x32 and a 16x16 picture of
// 0xAARRGGBB pixels, row-major, built in icon.cpp.
#pragma once

#include <cstdint>

#include "windows.h"

struct IconImage {
    int size;
    const uint32_t *pixels;
};

struct HICON__ {
    IconImage large;
    IconImage small;
};

HICON icon_main();
