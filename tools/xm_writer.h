// xm_writer.h - writes XM (FastTracker 2, version 0x0104) modules from plain
// data: the example tune and the modules that tests play are made with it.
// One sample per instrument, 16-bit, delta-encoded on write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct XmCell {
    uint8_t note = 0;       // 1..96 (1 = C-0), 97 = key off, 0 = none
    uint8_t instrument = 0; // 1-based, 0 = none
    uint8_t volume = 0;     // volume column byte, 0 = none (0x10..0x50 sets volume 0..64)
    uint8_t effect = 0;     // effect type: 0x0..0xF, 'G'-'A'+10 .. 'Z'-'A'+10 (Z is 35 = 0x23)
    uint8_t param = 0;
};

struct XmPattern {
    int rows = 64;
    std::vector<XmCell> cells; // rows * channels, row-major; filled by xm_pattern
    XmCell &at(int row, int channel, int channels) { return cells[row * channels + channel]; }
};

struct XmEnvelope {
    std::vector<std::pair<uint16_t, uint16_t>> points; // (tick, value 0..64); empty = off
    int sustain = -1;                                   // point index, -1 = none
    int loopStart = -1;                                 // point index, -1 = no loop
    int loopEnd = -1;
};

struct XmInstrument {
    std::string name;
    std::vector<int16_t> sample; // 16-bit mono PCM
    int loopStart = 0;           // in samples
    int loopLength = 0;          // 0 = no loop
    uint8_t volume = 64;         // 0..64
    int8_t finetune = 0;
    int8_t relativeNote = 0;     // semitones; 0 plays C-4 at 8363 Hz
    uint8_t panning = 128;
    XmEnvelope volumeEnvelope;
    uint16_t fadeout = 0;
};

struct XmModule {
    std::string name;
    int channels = 4; // even, 2..32
    int restartPosition = 0;
    int speed = 6;    // ticks per row
    int bpm = 125;
    bool linearFrequencies = true;
    std::vector<uint8_t> orders;
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
};

// A blank pattern of the given rows for a module of `channels` channels.
XmPattern xm_pattern(int rows, int channels);

// Why the module cannot be written as XM (a channel count, order, pattern,
// instrument or envelope outside what the format carries), or "" when it can.
std::string xm_problem(const XmModule &module);

// The module as the bytes of an XM file; empty when xm_problem finds a fault.
std::vector<uint8_t> xm_write(const XmModule &module);

// Writes the module to `path`; false when the module has a fault (see
// xm_problem) or the file cannot be written.
bool xm_save(const XmModule &module, const char *path);
