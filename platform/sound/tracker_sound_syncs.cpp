// tracker_sound_syncs.cpp - lists when a module's Zxx cells play. libopenmpt
// only tells the playing order and row after rendering, and a row starts
// with its first rendered sample, so the walk renders the song twice: once
// in short chunks to find the chunk where each row starts, then again up to
// each of those chunks and a frame at a time through it.
#include "tracker_sound_syncs.h"
#include "song_file.h"

namespace {

const int kChunkFrames = 16;
const int kSkipFrames = 4096;
// A song that plays longer than this once through is not one to list.
const int64_t kMaxSeconds = 4 * 3600;

struct Player {
    openmpt_module_ext *timing;
    openmpt_module *module;
    explicit Player(const XmPatterns &layout)
        : timing(song_file_timing_player(layout)), module(timing ? openmpt_module_ext_get_module(timing) : nullptr)
    {
        if (!module)
            return;
        openmpt_module_set_repeat_count(module, 0);
        openmpt_module_ctl_set_text(module, "play.at_end", "stop");
    }
    ~Player()
    {
        if (timing)
            openmpt_module_ext_destroy(timing);
    }
    Player(const Player &) = delete;
    Player &operator=(const Player &) = delete;

    size_t read(int rate, int frames)
    {
        int16_t buffer[2 * kSkipFrames];
        return openmpt_module_read_interleaved_stereo(module, rate, frames, buffer);
    }
    bool at(int order, int row) const
    {
        return openmpt_module_get_current_order(module) == order &&
               openmpt_module_get_current_row(module) == row;
    }
};

// Each row start to within a chunk, in playing order, and the length.
bool find_row_chunks(Player &player, int rate, std::vector<TrackerRow> &rows, int64_t &length)
{
    int order = -1;
    int row = -1;
    for (int64_t frame = 0; frame < kMaxSeconds * rate;) {
        const size_t got = player.read(rate, kChunkFrames);
        length = frame;
        if (got == 0)
            return true;
        if (!player.at(order, row)) {
            order = openmpt_module_get_current_order(player.module);
            row = openmpt_module_get_current_row(player.module);
            rows.push_back({frame, order, row, 0});
        }
        frame += static_cast<int64_t>(got);
    }
    return false;
}

// Moves each row start to its exact first frame.
void refine_row_starts(Player &player, int rate, std::vector<TrackerRow> &rows)
{
    int64_t frame = 0;
    for (TrackerRow &start : rows) {
        while (frame < start.frame) {
            const int64_t step = start.frame - frame < kSkipFrames ? start.frame - frame : kSkipFrames;
            frame += static_cast<int64_t>(player.read(rate, static_cast<int>(step)));
        }
        const int64_t chunkStart = start.frame;
        while (frame < chunkStart + kChunkFrames && player.read(rate, 1) == 1) {
            ++frame;
            if (player.at(start.order, start.row)) {
                start.frame = frame - 1;
                break;
            }
        }
    }
}

} // namespace

bool tracker_sound_walk(const char *fileName, int rate, TrackerWalk &walk, std::string &error)
{
    XmPatterns layout;
    if (!song_file_read(fileName, layout, error))
        return false;

    std::vector<TrackerRow> &rows = walk.rows;
    rows.clear();
    {
        Player player(layout);
        if (!player.module) {
            error = "cannot be played";
            return false;
        }
        if (!find_row_chunks(player, rate, rows, walk.frames)) {
            error = "plays for more than four hours";
            return false;
        }
    }
    Player player(layout);
    refine_row_starts(player, rate, rows);

    std::vector<TrackerSync> &syncs = walk.syncs;
    syncs.clear();
    for (TrackerRow &start : rows) {
        start.pattern = start.order >= 0 && static_cast<size_t>(start.order) < layout.orders.size()
                            ? layout.orders[static_cast<size_t>(start.order)]
                            : -1;
        const XmCellRange cells = xm_sync_cells_at(layout, start.order, start.row);
        for (size_t i = cells.first; i < cells.last; ++i) {
            const XmSyncCell &cell = layout.syncCells[i];
            syncs.push_back({start.frame, start.order, cell.pattern, cell.row, cell.channel, cell.param});
        }
    }
    return true;
}
