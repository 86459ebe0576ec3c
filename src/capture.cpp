// capture.cpp - the offline render: playback's frame loop with the music in
// charge of time. Frame n is drawn once the music's slice n (the 800
// samples it lasts at 48 kHz) has been rendered, so a Z00 whose row starts
// within the slice has already changed the picture, and the frame timer
// reads n/60 s. The video goes into a temporary file that the capture
// creates itself beside the final one, renamed over it when complete and
// removed on a failure or when a signal ends the program. Owns the
// temporary file, its signal handlers and the progress line.
#include "capture.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "frame_clock.h"
#include "synka.h"
#include "message.h"
#include "regular_file.h"
#include "test.h"
#include "timeline.h"
#include "tracker_sound_clock.h"
#include "video_file.h"

namespace {

const int sliceFrames = captureSampleRate / captureFramesPerSecond;

using Clock = std::chrono::steady_clock;

// The signals whose default action ends the program and so would leave the
// temporary file behind: the terminal's and the system's requests to stop,
// and a write past the file size limit.
const int endingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ};
const size_t endingSignalCount = sizeof endingSignals / sizeof endingSignals[0];

// A fresh name is drawn this many times before the folder is given up on.
const int partAttempts = 100;

// The temporary file while it exists. The signal handler reads its path,
// so the path is kept in place, not allocated, and is complete before the
// handler is installed.
struct PartFile {
    int descriptor = -1;
    char path[PATH_MAX];
    struct sigaction replaced[endingSignalCount];
    bool handled[endingSignalCount];
};
PartFile part;

// Only what is async-signal-safe: the file goes, and the signal then ends
// the program as it would have, so that the parent sees which one did.
void remove_part_and_end(int number)
{
    unlink(part.path);
    signal(number, SIG_DFL);
    raise(number);
}

sigset_t ending_set()
{
    sigset_t set;
    sigemptyset(&set);
    for (int number : endingSignals)
        sigaddset(&set, number);
    return set;
}

// Held back while the file and the handlers change together, so that the
// handler never sees a file that is not, or is no longer, the temporary one.
sigset_t hold_ending_signals()
{
    const sigset_t ending = ending_set();
    sigset_t before;
    pthread_sigmask(SIG_BLOCK, &ending, &before);
    return before;
}

