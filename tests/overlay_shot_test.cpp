// overlay_shot_test.cpp - the text overlay over copies of frames, and the screenshot decoded back,
// numbered, and refused where it cannot be written or would replace what is there.
#include "overlay.h"
#include "png_files.h"
#include "shot.h"
#include "test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

using Frame = std::vector<uint32_t>;
const size_t screenPixels = size_t(SCREEN_WIDTH) * SCREEN_HEIGHT;

// Every channel kept away from 0 and 255, so that both the band and white text change each pixel they touch.
Frame MidtoneFrame()
{
    Frame frame(screenPixels);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = (uint32_t(i * 2654435761u) & 0x7F7F7F) + 0x202020;
    return frame;
}

Frame Overlaid(const Frame &frame, const std::vector<std::string> &lines)
{
    Frame out(screenPixels, 0xDEADBEEF);
    DrawOverlay(frame.data(), out.data(), lines);
    return out;
}

size_t WhitePixels(const Frame &out) { return size_t(std::count(out.begin(), out.end(), 0xFFFFFFu)); }

TEST(Overlay, DrawsEachLineOnABandAtTheBottomAndLeavesTheFrameAndTheRestAsTheyAre)
{
    const Frame frame = MidtoneFrame(), before = frame;
    // 53 characters, descenders among them.
    const std::string line = "0123456789 the quick brown fox jumps over a lazy dog!";
    const size_t whiteOfOne = WhitePixels(Overlaid(frame, {line}));
    EXPECT_GT(whiteOfOne, 0u);
    std::vector<std::string> lines;
    for (int count = 0; count <= OVERLAY_MAX_LINES; lines.push_back(line), ++count) {
        const Frame out = Overlaid(frame, lines);
        EXPECT_EQ(frame, before);
        const int band = OverlayBandHeight(count);
        // Tall enough for the nine rows of each line's glyphs; the four lines leave the middle clear.
        EXPECT_GE(band, 9 * count);
        EXPECT_LE(band, count == 0 ? 0 : 12 * count + 4);
        const size_t bandStart = size_t(SCREEN_HEIGHT - band) * SCREEN_WIDTH;
        EXPECT_TRUE(std::equal(frame.begin(), frame.begin() + bandStart, out.begin())) << count << " lines";
        const auto darker = [](uint32_t a, uint32_t b) {
            return (a & 0xFF0000) < (b & 0xFF0000) && (a & 0xFF00) < (b & 0xFF00) && (a & 0xFF) < (b & 0xFF);
        };
        for (size_t i = bandStart; i < out.size(); ++i)
            ASSERT_TRUE(out[i] == 0xFFFFFFu || darker(out[i], frame[i]))
                << count << " lines, pixel " << i % SCREEN_WIDTH << "," << i / SCREEN_WIDTH;
        // Each line whole, none cut by the band or the screen's edge.
        EXPECT_EQ(WhitePixels(out), count * whiteOfOne) << count << " lines";
    }
    // The loop left a fifth line, which would cover more of the picture: it is left out.
    ASSERT_EQ(lines.size(), size_t(OVERLAY_MAX_LINES) + 1);
    EXPECT_EQ(Overlaid(frame, lines), Overlaid(frame, {lines.begin(), lines.begin() + OVERLAY_MAX_LINES}));
}

