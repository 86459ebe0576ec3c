// keys.h - the virtual-key code of an SDL key, the form in which a key-down
// reaches a window procedure.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "windows.h"

uint32_t virtual_key(SDL_Keycode key);
