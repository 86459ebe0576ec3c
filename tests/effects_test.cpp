// effects_test.cpp - the plotting blend and every frame effect, with exact
// values: Put, the palette, the background rows and noise, the step update,
// the flash, the centred picture and the crossfade.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <numeric>
#include <vector>

#include "frame_reference.h"
#include "test.h"

namespace {

const int pixelCount = SCREEN_WIDTH * SCREEN_HEIGHT;

uint32_t &At(int x, int y)
{
    return pixel[y * SCREEN_WIDTH + x];
}

// A buffer where neighbouring pixels differ and channels of 0 occur.
void FillPattern()
{
    for (int i = 0; i < pixelCount; ++i)
        pixel[i] = (uint32_t(i) * 2654435761u) & 0x00FFFFFFu;
    pixel[0] = 0;
    pixel[1] = 0x00FF0000u;
}

std::vector<uint32_t> Snapshot()
{
    return std::vector<uint32_t>(std::begin(pixel), std::end(pixel));
}

uint32_t CoordinateColor(int x, int y)
{
    return 0xFF000000u | uint32_t(x % 255 + 1) << 16 | uint32_t(y % 255 + 1) << 8 | uint32_t(x / 255 + y / 255 + 1);
}

// After a width × height picture was blended with its top left at (left,
// top): each covered pixel holds expected(old value, picture x, picture y),
// every other pixel its old value.
void ExpectPlaced(const std::vector<uint32_t> &before, int left, int top, int width, int height,
                  const std::function<uint32_t(uint32_t, int, int)> &expected)
{
    for (int y = 0; y < SCREEN_HEIGHT; ++y)
        for (int x = 0; x < SCREEN_WIDTH; ++x) {
            const uint32_t old = before[y * SCREEN_WIDTH + x];
            const int px = x - left, py = y - top;
            const bool covered = px >= 0 && px < width && py >= 0 && py < height;
            ASSERT_EQ(At(x, y), covered ? expected(old, px, py) : old) << "at " << x << "," << y;
        }
}

TEST(Put, PlotsInsideTheScreenOnlyWithTruncatingWeights)
{
    FillPattern();
    const std::vector<uint32_t> before = Snapshot();
    const int outside[][2] = {{-1, 0}, {320, 0}, {0, -1}, {0, 240}, {INT_MIN, 5}, {5, INT_MAX}};
    for (const auto &point : outside)
        Put(point[0], point[1], int(0xFFFFFFFFu));
    EXPECT_EQ(Snapshot(), before);
    for (int corner : {0, 319, 239 * 320, pixelCount - 1}) {
        Put(corner % SCREEN_WIDTH, corner / SCREEN_WIDTH, int(0x00808080u));
        EXPECT_EQ(pixel[corner], ReferenceBlend(before[corner], 0x00808080u)) << corner;
    }
    // Every opacity against the reference, channels of all sizes; the
    // reference itself on hand-worked cases.
    EXPECT_EQ(ReferenceBlend(0x00FFFFFFu, 0x80402010u), 0x009E8E86u);
    EXPECT_EQ(ReferenceBlend(0x00123456u, 0xFFFFFFFFu), 0x00FEFEFEu);
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t s = 0; s < 256; s += 5) {
            const uint32_t color = (a << 24) | (s << 16) | ((255 - s) << 8) | (s ^ 0x5A);
            const uint32_t stored = ((s * 7) & 0xFF) << 16 | (a << 8) | (255 - a);
            At(100, 100) = stored;
            Put(100, 100, int(color));
            ASSERT_EQ(At(100, 100), ReferenceBlend(stored, color)) << std::hex << color << " over " << stored;
        }
}

