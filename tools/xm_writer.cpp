// xm_writer.cpp - serialises an XmModule into the bytes of an XM 0x0104 file:
// the 336-byte song header, packed patterns, and instruments that each carry
// one delta-encoded 16-bit sample. Owns the byte layout; the caller owns the
// musical content. Modules that the format cannot carry are refused with a
// reason (xm_problem) instead of being written half-valid.
#include "xm_writer.h"

#include <cstdio>

namespace {

constexpr int kHeaderSize = 276;         // counted from the header-size field
constexpr int kInstrumentHeaderSize = 263; // as FastTracker 2 writes it
constexpr int kSampleHeaderSize = 40;
constexpr int kMaxEnvelopePoints = 12;
constexpr uint8_t kKeyOff = 97;
constexpr uint8_t kLastEffect = 35; // Z

class Bytes {
public:
    void u8(uint8_t v) { data.push_back(v); }
    void u16(uint16_t v) {
        u8(static_cast<uint8_t>(v));
        u8(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v) {
        u16(static_cast<uint16_t>(v));
        u16(static_cast<uint16_t>(v >> 16));
    }
    // Fixed-width text field: truncated or padded with `pad`.
    void text(const std::string &s, size_t width, uint8_t pad = 0) {
        for (size_t i = 0; i < width; ++i)
            u8(i < s.size() ? static_cast<uint8_t>(s[i]) : pad);
    }
    void zeros(size_t n) { data.insert(data.end(), n, 0); }
    void patch16(size_t at, uint16_t v) {
        data[at] = static_cast<uint8_t>(v);
        data[at + 1] = static_cast<uint8_t>(v >> 8);
    }
    std::vector<uint8_t> data;
};

std::string envelope_problem(const XmEnvelope &env) {
    const int n = static_cast<int>(env.points.size());
    if (n > kMaxEnvelopePoints) return "more than 12 envelope points";
    for (int i = 0; i < n; ++i) {
        if (env.points[i].second > 64) return "envelope value above 64";
        if (i > 0 && env.points[i].first <= env.points[i - 1].first)
            return "envelope ticks not increasing";
    }
    if (env.sustain >= n) return "envelope sustain point out of range";
    if (env.loopStart >= n || env.loopEnd >= n) return "envelope loop point out of range";
    if ((env.loopStart < 0) != (env.loopEnd < 0)) return "envelope loop needs both ends";
    if (env.loopStart > env.loopEnd) return "envelope loop ends before it starts";
    return "";
}

std::string instrument_problem(const XmInstrument &ins) {
    const size_t length = ins.sample.size();
    if (length > 0x7fffffffu / 2) return "sample too long";
    if (ins.loopStart < 0 || ins.loopLength < 0) return "negative sample loop";
    if (ins.loopLength > 0 &&
        static_cast<size_t>(ins.loopStart) + static_cast<size_t>(ins.loopLength) > length)
        return "sample loop runs past the sample's end";
    if (ins.volume > 64) return "instrument volume above 64";
    return envelope_problem(ins.volumeEnvelope);
}

std::string pattern_problem(const XmPattern &p, int channels, size_t instruments) {
    if (p.rows < 1 || p.rows > 256) return "pattern rows outside 1..256";
    if (p.cells.size() != static_cast<size_t>(p.rows) * static_cast<size_t>(channels))
        return "pattern cells do not match rows x channels";
    for (const XmCell &c : p.cells) {
        if (c.note > kKeyOff) return "note above 97";
        if (c.instrument > instruments) return "cell names a missing instrument";
        if (c.effect > kLastEffect) return "effect type above Z";
    }
    return "";
}

void write_header(Bytes &out, const XmModule &m) {
    out.text("Extended Module: ", 17);
    out.text(m.name, 20, ' ');
    out.u8(0x1a);
    out.text("xm_writer", 20, ' ');
    out.u16(0x0104);
    out.u32(kHeaderSize);
    out.u16(static_cast<uint16_t>(m.orders.size()));
    out.u16(static_cast<uint16_t>(m.restartPosition));
    out.u16(static_cast<uint16_t>(m.channels));
    out.u16(static_cast<uint16_t>(m.patterns.size()));
    out.u16(static_cast<uint16_t>(m.instruments.size()));
    out.u16(m.linearFrequencies ? 1 : 0);
    out.u16(static_cast<uint16_t>(m.speed));
    out.u16(static_cast<uint16_t>(m.bpm));
    for (size_t i = 0; i < 256; ++i) out.u8(i < m.orders.size() ? m.orders[i] : 0);
}

// Packed form: a flag byte with 0x80 set names which of the five fields
// follow, so empty cells cost one byte.
void write_pattern(Bytes &out, const XmPattern &p) {
    out.u32(9);
    out.u8(0);
    out.u16(static_cast<uint16_t>(p.rows));
    const size_t sizeAt = out.data.size();
    out.u16(0);
    const size_t start = out.data.size();
    for (const XmCell &c : p.cells) {
        uint8_t flags = 0x80;
        if (c.note) flags |= 0x01;
        if (c.instrument) flags |= 0x02;
        if (c.volume) flags |= 0x04;
        if (c.effect) flags |= 0x08;
        if (c.param) flags |= 0x10;
        out.u8(flags);
        if (c.note) out.u8(c.note);
        if (c.instrument) out.u8(c.instrument);
        if (c.volume) out.u8(c.volume);
        if (c.effect) out.u8(c.effect);
        if (c.param) out.u8(c.param);
    }
    out.patch16(sizeAt, static_cast<uint16_t>(out.data.size() - start));
}

void write_instrument(Bytes &out, const XmInstrument &ins) {
    const size_t start = out.data.size();
    out.u32(kInstrumentHeaderSize);
    out.text(ins.name, 22);
    out.u8(0);
    out.u16(1);
    out.u32(kSampleHeaderSize);
    out.zeros(96); // every note plays sample 0

    const XmEnvelope &env = ins.volumeEnvelope;
    for (int i = 0; i < kMaxEnvelopePoints; ++i) {
        const bool used = i < static_cast<int>(env.points.size());
        out.u16(used ? env.points[i].first : 0);
        out.u16(used ? env.points[i].second : 0);
    }
    out.zeros(kMaxEnvelopePoints * 4); // panning envelope
    out.u8(static_cast<uint8_t>(env.points.size()));
    out.u8(0);
    out.u8(static_cast<uint8_t>(env.sustain < 0 ? 0 : env.sustain));
    out.u8(static_cast<uint8_t>(env.loopStart < 0 ? 0 : env.loopStart));
    out.u8(static_cast<uint8_t>(env.loopEnd < 0 ? 0 : env.loopEnd));
    out.zeros(3); // panning sustain and loop
    uint8_t volType = 0;
    if (!env.points.empty()) {
        volType |= 1;
        if (env.sustain >= 0) volType |= 2;
        if (env.loopStart >= 0) volType |= 4;
    }
    out.u8(volType);
    out.u8(0);
    out.zeros(4); // auto-vibrato
    out.u16(ins.fadeout);
    out.zeros(kInstrumentHeaderSize - (out.data.size() - start));

    const uint32_t bytes = static_cast<uint32_t>(ins.sample.size() * 2);
    const bool looped = ins.loopLength > 0;
    out.u32(bytes);
    out.u32(looped ? static_cast<uint32_t>(ins.loopStart) * 2 : 0);
    out.u32(looped ? static_cast<uint32_t>(ins.loopLength) * 2 : 0);
    out.u8(ins.volume);
    out.u8(static_cast<uint8_t>(ins.finetune));
    out.u8(static_cast<uint8_t>(0x10 | (looped ? 1 : 0)));
    out.u8(ins.panning);
    out.u8(static_cast<uint8_t>(ins.relativeNote));
    out.u8(0);
    out.text(ins.name, 22);

    int16_t previous = 0;
    for (int16_t s : ins.sample) {
        out.u16(static_cast<uint16_t>(static_cast<uint16_t>(s) - static_cast<uint16_t>(previous)));
        previous = s;
    }
}

} // namespace

XmPattern xm_pattern(int rows, int channels) {
    XmPattern p;
    p.rows = rows;
    if (rows > 0 && channels > 0) p.cells.resize(static_cast<size_t>(rows) * static_cast<size_t>(channels));
    return p;
}

std::string xm_problem(const XmModule &m) {
    if (m.channels < 2 || m.channels > 32 || m.channels % 2 != 0) return "channels must be even, 2..32";
    if (m.orders.empty() || m.orders.size() > 256) return "order list must hold 1..256 entries";
    if (m.patterns.empty() || m.patterns.size() > 256) return "module must hold 1..256 patterns";
    if (m.instruments.size() > 128) return "more than 128 instruments";
    if (m.restartPosition < 0 || static_cast<size_t>(m.restartPosition) >= m.orders.size())
        return "restart position outside the order list";
    if (m.speed < 1 || m.speed > 31) return "speed outside 1..31";
    if (m.bpm < 32 || m.bpm > 255) return "bpm outside 32..255";
    for (uint8_t order : m.orders)
        if (order >= m.patterns.size()) return "order names a missing pattern";
    for (size_t i = 0; i < m.patterns.size(); ++i) {
        const std::string why = pattern_problem(m.patterns[i], m.channels, m.instruments.size());
        if (!why.empty()) return "pattern " + std::to_string(i) + ": " + why;
    }
    for (size_t i = 0; i < m.instruments.size(); ++i) {
        const std::string why = instrument_problem(m.instruments[i]);
        if (!why.empty()) return "instrument " + std::to_string(i + 1) + ": " + why;
    }
    return "";
}

std::vector<uint8_t> xm_write(const XmModule &m) {
    if (!xm_problem(m).empty()) return {};
    Bytes out;
    write_header(out, m);
    for (const XmPattern &p : m.patterns) write_pattern(out, p);
    for (const XmInstrument &ins : m.instruments) write_instrument(out, ins);
    return out.data;
}

bool xm_save(const XmModule &m, const char *path) {
    const std::vector<uint8_t> bytes = xm_write(m);
    if (bytes.empty()) return false;
    FILE *f = std::fopen(path, "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}
