// edit.cpp - the maker's edit window. The music's place is kept as the
// walk's frame where it last started or moved plus what it has played
// since, so that every jump, loop and reload is a lookup in the timeline.
// Owns the session: the timeline, the watched files and their last good
// content, the pause, loop and overlay state and the frame on screen.
#include "edit.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "capture.h"
#include "ddraw.h"
#include "message.h"
#include "overlay.h"
#include "shot.h"
#include "synka.h"
#include "test.h"

namespace {

using Clock = std::chrono::steady_clock;

// Files are looked at four times a second; in between, a paused window
// sleeps until a key or the next look.
const auto pollInterval = std::chrono::milliseconds(250);
// A held frame is shown again this often, for a window that was covered or
// resized meanwhile.
const auto heldRefresh = std::chrono::seconds(1);
// A jump back this soon after a sync point goes to the one before it.
const int64_t backGrace = captureSampleRate;

// What tells that a file was saved: editors that replace it and editors
// that write it in place both change its time or its size.
struct Stamp {
    bool exists = false;
    int64_t time = 0;
    uintmax_t size = 0;
    bool operator!=(const Stamp &other) const
    {
        return exists != other.exists || time != other.time || size != other.size;
    }
};

Stamp StampOf(const std::string &name)
{
    std::error_code failure;
    Stamp stamp;
    const auto time = std::filesystem::last_write_time(name, failure);
    if (failure)
        return stamp;
    stamp.size = std::filesystem::file_size(name, failure);
    stamp.exists = !failure;
    stamp.time = static_cast<int64_t>(time.time_since_epoch().count());
    return stamp;
}

// A file of the show, and the line of its last failed load until it loads.
struct Watched {
    std::string name;
    Stamp stamp;
    std::string failure;
};

struct Session {
    EditSettings settings;
    Timeline timeline;
    bool haveTimeline = false;
    Watched list{listFile, {}, {}};
    Watched music{musicFile, {}, {}};
    std::vector<Watched> pictureFiles; // in the list's order
    std::vector<std::string> names;
    int64_t movedFrame = 0; // the walk's frame where the music last started or moved
    bool paused = false;
    const char *ended = nullptr; // why the session holds at its end
    bool overlay = true;
    bool looping = false;
    int64_t loopStart = -1;
    int64_t loopEnd = -1;
    std::string note; // the last failure that no file holds
    std::vector<unsigned> keys;
    bool redraw = false;
    Clock::time_point lastPoll, lastPresent;
};
Session session;
// The frame on screen without the overlay, and with it.
uint32_t shown[SCREEN_WIDTH * SCREEN_HEIGHT];
uint32_t overlaid[SCREEN_WIDTH * SCREEN_HEIGHT];

int64_t CurrentFrame()
{
    return session.movedFrame + std::llround(music_seconds() * captureSampleRate);
}

int CurrentRow()
{
    if (!session.haveTimeline || session.timeline.walk.rows.empty())
        return -1;
    const int row = RowAt(session.timeline, CurrentFrame());
    return row >= 0 ? row : static_cast<int>(session.timeline.walk.rows.size()) - 1;
}

void Keep()
{
    std::copy(std::begin(pixel), std::end(pixel), shown);
    session.redraw = true;
}

void HoldMusic()
{
    music_pause(session.paused || session.ended);
}

// Every Z00 up to and including `row` applied; past the last picture, the
// end held on the last one.
void PutShowAt(int row)
{
    const int changes = session.haveTimeline ? SyncsThrough(session.timeline, row) : 0;
    if (ShowAfterSyncs(changes)) {
        session.ended = nullptr;
    } else {
        ShowAfterSyncs(CountPictures(pictures) - 1);
        session.ended = "the show has ended";
    }
    HoldMusic();
    if (session.paused || session.ended) {
        DrawFrame();
        Keep();
    }
}

void JumpToRow(int row)
{
    if (!session.haveTimeline || row < 0 || static_cast<size_t>(row) >= session.timeline.walk.rows.size())
        return;
    const TrackerRow &target = session.timeline.walk.rows[static_cast<size_t>(row)];
    music_jump(target.order, target.row);
    session.movedFrame = target.frame;
    PutShowAt(row);
}

void JumpToFrame(int64_t frame)
{
    if (session.haveTimeline)
        JumpToRow(std::max(0, RowAt(session.timeline, frame)));
}

void Fail(Watched &file, const std::string &line)
{
    if (line != file.failure)
        std::fprintf(stderr, "%s\n", line.c_str());
    file.failure = line;
}

// Empties the list, deleting the pictures it still holds.
void ClearPictures()
{
    delete pictures.obj;
    pictures.obj = nullptr;
    delete pictures.next;
    pictures.next = nullptr;
    pictures.current = &pictures;
}

std::string PictureFailure(const std::string &name, const std::string &reason)
{
    return "demo: cannot load picture \"" + Printable(name) + "\": " + reason;
}

// The list's pictures, each kept when its file is unchanged and loaded
// otherwise; the list stays as it was when one fails.
bool ReplacePictures(const std::vector<std::string> &names)
{
    std::vector<Lista<Picture *> *> oldNodes;
    for (Lista<Picture *> *node = &pictures; node->next; node = node->next)
        oldNodes.push_back(node);
    std::vector<bool> taken(oldNodes.size(), false);
    std::vector<Picture *> fresh;
    std::vector<bool> made;
    std::vector<Watched> files;
    for (const std::string &name : names) {
        Watched file{name, StampOf(name), {}};
        Picture *picture = nullptr;
        for (size_t i = 0; i < oldNodes.size() && !picture; ++i) {
            const Watched &old = session.pictureFiles[i];
            if (!taken[i] && old.name == name && old.failure.empty() && !(old.stamp != file.stamp)) {
                taken[i] = true;
                picture = oldNodes[i]->obj;
            }
        }
        made.push_back(!picture);
        if (!picture) {
            picture = new Picture;
            std::string reason;
            if (!picture->Load(name.c_str(), SCREEN_WIDTH, SCREEN_HEIGHT, &reason)) {
                delete picture;
                for (size_t i = 0; i < fresh.size(); ++i)
                    if (made[i])
                        delete fresh[i];
                Fail(session.list, PictureFailure(name, reason));
                return false;
            }
        }
        fresh.push_back(picture);
        files.push_back(file);
    }
    for (size_t i = 0; i < oldNodes.size(); ++i)
        if (taken[i])
            oldNodes[i]->obj = nullptr;
    ClearPictures();
    for (Picture *picture : fresh)
        pictures.Add(picture);
    session.pictureFiles = std::move(files);
    session.names = names;
    return true;
}

// Whether a file wants loading: asked to, saved since its last look, or
// still failing, as a file caught half-written does until it is whole.
bool Due(Watched &file, bool force)
{
    const Stamp stamp = StampOf(file.name);
    const bool due = force || stamp != file.stamp || !file.failure.empty();
    file.stamp = stamp;
    return due;
}

std::string MusicFailure(const std::string &error)
{
    return std::string("demo: cannot play \"") + musicFile + "\": " + (error.empty() ? "it plays no row" : error);
}

bool ReloadList(bool force)
{
    if (!Due(session.list, force))
        return false;
    std::vector<std::string> names;
    std::string line;
    if (!ReadPictureList(listFile, names, line)) {
        Fail(session.list, line);
        return false;
    }
    if (names.empty()) {
        Fail(session.list, std::string("demo: \"") + listFile + "\" lists no picture");
        return false;
    }
    if (!force && names == session.names) {
        session.list.failure.clear();
        return false;
    }
    if (!ReplacePictures(names))
        return false;
    session.list.failure.clear();
    return true;
}

bool ReloadPictures(bool force)
{
    bool changed = false;
    Lista<Picture *> *node = &pictures;
    for (Watched &file : session.pictureFiles) {
        if (Due(file, force)) {
            Picture *picture = new Picture;
            std::string reason;
            if (picture->Load(file.name.c_str(), SCREEN_WIDTH, SCREEN_HEIGHT, &reason)) {
                delete node->obj;
                node->obj = picture;
                file.failure.clear();
                changed = true;
            } else {
                delete picture;
                Fail(file, PictureFailure(file.name, reason));
            }
        }
        node = node->next;
    }
    return changed;
}

// The row of `walk` that best stands for `old` at `frame`: the same order
// and row nearest in time, else whatever plays then, else the start.
int SameRow(const Timeline &timeline, const TrackerRow *old, int64_t frame)
{
    int best = -1;
    const std::vector<TrackerRow> &rows = timeline.walk.rows;
    for (size_t i = 0; old && i < rows.size(); ++i)
        if (rows[i].order == old->order && rows[i].row == old->row &&
            (best < 0 || std::llabs(rows[i].frame - frame) < std::llabs(rows[best].frame - frame)))
            best = static_cast<int>(i);
    if (best < 0)
        best = std::max(0, RowAt(timeline, frame));
    return best;
}

bool ReloadMusic(bool force)
{
    if (!Due(session.music, force))
        return false;
    Timeline fresh;
    std::string error;
    if (!LoadTimeline(musicFile, fresh, error) || fresh.walk.rows.empty()) {
        Fail(session.music, MusicFailure(error));
        return false;
    }
    const int64_t frame = CurrentFrame();
    const int now = CurrentRow();
    const int row = SameRow(fresh, now >= 0 ? &session.timeline.walk.rows[static_cast<size_t>(now)] : nullptr, frame);
    const TrackerRow &target = fresh.walk.rows[static_cast<size_t>(row)];
    if (!music_reload(target.order, target.row)) {
        Fail(session.music, std::string("demo: cannot play \"") + musicFile + "\": it cannot be loaded");
        return false;
    }
    session.movedFrame = target.frame;
    session.timeline = std::move(fresh);
    session.haveTimeline = true;
    session.music.failure.clear();
    return true;
}

// Reloads what changed (everything when forced); the show then stands
// where the music is.
void Reload(bool force)
{
    bool changed = ReloadList(force);
    changed = ReloadPictures(force && !changed) || changed;
    changed = ReloadMusic(force) || changed;
    if (changed)
        PutShowAt(CurrentRow());
}

void SaveFrame()
{
    std::string name, error;
    if (SaveShot(session.settings.shotFolder, shown, name, error)) {
        const std::string path = (std::filesystem::path(session.settings.shotFolder) / name).string();
        std::printf("demo: saved the frame as \"%s\"\n", Printable(path).c_str());
        std::fflush(stdout);
        session.note.clear();
    } else {
        session.note = "demo: cannot save the frame in \"" + Printable(session.settings.shotFolder) + "\": " + error;
        std::fprintf(stderr, "%s\n", session.note.c_str());
    }
}

void Act(unsigned key)
{
    const int row = CurrentRow();
    switch (key) {
    case 'P':
        if (!session.ended) {
            session.paused = !session.paused;
            HoldMusic();
        }
        break;
    case VK_RIGHT:
        JumpToRow(NextSyncRow(session.timeline, row));
        break;
    case VK_LEFT:
        JumpToRow(std::max(0, PreviousSyncRow(session.timeline, row, CurrentFrame(), backGrace)));
        break;
    case VK_NEXT:
        JumpToRow(NextOrderRow(session.timeline, row));
        break;
    case VK_PRIOR:
        JumpToRow(std::max(0, PreviousOrderRow(session.timeline, row)));
        break;
    case VK_HOME:
        JumpToRow(0);
        break;
    case VK_OEM_4:
        session.loopStart = CurrentFrame();
        break;
    case VK_OEM_6:
        session.loopEnd = CurrentFrame();
        break;
    case 'L':
        session.looping = !session.looping;
        break;
    case VK_F5:
        Reload(true);
        break;
    case VK_F12:
        SaveFrame();
        break;
    case VK_TAB:
        session.overlay = !session.overlay;
        break;
    default:
        return;
    }
    session.redraw = true;
}

// The loop's end sends the music back to its start; the tune's end holds
// the session, as the show's does.
void FollowMusic()
{
    const int64_t frame = CurrentFrame();
    if (session.looping && session.loopStart >= 0 && session.loopEnd > session.loopStart &&
        frame >= session.loopEnd) {
        JumpToFrame(session.loopStart);
    } else if (session.haveTimeline && frame >= session.timeline.walk.frames) {
        session.ended = "the tune has ended";
        HoldMusic();
    }
}

void Present()
{
    if (session.overlay) {
        DrawOverlay(shown, overlaid, EditOverlayLines());
        display_update(overlaid);
    } else {
        display_update(shown);
    }
    session.redraw = false;
    session.lastPresent = Clock::now();
}

int PictureNumber()
{
    int number = 1;
    for (const Lista<Picture *> *node = &pictures; node->next && node->obj != currentPicture; node = node->next)
        ++number;
    return number;
}

std::string Failure()
{
    for (const Watched *file : {&session.music, &session.list})
        if (!file->failure.empty())
            return file->failure;
    for (const Watched &file : session.pictureFiles)
        if (!file.failure.empty())
            return file.failure;
    return session.note;
}

} // namespace

