// keys.h - the virtual-key code of an SDL key, the form in which a key-down
// reaches a window procedure.
#pragma once

#include <SDL.h>

#include <cstdint>

// Keys the platform has no code for yield VK_NONE: they still arrive as
// key-downs, but can never be taken for another key.
const uint32_t VK_NONE = 0xFF;

uint32_t virtual_key(SDL_Keycode key);
