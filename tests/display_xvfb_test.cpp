// display_xvfb_test.cpp - the display in a real X window: run under Xvfb
// with a 1024x720 screen, where the 320x240 frame fills a 960x720 area at
// exactly three times its size between two 32-pixel black bars. Takes a
// screenshot of the root window, keeps it as an artefact, and compares every
// screen pixel with the frame scaled by nearest neighbour.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ddraw.h"
#include "display_pattern.h"

float crossfadeLevel = 255.0f;

void music_stop() {}

namespace {

bool run(const std::string &command)
{
    return std::system(command.c_str()) == 0;
}

std::string read_file(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
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
    ASSERT_TRUE(run("convert 'xwd:" + xwd + "' -strip 'ppm:" + dir + "/display_xvfb.ppm'"));
    display_close();

    // A binary PPM of the 1024x720 screen, its comment stripped.
    const std::string ppm = read_file(dir + "/display_xvfb.ppm");
    std::remove(xwd.c_str());
    std::remove((dir + "/display_xvfb.ppm").c_str());
    const std::string header = "P6\n1024 720\n255\n";
    ASSERT_EQ(ppm.compare(0, header.size(), header), 0) << ppm.substr(0, 20);
    ASSERT_EQ(ppm.size(), header.size() + 1024 * 720 * 3);
    const uint8_t *rgb = reinterpret_cast<const uint8_t *>(ppm.data() + header.size());

    const int left = (1024 - 960) / 2;
    int wrong = 0;
    for (int y = 0; y < 720; ++y) {
        for (int x = 0; x < 1024; ++x) {
            const uint8_t *p = &rgb[(static_cast<size_t>(y) * 1024 + x) * 3];
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
