// keys.cpp - SDL keys to virtual-key codes: letters and digits as their
// upper-case character, the keys with a code of their own by table.
#include "keys.h"

#include "windows.h"

namespace {

struct KeyCode {
    SDL_Keycode key;
    uint32_t virtualKey;
};

const KeyCode NAMED_KEYS[] = {
    {SDLK_BACKSPACE, 0x08}, {SDLK_TAB, 0x09},      {SDLK_RETURN, 0x0D},   {SDLK_PAUSE, 0x13},
    {SDLK_CAPSLOCK, 0x14},  {SDLK_ESCAPE, 0x1B},   {SDLK_SPACE, 0x20},    {SDLK_PAGEUP, 0x21},
    {SDLK_PAGEDOWN, 0x22},  {SDLK_END, 0x23},      {SDLK_HOME, 0x24},     {SDLK_LEFT, 0x25},
    {SDLK_UP, 0x26},        {SDLK_RIGHT, 0x27},    {SDLK_DOWN, 0x28},     {SDLK_PRINTSCREEN, 0x2C},
    {SDLK_INSERT, 0x2D},    {SDLK_DELETE, 0x2E},   {SDLK_LSHIFT, 0x10},   {SDLK_RSHIFT, 0x10},
    {SDLK_LCTRL, 0x11},     {SDLK_RCTRL, 0x11},    {SDLK_LALT, 0x12},     {SDLK_RALT, 0x12},
    {SDLK_F1, 0x70},        {SDLK_F2, 0x71},       {SDLK_F3, 0x72},       {SDLK_F4, 0x73},
    {SDLK_F5, 0x74},        {SDLK_F6, 0x75},       {SDLK_F7, 0x76},       {SDLK_F8, 0x77},
    {SDLK_F9, 0x78},        {SDLK_F10, 0x79},      {SDLK_F11, 0x7A},      {SDLK_F12, 0x7B},
    // The platform names these by where they sit on a US keyboard.
    {SDLK_LEFTBRACKET, VK_OEM_4}, {SDLK_RIGHTBRACKET, VK_OEM_6},
};

} // namespace

uint32_t virtual_key(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return static_cast<uint32_t>(key - SDLK_a) + 'A';
    if (key >= SDLK_0 && key <= SDLK_9)
        return static_cast<uint32_t>(key - SDLK_0) + '0';
    for (const KeyCode &named : NAMED_KEYS)
        if (named.key == key)
            return named.virtualKey;
    return VK_NONE;
}
