// xm_patterns.cpp - the XM layout reader: walks the song header, the packed
// patterns and the instrument and sample headers with bounds-checked reads,
// collecting the Zxx cells and emptying them in a copy of the file.
#include "xm_patterns.h"

#include <algorithm>
#include <cstring>

namespace {

const char kSignature[] = "Extended Module: ";
const size_t kSignatureLength = 17;
const size_t kVersionAt = 58;
const size_t kHeaderSizeAt = 60;
const size_t kOrderTableAt = 80;          // counted from the file start
const size_t kSongHeaderFixed = 20;       // header-size field up to the order table
const uint8_t kZEffect = 0x23;
const size_t kMinInstrumentHeader = 29;   // size, name, type, sample count
const size_t kSampleHeaderSizeAt = 29;
const size_t kSampleHeaderSize = 40;
const unsigned kMaxSamplesPerInstrument = 16;

// Bounds-checked little-endian reads over the file.
struct Reader {
    const uint8_t *data;
    size_t size;

    bool has(size_t at, size_t length) const { return at <= size && length <= size - at; }
    unsigned u8(size_t at) const { return data[at]; }
    unsigned u16(size_t at) const { return data[at] | (data[at + 1] << 8); }
    uint32_t u32(size_t at) const
    {
        return static_cast<uint32_t>(u16(at)) | (static_cast<uint32_t>(u16(at + 2)) << 16);
    }
};

// Unpacks one pattern's cells, recording Zxx cells and emptying their
// effect and parameter bytes in `blanked`. A packed cell opens with a flag
// byte (bit 7 set) naming which of note, instrument, volume, effect and
// parameter follow; without bit 7 that byte is the note and all four
// others follow.
XmError scan_pattern(const Reader &file, size_t at, size_t length, int pattern, int rows,
                     int channels, XmPatterns &out)
{
    const size_t end = at + length;
    size_t pos = at;
    for (int row = 0; row < rows; ++row) {
        for (int channel = 0; channel < channels; ++channel) {
            if (length == 0)
                return XmError::None; // an empty pattern is stored without data
            if (pos >= end)
                return XmError::Pattern;
            const unsigned lead = file.u8(pos);
            bool present[5] = {true, true, true, true, true};
            if (lead & 0x80) {
                for (int field = 0; field < 5; ++field)
                    present[field] = (lead >> field) & 1;
                ++pos;
            }
            size_t fieldAt[5] = {};
            for (int field = 0; field < 5; ++field) {
                if (!present[field])
                    continue;
                if (pos >= end)
                    return XmError::Pattern;
                fieldAt[field] = pos++;
            }
            const int effectField = 3;
            const int paramField = 4;
            if (present[effectField] && file.u8(fieldAt[effectField]) == kZEffect) {
                const uint8_t param = present[paramField] ? file.u8(fieldAt[paramField]) : 0;
                out.syncCells.push_back({pattern, row, channel, param});
                out.blanked[fieldAt[effectField]] = 0;
                if (present[paramField])
                    out.blanked[fieldAt[paramField]] = 0;
            }
        }
    }
    return XmError::None;
}

XmError parse(const Reader &file, XmPatterns &out)
{
    if (!file.has(0, kSignatureLength))
        return XmError::Truncated;
    if (std::memcmp(file.data, kSignature, kSignatureLength) != 0)
        return XmError::Signature;
    if (!file.has(kVersionAt, 2))
        return XmError::Truncated;
    if (file.u16(kVersionAt) != 0x0104)
        return XmError::Version;
    if (!file.has(kHeaderSizeAt, kSongHeaderFixed))
        return XmError::Truncated;

    const uint32_t headerSize = file.u32(kHeaderSizeAt);
    const unsigned songLength = file.u16(64);
    const unsigned restart = file.u16(66);
    const unsigned channels = file.u16(68);
    const unsigned patterns = file.u16(70);
    const unsigned instruments = file.u16(72);
    if (songLength < 1 || songLength > 256 || channels < 1 || channels > 32 || patterns > 256 ||
        instruments > 128 || headerSize < kSongHeaderFixed + songLength)
        return XmError::Header;
    if (!file.has(kHeaderSizeAt, headerSize))
        return XmError::Truncated;

    out.channels = static_cast<int>(channels);
    out.restartPosition = static_cast<int>(restart);
    out.orders.assign(file.data + kOrderTableAt, file.data + kOrderTableAt + songLength);
    out.blanked.assign(file.data, file.data + file.size);

    size_t pos = kHeaderSizeAt + headerSize;
    for (unsigned pattern = 0; pattern < patterns; ++pattern) {
        if (!file.has(pos, 9))
            return XmError::Truncated;
        const uint32_t patternHeader = file.u32(pos);
        const unsigned packing = file.u8(pos + 4);
        const unsigned rows = file.u16(pos + 5);
        const unsigned packedSize = file.u16(pos + 7);
        if (patternHeader < 9 || packing != 0 || rows < 1 || rows > 256)
            return XmError::Pattern;
        if (!file.has(pos, patternHeader))
            return XmError::Truncated;
        pos += patternHeader;
        if (!file.has(pos, packedSize))
            return XmError::Truncated;
        const XmError cells = scan_pattern(file, pos, packedSize, static_cast<int>(pattern),
                                           static_cast<int>(rows), out.channels, out);
        if (cells != XmError::None)
            return cells;
        out.patternRows.push_back(static_cast<int>(rows));
        pos += packedSize;
    }

    // The instruments are not needed for sync, but a file cut inside them
    // is damaged and is refused like any other.
    for (unsigned instrument = 0; instrument < instruments; ++instrument) {
        if (!file.has(pos, 4))
            return XmError::Truncated;
        const uint32_t instrumentHeader = file.u32(pos);
        if (instrumentHeader < kMinInstrumentHeader)
            return XmError::Instrument;
        if (!file.has(pos, kMinInstrumentHeader))
            return XmError::Truncated;
        const unsigned samples = file.u16(pos + 27);
        if (samples > kMaxSamplesPerInstrument ||
            (samples > 0 && instrumentHeader < kSampleHeaderSizeAt + 4))
            return XmError::Instrument;
        if (!file.has(pos, instrumentHeader))
            return XmError::Truncated;
        pos += instrumentHeader;
        if (!file.has(pos, samples * kSampleHeaderSize))
            return XmError::Truncated;
        uint64_t sampleBytes = 0;
        for (unsigned sample = 0; sample < samples; ++sample)
            sampleBytes += file.u32(pos + sample * kSampleHeaderSize);
        pos += samples * kSampleHeaderSize;
        if (sampleBytes > file.size - pos)
            return XmError::Truncated;
        pos += static_cast<size_t>(sampleBytes);
    }
    return XmError::None;
}

} // namespace

