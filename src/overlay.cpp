// overlay.cpp - the text overlay: the band blended over the copy, then the
// glyphs, which stb_easy_font gives as axis-aligned quads on a one-pixel
// grid and which are filled here straight into the buffer.
#include "overlay.h"

#include "test.h"

#include <stb_easy_font.h>

#include <algorithm>
#include <cstring>

namespace {

// The font's line pitch; its glyphs take the top nine rows of it.
const int linePitch = 12;
// Above the first line; the pitch leaves three rows below the last.
const int bandTopMargin = 2;
const int textLeft = 1;
const uint32_t textColor = 0xFFFFFF;
// The font's vertices: x, y and z as floats, then four bytes of colour.
const size_t vertexBytes = 16;
// Its busiest glyph is eleven quads of four vertices.
const size_t quadBytesPerCharacter = 11 * 4 * vertexBytes;

// 3/8 of each channel: the band is black blended at 5/8, dark enough under
// white text over a white frame, light enough to see the frame through.
uint32_t Darken(uint32_t color)
{
    return (((color & 0xFF00FFu) * 3 >> 3) & 0xFF00FFu) | (((color & 0x00FF00u) * 3 >> 3) & 0x00FF00u);
}

// The font indexes its tables by character without a check of its own.
std::string Drawable(const std::string &line)
{
    std::string text;
    for (char c : line) {
        text += c >= ' ' && c <= '~' ? c : '?';
        if (stb_easy_font_width(text.data()) > SCREEN_WIDTH - 2 * textLeft) {
            text.pop_back();
            break;
        }
    }
    return text;
}

// Fills the quads of `text` whose top-left origin is (left, top); the clip
// to the screen keeps a glyph the font might draw wider inside the buffer.
void DrawText(uint32_t *out, std::string text, int left, int top)
{
    std::vector<char> quads(text.size() * quadBytesPerCharacter);
    const int count = stb_easy_font_print(float(left), float(top), text.data(), nullptr, quads.data(),
                                          int(quads.size()));
    // The font lists each quad's corners clockwise from its top-left one.
    const auto coordinate = [&](int quad, int corner, int axis) {
        float value;
        std::memcpy(&value, quads.data() + (4 * quad + corner) * vertexBytes + axis * sizeof value, sizeof value);
        return int(value);
    };
    for (int q = 0; q < count; ++q) {
        const int x0 = std::max(0, coordinate(q, 0, 0)), x1 = std::min(SCREEN_WIDTH, coordinate(q, 2, 0));
        const int y0 = std::max(0, coordinate(q, 0, 1)), y1 = std::min(SCREEN_HEIGHT, coordinate(q, 2, 1));
        for (int y = y0; y < y1; ++y)
            std::fill(out + y * SCREEN_WIDTH + x0, out + y * SCREEN_WIDTH + std::max(x0, x1), textColor);
    }
}

} // namespace

int OverlayBandHeight(int lineCount)
{
    const int lines = std::clamp(lineCount, 0, OVERLAY_MAX_LINES);
    return lines == 0 ? 0 : bandTopMargin + lines * linePitch;
}

void DrawOverlay(const uint32_t *frame, uint32_t *out, const std::vector<std::string> &lines)
{
    const int count = std::min(int(lines.size()), OVERLAY_MAX_LINES);
    const int bandTop = SCREEN_HEIGHT - OverlayBandHeight(count);
    std::copy(frame, frame + bandTop * SCREEN_WIDTH, out);
    std::transform(frame + bandTop * SCREEN_WIDTH, frame + SCREEN_WIDTH * SCREEN_HEIGHT, out + bandTop * SCREEN_WIDTH,
                   Darken);
    for (int i = 0; i < count; ++i)
        DrawText(out, Drawable(lines[i]), textLeft, bandTop + bandTopMargin + i * linePitch);
}
