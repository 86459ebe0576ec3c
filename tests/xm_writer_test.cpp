// xm_writer_test.cpp - the XM writer's bytes: the header layout, the
// delta-encoded sample data, and a round trip through libopenmpt (structure,
// pattern cells, and pitch, envelope and fadeout as heard).
#include "xm_writer.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;
// A full-volume note of a 0.6-amplitude sine mixes to about 0.11 in mono.
constexpr float kLoud = 0.05f;

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

// A looped sine of `period` samples per cycle, long enough to loop cleanly.
XmInstrument sine_instrument(int period) {
    XmInstrument ins;
    ins.name = "sine";
    for (int i = 0; i < period * 64; ++i)
        ins.sample.push_back(static_cast<int16_t>(std::lround(20000 * std::sin(2 * kPi * i / period))));
    ins.loopLength = static_cast<int>(ins.sample.size());
    return ins;
}

// One C-4 (XM note 49) on row 0 of a two-channel, 32-row pattern.
XmModule one_note(const XmInstrument &ins) {
    XmModule m;
    m.channels = 2;
    m.orders = {0};
    m.patterns.push_back(xm_pattern(32, 2));
    m.patterns[0].at(0, 0, 2) = {49, 1, 0, 0, 0};
    m.instruments.push_back(ins);
    return m;
}

std::vector<float> render(const XmModule &module, double seconds) {
    Module m = load(xm_write(module));
    EXPECT_TRUE(m);
    std::vector<float> out(static_cast<size_t>(seconds * kRate));
    if (m) openmpt_module_read_float_mono(m.get(), kRate, out.size(), out.data());
    return out;
}

float peak(const std::vector<float> &audio, double from, double to) {
    float p = 0;
    for (size_t i = static_cast<size_t>(from * kRate); i < static_cast<size_t>(to * kRate) && i < audio.size(); ++i)
        p = std::max(p, std::fabs(audio[i]));
    return p;
}

double frequency(const std::vector<float> &audio, double from, double to) {
    int rising = 0;
    const size_t a = static_cast<size_t>(from * kRate), b = static_cast<size_t>(to * kRate);
    for (size_t i = a + 1; i < b; ++i)
        if (audio[i - 1] < 0 && audio[i] >= 0) ++rising;
    return rising / (to - from);
}

uint32_t le32(const std::vector<uint8_t> &b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
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
    m.instruments = {sine_instrument(32), sine_instrument(64), sine_instrument(16)};
    XmPattern &p = m.patterns[1];
    p.at(0, 0, 6) = {49, 1, 0x30, 0x0, 0x37};  // C-4, volume 32, arpeggio 037
    p.at(3, 5, 6) = {97, 0, 0, 0, 0};          // key off
    p.at(8, 2, 6) = {1, 3, 0x50, 0x23, 0x00};  // C-0, volume 64, Z00
    p.at(31, 4, 6) = {96, 2, 0, 0x23, 0x7f};   // B-7, Z7F
    p.at(16, 3, 6) = {0, 0, 0, 0xF, 0x06};     // speed 6
    m.patterns[2].at(16, 5, 6) = {0, 0, 0, 0x23, 0x00};
    return m;
}

