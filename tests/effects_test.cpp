// effects_test.cpp - the plotting blend and every frame effect, with exact
// values: Put, the palette, the background rows and noise, the step update,
// the flash, the centred picture and the crossfade.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <iterator>
#include <functional>
#include <numeric>
#include <tuple>
#include <vector>

#include "frame_reference.h"
#include "test.h"

namespace {

const int pixelCount = SCREEN_WIDTH * SCREEN_HEIGHT;

std::vector<uint32_t> Snapshot()
{
    return std::vector<uint32_t>(std::begin(pixel), std::end(pixel));
}

// Fills the buffer so that neighbouring pixels differ and channels of 0 occur; returns it.
std::vector<uint32_t> FillPattern()
{
    for (int i = 0; i < pixelCount; ++i)
        pixel[i] = (uint32_t(i) * 2654435761u) & 0x00FFFFFFu;
    pixel[0] = 0;
    pixel[1] = 0x00FF0000u;
    return Snapshot();
}

// Colours whose channels tell pictures' pixels apart, with alpha(x, y).
uint32_t CoordinateColor(int x, int y, uint32_t alpha)
{
    return alpha << 24 | uint32_t(x % 255 + 1) << 16 | uint32_t(y % 255 + 1) << 8 | uint32_t(x / 255 + y / 255 + 1);
}

// Odd sizes lie right of and below the centre; larger ones are clipped to
// the screen and show their middle.
const struct Placement {
    int width, height, left, top;
} placements[] = {{101, 51, 110, 95}, {1, 1, 160, 120}, {320, 240, 0, 0}, {401, 301, -40, -30}, {3, 1000, 159, -380}};

// The screen after blend(old value, picture x, picture y) wherever the placed picture covers it.
std::vector<uint32_t> Placed(std::vector<uint32_t> screen, const Placement &p,
                             const std::function<uint32_t(uint32_t, int, int)> &blend)
{
    for (int y = 0; y < SCREEN_HEIGHT; ++y)
        for (int x = 0; x < SCREEN_WIDTH; ++x)
            if (x >= p.left && x < p.left + p.width && y >= p.top && y < p.top + p.height)
                screen[y * SCREEN_WIDTH + x] = blend(screen[y * SCREEN_WIDTH + x], x - p.left, y - p.top);
    return screen;
}

// Adds the pictures; the first is current, the cursor on the second, as main leaves them.
void Present(Lista<Picture *> &list, std::initializer_list<Picture *> all)
{
    for (Picture *picture : all)
        list.Add(picture);
    currentPicture = list.Next();
}

// One step from `level`: whether it ended, the level after, the picture shown.
std::tuple<bool, float, Picture *> Step(Lista<Picture *> &list, float level, double delta)
{
    crossfadeLevel = level;
    const bool ended = CrossfadeStep(list, delta);
    return {ended, crossfadeLevel, currentPicture};
}

TEST(Put, PlotsInsideTheScreenOnlyWithTruncatingWeights)
{
    // Off the screen nothing; three corners blended, the sweep below takes the fourth.
    const int points[][2] = {{-1, 0}, {320, 0}, {0, -1}, {0, 240}, {INT_MIN, 5}, {5, INT_MAX}, {319, 0}, {0, 239}, {319, 239}};
    std::vector<uint32_t> expected = FillPattern();
    for (const auto &[x, y] : points)
        Put(x, y, int(0x80808080u));
    for (int corner : {319, 239 * 320, pixelCount - 1})
        expected[corner] = ReferenceBlend(expected[corner], 0x80808080u);
    EXPECT_EQ(Snapshot(), expected);
    // The reference on hand-worked cases, then every opacity against it.
    EXPECT_EQ(ReferenceBlend(0x00FFFFFFu, 0x80402010u), 0x009E8E86u);
    EXPECT_EQ(ReferenceBlend(0x00123456u, 0xFFFFFFFFu), 0x00FEFEFEu);
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t s = 0; s < 256; s += 5) {
            const uint32_t color = (a << 24) | (s << 16) | ((255 - s) << 8) | (s ^ 0x5A);
            const uint32_t stored = ((s * 7) & 0xFF) << 16 | (a << 8) | (255 - a);
            pixel[0] = stored;
            Put(0, 0, int(color));
            ASSERT_EQ(pixel[0], ReferenceBlend(stored, color)) << std::hex << color << " over " << stored;
        }
}

// Red climbs from 64 at entry 0 to 184 at 120 and back down, blue the other way.
TEST(Palette, SamplesFollowSymmetricCyclicBands)
{
    uint32_t colors[PALETTE_SIZE];
    BuildPalette(colors);
    const uint32_t samples[] = {colors[0], colors[1], colors[60], colors[119], colors[120], colors[121], colors[239]};
    EXPECT_EQ(std::vector<uint32_t>(std::begin(samples), std::end(samples)),
              (std::vector<uint32_t>{0x4000BF, 0x4100BE, 0x7C0083, 0xB70048, 0xB80047, 0xB70048, 0x4100BE}));
}

