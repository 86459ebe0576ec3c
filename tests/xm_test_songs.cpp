// xm_test_songs.cpp - the test modules cell by cell, so that the tests can list which rows play and when.
#include "xm_test_songs.h"

XmInstrument xm_saw_instrument()
{
    XmInstrument saw;
    saw.name = "saw";
    const int length = 64;
    for (int i = 0; i < length; ++i)
        saw.sample.push_back(static_cast<int16_t>(-24000 + i * 48000 / (length - 1)));
    saw.loopLength = length;
    return saw;
}

XmModule xm_sync_song()
{
    XmModule song;
    song.name = "sync";
    song.channels = 4;
    song.speed = 3;
    song.orders = {0, 1, 2};
    song.restartPosition = 1;
    song.instruments.push_back(xm_saw_instrument());
    song.patterns = {xm_pattern(8, 4), xm_pattern(8, 4), xm_pattern(4, 4)};
    // pattern, row, channel, effect, parameter: Z is effect 0x23; 0x0E 0x60 is E60, a pattern loop's start.
    const int effects[][5] = {
        {0, 0, 1, 0x23, 0x00}, {0, 1, 2, 0x23, 0xAB}, {0, 2, 0, 0x0E, 0x60}, {0, 3, 1, 0x23, 0x01},
        {0, 3, 3, 0x23, 0x00}, {0, 4, 0, 0x0E, 0x61}, {0, 5, 0, 0x0E, 0xE2}, {0, 5, 3, 0x23, 0x02},
        {0, 6, 1, 0x0F, 0x02}, {0, 6, 2, 0x23, 0x03}, {0, 7, 0, 0x0D, 0x02}, {0, 7, 1, 0x23, 0x04},
        {1, 0, 0, 0x23, 0x10}, {1, 0, 1, 0x0F, 0x03}, {1, 0, 2, 0x0F, 125},  {1, 1, 1, 0x23, 0x11},
        {1, 2, 0, 0x23, 0x12}, {1, 2, 2, 0x0F, 150},  {1, 3, 3, 0x0B, 0x02}, {1, 4, 0, 0x23, 0x13},
        {1, 6, 1, 0x23, 0x14}, {2, 0, 1, 0x23, 0x20}, {2, 3, 0, 0x23, 0x21},
    };
    for (const auto &e : effects)
        song.patterns[e[0]].at(e[1], e[2], 4) = {0, 0, 0, uint8_t(e[3]), uint8_t(e[4])};
    song.patterns[0].at(0, 0, 4) = {49, 1, 0, 0, 0};
    song.patterns[1].at(1, 2, 4) = {61, 1, 0, 0, 0};
    song.patterns[2].at(2, 3, 4) = {56, 1, 0, 0, 0};
    return song;
}

XmModule xm_without_sync(XmModule module)
{
    for (XmPattern &pattern : module.patterns)
        for (XmCell &cell : pattern.cells)
            if (cell.effect == kEffectSync)
                cell.effect = cell.param = 0;
    return module;
}

XmModule xm_busy_song(int orders, int channels)
{
    XmModule song;
    song.name = "busy";
    song.channels = channels;
    song.instruments.push_back(xm_saw_instrument());
    const int patterns = orders < 4 ? orders : 4;
    for (int p = 0; p < patterns; ++p) {
        XmPattern pattern = xm_pattern(64, channels);
        for (int row = 0; row < 64; ++row) {
            for (int channel = 0; channel < channels; ++channel)
                if ((row + channel) % 4 == 0)
                    pattern.at(row, channel, channels) = {uint8_t(37 + (row * 7 + channel * 5 + p) % 36), 1, 0, 0, 0};
            if (row % 16 == 0)
                pattern.at(row, channels - 1, channels).effect = kEffectSync;
        }
        song.patterns.push_back(pattern);
    }
    for (int order = 0; order < orders; ++order)
        song.orders.push_back(static_cast<uint8_t>(order % patterns));
    return song;
}
