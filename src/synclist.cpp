// synclist.cpp - prints the sync listing, timed at the capture's rate so
// that its times are the capture's. A Z00 moves the show to its next
// picture, and the one that finds no picture left ends it, so the n-th
// Z00 shows picture n + 1; the Z00s after the end do nothing.
#include "synclist.h"

#include <string>
#include <vector>

#include "capture.h"
#include "message.h"
#include "synka.h"
#include "test.h"
#include "tracker_sound_syncs.h"

namespace {

int count(size_t number)
{
    return static_cast<int>(number);
}

} // namespace

int ListSyncs(FILE *out)
{
    std::vector<std::string> names;
    if (!ReadPictureList(listFile, names))
        return 1;
    if (names.empty()) {
        std::fprintf(stderr, "demo: \"%s\" lists no picture\n", Printable(listFile).c_str());
        return 1;
    }
    TrackerWalk walk;
    std::string error;
    if (!tracker_sound_walk(musicFile, captureSampleRate, walk, error)) {
        std::fprintf(stderr, "demo: cannot play \"%s\": %s\n", Printable(musicFile).c_str(), error.c_str());
        return 1;
    }

    std::fprintf(out, "%10s %5s %7s %3s %7s %3s\n", "seconds", "order", "pattern", "row", "channel", "Zxx");
    size_t changes = 0;
    for (const TrackerSync &sync : walk.syncs) {
        std::string effect;
        if (sync.param == 0) {
            ++changes;
            if (changes < names.size())
                effect = "  → picture " + std::to_string(changes + 1) + ": " + Printable(names[changes]);
            else if (changes == names.size())
                effect = "  → end";
        }
        std::fprintf(out, "%10.6f %5d %7d %3d %7d Z%02X%s\n", static_cast<double>(sync.frame) / captureSampleRate,
                     sync.order, sync.pattern, sync.row, sync.channel + 1, sync.param, effect.c_str());
    }

    if (changes + 1 < names.size())
        std::fprintf(stderr,
                     "demo: warning: \"%s\" plays %d Z00 once through, and \"%s\" needs %d to show its "
                     "%d pictures: the music never shows pictures %d to %d\n",
                     musicFile, count(changes), listFile, count(names.size() - 1), count(names.size()),
                     count(changes + 2), count(names.size()));
    if (changes < names.size())
        std::fprintf(stderr, "demo: warning: no Z00 of \"%s\" ends the show in one pass of the tune\n", musicFile);
    return 0;
}
