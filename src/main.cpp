// main.cpp - the demo's entry (module test): start-up, the frame loop until
// the presentation ends, shut-down, and the exit code with a line on stderr
// for each failure.
#include <algorithm>
#include <cstdio>
#include <iterator>

#include "ddraw.h"
#include "synka.h"
#include "test.h"

int main()
{
    if (!display_open("test", SCREEN_WIDTH, SCREEN_HEIGHT)) {
        fputs("demo: cannot open the display\n", stderr);
        return 1;
    }
    std::fill(std::begin(pixel), std::end(pixel), 0u);
    display_update(pixel);
    frameTimer.Reset();

    // The screen goes back to the user's mode at once, rather than when
    // the system tears the process down.
    if (!LoadPictureList("pics.dat", pictures)) {
        display_close();
        return 1;
    }
    BuildPalette(palette);
    paletteStep = 0;
    currentPicture = pictures.Next();

    music_start(1);
    while (NextFrame())
        display_update(pixel);
    music_stop();
    display_close();
    return 0;
}
