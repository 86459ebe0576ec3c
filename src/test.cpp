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
#include <iterator>
#include <memory>

#include "convert.h"
#include "message.h"
#include "regular_file.h"
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

// The runtime's rand sequence, drawn here without the lock that the runtime
// takes on every call. Which runtime this is shows in the first number it
// draws for a program that never seeded it: glibc's additive feedback
// generator gives 1804289383, the Windows runtime's linear congruential one
// gives 41. Any other runtime keeps being asked.
enum class RandomKind { runtime, additive, congruential };

const int additiveLag = 31;
const int additiveShortLag = 3;
// The most numbers drawn in one run: a background row.
const int longestRun = SCREEN_WIDTH;

struct RandomState {
    RandomKind kind;
    // The additive generator's last 31 sums, oldest first: each new one is
    // the sum of the ones 31 and 3 before it, and the number is its top 31
    // bits.
    uint32_t recent[additiveLag];
    // The congruential generator's state, whose top half gives the next
    // number.
    uint32_t congruential;
    // The number drawn to tell the runtime, still to be handed out.
    bool firstPending;
    int first;
};

// Draws `count` sums of the additive generator; their numbers go to
// `values` unless it is null. In runs laid out in drawing order, so that
// every sum is read from fixed distances back without wrapping around.
void DrawAdditive(uint32_t *recent, int *values, int count)
{
    while (count > 0) {
        const int run = std::min(count, longestRun);
        uint32_t history[additiveLag + longestRun];
        std::copy(recent, recent + additiveLag, history);
        // The three latest sums stay in registers: three chains that wait
        // neither on each other nor on memory.
        uint32_t first = history[additiveLag - 3], second = history[additiveLag - 2], third = history[additiveLag - 1];
        int k = 0;
        for (; k + 3 <= run; k += 3) {
            history[additiveLag + k] = first += history[k];
            history[additiveLag + k + 1] = second += history[k + 1];
            history[additiveLag + k + 2] = third += history[k + 2];
        }
        for (; k < run; ++k)
            history[additiveLag + k] = history[k] + history[additiveLag - additiveShortLag + k];
        if (values) {
            for (int k = 0; k < run; ++k)
                values[k] = static_cast<int>(history[additiveLag + k] >> 1);
            values += run;
        }
        std::copy(history + run, history + run + additiveLag, recent);
        count -= run;
    }
}

// As glibc's srandom: 31 words from a multiplicative congruential
// generator, which the sums then stir for 310 draws.
void SeedAdditive(uint32_t *recent, unsigned seed)
{
    uint32_t initial[additiveLag];
    int32_t word = seed ? static_cast<int32_t>(seed) : 1;
    initial[0] = static_cast<uint32_t>(word);
    for (int i = 1; i < additiveLag; ++i) {
        const int32_t high = word / 127773, low = word % 127773;
        word = 16807 * low - 2836 * high;
        if (word < 0)
            word += 2147483647;
        initial[i] = static_cast<uint32_t>(word);
    }
    // glibc's first sum adds words 3 and 0: in drawing order the words run
    // from the fourth round to the third.
    for (int k = 0; k < additiveLag; ++k)
        recent[k] = initial[(additiveShortLag + k) % additiveLag];
    DrawAdditive(recent, nullptr, 10 * additiveLag);
}

RandomState DetectRandom()
{
    // The generators start the sequence over themselves; another runtime's
    // first number is handed out before it is asked again.
    RandomState state = {};
    state.first = rand();
    if (state.first == 1804289383) {
        state.kind = RandomKind::additive;
        SeedAdditive(state.recent, 1);
    } else if (state.first == 41) {
        state.kind = RandomKind::congruential;
        state.congruential = 1u * 214013u + 2531011u;
    } else {
        state.kind = RandomKind::runtime;
        state.firstPending = true;
    }
    return state;
}

// Drawn before main, while the runtime is as a never-seeded program has it.
RandomState sequence = DetectRandom();

// The congruential generator's state steps as x ← a·x + c; four steps are
// x ← a⁴·x + c·(a³ + a² + a + 1). So four states a step apart each take four
// steps at once, and none waits on another's multiplication.
void DrawCongruential(uint32_t &state, int *values, int count)
{
    const uint32_t a = 214013u, c = 2531011u;
    const uint32_t fourStepsA = a * a * a * a, fourStepsC = c * (a * a * a + a * a + a + 1);
    int i = 0;
    if (count >= 4) {
        uint32_t chains[4] = {state};
        for (int k = 1; k < 4; ++k)
            chains[k] = chains[k - 1] * a + c;
        for (; i + 4 <= count; i += 4)
            for (int k = 0; k < 4; ++k) {
                values[i + k] = static_cast<int>(chains[k] >> 16 & 0x7FFF);
                chains[k] = chains[k] * fourStepsA + fourStepsC;
            }
        state = chains[0];
    }
    for (; i < count; ++i) {
        values[i] = static_cast<int>(state >> 16 & 0x7FFF);
        state = state * a + c;
    }
}

// Fills `values` with the next `count` numbers of the sequence.
void DrawRandom(int *values, int count)
{
    if (sequence.firstPending && count > 0) {
        *values++ = sequence.first;
        --count;
        sequence.firstPending = false;
    }
    switch (sequence.kind) {
    case RandomKind::additive:
        DrawAdditive(sequence.recent, values, count);
        break;
    case RandomKind::congruential:
        DrawCongruential(sequence.congruential, values, count);
        break;
    case RandomKind::runtime:
        for (int i = 0; i < count; ++i)
            values[i] = rand();
        break;
    }
}

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

