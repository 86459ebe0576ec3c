// make_demo_xm.cpp - composes the example tune "demo.xm": an A-minor groove
// of intro, two A sections, two B sections, an A reprise and a closing hit.
// The sync channel carries one Z00 per picture change (at the start of every
// section after the intro) and a last Z00 where the presentation ends.
// Usage: make_demo_xm <output path>
#include "demo_instruments.h"
#include "xm_writer.h"

#include <cstdio>
#include <sstream>
#include <string>

namespace {

constexpr int kChannels = 10;
enum Channel { kKick, kSnare, kHats, kBass, kArp, kLead, kEcho, kPadLow, kPadMid, kPadHigh };
// The echo channel's effect column is otherwise unused, so it carries the sync.
constexpr int kSyncChannel = kEcho;
enum Instrument { kKickIns = 1, kSnareIns, kClosedHatIns, kOpenHatIns, kCrashIns, kBassIns, kArpIns,
                  kLeadIns, kEchoIns, kPadIns };
constexpr int kBar = 16;
constexpr int kKeyOff = 97;
constexpr uint8_t kArpeggio = 0x0, kVibrato = 0x4, kPanning = 0x8, kSync = 0x23;
constexpr int kEchoDelay = 3;

// "A4", "C#5": XM note number with C-4 as middle C.
uint8_t note(const std::string &name) {
    static const int semitones[] = {9, 11, 0, 2, 4, 5, 7}; // A..G
    int n = semitones[name[0] - 'A'];
    size_t at = 1;
    if (name[at] == '#') {
        ++n;
        ++at;
    }
    return static_cast<uint8_t>(1 + 12 * (name[at] - '0') + n);
}

uint8_t volume(int v) { return static_cast<uint8_t>(0x10 + v); }

struct Chord {
    const char *bass;
    const char *pad[3];
    const char *arpRoot;
    uint8_t arp; // 0xy: minor 037, major 047
};

const Chord kVerse[4] = {
    {"A1", {"A3", "C4", "E4"}, "A3", 0x37},
    {"F1", {"A3", "C4", "F4"}, "F3", 0x47},
    {"C2", {"G3", "C4", "E4"}, "C4", 0x47},
    {"G1", {"G3", "B3", "D4"}, "G3", 0x47},
};
const Chord kBridge[4] = {
    {"D2", {"A3", "D4", "F4"}, "D4", 0x37},
    {"G1", {"G3", "B3", "D4"}, "G3", 0x47},
    {"C2", {"G3", "C4", "E4"}, "C4", 0x47},
    {"E2", {"G#3", "B3", "E4"}, "E3", 0x47},
};

struct Writer {
    XmPattern pattern;
    const XmModule &module;

    XmCell &at(int row, int channel) { return pattern.at(row, channel, kChannels); }
    void play(int row, int channel, uint8_t n, uint8_t ins, uint8_t vol = 0) {
        XmCell &c = at(row, channel);
        c.note = n;
        c.instrument = ins;
        c.volume = vol;
    }

    // One bar of hits: 'x' at the instrument's own volume, 'o' soft, 'X' accented.
    void drums(int bar, int channel, uint8_t ins, const char *hits) {
        const int normal = module.instruments[ins - 1].volume;
        for (int i = 0; i < kBar && hits[i]; ++i) {
            const char h = hits[i];
            if (h == '.') continue;
            const int v = h == 'o' ? normal / 2 : h == 'X' ? std::min(64, normal * 4 / 3) : normal;
            play(bar * kBar + i, channel, 1 + 12 * 4, ins, volume(v));
        }
    }

    void hats(int bar, const char *hits) {
        for (int i = 0; i < kBar && hits[i]; ++i)
            if (hits[i] == 'O') play(bar * kBar + i, kHats, 1 + 12 * 4, kOpenHatIns);
        std::string closed(hits);
        for (char &c : closed)
            if (c == 'O') c = '.';
        drums(bar, kHats, kClosedHatIns, closed.c_str());
    }

