// screen.h - the device under the window and DirectDraw stand-ins: the
// output a full-screen window shows, the display modes it accepts, the
// surfaces it grants, the frames it presents, and the input it reports.
// The real one is sdl_screen.cpp; tests install their own to play the
// screen's part without a window system. screen.cpp owns which is in use.
#pragma once

#include <cstdint>

#include "windows.h"

// The pixel layout of a display mode. `rgb` false means a palette format,
// where the masks mean nothing.
struct ScreenFormat {
    uint32_t bits;
    bool rgb;
    uint32_t redMask;
    uint32_t greenMask;
    uint32_t blueMask;
};

enum class ScreenEventKind { KeyDown, Activate, Deactivate, Close, PointerOver };

// Input that the screen's window receives. `key` is a virtual-key code and
// only means something for KeyDown.
struct ScreenEvent {
    ScreenEventKind kind;
    uint32_t key;
};

class Screen {
public:
    virtual ~Screen() = default;

    // Claims the device; false when there is none. close() gives it back.
    virtual bool open() = 0;
    virtual void close() = 0;

    // Shows the output full-screen under this caption and icon (exclusive
    // mode), and hides it again.
    virtual void show(const char *caption, HICON icon) = 0;
    virtual void hide() = 0;

    // Switches to a mode, filling in its layout; false when refused.
    virtual bool set_mode(int width, int height, int bits, ScreenFormat *format) = 0;
    virtual void restore_mode() = 0;

    // Whether a flipping chain of this many back buffers fits.
    virtual bool grant_back_buffers(int count) = 0;
    // Bytes from one row of a surface to the next; at least the row itself.
    virtual LONG pitch(int width, int bytesPerPixel) = 0;
    // Whether a lock may be granted now.
    virtual bool lock_allowed() = 0;

    // Shows a frame of the current mode: height rows `pitch` bytes apart.
    virtual void present(const void *pixels, LONG pitch) = 0;

    // Takes the next input event; false when there is none.
    virtual bool next_event(ScreenEvent *event) = 0;

    virtual void show_cursor(bool shown) = 0;
    virtual void allow_screen_saver(bool allowed) = 0;
};

// The screen in use: the SDL one unless a replacement is installed.
Screen &screen();
// Puts a replacement in place; null returns to the SDL screen.
void screen_install(Screen *replacement);
Screen &sdl_screen();
