// main.cpp - the demo's entry (module test): the command line, start-up
// (from the start of the tune or a position in it), the frame loop until
// the presentation ends, shut-down, and the exit code with a line on stderr
// for each failure.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "capture.h"
#include "ddraw.h"
#include "edit.h"
#include "message.h"
#include "options.h"
#include "regular_file.h"
#include "synka.h"
#include "synclist.h"
#include "test.h"
#include "timeline.h"

namespace {

// A failure of the file system's library in the words of the program's
// other lines.
std::string error_reason(const std::error_code &failure)
{
    const std::error_condition condition = failure.default_error_condition();
    return condition.category() == std::generic_category() ? file_reason(condition.value()) : failure.message();
}

// Why `folder` could not be entered: looked at again, since systems give
// a file where a folder should be different errors.
std::string folder_reason(const std::string &folder, const std::error_code &failure)
{
    std::error_code unknown;
    const std::filesystem::file_type type = std::filesystem::status(folder, unknown).type();
    if (type == std::filesystem::file_type::not_found)
        return "no such folder";
    if (type != std::filesystem::file_type::none && type != std::filesystem::file_type::directory)
        return "not a folder";
    return error_reason(failure);
}

// Puts the show and its music at `from` before they start; the exit code
// when they cannot start there, else 0.
int start_at(const Position &from)
{
    Timeline timeline;
    std::string error;
    if (!LoadTimeline(musicFile, timeline, error)) {
        fprintf(stderr, "demo: cannot play \"%s\": %s\n", musicFile, error.c_str());
        return 1;
    }
    const int64_t start = ShowStart(timeline, from, CountPictures(pictures));
    if (start < 0)
        return 2;
    const int row = RowAt(timeline, start);
    const TrackerRow &target = timeline.walk.rows[static_cast<size_t>(row)];
    music_jump(target.order, target.row);
    ShowAfterSyncs(SyncsThrough(timeline, row));
    return 0;
}

int play(bool windowed, const Position *from)
{
    if (!display_open("test", SCREEN_WIDTH, SCREEN_HEIGHT, windowed)) {
        fputs(DISPLAY_OPEN_FAILURE, stderr);
        return 1;
    }
    std::fill(std::begin(pixel), std::end(pixel), 0u);
    display_update(pixel);
    frameTimer.Reset();

    // The screen goes back to the user's mode at once, rather than when
    // the system tears the process down.
    if (!LoadPictureList(listFile, pictures)) {
        display_close();
        return 1;
    }
    BuildPalette(palette);
    paletteStep = 0;
    currentPicture = pictures.Next();

    music_start(1, from != nullptr);
    if (from) {
        const int code = start_at(*from);
        if (code != 0) {
            music_stop();
            display_close();
            return code;
        }
        music_pause(false);
    }
    while (NextFrame())
        display_update(pixel);
    music_stop();
    display_close();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    std::string error;
    if (!ParseOptions(argc - 1, argv + 1, options, error)) {
        fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        fputs(usageText, stdout);
        return 0;
    }
    // The show's files are named relative to its folder; the capture's is
    // named relative to where the program was started.
    std::error_code failure;
    // Where screenshots go, named before the show's folder is entered.
    std::error_code unknown;
    std::string startFolder = std::filesystem::current_path(unknown).string();
    if (startFolder.empty())
        startFolder = ".";
    const std::string captureName = Printable(options.capture);
    const std::string captureFile =
        options.capture.empty() ? "" : std::filesystem::absolute(options.capture, failure).string();
    if (failure) {
        fprintf(stderr, "demo: cannot write \"%s\": %s\n", captureName.c_str(), error_reason(failure).c_str());
        return 1;
    }
    if (!options.folder.empty())
        std::filesystem::current_path(options.folder, failure);
    if (failure) {
        fprintf(stderr, "demo: cannot open the folder \"%s\": %s\n", Printable(options.folder).c_str(),
                folder_reason(options.folder, failure).c_str());
        return 2;
    }

    const Position *from = options.fromGiven ? &options.from : nullptr;
    if (options.listSyncs)
        return ListSyncs(stdout);
    if (!options.capture.empty())
        return capture_run({captureFile, captureName, options.scale, options.seconds, from});
    if (options.edit)
        return EditRun({startFolder, from});
    return play(options.window, from);
}
