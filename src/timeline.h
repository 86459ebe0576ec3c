// timeline.h - where the show is at each point of its tune: positions as a
// maker names them (seconds, or order:row), the rows that hold a Z00, the
// starts of orders, and how many pictures the Z00s have moved on by a row,
// all from one walk of "demo.xm" at the capture's rate, so that a position
// means the same in the window, the capture and the sync listing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tracker_sound_syncs.h"

// A place in the tune: `seconds` from its start, or, when `byRow`, the
// start of row `row` of order `order`.
struct Position {
    std::string text; // as the maker gave it
    bool byRow = false;
    double seconds = 0;
    int order = 0;
    int row = 0;
};

// Reads "31.5", "47" or "4:16". False when the text is none of them.
bool ParsePosition(const std::string &text, Position &position);

struct Timeline {
    TrackerWalk walk;
    // For each row of the walk, the Z00 cells on it and on every row
    // before it.
    std::vector<int> syncsThrough;
};

// Walks the tune in `fileName`. False with `error` set to the reason.
bool LoadTimeline(const char *fileName, Timeline &timeline, std::string &error);

// The row of the walk that plays at `frame`: the last to start at or
// before it; -1 before the first row or from the end of the pass on.
int RowAt(const Timeline &timeline, int64_t frame);

// The first sample frame of a position; -1 when the tune never plays it
// (past its end, or an order and row that its pass never reaches).
int64_t PositionFrame(const Timeline &timeline, const Position &position);

// The row of the Z00 that ends a show of `pictures` pictures, finding no
// picture left; -1 when one pass of the tune never ends it.
int EndingRow(const Timeline &timeline, int pictures);

// Where a show of `pictures` pictures starts from `position`: its first
// sample frame. -1, with its line on stderr, when the position is past the
// tune's end or after the Z00 that ends the show.
int64_t ShowStart(const Timeline &timeline, const Position &position, int pictures);

// Z00 cells played from the start through row `row`, that row included.
int SyncsThrough(const Timeline &timeline, int row);

// The rows a maker jumps to from row `row`: the next and previous rows that
// hold a Z00, and the starts of the next and previous orders; -1 when there
// is none. Jumping back from a sync row less than `grace` frames after its
// start goes to the one before it.
int NextSyncRow(const Timeline &timeline, int row);
int PreviousSyncRow(const Timeline &timeline, int row, int64_t frame, int64_t grace);
int NextOrderRow(const Timeline &timeline, int row);
int PreviousOrderRow(const Timeline &timeline, int row);

// "m:ss.cc" for a frame count at the capture's rate.
std::string MusicTime(int64_t frame);
