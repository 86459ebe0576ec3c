// screen.h - the device under the window and DirectDraw stand-ins: the
// output a full-screen window or a window on the desktop shows, the display
// modes it accepts, the surfaces it grants, the frames it presents, and the
// input it reports and waits for.
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

// The desktop that windows share: its pixel layout, and the work area, the
// part of it in desktop coordinates that windows may take.
struct ScreenDesktop {
    ScreenFormat format;
    RECT workArea;
};

enum class ScreenEventKind { KeyDown, Activate, Deactivate, Close, PointerOver };

// Input that the screen's window receives. `key` is a virtual-key code;
// it, `alt` (Alt was held) and `repeat` (the key was already down, and is
// held) only mean something for KeyDown.
struct ScreenEvent {
    ScreenEventKind kind;
    uint32_t key;
    bool alt = false;
    bool repeat = false;
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

    virtual ScreenDesktop desktop() = 0;
    // Shows the output instead as a resizable window on the desktop whose
    // client area takes `client` (desktop coordinates), leaving the cursor
    // and the screen saver as they are; hide() takes it away.
    virtual void show_window(const char *caption, HICON icon, const RECT &client) = 0;
    // Where the window's client area is now, after the user moved or
    // resized it; empty while it is minimised.
    virtual RECT client_area() = 0;
    // Paints part of the client area (client coordinates) in a colour
    // 0x00RRGGBB, to be shown with the next picture.
    virtual void fill_window(const RECT &area, uint32_t rgb) = 0;
    // Shows a picture of width x height pixels in the desktop's layout,
    // `pitch` bytes a row, stretched by nearest neighbour onto `area` of the
    // client area, together with what was painted since the last one. What
    // falls outside the client area is not shown.
    virtual void present_window(const void *pixels, LONG pitch, int width, int height, const RECT &area) = 0;

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
    // Waits until some input may be waiting, or `milliseconds` (negative:
    // no limit) pass; true in the first case. It may wake for input that
    // next_event then passes over.
    virtual bool wait_event(int milliseconds) = 0;

    virtual void show_cursor(bool shown) = 0;
    virtual void allow_screen_saver(bool allowed) = 0;
};

// The screen in use: the SDL one unless a replacement is installed.
Screen &screen();
// Puts a replacement in place; null returns to the SDL screen.
void screen_install(Screen *replacement);
Screen &sdl_screen();
