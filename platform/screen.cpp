// screen.cpp - which screen the platform stand-ins draw on: the SDL one,
// or a replacement that a test installs.
#include "screen.h"

namespace {
Screen *installed = nullptr;
}

Screen &screen()
{
    return installed ? *installed : sdl_screen();
}

void screen_install(Screen *replacement)
{
    installed = replacement;
}
