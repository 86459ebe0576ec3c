// effects_test.cpp - the plotting blend and every frame effect, with exact values.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <iterator>
#include <functional>
#include <memory>
#include <numeric>
#include <tuple>
#include <utility>
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

// The background pixel that rand() gives next on a row of colour `base`.
uint32_t Noisy(uint32_t base)
{
    return ReferenceBlend(0, (base + uint32_t(rand() % 40 - 20)) | 0xFF000000u);
}

// Colours whose channels tell pictures' pixels apart, with alpha(x, y).
uint32_t CoordinateColor(int x, int y, uint32_t alpha)
{
    return alpha << 24 | uint32_t(x % 255 + 1) << 16 | uint32_t(y % 255 + 1) << 8 | uint32_t(x / 255 + y / 255 + 1);
}

// Odd sizes lie right of and below the centre; larger ones are clipped to the screen and show their middle.
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

// One step from `level`: whether it ended, the level after, the picture shown.
std::tuple<bool, float, Picture *> Step(Lista<Picture *> &list, float level, double delta)
{
    crossfadeLevel = level;
    const bool ended = CrossfadeStep(list, delta);
    return {ended, crossfadeLevel, currentPicture};
}

TEST(Put, PlotsInsideTheScreenOnlyWithTruncatingWeights)
{
    EXPECT_EQ(ReferenceBlend(0x00FFFFFFu, 0x80402010u), 0x009E8E86u);
    EXPECT_EQ(ReferenceBlend(0x00123456u, 0xFFFFFFFFu), 0x00FEFEFEu);
    // Every pixel and the border around the screen, with colours of every opacity.
    std::vector<uint32_t> expected = FillPattern();
    for (int y = -1; y <= SCREEN_HEIGHT; ++y)
        for (int x = -1; x <= SCREEN_WIDTH; ++x) {
            const uint32_t color = uint32_t(x) * 2246822519u ^ uint32_t(y) * 3266489917u;
            Put(x, y, int(color));
            if (x >= 0 && x < SCREEN_WIDTH && y >= 0 && y < SCREEN_HEIGHT)
                expected[y * SCREEN_WIDTH + x] = ReferenceBlend(expected[y * SCREEN_WIDTH + x], color);
        }
    for (const auto &[x, y] : {std::pair(INT_MIN, 5), std::pair(5, INT_MAX)})
        Put(x, y, -1);
    EXPECT_EQ(Snapshot(), expected);
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

// Row y's position is the last one plus step + 1, back to 0 once past 320;
// positions from 240 on continue the cyclic palette at entry 0.
TEST(Background, RowsFollowTheStepWithOneNoiseDrawPerPixel)
{
    std::vector<int> climbing(PALETTE_SIZE); // step 0: 1 to 239, then 240
    std::iota(climbing.begin(), climbing.end() - 1, 1);
    // The step, and the palette entries of rows 0, 1, ..., repeating.
    const std::pair<int, std::vector<int>> cases[] = {{0, climbing}, {319, {80, 0}}, {100, {101, 202, 63, 0}}};
    uint32_t colors[PALETTE_SIZE];
    BuildPalette(colors);
    for (const auto &[step, entries] : cases) {
        SCOPED_TRACE(testing::Message() << "step " << step);
        srand(11 + step);
        std::vector<uint32_t> expected(pixelCount);
        for (int i = 0; i < pixelCount; ++i)
            expected[i] = Noisy(colors[entries[i / SCREEN_WIDTH % entries.size()]]);
        const int following = rand();
        FillPattern(); // whatever the buffer held is drawn over
        SeedRandom(11 + step);
        DrawBackground(colors, step);
        EXPECT_EQ(std::make_pair(Snapshot(), NextRandom()), std::make_pair(expected, following));
    }
}

// A frame draws its background's noise, the step's two or three numbers (add, compare, maybe redraw), then
// the flash's, which on a 1 whitens the screen under the picture.
TEST(RandomDraws, FrameDrawsNoiseThenStepThenFlashBeforeThePicture)
{
    std::unique_ptr<Picture> faint(MakeSolidPicture(1, 1, 0x40808080u));
    currentPicture = faint.get();
    crossfadeLevel = 255.0f;
    std::fill(std::begin(palette), std::end(palette), 0u); // every row the same base colour
    for (unsigned seed = 1; seed < 400; ++seed) {
        const int step = int(seed * 7 % 320);
        srand(seed);
        std::vector<uint32_t> expected(pixelCount);
        for (uint32_t &value : expected)
            value = Noisy(0);
        const int increment = rand() % 20;
        const int stepAfter = step + increment > rand() % 320 ? rand() % 320 : step + increment;
        if (rand() % 10 == 1)
            expected.assign(pixelCount, 0x00FFFFFFu);
        const int centre = 120 * SCREEN_WIDTH + 160;
        expected[centre] = ReferenceBlend(expected[centre], 0x40808080u);
        const int following = rand();

        paletteStep = step;
        SeedRandom(seed);
        ASSERT_TRUE(DrawFrame());
        ASSERT_EQ(std::make_tuple(paletteStep, NextRandom(), Snapshot()),
                  std::make_tuple(stepAfter, following, expected)) << "seed " << seed;
    }
}

// A picture drawn, or faded in with each opacity scaled by the truncated level, ⌊a × level / 256⌋, where
// level 1 only lowers the covered channels. The level rises by 400 a second and switches to the picture only
// above 255; then, with nothing after the last picture, the next step ends the show and draws nothing.
TEST(DrawPicture, CentresAndBlendsByItsOwnOpacityOrTheCrossfadesScaledOne)
{
    auto color = [](int x, int y) { return CoordinateColor(x, y, (x * 7 + y) & 0xFF); };
    for (const Placement &p : placements)
        for (float level : {0.0f, 1.0f, 128.9f, 253.4375f, 254.0f}) { // 0: drawn
            SCOPED_TRACE(testing::Message() << p.width << "x" << p.height << " at level " << level);
            Lista<Picture *> list;
            Picture *first = MakeSolidPicture(4, 4, 0xFF000000u), *picture = MakePicture(p.width, p.height, color);
            list.Add(first);
            list.Add(picture);
            currentPicture = list.Next();
            const auto before = FillPattern();
            const float after = level + 1.5625f; // 1/256 s later
            if (level == 0.0f)
                DrawPicture(*picture);
            else
                EXPECT_EQ(Step(list, level, 1.0 / 256), std::make_tuple(false, after, after > 255 ? picture : first));
            const uint32_t scale = level == 0.0f ? 256 : uint32_t(level);
            const auto drawn = Placed(before, p, [&](uint32_t old, int x, int y) {
                return ReferenceBlend(old, CoordinateColor(x, y, (color(x, y) >> 24) * scale / 256));
            });
            EXPECT_EQ(Snapshot(), drawn);
            if (currentPicture == picture) {
                EXPECT_EQ(Step(list, 1.0f, 0.5), std::make_tuple(true, 1.0f, picture));
                EXPECT_EQ(Snapshot(), drawn);
            }
        }
}

// A picture larger than the screen in either direction, odd or even, keeps only what the screen can show of it,
// and draws and fades in exactly as the whole picture would.
TEST(DrawPicture, ALoadedPictureLargerThanTheScreenDrawsAndFadesAsTheWholeOne)
{
    TempDir dir;
    const auto alpha = [](int x, int y) { return uint32_t(x * 3 + y * 5) & 0xFF; };
    for (const auto &[width, height] : {std::pair{401, 301}, {400, 300}, {321, 241}, {322, 100}, {90, 243}, {3, 1000}}) {
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        PngImage image;
        image.width = width;
        image.height = height;
        image.colorType = 6;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                for (int shift : {16, 8, 0, 24})
                    image.samples.push_back(uint16_t(CoordinateColor(x, y, alpha(x, y)) >> shift & 0xFF));
        ASSERT_TRUE(WriteFile(dir.File("big.png"), EncodePng(image)));
        Lista<Picture *> list;
        list.Add(MakeSolidPicture(4, 4, 0xFF000000u));
        testing::internal::CaptureStderr();
        ASSERT_EQ(LoadPictures({dir.File("big.png")}, list), 1) << testing::internal::GetCapturedStderr();
        testing::internal::GetCapturedStderr();
        currentPicture = list.Next();
        Picture *picture = list.current->obj;
        EXPECT_LE(std::size_t(picture->width) * picture->height, std::size_t(pixelCount));
        const Placement p = {width, height, SCREEN_WIDTH / 2 - width / 2, SCREEN_HEIGHT / 2 - height / 2};
        for (float level : {0.0f, 200.5f}) { // 0: drawn
            const auto before = FillPattern();
            if (level == 0.0f)
                DrawPicture(*picture);
            else
                Step(list, level, 0);
            const uint32_t scale = level == 0.0f ? 256 : uint32_t(level);
            EXPECT_EQ(Snapshot(), Placed(before, p, [&](uint32_t old, int x, int y) {
                return ReferenceBlend(old, CoordinateColor(x, y, alpha(x, y) * scale / 256));
            })) << "level " << level;
        }
    }
}

} // namespace