TEST(Background, RowsFollowTheStepWithOneNoiseDrawPerPixel)
{
    // Row y's position is the last one plus step + 1, back to 0 once past
    // 320; positions from 240 on continue the cyclic palette at entry 0.
    std::vector<int> climbing(PALETTE_SIZE); // step 0: 1 to 239, then 240
    std::iota(climbing.begin(), climbing.end() - 1, 1);
    const struct {
        int step;
        std::vector<int> entries; // palette entries of rows 0, 1, ..., repeating
    } cases[] = {{0, climbing}, {319, {80, 0}}, {100, {101, 202, 63, 0}}};

    uint32_t colors[PALETTE_SIZE];
    BuildPalette(colors);
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "step " << c.step);
        srand(11 + c.step);
        std::vector<uint32_t> expected(pixelCount);
        for (int i = 0; i < pixelCount; ++i) {
            const int noise = rand() % 40 - 20;
            const uint32_t base = colors[c.entries[i / SCREEN_WIDTH % c.entries.size()]];
            expected[i] = ReferenceBlend(0, (base + uint32_t(noise)) | 0xFF000000u);
        }
        const int following = rand();
        FillPattern(); // whatever the buffer held is drawn over
        SeedRandom(11 + c.step);
        DrawBackground(colors, c.step);
        EXPECT_EQ(Snapshot(), expected);
        EXPECT_EQ(NextRandom(), following);
    }
}

TEST(RandomDraws, StepAddsThenComparesThenMaybeRedrawsAndFlashWhitensOnADrawOfOne)
{
    for (unsigned seed = 1; seed < 400; ++seed) {
        const int step = int(seed * 7 % 320);
        srand(seed);
        const int increment = rand() % 20;
        const bool replaced = step + increment > rand() % 320;
        const int expected = replaced ? rand() % 320 : step + increment;
        const bool flashes = rand() % 10 == 1;
        const int following = rand();

        const auto before = FillPattern();
        SeedRandom(seed);
        ASSERT_EQ(UpdatePaletteStep(step), expected) << "seed " << seed;
        Flash();
        ASSERT_EQ(NextRandom(), following) << "seed " << seed;
        ASSERT_EQ(Snapshot(), flashes ? std::vector<uint32_t>(pixelCount, 0x00FFFFFFu) : before) << "seed " << seed;
    }
}

// A picture drawn, or faded in with each opacity scaled by the truncated
// level, ⌊a × level / 256⌋, where level 1 only lowers the covered channels.
TEST(DrawPicture, CentresAndBlendsByItsOwnOpacityOrTheCrossfadesScaledOne)
{
    auto color = [](int x, int y) { return CoordinateColor(x, y, (x * 7 + y) & 0xFF); };
    for (const Placement &p : placements)
        for (float level : {0.0f, 1.0f, 128.9f, 254.0f}) { // 0: drawn
            SCOPED_TRACE(testing::Message() << p.width << "x" << p.height << " at level " << level);
            Lista<Picture *> list;
            Picture *first = MakeSolidPicture(4, 4, 0xFF000000u), *picture = MakePicture(p.width, p.height, color);
            Present(list, {first, picture});
            const auto before = FillPattern();
            if (level == 0.0f)
                DrawPicture(*picture);
            else
                EXPECT_EQ(Step(list, level, 0.0), std::make_tuple(false, level, first));
            const uint32_t scale = level == 0.0f ? 256 : uint32_t(level);
            EXPECT_EQ(Snapshot(), Placed(before, p, [&](uint32_t old, int x, int y) {
                          return ReferenceBlend(old, CoordinateColor(x, y, (color(x, y) >> 24) * scale / 256));
                      }));
        }
}

TEST(Crossfade, LevelRisesByFourHundredPerSecondSwitchesOnlyAbove255AndEndsAtTheLastPicture)
{
    Lista<Picture *> list;
    Picture *shown[] = {MakeSolidPicture(2, 2, 0xFF0000FFu), MakeSolidPicture(2, 2, 0xFFFF0000u)};
    Present(list, {shown[0], shown[1]});
    EXPECT_EQ(Step(list, 1.0f, 0.125), std::make_tuple(false, 51.0f, shown[0]));
    EXPECT_EQ(Step(list, 254.0f, 0.0025), std::make_tuple(false, 255.0f, shown[0])); // exactly 255: no switch
    EXPECT_EQ(Step(list, 255.0f, 0.0025), std::make_tuple(false, 256.0f, shown[1]));
    EXPECT_EQ(list.current->next, nullptr); // the cursor moved on, to the tail
    // Nothing after the last picture: the end, nothing drawn.
    const auto before = FillPattern();
    EXPECT_EQ(Step(list, 1.0f, 0.5), std::make_tuple(true, 1.0f, shown[1]));
    EXPECT_EQ(Snapshot(), before);
}

} // namespace