const char *xm_error_text(XmError error)
{
    switch (error) {
    case XmError::None: return "no error";
    case XmError::Truncated: return "file ends early";
    case XmError::Signature: return "not an XM module";
    case XmError::Version: return "XM version is not 0x0104";
    case XmError::Header: return "song header out of range";
    case XmError::Pattern: return "malformed pattern";
    case XmError::Instrument: return "malformed instrument";
    }
    return "unknown error";
}

XmError xm_parse_patterns(const uint8_t *data, size_t size, XmPatterns &out)
{
    out = XmPatterns();
    if (!data)
        size = 0;
    const Reader file{data, size};
    const XmError error = parse(file, out);
    if (error != XmError::None)
        out = XmPatterns();
    return error;
}

XmCellRange xm_sync_cells_at(const XmPatterns &song, int order, int row)
{
    if (order < 0 || static_cast<size_t>(order) >= song.orders.size())
        return {0, 0};
    const int pattern = song.orders[static_cast<size_t>(order)];
    const auto before = [](const XmSyncCell &cell, std::pair<int, int> at) {
        return cell.pattern < at.first || (cell.pattern == at.first && cell.row < at.second);
    };
    const auto first = std::lower_bound(song.syncCells.begin(), song.syncCells.end(),
                                        std::make_pair(pattern, row), before);
    auto last = first;
    while (last != song.syncCells.end() && last->pattern == pattern && last->row == row)
        ++last;
    return {static_cast<size_t>(first - song.syncCells.begin()),
            static_cast<size_t>(last - song.syncCells.begin())};
}
