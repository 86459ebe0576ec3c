// effects_test.cpp - the plotting blend and every frame effect, with exact
// values: Put, the palette, the background rows and noise, the step update,
// the flash, the centred picture and the crossfade.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <vector>

#include "frame_reference.h"
#include "test.h"

namespace {

const int pixelCount = SCREEN_WIDTH * SCREEN_HEIGHT;

uint32_t &At(int x, int y)
{
    return pixel[y * SCREEN_WIDTH + x];
}

void FillPixels(uint32_t value)
{
    std::fill(std::begin(pixel), std::end(pixel), value);
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

// Each channel one lower, 0 staying 0.
uint32_t DropNonZeroChannels(uint32_t word)
{
    uint32_t result = 0;
    for (int shift : {16, 8, 0}) {
        const uint32_t channel = (word >> shift) & 0xFF;
        result |= (channel ? channel - 1 : 0) << shift;
    }
    return result;
}

// ---- Put ----

TEST(Put, IgnoresCoordinatesOutsideTheScreen)
{
    FillPattern();
    const std::vector<uint32_t> before = Snapshot();
    const int outside[][2] = {{-1, 0}, {320, 0}, {0, -1}, {0, 240}, {INT_MIN, 5}, {5, INT_MAX}, {-1, -1}, {320, 240}};
    for (const auto &point : outside)
        Put(point[0], point[1], int(0xFFFFFFFFu));
    EXPECT_EQ(Snapshot(), before);
}

TEST(Put, CornersReachTheFirstAndLastWord)
{
    FillPixels(0);
    Put(319, 239, int(0xFFFFFFFFu));
    EXPECT_EQ(pixel[pixelCount - 1], 0x00FEFEFEu);
    EXPECT_EQ(std::count(std::begin(pixel), std::end(pixel), 0u), pixelCount - 1);
    Put(0, 0, int(0xFF808080u));
    EXPECT_EQ(pixel[0], 0x007F7F7Fu);
    Put(319, 0, int(0xFF808080u));
    EXPECT_EQ(pixel[319], 0x007F7F7Fu);
    Put(0, 239, int(0xFF808080u));
    EXPECT_EQ(pixel[239 * 320], 0x007F7F7Fu);
}

struct BlendCase {
    uint32_t stored;
    uint32_t color;
    uint32_t expected;
};

TEST(Put, BlendsWithTruncatingWeights)
{
    const BlendCase cases[] = {
        {0x00000000u, 0xFFFFFFFFu, 0x00FEFEFEu}, {0x00123456u, 0xFFFFFFFFu, 0x00FEFEFEu},
        {0x00FFFFFFu, 0xFFFFFFFFu, 0x00FEFEFEu}, {0x00FFFFFFu, 0x00000000u, 0x00FEFEFEu},
        {0x00ABCDEFu, 0xFF000000u, 0x00000000u}, {0x00000000u, 0x80402010u, 0x00201008u},
        {0x00FFFFFFu, 0x80402010u, 0x009E8E86u}, {0x00010101u, 0x00000000u, 0x00000000u},
        {0x00102030u, 0x00FFFFFFu, 0x000F1F2Fu},
    };
    for (const BlendCase &c : cases) {
        At(7, 9) = c.stored;
        Put(7, 9, int(c.color));
        EXPECT_EQ(At(7, 9), c.expected) << std::hex << c.color << " over " << c.stored;
    }
}

TEST(Put, MatchesTheChannelFormulaForEveryOpacity)
{
    for (uint32_t a = 0; a < 256; ++a) {
        for (uint32_t s = 0; s < 256; s += 5) {
            const uint32_t color = (a << 24) | (s << 16) | ((255 - s) << 8) | (s ^ 0x5A);
            const uint32_t stored = ((s * 7) & 0xFF) << 16 | (a << 8) | (255 - a);
            At(100, 100) = stored;
            Put(100, 100, int(color));
            ASSERT_EQ(At(100, 100), ReferenceBlend(stored, color)) << std::hex << color << " over " << stored;
        }
    }
}

// ---- Palette ----

TEST(Palette, SamplesFollowTheBands)
{
    uint32_t colors[PALETTE_SIZE];
    BuildPalette(colors);
    const struct {
        int position;
        uint32_t red, green, blue;
    } samples[] = {{0, 64, 0, 191},   {1, 65, 0, 190},    {60, 124, 0, 131}, {119, 183, 0, 72},
                   {120, 184, 0, 71}, {121, 183, 0, 72}, {239, 65, 0, 190}};
    for (const auto &sample : samples)
        EXPECT_EQ(colors[sample.position], (sample.red << 16) | (sample.green << 8) | sample.blue)
            << "position " << sample.position;
}

TEST(Palette, IsSymmetricAndCyclic)
{
    uint32_t colors[PALETTE_SIZE];
    BuildPalette(colors);
    for (int j = 1; j < PALETTE_SIZE; ++j)
        EXPECT_EQ(colors[j], colors[PALETTE_SIZE - j]) << j;
    // Neighbours, the wrap from 239 to 0 included, differ by one step of red and blue.
    for (int j = 0; j < PALETTE_SIZE; ++j) {
        const int red = int(colors[j] >> 16), nextRed = int(colors[(j + 1) % PALETTE_SIZE] >> 16);
        EXPECT_EQ(std::abs(red - nextRed), 1) << j;
    }
}

// ---- Background ----

// The background a seed gives when row y takes palette entry entryOfRow(y):
// the noise replayed from the same seed, row by row, left to right.
std::vector<uint32_t> ExpectedBackground(unsigned seed, const std::function<int(int)> &entryOfRow)
{
    uint32_t colors[PALETTE_SIZE];
    BuildPalette(colors);
    srand(seed);
    std::vector<uint32_t> expected(pixelCount);
    for (int y = 0; y < SCREEN_HEIGHT; ++y) {
        const uint32_t base = colors[entryOfRow(y)];
        for (int x = 0; x < SCREEN_WIDTH; ++x) {
            const int noise = rand() % 40 - 20;
            expected[y * SCREEN_WIDTH + x] = ReferenceBlend(0, (base + uint32_t(noise)) | 0xFF000000u);
        }
    }
    return expected;
}

std::vector<uint32_t> DrawnBackground(unsigned seed, int step)
{
    uint32_t colors[PALETTE_SIZE];
    BuildPalette(colors);
    srand(seed);
    DrawBackground(colors, step);
    return Snapshot();
}

TEST(Background, StepZeroClimbsOnePositionPerRow)
{
    // Rows 0 to 238 take positions 1 to 239; the bottom row reaches position
    // 240, which continues the cyclic palette at its entry 0.
    const auto expected = ExpectedBackground(11, [](int y) { return y < 239 ? y + 1 : 0; });
    EXPECT_EQ(DrawnBackground(11, 0), expected);
}

TEST(Background, StepOneHundredSixtyAlternates)
{
    const auto expected = ExpectedBackground(12, [](int y) { return y % 2 == 0 ? 161 : 0; });
    EXPECT_EQ(DrawnBackground(12, 160), expected);
}

TEST(Background, PositionsPastThePaletteWrapAround)
{
    // Step 319: positions 320, then 0 (the 640 passed the limit). Step 250:
    // 251, then 0.
    auto expected = ExpectedBackground(13, [](int y) { return y % 2 == 0 ? 80 : 0; });
    EXPECT_EQ(DrawnBackground(13, 319), expected);
    expected = ExpectedBackground(14, [](int y) { return y % 2 == 0 ? 11 : 0; });
    EXPECT_EQ(DrawnBackground(14, 250), expected);
    // Step 100: 101, 202, 303 (entry 63), then 0 again.
    const int cycle[] = {101, 202, 63, 0};
    expected = ExpectedBackground(15, [&](int y) { return cycle[y % 4]; });
    EXPECT_EQ(DrawnBackground(15, 100), expected);
}

TEST(Background, RedrawsEveryPixelWhateverTheBufferHeld)
{
    FillPixels(0x00FFFFFFu);
    const auto overWhite = DrawnBackground(21, 37);
    FillPattern();
    EXPECT_EQ(DrawnBackground(21, 37), overWhite);
    for (uint32_t word : overWhite) {
        ASSERT_EQ(word >> 24, 0u);
        ASSERT_EQ((word >> 8) & 0xFF, 0u); // no noise borrows from green
    }
}

TEST(Background, DrawsOneNumberPerPixel)
{
    srand(5);
    for (int i = 0; i < pixelCount; ++i)
        rand();
    const int following = rand();
    uint32_t colors[PALETTE_SIZE];
    BuildPalette(colors);
    srand(5);
    DrawBackground(colors, 0);
    EXPECT_EQ(rand(), following);
}

// ---- Step update and flash ----

TEST(PaletteStep, AddsThenComparesThenMaybeRedraws)
{
    bool sawKept = false, sawReplaced = false;
    for (unsigned seed = 1; seed < 400; ++seed) {
        const int step = int(seed * 7 % 320);
        srand(seed);
        const int increment = rand() % 20;
        const int threshold = rand() % 320;
        const bool replaced = step + increment > threshold;
        const int expected = replaced ? rand() % 320 : step + increment;
        const int following = rand();
        (replaced ? sawReplaced : sawKept) = true;

        srand(seed);
        const int result = UpdatePaletteStep(step);
        ASSERT_EQ(result, expected) << "seed " << seed;
        ASSERT_EQ(rand(), following) << "seed " << seed;
        ASSERT_GE(result, 0);
        ASSERT_LE(result, 319);
    }
    EXPECT_TRUE(sawKept);
    EXPECT_TRUE(sawReplaced);
}

TEST(Flash, WhitensTheBufferWhenTheDrawIsOne)
{
    bool sawFlash = false, sawNone = false;
    for (unsigned seed = 1; seed < 100; ++seed) {
        srand(seed);
        const bool flashes = rand() % 10 == 1;
        const int following = rand();
        FillPattern();
        const auto before = Snapshot();
        srand(seed);
        Flash();
        ASSERT_EQ(rand(), following);
        if (flashes) {
            sawFlash = true;
            ASSERT_EQ(std::count(std::begin(pixel), std::end(pixel), 0x00FFFFFFu), pixelCount);
        } else {
            sawNone = true;
            ASSERT_EQ(Snapshot(), before);
        }
    }
    EXPECT_TRUE(sawFlash);
    EXPECT_TRUE(sawNone);
}

// ---- Centred picture ----

struct Box {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    int count = 0;
};

Box ChangedBox(const std::vector<uint32_t> &before)
{
    Box box;
    for (int y = 0; y < SCREEN_HEIGHT; ++y)
        for (int x = 0; x < SCREEN_WIDTH; ++x)
            if (At(x, y) != before[y * SCREEN_WIDTH + x]) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
                ++box.count;
            }
    return box;
}

TEST(DrawPicture, OddSizeLiesRightOfAndBelowTheCentre)
{
    std::unique_ptr<Picture> picture(MakeSolidPicture(101, 51, 0xFF102030u));
    FillPixels(0);
    DrawPicture(*picture);
    const Box box = ChangedBox(std::vector<uint32_t>(pixelCount, 0));
    EXPECT_EQ(box.left, 110);
    EXPECT_EQ(box.right, 210);
    EXPECT_EQ(box.top, 95);
    EXPECT_EQ(box.bottom, 145);
    EXPECT_EQ(box.count, 101 * 51);
    EXPECT_EQ(At(110, 95), 0x000F1F2Fu);
    EXPECT_EQ(At(210, 145), 0x000F1F2Fu);

    std::unique_ptr<Picture> dot(MakeSolidPicture(1, 1, 0xFFFFFFFFu));
    FillPixels(0);
    DrawPicture(*dot);
    EXPECT_EQ(At(160, 120), 0x00FEFEFEu);
    EXPECT_EQ(std::count(std::begin(pixel), std::end(pixel), 0u), pixelCount - 1);
}

uint32_t CoordinateColor(int x, int y)
{
    return 0xFF000000u | uint32_t(x % 256 + 1) << 16 | uint32_t(y % 256 + 1) << 8 | uint32_t(x / 256 + y / 256 + 1);
}

TEST(DrawPicture, ScreenSizedPictureCoversTheScreenExactly)
{
    std::unique_ptr<Picture> picture(MakePicture(320, 240, CoordinateColor));
    FillPattern();
    DrawPicture(*picture);
    for (int y = 0; y < SCREEN_HEIGHT; ++y)
        for (int x = 0; x < SCREEN_WIDTH; ++x)
            ASSERT_EQ(At(x, y), DropNonZeroChannels(CoordinateColor(x, y) & 0x00FFFFFFu)) << x << "," << y;
}

TEST(DrawPicture, OversizedPictureShowsItsMiddle)
{
    std::unique_ptr<Picture> picture(MakePicture(400, 300, CoordinateColor));
    FillPattern();
    DrawPicture(*picture);
    for (int y = 0; y < SCREEN_HEIGHT; ++y)
        for (int x = 0; x < SCREEN_WIDTH; ++x)
            ASSERT_EQ(At(x, y), DropNonZeroChannels(CoordinateColor(x + 40, y + 30) & 0x00FFFFFFu))
                << x << "," << y;
}

TEST(DrawPicture, BlendsByThePicturesOwnOpacity)
{
    std::unique_ptr<Picture> picture(
        MakePicture(64, 32, [](int x, int y) { return uint32_t(x * 4) << 24 | uint32_t(y * 8) << 16 | 0x8040u; }));
    FillPattern();
    const auto before = Snapshot();
    DrawPicture(*picture);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) {
            const int sx = 128 + x, sy = 104 + y;
            ASSERT_EQ(At(sx, sy), ReferenceBlend(before[sy * SCREEN_WIDTH + sx], picture->pixels[y * 64 + x]));
        }
}