void release_ending_signals(const sigset_t &before)
{
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

void handle_ending_signals()
{
    struct sigaction removing = {};
    removing.sa_handler = remove_part_and_end;
    removing.sa_mask = ending_set();
    for (size_t i = 0; i < endingSignalCount; ++i) {
        struct sigaction current;
        sigaction(endingSignals[i], nullptr, &current);
        // One ignored on the way in stays ignored: the user asked not to
        // be ended by it (nohup), or for writes past the size limit to
        // fail as too large, which the capture then reports.
        part.handled[i] = current.sa_handler != SIG_IGN;
        if (part.handled[i])
            sigaction(endingSignals[i], &removing, &part.replaced[i]);
    }
}

void restore_ending_signals()
{
    for (size_t i = 0; i < endingSignalCount; ++i)
        if (part.handled[i])
            sigaction(endingSignals[i], &part.replaced[i], nullptr);
}

// Creates the temporary file beside `file`, never opening, following or
// truncating one that is there already: its name has a random part, drawn
// again when taken. False with errno set.
bool part_create(const std::string &file)
{
    const size_t folderLength = file.rfind('/') + 1;
    const char suffixFormat[] = ".%08x.part";
    const size_t suffixLength = 14;
    // Within the longest name a folder takes, however long the final one.
    const std::string stem = file.substr(folderLength, NAME_MAX - suffixLength);
    std::random_device random;
    const sigset_t before = hold_ending_signals();
    int reason = EEXIST;
    for (int attempt = 0; attempt < partAttempts && reason == EEXIST; ++attempt) {
        char suffix[suffixLength + 1];
        std::snprintf(suffix, sizeof suffix, suffixFormat, static_cast<unsigned>(random()));
        const std::string path = file.substr(0, folderLength) + stem + suffix;
        if (path.size() >= sizeof part.path) {
            reason = ENAMETOOLONG;
            break;
        }
        part.descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        reason = part.descriptor < 0 ? errno : 0;
        if (reason == 0) {
            std::memcpy(part.path, path.c_str(), path.size() + 1);
            handle_ending_signals();
        }
    }
    release_ending_signals(before);
    errno = reason;
    return reason == 0;
}

void part_remove()
{
    const sigset_t before = hold_ending_signals();
    unlink(part.path);
    close(part.descriptor);
    restore_ending_signals();
    release_ending_signals(before);
}

// Puts the complete temporary file in place of `file`. It is on the disk
// before the rename, so that a crash right after never leaves an empty
// file where the old one was. False with `error` set, the temporary file
// then removed.
bool part_keep(const std::string &file, std::string &error)
{
    if (fsync(part.descriptor) != 0) {
        error = file_reason(errno);
        part_remove();
        return false;
    }
    const sigset_t before = hold_ending_signals();
    const bool kept = close(part.descriptor) == 0 && std::rename(part.path, file.c_str()) == 0;
    if (!kept) {
        error = file_reason(errno);
        unlink(part.path);
    }
    restore_ending_signals();
    release_ending_signals(before);
    return kept;
}

// The video frame at which the show ends in one pass of the tune: the one
// that would hold the first sample of the row of the Z00 that finds no
// picture left. -1 when the pass ends first.
int64_t show_end(const Timeline &timeline, int pictureCount)
{
    const int ending = EndingRow(timeline, pictureCount);
    return ending < 0 ? -1 : timeline.walk.rows[static_cast<size_t>(ending)].frame / sliceFrames;
}

// Frames done, music time, speed and, when the end is known, time left: in
// place on a terminal, a line every few seconds elsewhere.
class Progress {
public:
    void start(int64_t last)
    {
        lastFrame = last;
        started = shown = Clock::now();
    }
    void frame(int64_t frames)
    {
        done = frames;
        const Clock::time_point now = Clock::now();
        if (now - shown < (terminal ? std::chrono::milliseconds(250) : std::chrono::seconds(5)))
            return;
        shown = now;
        show(now);
    }
    void finish()
    {
        show(Clock::now());
        if (terminal)
            std::fputc('\n', stderr);
    }
    // Before a failure's line, so that on a terminal it stands alone.
    void clear() const
    {
        if (terminal && shownAny)
            std::fputs("\r\033[K", stderr);
    }

private:
    void show(Clock::time_point now)
    {
        shownAny = true;
        const double seconds = std::chrono::duration<double>(now - started).count();
        const double rate = seconds > 0 ? done / seconds : 0;
        char left[48] = "";
        if (lastFrame >= 0 && rate > 0)
            std::snprintf(left, sizeof left, ", %.0f s left", (lastFrame - done) / rate);
        std::fprintf(stderr, "%scapture: %lld frames, %.1f s of music, %.0f frames/s%s%s",
                     terminal ? "\r" : "", static_cast<long long>(done),
                     static_cast<double>(done) / captureFramesPerSecond, rate, left, terminal ? "\033[K" : "\n");
    }

    const bool terminal = isatty(2);
    int64_t lastFrame = -1;
    int64_t done = 0;
    bool shownAny = false;
    Clock::time_point started, shown;
};

int fail(const std::string &what, const std::string &file, const std::string &why)
{
    std::fprintf(stderr, "demo: %s \"%s\": %s\n", what.c_str(), file.c_str(), why.c_str());
    return 1;
}

// Renders the show into the temporary file. The exit code: 0 with the video
// complete, or 1 with its line on stderr.
int render(const CaptureSettings &settings, VideoKind kind, Progress &progress)
{
    if (!LoadPictureList(listFile, pictures))
        return 1;

    // When the show ends is known before anything is rendered, so that a
    // tune that would never end it does not fill the disk. Without a tune
    // nothing ends it, but a capture told where to stop can still show its
    // first picture.
    Timeline timeline;
    std::string error;
    const bool silent = !LoadTimeline(musicFile, timeline, error);
    if (silent && (settings.seconds <= 0 || settings.from))
        return fail("cannot play", musicFile, error);
    const std::string silentWarning =
        silent ? "demo: warning: cannot play \"" + std::string(musicFile) + "\": " + error + "; the capture is silent\n" : "";
    // The frame loop itself finds the end; `limit` only keeps a tune whose
    // timing surprised the walk from running on.
    const int pictureCount = CountPictures(pictures);
    const int64_t end = show_end(timeline, pictureCount);
    // The frames before the start are drawn but not kept, so that every
    // kept one is the full capture's, background and timer included.
    int64_t first = 0;
    if (settings.from) {
        const int64_t start = ShowStart(timeline, *settings.from, pictureCount);
        if (start < 0)
            return 2;
        first = start / sliceFrames;
        if (end >= 0 && first >= end) {
            std::fprintf(stderr, "demo: cannot start at \"%s\": the Z00 that ends the show plays in its frame\n",
                         Printable(settings.from->text).c_str());
            return 2;
        }
    }
    int64_t limit = end + captureFramesPerSecond;
    int64_t lastFrame = end;
    if (settings.seconds > 0) {
        limit = first + std::max<int64_t>(1, std::llround(settings.seconds * captureFramesPerSecond));
        lastFrame = end < 0 ? limit : std::min(end, limit);
    } else if (end < 0) {
        return fail("cannot capture", musicFile,
                    "its Z00 commands do not end the show in one pass of the tune; give --seconds");
    }

    frame_clock_start(captureFramesPerSecond);
    frameTimer = CTimer();
    frameTimer.Reset();
    BuildPalette(palette);
    paletteStep = 0;
    currentPicture = pictures.Next();
    // With no song playing, the pull hands out silence and no syncs.
    if (!silent && !music_start_offline(captureSampleRate)) {
        music_stop();
        return fail("cannot play", musicFile, "it cannot be loaded");
    }

    const int scale = settings.scale > 0 ? settings.scale : kind == VideoKind::Matroska ? 1 : 4;
    const VideoLayout layout = {SCREEN_WIDTH, SCREEN_HEIGHT, scale, captureFramesPerSecond, captureSampleRate};
    VideoFile *video = video_file_open(part.descriptor, kind, layout, error);
    if (!video) {
        music_stop();
        return fail("cannot write", settings.name, error);
    }

    std::fputs(silentWarning.c_str(), stderr);
    progress.start(lastFrame - first);
    int16_t samples[2 * sliceFrames];
    bool ok = true;
    for (int64_t frame = 0; frame < limit; ++frame, frame_clock_step()) {
        // The slice's sync commands are recorded before the pull returns.
        tracker_sound_pull(samples, sliceFrames);
        if (!NextFrame())
            break;
        if (frame < first)
            continue;
        if (!video_file_add(video, pixel, samples, sliceFrames, error)) {
            ok = false;
            break;
        }
        progress.frame(frame + 1 - first);
    }
    music_stop();
    if (ok) {
        ok = video_file_finish(video, error);
    } else {
        video_file_discard(video);
    }
    if (!ok) {
        progress.clear();
        return fail("cannot write", settings.name, error);
    }
    return 0;
}

} // namespace

int capture_run(const CaptureSettings &settings)
{
    const VideoKind kind = video_kind(settings.file);
    if (kind == VideoKind::Unknown)
        return fail("cannot capture to", settings.name, "the name must end in .mp4 or .mkv");
    // The rename onto a folder would fail only once the whole show is
    // rendered. A link to a folder counts: the user named the folder.
    struct stat status;
    if (stat(settings.file.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
        return fail("cannot write", settings.name, "a folder");
    // Made first, so that a folder that cannot take it is refused before
    // anything is loaded or rendered.
    if (!part_create(settings.file))
        return fail("cannot write", settings.name, create_reason(errno));

    Progress progress;
    const int code = render(settings, kind, progress);
    if (code != 0) {
        part_remove();
        return code;
    }
    std::string error;
    if (!part_keep(settings.file, error)) {
        progress.clear();
        return fail("cannot write", settings.name, error);
    }
    progress.finish();
    return 0;
}
