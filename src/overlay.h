// overlay.h - a few lines of text along the bottom edge of a copy of the
// frame, on a darkened band, for the modes that talk to the person at the
// keyboard without changing the frame itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Lines an overlay shows at most; further lines are left out.
const int OVERLAY_MAX_LINES = 4;

// Rows the band of `lineCount` lines takes at the bottom of the screen
// (none for none).
int OverlayBandHeight(int lineCount);

// Copies the 320x240 `frame` into `out`, which must be another buffer, and
// draws the first OVERLAY_MAX_LINES of `lines` over its bottom rows in white
// on a band darkened to 3/8 of the frame's brightness. A line is cut to the
// characters that fit the width (53 of most); a character outside printable
// ASCII shows as '?'.
void DrawOverlay(const uint32_t *frame, uint32_t *out, const std::vector<std::string> &lines);