// ---- Crossfade ----

class Crossfade : public ::testing::Test {
protected:
    // The list owns the pictures; the cursor ends on `second`.
    Lista<Picture *> list;
    Picture *first = nullptr;
    Picture *second = nullptr;
    Picture *third = nullptr;

    void Fill(Picture *a, Picture *b, Picture *c = nullptr)
    {
        first = a;
        second = b;
        third = c;
        list.Add(a);
        if (b)
            list.Add(b);
        if (c)
            list.Add(c);
        currentPicture = list.Next();
    }

    void TearDown() override { crossfadeLevel = 255.0f; }
};

TEST_F(Crossfade, FirstFrameOnlyLowersTheCoveredChannels)
{
    Fill(MakeSolidPicture(10, 10, 0xFF00FF00u), MakeSolidPicture(101, 51, 0xFFFFFFFFu));
    FillPattern();
    const auto before = Snapshot();
    crossfadeLevel = 1.0f;
    EXPECT_FALSE(CrossfadeStep(list, 0.0));
    for (int y = 0; y < SCREEN_HEIGHT; ++y)
        for (int x = 0; x < SCREEN_WIDTH; ++x) {
            const uint32_t old = before[y * SCREEN_WIDTH + x];
            const bool covered = x >= 110 && x <= 210 && y >= 95 && y <= 145;
            ASSERT_EQ(At(x, y), covered ? DropNonZeroChannels(old) : old) << x << "," << y;
        }
    EXPECT_EQ(crossfadeLevel, 1.0f);
    EXPECT_EQ(currentPicture, first);
}

