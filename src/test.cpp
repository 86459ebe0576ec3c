// test.cpp - the presentation: owns the screen buffer and the state that
// steers it (running, current picture, picture list, frame timer, crossfade
// level, background palette and step), the plotting blend, every effect
// drawn into a frame, the frame's steps in their order, and the reading of
// "pics.dat" with the loading of its pictures. main lives in main.cpp.
#include "test.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>

#include "synka.h"

// Constructed in this order, so that the pictures are released before the
// timer at exit.
CTimer frameTimer;
Lista<Picture *> pictures;

uint32_t pixel[SCREEN_WIDTH * SCREEN_HEIGHT];
bool running = true;
Picture *currentPicture = nullptr;
float crossfadeLevel = 255.0f;
const float crossfadeSpeed = 400.0f;

uint32_t palette[PALETTE_SIZE];
int paletteStep = 0;

namespace {

const uint32_t opaque = 0xFF000000u;
const uint32_t white = 0x00FFFFFFu;
// The row rule moves the palette position up to this value before it
// starts again at 0.
const int lastPalettePosition = 320;
// Shorter lines are taken for stray blank or broken lines, not names.
const std::size_t minimumNameLength = 3;

// ⌊channel × weight / 256⌋ for the three channels of a colour word. Red and
// blue share one multiplication: a channel times a weight of at most 255
// stays within 16 bits, so neither product reaches the other.
inline uint32_t Weigh(uint32_t color, uint32_t weight)
{
    const uint32_t redBlue = (((color & 0x00FF00FFu) * weight) >> 8) & 0x00FF00FFu;
    const uint32_t green = (((color & 0x0000FF00u) * weight) >> 8) & 0x0000FF00u;
    return redBlue | green;
}

// `color` over `stored` at the opacity in the colour's top byte. Each
// weighed channel is at most 254 in sum, so the addition carries nothing
// into the next channel and the top byte stays 0.
inline uint32_t Blend(uint32_t stored, uint32_t color)
{
    const uint32_t opacity = color >> 24;
    return Weigh(color, opacity) + Weigh(stored, 255 - opacity);
}

// Blend at full opacity: the stored pixel has weight 0.
inline uint32_t BlendOpaque(uint32_t color)
{
    return Weigh(color, 255);
}

// Applies `blend(stored, pictureWord)` to every screen pixel that the
// picture covers when centred; the parts outside the screen are skipped,
// as Put would skip them.
template <class PixelBlend>
void BlendCentred(const Picture &picture, PixelBlend blend)
{
    const int width = picture.width;
    const int height = picture.height;
    const int left = SCREEN_WIDTH / 2 - width / 2;
    const int top = SCREEN_HEIGHT / 2 - height / 2;
    const int firstColumn = std::max(0, -left);
    const int endColumn = std::min(width, SCREEN_WIDTH - left);
    const int firstRow = std::max(0, -top);
    const int endRow = std::min(height, SCREEN_HEIGHT - top);
    const int count = endColumn - firstColumn;
    if (count <= 0)
        return;

    for (int y = firstRow; y < endRow; ++y) {
        const uint32_t *source = picture.pixels + std::size_t(y) * width + firstColumn;
        uint32_t *target = pixel + (top + y) * SCREEN_WIDTH + left + firstColumn;
        for (int i = 0; i < count; ++i)
            target[i] = blend(target[i], source[i]);
    }
}

// One line without its terminator (LF, or CR LF as a file written on
// another platform has it). False at the end of the file with nothing read.
bool ReadLine(FILE *fp, std::string &line)
{
    line.clear();
    int c;
    while ((c = getc(fp)) != EOF) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return true;
        }
        line.push_back(static_cast<char>(c));
    }
    return !line.empty();
}

} // namespace

void Put(int x, int y, int color)
{
    if (x < 0 || x >= SCREEN_WIDTH || y < 0 || y >= SCREEN_HEIGHT)
        return;
    uint32_t &stored = pixel[y * SCREEN_WIDTH + x];
    stored = Blend(stored, static_cast<uint32_t>(color));
}

