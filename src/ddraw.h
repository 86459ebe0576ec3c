// ddraw.h - the display: the one full-screen window, or a resizable window
// on the desktop, the presentation of the 32-bit screen buffer in the
// screen's own pixel format, and the keyboard.
#pragma once

#include <cstdint>

#include "windows.h"

int display_open(const char *title, int width, int height, bool windowed = false);
int display_update(const uint32_t *buffer);
void display_close();
LRESULT CALLBACK display_wndproc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