// The per-pixel loops are written for gcc's vectoriser and also built for
// AVX2, used where the converters would use it: twice the lanes of the SSE2
// that x86-64 programs are built for, and the 32-bit products the blend
// needs in one instruction.
#if defined(__x86_64__) || defined(__i386__)
template <auto loop, class... Args>
__attribute__((target("avx2"))) void Avx2Version(Args... args)
{
    loop(args...);
}

const bool avx2 = avx2_allowed();

template <auto loop, class... Args>
void Vectorised(Args... args)
{
    if (avx2)
        Avx2Version<loop>(args...);
    else
        loop(args...);
}
#else
template <auto loop, class... Args>
void Vectorised(Args... args)
{
    loop(args...);
}
#endif

inline __attribute__((always_inline)) void NoisyRow(uint32_t *row, const int *draws, uint32_t base)
{
    // The draws are never negative, so the unsigned remainder is the same
    // and cheaper.
    for (int x = 0; x < SCREEN_WIDTH; ++x) {
        const uint32_t noise = static_cast<uint32_t>(draws[x]) % 40u - 20u;
        row[x] = BlendOpaque((base + noise) | opaque);
    }
}

inline __attribute__((always_inline)) void BlendRow(uint32_t *target, const uint32_t *source, int count)
{
    for (int i = 0; i < count; ++i)
        target[i] = Blend(target[i], source[i]);
}

// The picture's opacity scaled by the crossfade's level out of 256.
inline __attribute__((always_inline)) void FadeRow(uint32_t *target, const uint32_t *source, int count, uint32_t level)
{
    for (int i = 0; i < count; ++i) {
        const uint32_t color = source[i];
        const uint32_t opacity = std::min(255u, ((color >> 24) * level) >> 8);
        target[i] = Blend(target[i], (color & white) | (opacity << 24));
    }
}

// Applies `rowLoop(screenRow, pictureRow, count, extra...)` to the screen
// pixels that the picture covers when centred; the parts outside the
// screen are skipped, as Put would skip them.
template <auto rowLoop, class... Extra>
void BlendCentred(const Picture &picture, Extra... extra)
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
        Vectorised<rowLoop>(target, source, count, extra...);
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

int NextRandom()
{
    int value = 0;
    DrawRandom(&value, 1);
    return value;
}

void SeedRandom(unsigned seed)
{
    sequence.firstPending = false;
    switch (sequence.kind) {
    case RandomKind::additive:
        SeedAdditive(sequence.recent, seed);
        break;
    case RandomKind::congruential:
        sequence.congruential = seed * 214013u + 2531011u;
        break;
    case RandomKind::runtime:
        srand(seed);
        break;
    }
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
        int draws[SCREEN_WIDTH];
        DrawRandom(draws, SCREEN_WIDTH);
        Vectorised<NoisyRow>(row, static_cast<const int *>(draws), base);
    }
}

int UpdatePaletteStep(int step)
{
    step += NextRandom() % 20;
    if (step > NextRandom() % 320)
        step = NextRandom() % 320;
    return step;
}

void Flash()
{
    if (NextRandom() % 10 == 1)
        std::fill(std::begin(pixel), std::end(pixel), white);
}

void DrawPicture(const Picture &picture)
{
    BlendCentred<BlendRow>(picture);
}

bool CrossfadeStep(Lista<Picture *> &list, double delta)
{
    // The cursor is read, not moved: the music may move it between frames,
    // and then the fade heads for the picture it moved to.
    const Lista<Picture *> *cursor = list.current;
    if (!cursor->next)
        return true;

    const uint32_t level = static_cast<uint32_t>(static_cast<int>(crossfadeLevel));
    BlendCentred<FadeRow>(*cursor->obj, level);

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

int CountPictures(const Lista<Picture *> &list)
{
    int count = 0;
    for (const Lista<Picture *> *node = &list; node->next; node = node->next)
        ++count;
    return count;
}

bool ShowAfterSyncs(int changes)
{
    Lista<Picture *> *node = &pictures;
    for (int i = 0; i < changes && node->next; ++i)
        node = node->next;
    if (!node->next)
        return false;
    currentPicture = node->obj;
    pictures.current = node->next;
    crossfadeLevel = 255.0f;
    running = true;
    return true;
}

int ReadPictureList(const char *fileName, std::vector<std::string> &names)
{
    std::string failure;
    const int read = ReadPictureList(fileName, names, failure);
    if (!read)
        fprintf(stderr, "%s\n", failure.c_str());
    return read;
}

int ReadPictureList(const char *fileName, std::vector<std::string> &names, std::string &failure)
{
    const auto fail = [&](const std::string &reason) {
        failure = "demo: cannot read \"" + Printable(fileName) + "\": " + reason;
        return 0;
    };
    std::string reason;
    FILE *fp = regular_file_open(fileName, "r", reason);
    if (!fp)
        return fail(reason);
    std::string line;
    while (ReadLine(fp, line)) {
        if (line.size() >= minimumNameLength)
            names.push_back(line);
    }
    const int readError = ferror(fp) ? (errno ? errno : EIO) : 0;
    fclose(fp);
    if (readError)
        return fail(file_reason(readError));
    return 1;
}

int LoadPictures(const std::vector<std::string> &names, Lista<Picture *> &list)
{
    for (const std::string &name : names) {
        std::unique_ptr<Picture> picture(new Picture);
        std::string reason;
        if (!picture->Load(name.c_str(), SCREEN_WIDTH, SCREEN_HEIGHT, &reason)) {
            fprintf(stderr, "demo: cannot load picture \"%s\": %s\n", Printable(name).c_str(), reason.c_str());
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
        fprintf(stderr, "demo: \"%s\" lists no picture\n", Printable(fileName).c_str());
        return 0;
    }
    return LoadPictures(names, list);
}
