// shot.cpp - the screenshot: the frame's pixels as PNG rows, written to the
// first name that the platform can create as a new file.
#include "shot.h"

#include "png_save.h"
#include "regular_file.h"
#include "test.h"

#include <png.h>

#include <cstdio>

namespace {

// Past this, each save would first try this many taken names.
const int lastNumber = 9999;

} // namespace

bool SaveShot(const std::string &folder, const uint32_t *frame, std::string &name, std::string &error)
{
    PngImage image;
    image.width = SCREEN_WIDTH;
    image.height = SCREEN_HEIGHT;
    image.colorType = PNG_COLOR_TYPE_RGB;
    image.bytes.reserve(3 * SCREEN_WIDTH * SCREEN_HEIGHT);
    for (int i = 0; i < SCREEN_WIDTH * SCREEN_HEIGHT; ++i)
        image.bytes.insert(image.bytes.end(), {uint8_t(frame[i] >> 16), uint8_t(frame[i] >> 8), uint8_t(frame[i])});

    const bool separated = folder.empty() || folder.back() == '/' || folder.back() == '\\';
    for (int number = 1; number <= lastNumber; ++number) {
        char candidate[16];
        std::snprintf(candidate, sizeof candidate, "shot-%03d.png", number);
        const std::string path = folder + (separated ? "" : "/") + candidate;
        bool taken = false;
        std::string reason;
        FILE *file = regular_file_create(path.c_str(), taken, reason);
        if (taken)
            continue;
        if (!file) {
            error = reason;
            return false;
        }
        if (!png_save(image, file, error)) {
            // The file is this call's own, made a moment ago: no half picture stays.
            std::remove(path.c_str());
            return false;
        }
        name = candidate;
        return true;
    }
    error = "every name up to shot-" + std::to_string(lastNumber) + ".png is taken";
    return false;
}