// Red climbs from 64 at entry 0 to 184 at 120 and back down, blue the other way.
TEST(Palette, SamplesFollowSymmetricCyclicBands)
{
    uint32_t colors[PALETTE_SIZE];
    BuildPalette(colors);
    const std::pair<int, uint32_t> samples[] = {{0, 0x4000BF},   {1, 0x4100BE},   {60, 0x7C0083}, {119, 0xB70048},
                                                {120, 0xB80047}, {121, 0xB70048}, {239, 0x4100BE}};
    for (const auto &sample : samples)
        EXPECT_EQ(colors[sample.first], sample.second) << "position " << sample.first;
}

TEST(Background, RowsFollowTheStepWithOneNoiseDrawPerPixel)
{
    // Row y's position is the last one plus step + 1, back to 0 once past
    // 320; positions from 240 on continue the cyclic palette at entry 0.
    std::vector<int> climbing(PALETTE_SIZE); // step 0: 1 to 239, then 240
    std::iota(climbing.begin(), climbing.end() - 1, 1);
    climbing.back() = 0;
    const struct {
        int step;
        std::vector<int> entries; // palette entries of rows 0, 1, ..., repeating
    } cases[] = {{0, climbing}, {319, {80, 0}}, {100, {101, 202, 63, 0}}};

    uint32_t colors[PALETTE_SIZE];
    BuildPalette(colors);
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "step " << c.step);
        const unsigned seed = 11 + c.step;
        srand(seed);
        std::vector<uint32_t> expected(pixelCount);
        for (int y = 0; y < SCREEN_HEIGHT; ++y)
            for (int x = 0; x < SCREEN_WIDTH; ++x) {
                const int noise = rand() % 40 - 20;
                const uint32_t base = colors[c.entries[y % c.entries.size()]];
                expected[y * SCREEN_WIDTH + x] = ReferenceBlend(0, (base + uint32_t(noise)) | 0xFF000000u);
            }
        const int following = rand();

        FillPattern(); // whatever the buffer held is drawn over
        SeedRandom(seed);
        DrawBackground(colors, c.step);
        EXPECT_EQ(Snapshot(), expected);
        EXPECT_EQ(NextRandom(), following);
    }
}

TEST(RandomDraws, StepAddsThenComparesThenMaybeRedrawsAndFlashWhitensOnADrawOfOne)
{
    bool sawKept = false, sawReplaced = false, sawFlash = false, sawNone = false;
    for (unsigned seed = 1; seed < 400; ++seed) {
        const int step = int(seed * 7 % 320);
        srand(seed);
        const int increment = rand() % 20;
        const bool replaced = step + increment > rand() % 320;
        const int expected = replaced ? rand() % 320 : step + increment;
        const bool flashes = rand() % 10 == 1;
        const int following = rand();
        (replaced ? sawReplaced : sawKept) = true;
        (flashes ? sawFlash : sawNone) = true;

        FillPattern();
        const auto before = Snapshot();
        SeedRandom(seed);
        ASSERT_EQ(UpdatePaletteStep(step), expected) << "seed " << seed;
        Flash();
        ASSERT_EQ(NextRandom(), following) << "seed " << seed;
        ASSERT_EQ(Snapshot(), flashes ? std::vector<uint32_t>(pixelCount, 0x00FFFFFFu) : before) << "seed " << seed;
    }
    EXPECT_TRUE(sawKept && sawReplaced && sawFlash && sawNone);
}

// Odd sizes lie right of and below the centre; larger ones are clipped to
// the screen and show their middle.
const struct Placement {
    int width, height, left, top;
} placements[] = {{101, 51, 110, 95}, {1, 1, 160, 120}, {320, 240, 0, 0}, {401, 301, -40, -30}, {3, 1000, 159, -380}};