TEST(XmWriterLayout, HeaderFieldsEmptyCellsAndDeltaEncodedSample) {
    XmModule m = song_with_structure();
    const std::vector<uint8_t> b = xm_write(m);
    ASSERT_GT(b.size(), 336u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 27), "Extended Module: round trip");
    EXPECT_EQ(b[37], 0x1a);
    const std::pair<size_t, int> fields[] = {{58, 0x0104}, {60, 276}, {64, 5}, {68, 6}, {70, 3},
                                             {72, 3},      {74, 1},   {76, 5}, {78, 140}};
    for (const auto &field : fields)
        EXPECT_EQ(le16(b, field.first), field.second) << "offset " << field.first;
    EXPECT_EQ(b[80 + 2], 2);
    EXPECT_EQ(b[80 + 5], 0); // unused order slots are zero
    m.linearFrequencies = false;
    EXPECT_EQ(le16(xm_write(m), 74), 0);

    XmModule small;
    small.channels = 2;
    small.orders = {0};
    small.patterns.push_back(xm_pattern(4, 2));
    small.instruments.push_back(XmInstrument());
    small.instruments[0].sample = {100, -100, 32767, -32768};
    const std::vector<uint8_t> s = xm_write(small);
    const size_t pattern = 336, instrument = pattern + 9 + 8, sample = instrument + 263, data = sample + 40;
    EXPECT_EQ(le32(s, pattern), 9u);
    EXPECT_EQ(le16(s, pattern + 5), 4); // rows
    EXPECT_EQ(le16(s, pattern + 7), 8); // 8 empty cells, one byte each
    for (size_t i = 0; i < 8; ++i)
        EXPECT_EQ(s[pattern + 9 + i], 0x80);
    EXPECT_EQ(le32(s, instrument), 263u);
    EXPECT_EQ(le16(s, instrument + 27), 1);
    EXPECT_EQ(le32(s, sample), 8u); // length in bytes
    EXPECT_EQ(s[sample + 14] & 0x10, 0x10);
    ASSERT_EQ(s.size(), data + 8);
    // Deltas 100, -200, 32867 and -65535, each wrapped to 16 bits.
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

TEST(XmWriterRoundTrip, NotesSoundAtTheirPitchShapedByEnvelopeAndFadeout) {
    // C-4 plays the sample at 8363 Hz, so a 32-sample cycle sounds at 261.3 Hz.
    const std::vector<float> audio = render(one_note(sine_instrument(32)), 1.0);
    EXPECT_GT(peak(audio, 0.1, 0.9), kLoud);
    EXPECT_NEAR(frequency(audio, 0.1, 0.9), 8363.0 / 32, 5.0);
    XmInstrument octaveUp = sine_instrument(32);
    octaveUp.relativeNote = 12;
    EXPECT_NEAR(frequency(render(one_note(octaveUp), 1.0), 0.1, 0.9), 2 * 8363.0 / 32, 8.0);

    // At 125 BPM a tick is 20 ms: the envelope reaches 0 at tick 20 (0.4 s).
    XmInstrument enveloped = sine_instrument(32);
    enveloped.volumeEnvelope.points = {{0, 64}, {10, 64}, {20, 0}};
    EXPECT_LT(peak(render(one_note(enveloped), 1.0), 0.5, 1.0), 0.001f);

    XmInstrument held = sine_instrument(32);
    held.volumeEnvelope.points = {{0, 64}, {4, 64}};
    held.volumeEnvelope.sustain = 1;
    XmModule released = one_note(held);
    released.patterns[0].at(1, 0, 2) = {97, 0, 0, 0, 0}; // key off after 6 ticks
    EXPECT_GT(peak(render(released, 1.0), 0.6, 1.0), kLoud) << "without fadeout the released note rings on";
    released.instruments[0].fadeout = 4096; // 16 ticks from full to nothing
    EXPECT_LT(peak(render(released, 1.0), 0.6, 1.0), 0.001f);
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
    const XmModule m = one_note(sine_instrument(32));
    const std::string path = testing::TempDir() + "xm_writer_test.xm";
    ASSERT_TRUE(xm_save(m, path.c_str()));
    FILE *f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<uint8_t> read;
    for (int c; (c = std::fgetc(f)) != EOF;) read.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
    std::remove(path.c_str());
    EXPECT_EQ(read, xm_write(m));

    EXPECT_FALSE(xm_save(m, "/nonexistent-directory/out.xm"));
    XmModule bad = m;
    bad.channels = 3;
    EXPECT_FALSE(xm_save(bad, path.c_str()));
}

} // namespace
