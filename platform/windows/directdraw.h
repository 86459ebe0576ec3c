// directdraw.h - on Windows the display layer's DirectDraw is the system's
// own; this name only keeps src/ clear of the system header's name, which
// the display module's own header also bears.
#pragma once

#include <windows.h>
#include <ddraw.h>
