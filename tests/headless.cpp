// headless.cpp - linked into every test program: SDL runs without a display
// or sound device unless the runner chose other drivers.
#include <cstdlib>

static const bool headless = (setenv("SDL_VIDEODRIVER", "dummy", 0), setenv("SDL_AUDIODRIVER", "dummy", 0), true);
