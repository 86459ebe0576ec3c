// display_pattern.h - a known 320x240 frame for checks of what reaches a
// real screen: a coloured block in each corner, a one-pixel checkerboard in
// the middle, and 8-pixel tiles elsewhere. Every channel is 0 or 255, so the
// frame survives each of the eight layouts unchanged.
#pragma once

#include <cstdint>
#include <vector>

const int PATTERN_WIDTH = 320;
const int PATTERN_HEIGHT = 240;

inline uint32_t pattern_pixel(int x, int y)
{
    const bool left = x < 32, right = x >= PATTERN_WIDTH - 32;
    const bool top = y < 24, bottom = y >= PATTERN_HEIGHT - 24;
    if (top && left)
        return 0x00FF0000;
    if (top && right)
        return 0x0000FF00;
    if (bottom && left)
        return 0x000000FF;
    if (bottom && right)
        return 0x00FFFFFF;
    if (x >= 128 && x < 192 && y >= 96 && y < 144)
        return (x + y) % 2 ? 0x00FFFF00 : 0x00000000;
    return (x / 8 + y / 8) % 2 ? 0x0000FFFF : 0x00FF00FF;
}

inline std::vector<uint32_t> pattern_frame()
{
    std::vector<uint32_t> frame(PATTERN_WIDTH * PATTERN_HEIGHT);
    for (int y = 0; y < PATTERN_HEIGHT; ++y)
        for (int x = 0; x < PATTERN_WIDTH; ++x)
            frame[y * PATTERN_WIDTH + x] = pattern_pixel(x, y);
    return frame;
}
