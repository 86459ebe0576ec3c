// display_xvfb_test.cpp - the display in a real X window: run under Xvfb
// with a 1024x720 screen, where the 320x240 frame fills a 960x720 area at
// exactly three times its size between two 32-pixel black bars. Takes a
// screenshot of the root window, keeps it as an artefact, and compares every
// screen pixel with the frame scaled by nearest neighbour.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ddraw.h"
#include "display_pattern.h"

float crossfadeLevel = 255.0f;

void music_stop() {}

namespace {

struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

bool run(const std::string &command)
{
    return std::system(command.c_str()) == 0;
}

// The next number of a PPM header, past white space and comment lines.
int header_number(FILE *file)
{
    int c = std::fgetc(file);
    while (c == '#' || c == ' ' || c == '\n' || c == '\r' || c == '\t') {
        if (c == '#')
            while (c != '\n' && c != EOF)
                c = std::fgetc(file);
        c = std::fgetc(file);
    }
    int value = -1;
    for (; c >= '0' && c <= '9' && value < 100000; c = std::fgetc(file))
        value = (value < 0 ? 0 : value * 10) + (c - '0');
    return value;
}

// Reads a binary PPM with 8-bit samples.
bool read_ppm(const std::string &path, Screenshot *shot)
{
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    const bool magic = std::fgetc(file) == 'P' && std::fgetc(file) == '6';
    shot->width = header_number(file);
    shot->height = header_number(file);
    const int maxValue = header_number(file);
    const bool header = magic && maxValue == 255 && shot->width > 0 && shot->height > 0 &&
                        shot->width <= 8192 && shot->height <= 8192;
    if (header) {
        shot->rgb.resize(static_cast<size_t>(shot->width) * shot->height * 3);
        const bool complete = std::fread(shot->rgb.data(), 1, shot->rgb.size(), file) == shot->rgb.size();
        std::fclose(file);
        return complete;
    }
    std::fclose(file);
    return false;
}

TEST(DisplayInXvfb, ShowsTheFrameScaledThreeTimesBetweenBlackBars)
{
    const std::string dir = ARTEFACT_DIR;
    ASSERT_TRUE(run("mkdir -p '" + dir + "'"));
    ASSERT_EQ(display_open("test", 320, 240), 1);
    const std::vector<uint32_t> frame = pattern_frame();
    // Give the X server time to map the window and take the full-screen size.
    for (int i = 0; i < 40; ++i) {
        ASSERT_EQ(display_update(frame.data()), 1);
        SDL_Delay(25);
    }

    const std::string xwd = dir + "/display_xvfb.xwd";
    ASSERT_TRUE(run("xwd -root -silent > '" + xwd + "'"));
    ASSERT_TRUE(run("convert 'xwd:" + xwd + "' 'png:" + dir + "/display_xvfb.png'"));
    ASSERT_TRUE(run("convert 'xwd:" + xwd + "' 'ppm:" + dir + "/display_xvfb.ppm'"));
    display_close();

    Screenshot shot;
    ASSERT_TRUE(read_ppm(dir + "/display_xvfb.ppm", &shot));
    std::remove(xwd.c_str());
    std::remove((dir + "/display_xvfb.ppm").c_str());
    ASSERT_EQ(shot.width, 1024);
    ASSERT_EQ(shot.height, 720);

    const int left = (1024 - 960) / 2;
    int wrong = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const uint8_t *p = &shot.rgb[(static_cast<size_t>(y) * shot.width + x) * 3];
            const uint32_t seen = (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
            const bool inside = x >= left && x < left + 960;
            const uint32_t expected = inside ? pattern_pixel((x - left) / 3, y / 3) : 0;
            if (seen != expected && wrong++ < 5)
                ADD_FAILURE() << "screen pixel " << x << "," << y << " is " << std::hex << seen << " instead of "
                              << expected;
        }
    }
    EXPECT_EQ(wrong, 0);
}

} // namespace
