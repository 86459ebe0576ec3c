// xm_writer_test.cpp - the XM writer's bytes: the header layout, the
// delta-encoded sample data, a round trip through libopenmpt (structure and
// pattern cells), and the modules it refuses.
#include "xm_test_songs.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

namespace {

struct ModuleDeleter {
    void operator()(openmpt_module *m) const { openmpt_module_destroy(m); }
};
using Module = std::unique_ptr<openmpt_module, ModuleDeleter>;

Module load(const std::vector<uint8_t> &bytes) {
    return Module(openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr,
                                                     nullptr, nullptr, nullptr, nullptr));
}

std::string formatted(openmpt_module *m, int pattern, int row, int channel, int command) {
    const char *s = openmpt_module_format_pattern_row_channel_command(m, pattern, row, channel, command);
    std::string out = s ? s : "";
    openmpt_free_string(s);
    return out;
}

uint16_t le16(const std::vector<uint8_t> &b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

XmModule song_with_structure() {
    XmModule m;
    m.name = "round trip";
    m.channels = 6;
    m.speed = 5;
    m.bpm = 140;
    m.orders = {0, 1, 2, 1, 0};
    m.patterns = {xm_pattern(64, 6), xm_pattern(32, 6), xm_pattern(17, 6)};
    m.instruments = {xm_saw_instrument(), xm_saw_instrument(), xm_saw_instrument()};
    XmPattern &p = m.patterns[1];
    p.at(0, 0, 6) = {49, 1, 0x30, 0x0, 0x37};  // C-4, volume 32, arpeggio 037
    p.at(3, 5, 6) = {97, 0, 0, 0, 0};          // key off
    p.at(8, 2, 6) = {1, 3, 0x50, 0x23, 0x00};  // C-0, volume 64, Z00
    p.at(31, 4, 6) = {96, 2, 0, 0x23, 0x7f};   // B-7, Z7F
    p.at(16, 3, 6) = {0, 0, 0, 0xF, 0x06};     // speed 6
    m.patterns[2].at(16, 5, 6) = {0, 0, 0, 0x23, 0x00};
    return m;
}

// The header fields that libopenmpt does not show, and the sample data as
// 16-bit deltas.
TEST(XmWriterLayout, HeaderVersionFlagsAndDeltaEncodedSample) {
    XmModule m = song_with_structure();
    const std::vector<uint8_t> b = xm_write(m);
    ASSERT_GT(b.size(), 336u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 27), "Extended Module: round trip");
    EXPECT_EQ(le16(b, 58), 0x0104);
    EXPECT_EQ(le16(b, 74), 1);
    m.linearFrequencies = false;
    EXPECT_EQ(le16(xm_write(m), 74), 0);

    XmModule small;
    small.channels = 2;
    small.orders = {0};
    small.patterns.push_back(xm_pattern(4, 2));
    small.instruments.push_back(XmInstrument());
    small.instruments[0].sample = {100, -100, 32767, -32768};
    const std::vector<uint8_t> s = xm_write(small);
    ASSERT_EQ(s.size(), 336u + 17 + 263 + 40 + 8);
    // Deltas 100, -200, 32867 and -65535, each wrapped to 16 bits.
    const size_t data = s.size() - 8;
    EXPECT_EQ(std::vector<uint16_t>({le16(s, data), le16(s, data + 2), le16(s, data + 4), le16(s, data + 6)}),
              std::vector<uint16_t>({100, 0xff38, 0x8063, 0x0001}));
}

TEST(XmWriterRoundTrip, LibopenmptSeesTheStructureAndTheCells) {
    Module m = load(xm_write(song_with_structure()));
    ASSERT_TRUE(m);
    EXPECT_EQ(openmpt_module_get_num_orders(m.get()), 5);
    EXPECT_EQ(openmpt_module_get_num_channels(m.get()), 6);
    EXPECT_EQ(openmpt_module_get_num_samples(m.get()), 3);
    EXPECT_EQ(openmpt_module_get_order_pattern(m.get(), 3), 1);
    EXPECT_EQ(openmpt_module_get_pattern_num_rows(m.get(), 2), 17);
    EXPECT_EQ(openmpt_module_get_current_speed(m.get()), 5);
    EXPECT_EQ(openmpt_module_get_current_tempo(m.get()), 140);
    // libopenmpt numbers notes one octave above the XM file: XM C-4 is its C-5.
    const struct {
        int pattern, row, channel, command;
        const char *text;
    } cells[] = {
        {1, 0, 0, OPENMPT_MODULE_COMMAND_NOTE, "C-5"},     {1, 0, 0, OPENMPT_MODULE_COMMAND_PARAMETER, "37"},
        {1, 3, 5, OPENMPT_MODULE_COMMAND_NOTE, "==="},     {1, 8, 2, OPENMPT_MODULE_COMMAND_INSTRUMENT, "03"},
        {1, 8, 2, OPENMPT_MODULE_COMMAND_EFFECT, "Z"},     {1, 31, 4, OPENMPT_MODULE_COMMAND_NOTE, "B-8"},
        {1, 31, 4, OPENMPT_MODULE_COMMAND_PARAMETER, "7F"}, {1, 16, 3, OPENMPT_MODULE_COMMAND_EFFECT, "F"},
    };
    for (const auto &c : cells)
        EXPECT_EQ(formatted(m.get(), c.pattern, c.row, c.channel, c.command), c.text)
            << "pattern " << c.pattern << " row " << c.row << " channel " << c.channel;
    EXPECT_EQ(openmpt_module_get_pattern_row_channel_command(m.get(), 1, 0, 0, OPENMPT_MODULE_COMMAND_VOLUME), 32);
}

TEST(XmWriterRefuses, ModulesAndInstrumentsTheFormatCannotCarry) {
    const XmModule good = song_with_structure();
    ASSERT_EQ(xm_problem(good), "");
    const std::vector<std::pair<const char *, std::function<void(XmModule &)>>> faults = {
        {"5 channels", [](XmModule &m) { m.channels = 5; }},
        {"34 channels", [](XmModule &m) { m.channels = 34; }},
        {"order of a missing pattern", [](XmModule &m) { m.orders.push_back(3); }},
        {"short pattern", [](XmModule &m) { m.patterns[1].cells.pop_back(); }},
        {"note 98", [](XmModule &m) { m.patterns[0].at(0, 0, 6).note = 98; }},
        {"restart past the orders", [](XmModule &m) { m.restartPosition = 5; }},
        {"envelope not rising in time", [](XmModule &m) { m.instruments[0].volumeEnvelope.points = {{0, 64}, {0, 32}}; }},
        {"volume 65", [](XmModule &m) { m.instruments[0].volume = 65; }},
    };
    for (const auto &fault : faults) {
        XmModule m = good;
        fault.second(m);
        EXPECT_NE(xm_problem(m), "") << fault.first;
        EXPECT_TRUE(xm_write(m).empty()) << fault.first;
    }
}

TEST(XmWriterSave, WritesTheBytesOrReportsFailure) {
    const XmModule m = song_with_structure();
    const std::string path = testing::TempDir() + "xm_writer_test.xm";
    ASSERT_TRUE(xm_save(m, path.c_str()));
    std::ifstream file(path, std::ios::binary);
    EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {}), xm_write(m));
    file.close();
    std::remove(path.c_str());
    EXPECT_FALSE(xm_save(m, "/nonexistent-directory/out.xm"));
    XmModule bad = m;
    bad.channels = 3;
    EXPECT_FALSE(xm_save(bad, path.c_str()));
}

} // namespace
