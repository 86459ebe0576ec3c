// xm_patterns_test.cpp - the XM writer's refusals, and the layout reader's cells, emptied bytes and refusals.
#include "xm_patterns.h"
#include "xm_test_songs.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>

namespace {

TEST(XmWriter, RefusesWhatTheFormatCannotCarrySavesTheRestAndReportsFailure)
{
    const XmModule good = xm_sync_song();
    ASSERT_EQ(xm_problem(good), "");
    const std::pair<const char *, void (*)(XmModule &)> faults[] = {
        {"5 channels", [](XmModule &m) { m.channels = 5; }},
        {"34 channels", [](XmModule &m) { m.channels = 34; }},
        {"order of a missing pattern", [](XmModule &m) { m.orders.push_back(3); }},
        {"short pattern", [](XmModule &m) { m.patterns[1].cells.pop_back(); }},
        {"note 98", [](XmModule &m) { m.patterns[0].cells[0].note = 98; }},
        {"restart past the orders", [](XmModule &m) { m.restartPosition = 3; }},
        {"envelope not rising in time", [](XmModule &m) { m.instruments[0].volumeEnvelope.points = {{0, 64}, {0, 32}}; }},
        {"volume 65", [](XmModule &m) { m.instruments[0].volume = 65; }},
    };
    const std::string path = testing::TempDir() + "xm_patterns_test.xm";
    for (const auto &fault : faults) {
        XmModule m = good;
        fault.second(m);
        EXPECT_TRUE(xm_problem(m) != "" && xm_write(m).empty() && !xm_save(m, path.c_str())) << fault.first;
    }

    ASSERT_TRUE(xm_save(good, path.c_str()));
    EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {}),
              xm_write(good));
    std::remove(path.c_str());
    EXPECT_FALSE(xm_save(good, "/nonexistent-directory/out.xm"));
}

// Where the XM format puts the song header's fields and the first pattern.
const size_t kVersionAt = 58, kSongLengthAt = 64, kChannelsAt = 68, kPatternAt = 60 + 276;

const std::vector<uint8_t> kSyncBytes = xm_write(xm_sync_song());

TEST(XmPatterns, ReadsLayoutAndEveryZxxCellOfTheSyncSongAndEmptiesOnlyTheirBytes)
{
    XmPatterns song;
    ASSERT_EQ(xm_parse_patterns(kSyncBytes.data(), kSyncBytes.size(), song), XmError::None);
    EXPECT_EQ(std::tie(song.channels, song.restartPosition, song.orders, song.patternRows),
              std::make_tuple(4, 1, std::vector<uint8_t>{0, 1, 2}, std::vector<int>{8, 8, 4}));
    // pattern, row, channel, parameter, as xm_sync_song places them.
    std::vector<std::array<int, 4>> cells;
    for (const XmSyncCell &cell : song.syncCells)
        cells.push_back({cell.pattern, cell.row, cell.channel, cell.param});
    EXPECT_EQ(cells, (std::vector<std::array<int, 4>>{
                         {0, 0, 1, 0x00}, {0, 1, 2, 0xAB}, {0, 3, 1, 0x01}, {0, 3, 3, 0x00}, {0, 5, 3, 0x02},
                         {0, 6, 2, 0x03}, {0, 7, 1, 0x04}, {1, 0, 0, 0x10}, {1, 1, 1, 0x11}, {1, 2, 0, 0x12},
                         {1, 4, 0, 0x13}, {1, 6, 1, 0x14}, {2, 0, 1, 0x20}, {2, 3, 0, 0x21}}));

    // Only the Zxx bytes are emptied; the writer leaves out the two Z00's parameter bytes.
    ASSERT_EQ(song.blanked.size(), kSyncBytes.size());
    size_t changed[2] = {}; // effect bytes, parameter bytes
    for (size_t i = 0; i < song.blanked.size(); ++i)
        if (kSyncBytes[i] != song.blanked[i]) {
            EXPECT_EQ(song.blanked[i], 0) << "byte " << i;
            ++changed[kSyncBytes[i] != 0x23];
        }
    EXPECT_EQ(std::make_pair(changed[0], changed[1]), std::make_pair(size_t(14), size_t(12)));

    // order, row, and the cells there as indices into syncCells ({0, 0}: none).
    const int ranges[][4] = {{0, 3, 2, 4}, {2, 3, 13, 14}, {0, 2, 0, 0}, {3, 0, 0, 0}, {-1, 0, 0, 0}};
    for (const auto &r : ranges) {
        const XmCellRange got = xm_sync_cells_at(song, r[0], r[1]);
        EXPECT_EQ(got.first == got.last ? std::make_pair(size_t(0), size_t(0)) : std::make_pair(got.first, got.last),
                  std::make_pair(size_t(r[2]), size_t(r[3])))
            << "order " << r[0] << " row " << r[1];
    }
}