TEST_F(Crossfade, OpacityFollowsTheLevel)
{
    // Opaque pixels and half-transparent ones, at levels 128 and 254.
    Fill(MakeSolidPicture(4, 4, 0xFF000000u),
         MakePicture(20, 10, [](int x, int) { return x % 2 ? 0xFF20A0F0u : 0x80FF4020u; }));
    const struct {
        float level;
        uint32_t opaqueAlpha, halfAlpha;
    } levels[] = {{128.0f, 127, 64}, {128.9f, 127, 64}, {254.0f, 253, 127}, {2.0f, 1, 1}};
    for (const auto &step : levels) {
        FillPattern();
        const auto before = Snapshot();
        crossfadeLevel = step.level;
        EXPECT_FALSE(CrossfadeStep(list, 0.0));
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x) {
                const int sx = 150 + x, sy = 115 + y;
                const uint32_t expected = ReferenceBlend(before[sy * SCREEN_WIDTH + sx],
                                                         x % 2 ? (step.opaqueAlpha << 24) | 0x20A0F0u
                                                               : (step.halfAlpha << 24) | 0xFF4020u);
                ASSERT_EQ(At(sx, sy), expected) << "level " << step.level << " at " << x << "," << y;
            }
    }
}

TEST_F(Crossfade, LevelRisesByFourHundredPerSecond)
{
    Fill(MakeSolidPicture(2, 2, 0xFF0000FFu), MakeSolidPicture(2, 2, 0xFFFF0000u));
    crossfadeLevel = 1.0f;
    CrossfadeStep(list, 0.1);
    EXPECT_EQ(crossfadeLevel, 41.0f);
    CrossfadeStep(list, 1.0 / 60.0);
    EXPECT_FLOAT_EQ(crossfadeLevel, 47.666667f);
    CrossfadeStep(list, 0.5);
    EXPECT_FLOAT_EQ(crossfadeLevel, 247.666667f);
    EXPECT_EQ(currentPicture, first);
}