TEST(DrawPicture, CentresOddExactAndOversizedPicturesAndBlendsByTheirOwnOpacity)
{
    auto color = [](int x, int y) { return uint32_t(x * 7 + y) << 24 | (CoordinateColor(x, y) & 0xFFFFFFu); };
    for (const Placement &p : placements) {
        SCOPED_TRACE(testing::Message() << p.width << "x" << p.height);
        std::unique_ptr<Picture> picture(MakePicture(p.width, p.height, color));
        FillPattern();
        const auto before = Snapshot();
        DrawPicture(*picture);
        ExpectPlaced(before, p.left, p.top, p.width, p.height,
                     [&](uint32_t old, int x, int y) { return ReferenceBlend(old, color(x, y)); });
    }
}

// Adds the pictures to `list` and makes the first current, the cursor on
// the second, as main leaves them.
void Present(Lista<Picture *> &list, std::initializer_list<Picture *> all)
{
    for (Picture *picture : all)
        list.Add(picture);
    currentPicture = list.Next();
}

class Crossfade : public ::testing::Test {
protected:
    void TearDown() override { crossfadeLevel = 255.0f; }
};

TEST_F(Crossfade, FadesInTheNextPictureAtTheLevelClippedToTheScreen)
{
    // Opaque and half-transparent columns, each opacity scaled by the
    // truncated level: ⌊255 × level / 256⌋ and ⌊128 × level / 256⌋.
    const Placement small = {20, 10, 150, 115};
    const struct {
        float level;
        Placement where;
        uint32_t opaqueAlpha, halfAlpha;
    } cases[] = {
        {1.0f, placements[0], 0, 0}, // the first frame only lowers the covered channels
        {128.9f, small, 127, 64},
        {254.0f, placements[4], 253, 127},
    };
    auto color = [](int x, int y) { return (x % 2 ? 0xFF000000u : 0x80000000u) | (CoordinateColor(x, y) & 0xFFFFFFu); };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "level " << c.level << ", " << c.where.width << "x" << c.where.height);
        Lista<Picture *> list;
        Picture *first = MakeSolidPicture(4, 4, 0xFF000000u);
        Present(list, {first, MakePicture(c.where.width, c.where.height, color)});
        FillPattern();
        const auto before = Snapshot();
        crossfadeLevel = c.level;
        EXPECT_FALSE(CrossfadeStep(list, 0.0));
        ExpectPlaced(before, c.where.left, c.where.top, c.where.width, c.where.height, [&](uint32_t old, int x, int y) {
            return ReferenceBlend(old, (x % 2 ? c.opaqueAlpha : c.halfAlpha) << 24 | (color(x, y) & 0xFFFFFFu));
        });
        EXPECT_EQ(crossfadeLevel, c.level);
        EXPECT_EQ(currentPicture, first);
    }
}

TEST_F(Crossfade, LevelRisesByFourHundredPerSecondSwitchesOnlyAbove255AndEndsAtTheLastPicture)
{
    Lista<Picture *> list;
    Picture *shown[] = {MakeSolidPicture(2, 2, 0xFF0000FFu), MakeSolidPicture(2, 2, 0xFFFF0000u)};
    Present(list, {shown[0], shown[1]});
    crossfadeLevel = 1.0f;
    EXPECT_FALSE(CrossfadeStep(list, 0.1));
    EXPECT_FLOAT_EQ(crossfadeLevel, 41.0f);
    crossfadeLevel = 254.0f;
    EXPECT_FALSE(CrossfadeStep(list, 0.0025)); // exactly 255: no switch
    EXPECT_EQ(currentPicture, shown[0]);
    EXPECT_FALSE(CrossfadeStep(list, 0.0025));
    EXPECT_EQ(crossfadeLevel, 256.0f);
    EXPECT_EQ(currentPicture, shown[1]);
    EXPECT_EQ(list.current->next, nullptr); // the cursor moved on, to the tail

    // Nothing after the last picture: the end, nothing drawn.
    FillPattern();
    const auto before = Snapshot();
    crossfadeLevel = 1.0f;
    EXPECT_TRUE(CrossfadeStep(list, 0.5));
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(crossfadeLevel, 1.0f);
    EXPECT_EQ(currentPicture, shown[1]);
}

} // namespace
