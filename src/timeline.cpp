// timeline.cpp - positions in the tune and the rows a maker jumps between,
// looked up in the walk by binary search so that a jump costs nothing
// however long the tune.
#include "timeline.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "capture.h"
#include "message.h"

namespace {

bool WholeNumber(const std::string &text, int &value)
{
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::atoi(text.c_str());
    return true;
}

bool StartsOrder(const Timeline &timeline, int row)
{
    const std::vector<TrackerRow> &rows = timeline.walk.rows;
    return row == 0 || rows[row].order != rows[row - 1].order;
}

} // namespace

bool ParsePosition(const std::string &text, Position &position)
{
    position.text = text;
    const size_t colon = text.find(':');
    if (colon != std::string::npos) {
        position.byRow = true;
        return WholeNumber(text.substr(0, colon), position.order) &&
               WholeNumber(text.substr(colon + 1), position.row);
    }
    // Digits and one point only: no signs, exponents, "inf" or "nan".
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos ||
        std::count(text.begin(), text.end(), '.') > 1 || text == ".")
        return false;
    char *end = nullptr;
    errno = 0;
    const double seconds = std::strtod(text.c_str(), &end);
    if (*end || errno || !std::isfinite(seconds) || seconds > static_cast<double>(maxCaptureSeconds))
        return false;
    position.byRow = false;
    position.seconds = seconds;
    return true;
}

bool LoadTimeline(const char *fileName, Timeline &timeline, std::string &error)
{
    Timeline loaded;
    if (!tracker_sound_walk(fileName, captureSampleRate, loaded.walk, error))
        return false;
    const std::vector<TrackerRow> &rows = loaded.walk.rows;
    loaded.syncsThrough.assign(rows.size(), 0);
    // The cells come in playing order with their row's first frame.
    size_t row = 0;
    for (const TrackerSync &sync : loaded.walk.syncs) {
        while (row < rows.size() && rows[row].frame < sync.frame)
            ++row;
        if (row < rows.size() && sync.param == 0)
            ++loaded.syncsThrough[row];
    }
    for (size_t i = 1; i < rows.size(); ++i)
        loaded.syncsThrough[i] += loaded.syncsThrough[i - 1];
    timeline = std::move(loaded);
    return true;
}

int RowAt(const Timeline &timeline, int64_t frame)
{
    const std::vector<TrackerRow> &rows = timeline.walk.rows;
    if (frame >= timeline.walk.frames)
        return -1;
    const auto after = std::upper_bound(rows.begin(), rows.end(), frame,
                                        [](int64_t at, const TrackerRow &row) { return at < row.frame; });
    return static_cast<int>(after - rows.begin()) - 1;
}

int64_t PositionFrame(const Timeline &timeline, const Position &position)
{
    if (!position.byRow) {
        const int64_t frame = std::llround(position.seconds * captureSampleRate);
        return RowAt(timeline, frame) < 0 ? -1 : frame;
    }
    for (const TrackerRow &row : timeline.walk.rows)
        if (row.order == position.order && row.row == position.row)
            return row.frame;
    return -1;
}

int EndingRow(const Timeline &timeline, int pictures)
{
    const std::vector<int> &through = timeline.syncsThrough;
    const auto ending = std::lower_bound(through.begin(), through.end(), pictures);
    return ending == through.end() ? -1 : static_cast<int>(ending - through.begin());
}

int64_t ShowStart(const Timeline &timeline, const Position &position, int pictures)
{
    const int64_t frame = PositionFrame(timeline, position);
    std::string why;
    if (frame < 0) {
        why = position.byRow ? "one pass of the tune never plays that order and row"
                             : "past the end of the tune, which lasts " + MusicTime(timeline.walk.frames);
    } else if (SyncsThrough(timeline, RowAt(timeline, frame)) >= pictures) {
        why = "after the Z00 that ends the show, at " +
              MusicTime(timeline.walk.rows[static_cast<size_t>(EndingRow(timeline, pictures))].frame);
    } else {
        return frame;
    }
    std::fprintf(stderr, "demo: cannot start at \"%s\": %s\n", Printable(position.text).c_str(), why.c_str());
    return -1;
}

int SyncsThrough(const Timeline &timeline, int row)
{
    return row < 0 ? 0 : timeline.syncsThrough[static_cast<size_t>(row)];
}

int NextSyncRow(const Timeline &timeline, int row)
{
    const std::vector<int> &through = timeline.syncsThrough;
    const auto next = std::upper_bound(through.begin() + row + 1, through.end(), SyncsThrough(timeline, row));
    return next == through.end() ? -1 : static_cast<int>(next - through.begin());
}

int PreviousSyncRow(const Timeline &timeline, int row, int64_t frame, int64_t grace)
{
    // The last sync row at or before a row is the first with its count.
    const std::vector<int> &through = timeline.syncsThrough;
    const auto lastThrough = [&](int at) {
        const int count = SyncsThrough(timeline, at);
        return count == 0 ? -1
                          : static_cast<int>(std::lower_bound(through.begin(), through.begin() + at + 1, count) -
                                             through.begin());
    };
    int sync = lastThrough(row);
    if (sync >= 0 && frame - timeline.walk.rows[static_cast<size_t>(sync)].frame < grace)
        sync = lastThrough(sync - 1);
    return sync;
}

int NextOrderRow(const Timeline &timeline, int row)
{
    const int count = static_cast<int>(timeline.walk.rows.size());
    for (int next = row + 1; next < count; ++next)
        if (StartsOrder(timeline, next))
            return next;
    return -1;
}

int PreviousOrderRow(const Timeline &timeline, int row)
{
    int start = row;
    while (start > 0 && !StartsOrder(timeline, start))
        --start;
    for (int previous = start - 1; previous >= 0; --previous)
        if (StartsOrder(timeline, previous))
            return previous;
    return -1;
}

std::string MusicTime(int64_t frame)
{
    const int64_t hundredths = std::max<int64_t>(0, frame) * 100 / captureSampleRate;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld.%02lld", static_cast<long long>(hundredths / 6000),
                  static_cast<long long>(hundredths / 100 % 60), static_cast<long long>(hundredths % 100));
    return text;
}
