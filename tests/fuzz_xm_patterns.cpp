// fuzz_xm_patterns.cpp - libFuzzer target: the XM layout reader refuses bytes, or finds cells in bounds and a
// copy that parses again free of Zxx cells.
#include "xm_patterns.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    XmPatterns song, again;
    if (xm_parse_patterns(data, size, song) != XmError::None)
        return 0;
    bool sound = song.blanked.size() == size;
    for (const XmSyncCell &cell : song.syncCells)
        sound = sound && cell.pattern >= 0 && static_cast<size_t>(cell.pattern) < song.patternRows.size() &&
                cell.row >= 0 && cell.row < song.patternRows[cell.pattern] && cell.channel >= 0 &&
                cell.channel < song.channels;
    for (size_t order = 0; order < song.orders.size(); ++order)
        for (int row = 0; row < 256; ++row) {
            const XmCellRange cells = xm_sync_cells_at(song, static_cast<int>(order), row);
            sound = sound && cells.first <= cells.last && cells.last <= song.syncCells.size();
        }
    if (!sound || xm_parse_patterns(song.blanked.data(), song.blanked.size(), again) != XmError::None ||
        !again.syncCells.empty())
        std::abort();
    return 0;
}