TEST_F(Crossfade, SwitchesOnlyAbove255)
{
    Fill(MakeSolidPicture(2, 2, 0xFF0000FFu), MakeSolidPicture(2, 2, 0xFFFF0000u),
         MakeSolidPicture(2, 2, 0xFF00FF00u));
    crossfadeLevel = 254.0f;
    EXPECT_FALSE(CrossfadeStep(list, 0.0025)); // exactly 255: no switch
    EXPECT_EQ(crossfadeLevel, 255.0f);
    EXPECT_EQ(currentPicture, first);
    EXPECT_EQ(list.current->obj, second);

    crossfadeLevel = 254.0f;
    EXPECT_FALSE(CrossfadeStep(list, 0.01));
    EXPECT_EQ(crossfadeLevel, 258.0f);
    EXPECT_EQ(currentPicture, second);
    EXPECT_EQ(list.current->obj, third);
}

TEST_F(Crossfade, HeadsForWhereverTheCursorIs)
{
    Fill(MakeSolidPicture(2, 2, 0xFF0000FFu), MakeSolidPicture(2, 2, 0xFFFF0000u),
         MakeSolidPicture(2, 2, 0xFF00FF00u));
    EXPECT_EQ(list.Next(), second); // as a sync command would
    FillPixels(0);
    crossfadeLevel = 254.0f;
    EXPECT_FALSE(CrossfadeStep(list, 0.01));
    EXPECT_EQ(At(160, 120), ReferenceBlend(0, 0xFD00FF00u));
    EXPECT_EQ(currentPicture, third);
}