    // Bass hits as (row in bar, semitones above the root).
    void bass(int bar, const Chord &chord, bool full) {
        static const int fullRows[][2] = {{0, 0}, {3, 0}, {6, 12}, {8, 0}, {11, 7}, {14, 12}};
        static const int sparseRows[][2] = {{0, 0}, {8, 0}, {14, 12}};
        const uint8_t root = note(chord.bass);
        if (full)
            for (const auto &r : fullRows) play(bar * kBar + r[0], kBass, static_cast<uint8_t>(root + r[1]), kBassIns);
        else
            for (const auto &r : sparseRows) play(bar * kBar + r[0], kBass, static_cast<uint8_t>(root + r[1]), kBassIns);
    }

    void pad(int bar, const Chord &chord) {
        static const uint8_t pans[3] = {0x50, 0x80, 0xb0};
        for (int v = 0; v < 3; ++v) {
            play(bar * kBar, kPadLow + v, note(chord.pad[v]), kPadIns);
            at(bar * kBar, kPadLow + v).effect = kPanning;
            at(bar * kBar, kPadLow + v).param = pans[v];
        }
    }

    // A retriggered arpeggio on every other row, the 0xy kept on every row.
    void arp(int bar, const Chord &chord, int octaveUp, int vol) {
        const uint8_t root = static_cast<uint8_t>(note(chord.arpRoot) + 12 * octaveUp);
        for (int i = 0; i < kBar; ++i) {
            XmCell &c = at(bar * kBar + i, kArp);
            if (i % 2 == 0) {
                c.note = root;
                c.instrument = kArpIns;
                c.volume = volume(vol);
            }
            c.effect = kArpeggio;
            c.param = chord.arp;
        }
    }

    // A melody, one token a row ("." holds, "-" releases), from row `start`;
    // long notes get a vibrato after a few rows, and the echo channel repeats
    // the line quieter and later when `echo` is set.
    void melody(int start, const std::string &line, bool echo) {
        std::istringstream tokens(line);
        std::string t;
        int row = start, held = 0;
        while (tokens >> t) {
            if (t == ".") {
                if (++held >= 4 && row < pattern.rows) {
                    at(row, kLead).effect = kVibrato;
                    at(row, kLead).param = held == 4 ? 0x42 : 0x00;
                }
            } else {
                held = 0;
                const uint8_t n = t == "-" ? kKeyOff : note(t);
                play(row, kLead, n, n == kKeyOff ? 0 : kLeadIns);
                if (echo && row + kEchoDelay < pattern.rows)
                    play(row + kEchoDelay, kEcho, n, n == kKeyOff ? 0 : kEchoIns);
            }
            ++row;
        }
    }