std::vector<std::string> EditOverlayLines()
{
    std::vector<std::string> lines;
    const int64_t frame = CurrentFrame();
    const int row = CurrentRow();
    const char *state = session.ended ? session.ended : session.paused ? "paused" : "playing";
    char text[160];
    if (row >= 0) {
        const TrackerRow &at = session.timeline.walk.rows[static_cast<size_t>(row)];
        std::snprintf(text, sizeof text, "%s %s  order %d pattern %d row %d", MusicTime(frame).c_str(), state,
                      at.order, at.pattern, at.row);
    } else {
        std::snprintf(text, sizeof text, "%s %s  no tune", MusicTime(frame).c_str(), state);
    }
    lines.push_back(text);
    const int number = PictureNumber();
    lines.push_back("picture " + std::to_string(number) + "/" + std::to_string(CountPictures(pictures)) + " " +
                    (number <= static_cast<int>(session.names.size()) ? Printable(session.names[number - 1]) : ""));
    std::string timing;
    const int next = row >= 0 ? NextSyncRow(session.timeline, row) : -1;
    if (next >= 0) {
        std::snprintf(text, sizeof text, "next sync in %.2f s",
                      static_cast<double>(session.timeline.walk.rows[static_cast<size_t>(next)].frame - frame) /
                          captureSampleRate);
        timing = text;
    } else {
        timing = "no sync ahead";
    }
    if (session.loopStart >= 0 || session.loopEnd >= 0)
        timing += "  loop " + (session.loopStart >= 0 ? MusicTime(session.loopStart) : std::string("?")) + "-" +
                  (session.loopEnd >= 0 ? MusicTime(session.loopEnd) : std::string("?")) +
                  (session.looping ? " on" : " off");
    lines.push_back(timing);
    const std::string failure = Failure();
    if (!failure.empty())
        lines.push_back(failure.compare(0, 6, "demo: ") == 0 ? failure.substr(6) : failure);
    return lines;
}