TEST_F(Crossfade, EndsThePresentationAtTheLastPicture)
{
    Fill(MakeSolidPicture(30, 30, 0xFFFFFFFFu), nullptr);
    FillPattern();
    const auto before = Snapshot();
    crossfadeLevel = 1.0f;
    EXPECT_TRUE(CrossfadeStep(list, 0.5));
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(crossfadeLevel, 1.0f);
    EXPECT_EQ(currentPicture, first);
}

TEST_F(Crossfade, OversizedPictureIsClippedToTheScreen)
{
    Fill(MakeSolidPicture(2, 2, 0xFF0000FFu), MakePicture(400, 300, CoordinateColor));
    FillPattern();
    const auto before = Snapshot();
    crossfadeLevel = 200.0f; // opaque pixels at (255 × 200) >> 8 = 199
    EXPECT_FALSE(CrossfadeStep(list, 0.0));
    for (int y = 0; y < SCREEN_HEIGHT; ++y)
        for (int x = 0; x < SCREEN_WIDTH; ++x) {
            const uint32_t color = (199u << 24) | (CoordinateColor(x + 40, y + 30) & 0x00FFFFFFu);
            ASSERT_EQ(At(x, y), ReferenceBlend(before[y * SCREEN_WIDTH + x], color)) << x << "," << y;
        }

    // Taller than the screen but narrower: only rows are clipped.
    Lista<Picture *> tall;
    tall.Add(MakeSolidPicture(1, 1, 0xFF000000u));
    tall.Add(MakeSolidPicture(3, 1000, 0xFFFFFFFFu));
    tall.Next();
    FillPixels(0);
    crossfadeLevel = 254.0f;
    EXPECT_FALSE(CrossfadeStep(tall, 0.0));
    const Box box = ChangedBox(std::vector<uint32_t>(pixelCount, 0));
    EXPECT_EQ(box.left, 159);
    EXPECT_EQ(box.right, 161);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.bottom, 239);
}

} // namespace
