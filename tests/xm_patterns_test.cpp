// xm_patterns_test.cpp - the XM layout reader: what it finds in a module
// written by the XM writer, the bytes it empties, the files it refuses, and
// that libopenmpt renders the emptied module exactly like one written
// without the Zxx cells.
#include "xm_patterns.h"
#include "xm_test_songs.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <array>
#include <cstring>

namespace {

std::vector<uint8_t> sync_song_bytes()
{
    const std::vector<uint8_t> bytes = xm_write(xm_sync_song());
    EXPECT_FALSE(bytes.empty());
    return bytes;
}

XmError parse(const std::vector<uint8_t> &bytes, XmPatterns &out)
{
    return xm_parse_patterns(bytes.data(), bytes.size(), out);
}

// Offsets of the song header fields and of the first pattern header, as
// the XM format places them.
const size_t kVersionAt = 58;
const size_t kSongLengthAt = 64;
const size_t kChannelsAt = 68;
const size_t kFirstPatternAt = 60 + 276;

TEST(XmPatterns, ReadsLayoutAndEveryZxxCellOfTheSyncSongByOrderAndRow)
{
    XmPatterns song;
    ASSERT_EQ(parse(sync_song_bytes(), song), XmError::None);
    EXPECT_EQ(song.channels, 4);
    EXPECT_EQ(song.restartPosition, 1);
    EXPECT_EQ(song.orders, (std::vector<uint8_t>{0, 1, 2}));
    EXPECT_EQ(song.patternRows, (std::vector<int>{8, 8, 4}));

    // pattern, row, channel, parameter, as xm_sync_song places them.
    std::vector<std::array<int, 4>> cells;
    for (const XmSyncCell &cell : song.syncCells)
        cells.push_back({cell.pattern, cell.row, cell.channel, cell.param});
    EXPECT_EQ(cells, (std::vector<std::array<int, 4>>{
                         {0, 0, 1, 0x00}, {0, 1, 2, 0xAB}, {0, 3, 1, 0x01}, {0, 3, 3, 0x00}, {0, 5, 3, 0x02},
                         {0, 6, 2, 0x03}, {0, 7, 1, 0x04}, {1, 0, 0, 0x10}, {1, 1, 1, 0x11}, {1, 2, 0, 0x12},
                         {1, 4, 0, 0x13}, {1, 6, 1, 0x14}, {2, 0, 1, 0x20}, {2, 3, 0, 0x21}}));

    // The cells of an order and row, as indices into syncCells.
    const int ranges[][4] = {{0, 3, 2, 4}, {2, 3, 13, 14}, {0, 2, 0, 0}, {3, 0, 0, 0}, {-1, 0, 0, 0}};
    for (const auto &r : ranges) {
        const XmCellRange cells = xm_sync_cells_at(song, r[0], r[1]);
        EXPECT_EQ(cells.last - cells.first, size_t(r[3] - r[2])) << "order " << r[0] << " row " << r[1];
        if (r[3] > r[2]) {
            EXPECT_EQ(cells.first, size_t(r[2])) << "order " << r[0] << " row " << r[1];
        }
    }
}

TEST(XmPatterns, ReadsUnpackedCells)
{
    // One pattern of one row whose first cell is stored in full (note,
    // instrument, volume, effect, parameter) and second packed.
    XmModule module = xm_without_sync(xm_sync_song());
    module.orders = {0};
    module.restartPosition = 0;
    module.patterns = {xm_pattern(1, module.channels)};
    std::vector<uint8_t> bytes = xm_write(module);
    ASSERT_FALSE(bytes.empty());
    const size_t dataAt = kFirstPatternAt + 9;
    ASSERT_EQ(bytes[kFirstPatternAt + 7], 4); // four empty packed cells
    const uint8_t full[] = {49, 1, 0x40, 0x23, 0x7F};
    bytes.erase(bytes.begin() + static_cast<long>(dataAt));
    bytes.insert(bytes.begin() + static_cast<long>(dataAt), std::begin(full), std::end(full));
    bytes[kFirstPatternAt + 7] = 3 + sizeof full;

    XmPatterns song;
    ASSERT_EQ(parse(bytes, song), XmError::None);
    ASSERT_EQ(song.syncCells.size(), 1u);
    EXPECT_EQ(song.syncCells[0].channel, 0);
    EXPECT_EQ(song.syncCells[0].param, 0x7F);
    const uint8_t blankedCell[] = {49, 1, 0x40, 0, 0};
    EXPECT_EQ(std::memcmp(&song.blanked[dataAt], blankedCell, sizeof blankedCell), 0);
}

TEST(XmPatterns, RefusesEveryTruncatedPrefix)
{
    const std::vector<uint8_t> bytes = sync_song_bytes();
    for (size_t size = 0; size < bytes.size(); ++size) {
        // A copy of exactly `size` bytes, so that AddressSanitizer sees any
        // read past the end.
        const std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<long>(size));
        XmPatterns song;
        song.channels = 99;
        ASSERT_EQ(xm_parse_patterns(prefix.data(), prefix.size(), song), XmError::Truncated)
            << "prefix of " << size << " bytes";
        EXPECT_EQ(song.channels, 0);
        EXPECT_TRUE(song.blanked.empty());
    }
    XmPatterns song;
    EXPECT_EQ(xm_parse_patterns(nullptr, 0, song), XmError::Truncated);
}