TEST(Overlay, StaysLegibleOverWhiteAndCutsWhatDoesNotFit)
{
    const Frame white(screenPixels, 0xFFFFFF);
    const Frame out = Overlaid(white, {"Shot saved"});
    const int bandTop = SCREEN_HEIGHT - OverlayBandHeight(1);
    const size_t bandPixels = size_t(SCREEN_WIDTH) * (SCREEN_HEIGHT - bandTop);
    size_t grey = 0;
    for (size_t i = out.size() - bandPixels; i < out.size(); ++i)
        if (out[i] != 0xFFFFFFu) {
            // Black blended at 50% to 70%, the same in each channel.
            EXPECT_TRUE(out[i] >= 0x4C4C4C && out[i] <= 0x808080 && out[i] % 0x010101 == 0) << std::hex << out[i];
            ++grey;
        }
    EXPECT_GT(grey, bandPixels * 3 / 4);
    EXPECT_LT(grey, bandPixels);

    // The 53rd character still shows; a line far too long is cut, not drawn past the edge.
    const Frame frame = MidtoneFrame();
    const std::string full(53, '8');
    EXPECT_NE(Overlaid(frame, {full}), Overlaid(frame, {full.substr(0, 52)}));
    const Frame cut = Overlaid(frame, {std::string(400, 'W')});
    EXPECT_TRUE(std::equal(frame.begin(), frame.end() - size_t(OverlayBandHeight(1)) * SCREEN_WIDTH, cut.begin()));
    // What the font has no glyph for shows as '?', never read past its tables.
    EXPECT_EQ(Overlaid(frame, {"\x01\n\x7f\x80\xff"}), Overlaid(frame, {"?????"}));
}

struct ShotTest : ::testing::Test {
    TempDir dir;
    const std::string &folder = dir.path();
    std::string File(const std::string &name) const { return dir.File(name); }
    std::string Saved(const Frame &frame)
    {
        std::string name, error;
        EXPECT_TRUE(SaveShot(folder, frame.data(), name, error)) << error;
        return name;
    }
};

std::string Contents(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// The pixels of an 8-bit RGB PNG file as frame words; none for any other kind of file.
Frame Decoded(const std::string &path)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return {};
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    const bool plainRgb = image.format == PNG_FORMAT_RGB && image.width == SCREEN_WIDTH &&
                          image.height == SCREEN_HEIGHT;
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) || !plainRgb)
        return {};
    Frame frame(screenPixels);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2];
    return frame;
}

TEST_F(ShotTest, DecodesToTheFrameUnderTheFirstFreeNumberAndNeverReplacesWhatIsThere)
{
    Frame frame(screenPixels);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = i == 0 ? 0xFFFFFF : uint32_t(i * 2654435761u) & 0xFFFFFF;
    ASSERT_EQ(Saved(frame), "shot-001.png");
    EXPECT_EQ(Decoded(File("shot-001.png")), frame);
    EXPECT_EQ(Saved(MidtoneFrame()), "shot-002.png");
    EXPECT_EQ(Decoded(File("shot-002.png")), MidtoneFrame());

    // A file, a link to a file and a link to nowhere hold the next three names.
    std::ofstream(File("shot-003.png")) << "kept";
    std::ofstream(File("target")) << "target";
    std::filesystem::create_symlink(File("target"), File("shot-004.png"));
    std::filesystem::create_symlink(File("nowhere"), File("shot-005.png"));
    EXPECT_EQ(Saved(frame), "shot-006.png");
    EXPECT_EQ(Contents(File("shot-003.png")), "kept");
    EXPECT_EQ(Contents(File("target")), "target");
    EXPECT_FALSE(std::filesystem::exists(File("nowhere")));
    EXPECT_EQ(Decoded(File("shot-006.png")), frame);

    std::filesystem::remove(File("shot-001.png"));
    EXPECT_EQ(Saved(frame), "shot-001.png");
}

TEST_F(ShotTest, AFolderThatCannotTakeItGivesThePlainReasonAndNoFile)
{
    std::ofstream(File("plain")) << "a file";
    const Frame frame = MidtoneFrame();
    for (const auto &[where, reason] : {std::pair<std::string, std::string>{File("missing"), "no such folder"},
                                        {File("plain"), "not a folder"}}) {
        std::string name = "untouched", error;
        EXPECT_FALSE(SaveShot(where, frame.data(), name, error));
        EXPECT_EQ(error, reason);
        EXPECT_EQ(name, "untouched");
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
}

} // namespace
