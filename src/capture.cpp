// capture.cpp - the offline render: playback's frame loop with the music in
// charge of time. Frame n is drawn once the music's slice n (the 800
// samples it lasts at 48 kHz) has been rendered, so a Z00 whose row starts
// within the slice has already changed the picture, and the frame timer
// reads n/60 s. The file is written under a temporary name beside the
// final one and renamed when complete. Owns the progress line.
#include "capture.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

#include "frame_clock.h"
#include "synka.h"
#include "test.h"
#include "tracker_sound_clock.h"
#include "tracker_sound_syncs.h"
#include "video_file.h"

namespace {

const int sampleRate = 48000;
const int framesPerSecond = 60;
const int sliceFrames = sampleRate / framesPerSecond;

using Clock = std::chrono::steady_clock;

// The video frame at which the show ends in one pass of the tune: the one
// that would hold the first sample of the row of the Z00 that finds no
// picture left. -1 when the pass ends first.
int64_t show_end(const std::vector<TrackerSync> &syncs, int pictureCount)
{
    int changes = 0;
    for (const TrackerSync &sync : syncs)
        if (sync.param == 0 && ++changes == pictureCount)
            return sync.frame / sliceFrames;
    return -1;
}

int count_pictures(Lista<Picture *> &list)
{
    int count = 0;
    for (const Lista<Picture *> *node = &list; node->next; node = node->next)
        ++count;
    return count;
}

// Frames done, music time, speed and, when the end is known, time left: in
// place on a terminal, a line every few seconds elsewhere.
class Progress {
public:
    explicit Progress(int64_t lastFrame) : lastFrame(lastFrame), start(Clock::now()), shown(start) {}

    void frame(int64_t done)
    {
        const Clock::time_point now = Clock::now();
        if (now - shown < (terminal ? std::chrono::milliseconds(250) : std::chrono::seconds(5)))
            return;
        shown = now;
        show(done, now);
    }
    void finish(int64_t done)
    {
        show(done, Clock::now());
        if (terminal)
            std::fputc('\n', stderr);
    }

private:
    void show(int64_t done, Clock::time_point now)
    {
        const double seconds = std::chrono::duration<double>(now - start).count();
        const double rate = seconds > 0 ? done / seconds : 0;
        char left[48] = "";
        if (lastFrame >= 0 && rate > 0)
            std::snprintf(left, sizeof left, ", %.0f s left", (lastFrame - done) / rate);
        std::fprintf(stderr, "%scapture: %lld frames, %.1f s of music, %.0f frames/s%s%s",
                     terminal ? "\r" : "", static_cast<long long>(done),
                     static_cast<double>(done) / framesPerSecond, rate, left, terminal ? "\033[K" : "\n");
    }

    const bool terminal = isatty(2);
    const int64_t lastFrame;
    const Clock::time_point start;
    Clock::time_point shown;
};

int fail(const std::string &what, const std::string &file, const std::string &why)
{
    std::fprintf(stderr, "demo: %s \"%s\": %s\n", what.c_str(), file.c_str(), why.c_str());
    return 1;
}

} // namespace

int capture_run(const CaptureSettings &settings)
{
    const VideoKind kind = video_kind(settings.file);
    if (kind == VideoKind::Unknown)
        return fail("cannot capture to", settings.name, "the name must end in .mp4 or .mkv");
    if (!LoadPictureList("pics.dat", pictures))
        return 1;

    // When the show ends is known before anything is written, so that a tune
    // that would never end it does not fill the disk.
    std::vector<TrackerSync> syncs;
    std::string error;
    if (!tracker_sound_list_syncs("demo.xm", sampleRate, syncs, error))
        return fail("cannot play", "demo.xm", error);
    // The frame loop itself finds the end; `limit` only keeps a tune whose
    // timing surprised the walk from running on.
    const int64_t end = show_end(syncs, count_pictures(pictures));
    int64_t limit = end + framesPerSecond;
    int64_t lastFrame = end;
    if (settings.seconds > 0) {
        limit = std::max<int64_t>(1, std::llround(settings.seconds * framesPerSecond));
        lastFrame = end < 0 ? limit : std::min(end, limit);
    } else if (end < 0) {
        return fail("cannot capture", "demo.xm",
                    "its Z00 commands do not end the show in one pass of the tune; give --seconds");
    }

    frame_clock_start(framesPerSecond);
    frameTimer = CTimer();
    frameTimer.Reset();
    BuildPalette(palette);
    paletteStep = 0;
    currentPicture = pictures.Next();
    if (!music_start_offline(sampleRate)) {
        music_stop();
        return fail("cannot play", "demo.xm", "it cannot be loaded");
    }

    const std::string partial = settings.file + ".part";
    const VideoLayout layout = {SCREEN_WIDTH, SCREEN_HEIGHT, settings.scale, framesPerSecond, sampleRate};
    VideoFile *video = video_file_open(partial, kind, layout, error);
    if (!video) {
        music_stop();
        std::remove(partial.c_str());
        return fail("cannot write", settings.name, error);
    }

    Progress progress(lastFrame);
    int16_t samples[2 * sliceFrames];
    int64_t frame = 0;
    bool ok = true;
    for (; frame < limit; ++frame, frame_clock_step()) {
        // The slice's sync commands are recorded before the pull returns.
        tracker_sound_pull(samples, sliceFrames);
        if (!NextFrame())
            break;
        if (!video_file_add(video, pixel, samples, sliceFrames, error)) {
            ok = false;
            break;
        }
        progress.frame(frame + 1);
    }
    music_stop();
    if (ok) {
        progress.finish(frame);
        ok = video_file_finish(video, error);
    } else {
        video_file_discard(video);
    }
    if (ok && std::rename(partial.c_str(), settings.file.c_str()) != 0) {
        error = std::strerror(errno);
        ok = false;
    }
    if (!ok) {
        std::remove(partial.c_str());
        return fail("cannot write", settings.name, error);
    }
    return 0;
}
