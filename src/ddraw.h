// ddraw.h - the display: the one full-screen window, or a resizable window
// on the desktop, and Alt+Enter between the two; the presentation of the
// 32-bit screen buffer in the screen's own pixel format; the message pump
// and the keyboard.
#pragma once

#include <cstdint>

#include "windows.h"

// The line the program ends with when the display cannot be opened.
const char DISPLAY_OPEN_FAILURE[] = "demo: cannot open the display\n";

int display_open(const char *title, int width, int height, bool windowed = false);
int display_update(const uint32_t *buffer);
// Dispatches the waiting window messages as display_update does, keys,
// closing and Alt+Enter included, but presents nothing: for a loop that has
// no new frame to show. Does nothing unless the display is open.
void display_pump();
// Returns when a message arrives or `milliseconds` pass, whichever comes
// first; meant after display_pump, which then takes what arrived. Only
// sleeps unless the display is open; a negative time waits not at all.
void display_wait(int milliseconds);
// Every key-down but SPACE and ESC, which stay the display's own, goes to
// `handler` with its virtual-key code, from inside display_update or
// display_pump. Null, as at the start, leaves those keys unused. Keys held
// with Alt are the system's, and reach no handler.
void display_set_key_handler(void (*handler)(unsigned key));
void display_close();
LRESULT CALLBACK display_wndproc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