    void sync(int row) {
        at(row, kSyncChannel).effect = kSync;
        at(row, kSyncChannel).param = 0x00;
    }
};

const char *kKickFloor = "x...x...x...x...";
const char *kKickFill = "x...x...x.x.x...";
const char *kKickHalf = "x.....x.x.......";
const char *kSnareBack = "....x.......x...";
const char *kSnareFill = "....x...x.x.xoxX";
const char *kSnareHalf = "........x.......";
const char *kHatsOff = "o.x.o.x.o.x.o.O.";
const char *kHatsSixteenths = "xoxoxoxoxoxoxoxO";

XmPattern intro(const XmModule &m) {
    Writer w{xm_pattern(64, kChannels), m};
    for (int bar = 0; bar < 4; ++bar) {
        w.pad(bar, kVerse[bar]);
        w.arp(bar, kVerse[bar], 0, 14 + 4 * bar);
        w.hats(bar, bar < 2 ? "o...o...o...o..." : kHatsOff);
    }
    for (int bar = 2; bar < 4; ++bar) {
        w.bass(bar, kVerse[bar], false);
        w.drums(bar, kKick, kKickIns, bar == 3 ? "x.......x.x....." : "x.......x.......");
    }
    w.drums(3, kSnare, kSnareIns, "........o.o.xxXX");
    return w.pattern;
}

XmPattern verse(const XmModule &m, const char *bars[4], bool echo) {
    Writer w{xm_pattern(64, kChannels), m};
    for (int bar = 0; bar < 4; ++bar) {
        const bool last = bar == 3;
        w.pad(bar, kVerse[bar]);
        w.arp(bar, kVerse[bar], 0, 24);
        w.bass(bar, kVerse[bar], true);
        w.drums(bar, kKick, kKickIns, last ? kKickFill : kKickFloor);
        w.drums(bar, kSnare, kSnareIns, last ? kSnareFill : kSnareBack);
        w.hats(bar, kHatsOff);
        w.melody(bar * kBar, bars[bar], echo);
    }
    w.sync(0);
    return w.pattern;
}

XmPattern bridge(const XmModule &m, const char *bars[4], bool lifted) {
    Writer w{xm_pattern(64, kChannels), m};
    for (int bar = 0; bar < 4; ++bar) {
        const bool last = bar == 3;
        w.pad(bar, kBridge[bar]);
        w.arp(bar, kBridge[bar], lifted ? 1 : 0, lifted ? 22 : 18);
        w.bass(bar, kBridge[bar], lifted);
        w.drums(bar, kKick, kKickIns, lifted ? (last ? kKickFill : kKickFloor) : kKickHalf);
        w.drums(bar, kSnare, kSnareIns, last ? kSnareFill : lifted ? kSnareBack : kSnareHalf);
        w.hats(bar, lifted ? kHatsSixteenths : kHatsOff);
        w.melody(bar * kBar, bars[bar], lifted);
    }
    if (lifted) w.drums(0, kHats, kCrashIns, "X...............");
    w.sync(0);
    return w.pattern;
}

// The closing hit rings for a bar; the last Z00 ends the presentation on it.
XmPattern ending(const XmModule &m) {
    Writer w{xm_pattern(16, kChannels), m};
    w.drums(0, kKick, kKickIns, "X...............");
    w.drums(0, kHats, kCrashIns, "X...............");
    w.play(0, kBass, note("A1"), kBassIns);
    w.pad(0, kVerse[0]);
    for (int v = 0; v < 3; ++v) w.play(10, kPadLow + v, kKeyOff, 0);
    w.melody(0, "A4 . . . . . . . . . -", true);
    w.sync(15);
    return w.pattern;
}

XmModule compose() {
    XmModule m;
    m.name = "demo";
    m.channels = kChannels;
    m.speed = 6;
    m.bpm = 125;
    m.instruments = {demo_kick(), demo_snare(), demo_closed_hat(), demo_open_hat(), demo_crash(),
                     demo_bass(), demo_arp(), demo_lead(), demo_lead_echo(), demo_pad()};

    const char *verseA[4] = {
        "A4 . . . C5 . . . E5 . . . D5 . C5 .",
        "C5 . . . . . A4 . . . . . G4 . A4 .",
        "G4 . . . E4 . . . G4 . . . C5 . . .",
        "B4 . . . . . . . D5 . . . B4 . G4 .",
    };
    const char *verseB[4] = {
        "A4 . . . C5 . . . E5 . . . G5 . E5 .",
        "F5 . . . E5 . . . C5 . . . A4 . . .",
        "G4 . . . C5 . . . E5 . . . D5 . C5 .",
        "D5 . . . . . . . B4 . . . - . . .",
    };
    const char *bridgeA[4] = {
        "D5 . . . F5 . . . A5 . . . F5 . . .",
        "G5 . . . . . F5 . E5 . . . D5 . . .",
        "E5 . . . . . . . G5 . . . E5 . C5 .",
        "B4 . . . . . . . G#4 . . . B4 . D5 .",
    };
    const char *bridgeB[4] = {
        "A4 . D5 . F5 . A5 . . . G5 . F5 . E5 .",
        "D5 . . . B4 . . . G4 . . . B4 . D5 .",
        "E5 . . . G5 . . . C6 . . . . . B5 .",
        "G#5 . . . . . . . E5 . . . - . . .",
    };
    m.patterns = {intro(m), verse(m, verseA, false), verse(m, verseB, true),
                  bridge(m, bridgeA, false), bridge(m, bridgeB, true), ending(m)};
    // The second verse returns as the reprise before the ending.
    m.orders = {0, 1, 2, 3, 4, 2, 5};
    return m;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_xm <output path>\n");
        return 2;
    }
    const XmModule song = compose();
    const std::string problem = xm_problem(song);
    if (!problem.empty()) {
        std::fprintf(stderr, "make_demo_xm: the tune cannot be written: %s\n", problem.c_str());
        return 1;
    }
    if (!xm_save(song, argv[1])) {
        std::fprintf(stderr, "make_demo_xm: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