void BuildPalette(uint32_t *colors)
{
    auto band = [](uint32_t k) { return ((64 + k) << 16) | (191 - k); };
    for (int j = 0; j < PALETTE_SIZE / 2; ++j)
        colors[j] = band(j);
    for (int j = PALETTE_SIZE / 2; j < PALETTE_SIZE; ++j)
        colors[j] = band(PALETTE_SIZE - j);
}

void DrawBackground(const uint32_t *colors, int step)
{
    int paletteIndex = 0;
    uint32_t *row = pixel;
    for (int y = 0; y < SCREEN_HEIGHT; ++y, row += SCREEN_WIDTH) {
        paletteIndex += step + 1;
        if (paletteIndex > lastPalettePosition)
            paletteIndex = 0;
        // The palette is cyclic (its last entry is the band next to its
        // first), so positions past its end continue the bands smoothly.
        const uint32_t base = colors[paletteIndex % PALETTE_SIZE];
        for (int x = 0; x < SCREEN_WIDTH; ++x) {
            const int noise = rand() % 40 - 20;
            row[x] = BlendOpaque((base + static_cast<uint32_t>(noise)) | opaque);
        }
    }
}

int UpdatePaletteStep(int step)
{
    step += rand() % 20;
    if (step > rand() % 320)
        step = rand() % 320;
    return step;
}

void Flash()
{
    if (rand() % 10 == 1)
        std::fill(std::begin(pixel), std::end(pixel), white);
}

void DrawPicture(const Picture &picture)
{
    BlendCentred(picture, Blend);
}

bool CrossfadeStep(Lista<Picture *> &list, double delta)
{
    // The cursor is read, not moved: the music may move it between frames,
    // and then the fade heads for the picture it moved to.
    const Lista<Picture *> *cursor = list.current;
    if (!cursor->next)
        return true;

    const uint32_t level = static_cast<uint32_t>(static_cast<int>(crossfadeLevel));
    BlendCentred(*cursor->obj, [level](uint32_t stored, uint32_t color) {
        const uint32_t opacity = std::min(255u, ((color >> 24) * level) >> 8);
        return Blend(stored, (color & white) | (opacity << 24));
    });

    crossfadeLevel = static_cast<float>(crossfadeLevel + delta * crossfadeSpeed);
    if (crossfadeLevel > 255.0f)
        currentPicture = list.Next();
    return false;
}

bool DrawFrame()
{
    DrawBackground(palette, paletteStep);
    paletteStep = UpdatePaletteStep(paletteStep);
    Flash();
    frameTimer.Update();
    DrawPicture(*currentPicture);
    if (crossfadeLevel < 255.0f && CrossfadeStep(pictures, frameTimer.delta))
        return false;
    return true;
}

bool NextFrame()
{
    music_sync_deliver();
    if (!running)
        return false;
    return DrawFrame();
}

int ReadPictureList(const char *fileName, std::vector<std::string> &names)
{
    FILE *fp = fopen(fileName, "r");
    if (!fp) {
        fprintf(stderr, "demo: cannot read \"%s\": %s\n", fileName, strerror(errno));
        return 0;
    }
    std::string line;
    while (ReadLine(fp, line)) {
        if (line.size() >= minimumNameLength)
            names.push_back(line);
    }
    const int readError = ferror(fp) ? (errno ? errno : EIO) : 0;
    fclose(fp);
    if (readError) {
        fprintf(stderr, "demo: cannot read \"%s\": %s\n", fileName, strerror(readError));
        return 0;
    }
    return 1;
}

int LoadPictures(const std::vector<std::string> &names, Lista<Picture *> &list)
{
    for (const std::string &name : names) {
        std::unique_ptr<Picture> picture(new Picture);
        if (!picture->Load(name.c_str())) {
            fprintf(stderr, "demo: cannot load picture \"%s\"\n", name.c_str());
            return 0;
        }
        list.Add(picture.release());
    }
    return 1;
}

int LoadPictureList(const char *fileName, Lista<Picture *> &list)
{
    std::vector<std::string> names;
    if (!ReadPictureList(fileName, names))
        return 0;
    if (names.empty()) {
        fprintf(stderr, "demo: \"%s\" lists no picture\n", fileName);
        return 0;
    }
    return LoadPictures(names, list);
}
