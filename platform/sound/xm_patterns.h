// xm_patterns.h - reads the song layout out of an XM file (version 0x0104):
// order table, restart position, channel count, pattern sizes and every Zxx
// sync cell, and makes a copy of the file with those cells emptied so that
// the player never sees them as effects. Owns no state; the result owns its
// copy of the bytes. Every size is checked against the file before it is
// read, and anything malformed or cut short is refused with a reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One Zxx command in the pattern data.
struct XmSyncCell {
    int pattern;
    int row;
    int channel;
    uint8_t param;
};

struct XmPatterns {
    int channels = 0;
    int restartPosition = 0;
    std::vector<uint8_t> orders;       // pattern number of each order position
    std::vector<int> patternRows;      // rows of each pattern
    std::vector<XmSyncCell> syncCells; // sorted by pattern, row, channel
    std::vector<uint8_t> blanked;      // the file with every Zxx cell emptied
};

enum class XmError {
    None,
    Truncated,         // the file ends before a part that it declares
    Signature,         // not an XM file
    Version,           // an XM version other than 0x0104
    Header,            // song header values outside what the format allows
    Pattern,           // a pattern header or packed data that is malformed
    Instrument,        // an instrument or sample header that is malformed
};

// A short English description of the error, for messages and tests.
const char *xm_error_text(XmError error);

// Parses `size` bytes at `data`. On success fills `out` and returns
// XmError::None; on failure `out` is left empty.
XmError xm_parse_patterns(const uint8_t *data, size_t size, XmPatterns &out);

// The Zxx cells of the row `row` of the pattern at order position `order`,
// in channel order, as the half-open index range [first, last) into
// syncCells; empty for positions outside the song. Does not allocate.
struct XmCellRange {
    size_t first;
    size_t last;
};
XmCellRange xm_sync_cells_at(const XmPatterns &song, int order, int row);