int EditStart(const EditSettings &settings)
{
    session = Session();
    session.settings = settings;
    ClearPictures();
    session.list.stamp = StampOf(listFile);
    std::vector<std::string> names;
    if (!ReadPictureList(listFile, names))
        return 1;
    if (names.empty()) {
        std::fprintf(stderr, "demo: \"%s\" lists no picture\n", listFile);
        return 1;
    }
    for (const std::string &name : names)
        session.pictureFiles.push_back({name, StampOf(name), {}});
    if (!LoadPictures(names, pictures))
        return 1;
    session.names = names;

    session.music.stamp = StampOf(musicFile);
    std::string error;
    session.haveTimeline = LoadTimeline(musicFile, session.timeline, error) && !session.timeline.walk.rows.empty();
    if (!session.haveTimeline)
        Fail(session.music, MusicFailure(error));

    BuildPalette(palette);
    paletteStep = 0;
    frameTimer.Reset();
    currentPicture = pictures.Next();
    if (settings.from) {
        if (!session.haveTimeline)
            return 1;
        const int64_t start = ShowStart(session.timeline, *settings.from, CountPictures(pictures));
        if (start < 0)
            return 2;
        JumpToRow(RowAt(session.timeline, start));
    }
    HoldMusic();
    std::copy(std::begin(pixel), std::end(pixel), shown);
    session.lastPoll = Clock::now();
    display_set_key_handler(EditKey);
    return 0;
}

