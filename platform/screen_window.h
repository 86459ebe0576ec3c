// screen_window.h - how DirectDraw hands the screen to a window and takes it
// back: the window's caption and icon go to the screen, and the screen's
// input becomes that window's messages. Implemented in window.cpp.
#pragma once

#include "windows.h"

// False when the handle is not a live window.
bool window_take_screen(HWND window);
void window_leave_screen(HWND window);