TEST(XmPatterns, RefusesBadHeadersAndPatternsThatOverrunTheFileOrTheirData)
{
    const std::vector<uint8_t> good = sync_song_bytes();
    const unsigned packedSize = good[kFirstPatternAt + 7] | (good[kFirstPatternAt + 8] << 8);
    const size_t pattern = kFirstPatternAt;
    const struct {
        const char *name;
        size_t at;
        unsigned value;
        bool wide;
        XmError error;
    } cases[] = {
        {"signature", 0, 'e', false, XmError::Signature},
        {"version 0x0401", kVersionAt, 0x0401, true, XmError::Version},
        {"no orders", kSongLengthAt, 0, true, XmError::Header},
        {"33 channels", kChannelsAt, 33, true, XmError::Header},
        {"header size beyond the file", 60 + 2, 0x10, false, XmError::Truncated},
        {"packed size past the end", pattern + 7, 0xFFFF, true, XmError::Truncated},
        {"pattern header length past the end", pattern + 3, 0x40, false, XmError::Truncated},
        {"more rows than the data holds", pattern + 5, 9, true, XmError::Pattern},
        {"no rows", pattern + 5, 0, true, XmError::Pattern},
        {"unknown packing", pattern + 4, 1, false, XmError::Pattern},
        {"the last cell cut short", pattern + 7, packedSize - 1, true, XmError::Pattern},
    };
    for (const auto &c : cases) {
        std::vector<uint8_t> bytes = good;
        bytes[c.at] = static_cast<uint8_t>(c.value);
        if (c.wide)
            bytes[c.at + 1] = static_cast<uint8_t>(c.value >> 8);
        XmPatterns song;
        EXPECT_EQ(parse(bytes, song), c.error) << c.name;
    }
}

// libopenmpt's stereo render of a module: no dither, so that two renders
// compare sample for sample.
std::vector<int16_t> render(const std::vector<uint8_t> &bytes, size_t frames)
{
    openmpt_module *player = openmpt_module_create_from_memory2(
        bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
        nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(player, nullptr);
    if (!player)
        return {};
    openmpt_module_ctl_set_integer(player, "dither", 0);
    std::vector<int16_t> audio(2 * frames);
    const size_t got = openmpt_module_read_interleaved_stereo(player, 44100, frames, audio.data());
    openmpt_module_destroy(player);
    EXPECT_EQ(got, frames);
    return audio;
}

TEST(XmPatterns, BlankedCopyDiffersOnlyInTheZxxBytesAndSoundsLikeTheModuleWithoutZxx)
{
    const std::vector<uint8_t> bytes = sync_song_bytes();
    XmPatterns song;
    ASSERT_EQ(parse(bytes, song), XmError::None);
    ASSERT_EQ(song.blanked.size(), bytes.size());
    size_t effectBytes = 0;
    size_t paramBytes = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == song.blanked[i])
            continue;
        EXPECT_EQ(song.blanked[i], 0) << "byte " << i;
        ++(bytes[i] == 0x23 ? effectBytes : paramBytes);
    }
    // 14 Zxx cells; the writer leaves out the parameter byte of the two Z00.
    EXPECT_EQ(effectBytes, 14u);
    EXPECT_EQ(paramBytes, 12u);

    const std::vector<uint8_t> without = xm_write(xm_without_sync(xm_sync_song()));
    ASSERT_NE(without, song.blanked) << "the emptied cells stay in the file, differently packed";

    const size_t frames = 44100; // the whole first pass
    const std::vector<int16_t> blankedAudio = render(song.blanked, frames);
    EXPECT_TRUE(blankedAudio == render(without, frames));
    // The Zxx cells, left in, change the sound: the blanking is needed.
    EXPECT_FALSE(render(bytes, frames) == blankedAudio);
}

} // namespace