void EditKey(unsigned key)
{
    session.keys.push_back(key);
}

void EditStep()
{
    display_pump();
    const std::vector<unsigned> keys = std::move(session.keys);
    session.keys.clear();
    for (unsigned key : keys)
        Act(key);
    const Clock::time_point now = Clock::now();
    if (now - session.lastPoll >= pollInterval) {
        session.lastPoll = now;
        Reload(false);
    }
    if (!session.paused && !session.ended) {
        if (NextFrame()) {
            Keep();
            FollowMusic();
        } else {
            session.ended = "the show has ended";
            HoldMusic();
        }
        Present();
    } else if (session.redraw || now - session.lastPresent >= heldRefresh) {
        Present();
    } else {
        const auto wake = std::min(session.lastPoll + pollInterval, session.lastPresent + heldRefresh);
        display_wait(static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count() + 1));
    }
}

int EditRun(const EditSettings &settings)
{
    if (!display_open("test", SCREEN_WIDTH, SCREEN_HEIGHT, true)) {
        std::fputs(DISPLAY_OPEN_FAILURE, stderr);
        return 1;
    }
    std::fill(std::begin(pixel), std::end(pixel), 0u);
    display_update(pixel);
    music_start(1, true);
    const int code = EditStart(settings);
    if (code != 0) {
        music_stop();
        display_close();
        return code;
    }
    for (;;)
        EditStep();
}