TEST(XmPatterns, ReadsUnpackedCells)
{
    // A row whose first cell is stored in full, with no flag byte before it.
    XmModule module = xm_sync_song();
    module.orders = {0};
    module.restartPosition = 0;
    module.patterns = {xm_pattern(1, module.channels)};
    std::vector<uint8_t> bytes = xm_write(module);
    const size_t dataAt = kPatternAt + 9;
    ASSERT_EQ(std::make_pair(bytes.at(kPatternAt + 7), bytes.at(dataAt)), std::make_pair(uint8_t(4), uint8_t(0x80)));
    bytes[dataAt] = 49;
    bytes.insert(bytes.begin() + static_cast<long>(dataAt) + 1, {1, 0x40, 0x23, 0x7F});
    bytes[kPatternAt + 7] = 8;

    XmPatterns song;
    ASSERT_EQ(xm_parse_patterns(bytes.data(), bytes.size(), song), XmError::None);
    ASSERT_EQ(song.syncCells.size(), 1u);
    EXPECT_EQ(std::tie(song.syncCells[0].channel, song.syncCells[0].param), std::make_tuple(0, uint8_t(0x7F)));
    EXPECT_EQ(std::vector<uint8_t>(&song.blanked[dataAt], &song.blanked[dataAt + 5]),
              (std::vector<uint8_t>{49, 1, 0x40, 0, 0}));
}

TEST(XmPatterns, RefusesEveryTruncatedPrefixBadHeadersAndOverrunningPatterns)
{
    for (size_t size = 0; size < kSyncBytes.size(); ++size) {
        // Exactly `size` bytes, so that AddressSanitizer sees any read past the end.
        const std::vector<uint8_t> prefix(kSyncBytes.begin(), kSyncBytes.begin() + static_cast<long>(size));
        XmPatterns song;
        song.channels = 99;
        ASSERT_EQ(xm_parse_patterns(prefix.data(), size, song), XmError::Truncated) << "prefix of " << size << " bytes";
        EXPECT_EQ(std::tie(song.channels, song.blanked), std::make_tuple(0, std::vector<uint8_t>{}));
    }
    XmPatterns song;

    const unsigned packedSize = kSyncBytes[kPatternAt + 7] | (kSyncBytes[kPatternAt + 8] << 8);
    const std::tuple<const char *, size_t, unsigned, bool, XmError> cases[] = { // what, where, value, 16-bit, error
        {"signature", 0, 'e', false, XmError::Signature},
        {"version 0x0401", kVersionAt, 0x0401, true, XmError::Version},
        {"no orders", kSongLengthAt, 0, true, XmError::Header},
        {"33 channels", kChannelsAt, 33, true, XmError::Header},
        {"header size beyond the file", 60 + 2, 0x10, false, XmError::Truncated},
        {"packed size past the end", kPatternAt + 7, 0xFFFF, true, XmError::Truncated},
        {"pattern header length past the end", kPatternAt + 3, 0x40, false, XmError::Truncated},
        {"more rows than the data holds", kPatternAt + 5, 9, true, XmError::Pattern},
        {"no rows", kPatternAt + 5, 0, true, XmError::Pattern},
        {"unknown packing", kPatternAt + 4, 1, false, XmError::Pattern},
        {"the last cell cut short", kPatternAt + 7, packedSize - 1, true, XmError::Pattern},
    };
    for (const auto &[what, at, value, wide, error] : cases) {
        std::vector<uint8_t> bytes = kSyncBytes;
        bytes[at] = static_cast<uint8_t>(value);
        if (wide)
            bytes[at + 1] = static_cast<uint8_t>(value >> 8);
        EXPECT_EQ(xm_parse_patterns(bytes.data(), bytes.size(), song), error) << what;
    }
}

} // namespace
