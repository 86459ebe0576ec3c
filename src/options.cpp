// options.cpp - reads the command line. A handful of options does not
// warrant a parser library: each is a name, and at most one value given as
// the next argument or after "=". Every value it echoes in a message is
// made printable first.
#include "options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "capture.h"
#include "message.h"

const char usageText[] =
    "usage: demo [OPTIONS] [FOLDER]\n"
    "Plays the show in FOLDER (default: the current folder): the pictures that\n"
    "\"pics.dat\" lists, one name a line, over the tune \"demo.xm\", whose Z00\n"
    "commands move to the next picture. SPACE crossfades, ESC quits.\n"
    "\n"
    "  --window          play in a resizable window instead of full-screen\n"
    "  --edit            play in a window with keys to pause (P), jump between\n"
    "                    syncs (arrows), orders (Page Up/Down) and to the start\n"
    "                    (Home), loop ([, ], L), reload (F5), save the frame\n"
    "                    (F12) and show the position (Tab); reloads every file\n"
    "                    of the show when it is saved\n"
    "  --from POSITION   start at POSITION of the tune: seconds (31.5) or\n"
    "                    order:row (4:16), as if played from the start\n"
    "  --list-syncs      print when each Zxx command of the tune plays and what\n"
    "                    each Z00 does to the show, and exit\n"
    "  --capture FILE    render the show into a video file, faster than real time:\n"
    "                    FILE.mp4 as H.264 with AAC, FILE.mkv as lossless FFV1\n"
    "                    with FLAC, at 60 frames a second\n"
    "  --scale N         enlarge captured frames N times, pixels kept sharp\n"
    "                    (1 to 8; default 1 for .mkv, 4 for .mp4: 1280x960)\n"
    "  --seconds S       end the capture after S seconds at the latest\n"
    "  --help            show this text\n";

namespace {

const int maxScale = 8;

bool parse_scale(const std::string &text, int &scale)
{
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || errno || value < 1 || value > maxScale)
        return false;
    scale = static_cast<int>(value);
    return true;
}

bool parse_seconds(const std::string &text, double &seconds)
{
    char *end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    // The capture counts its samples in 64 bits; a longer capture would
    // wrap them rather than stop.
    if (text.empty() || *end || errno || !std::isfinite(value) || value <= 0 ||
        value > static_cast<double>(maxCaptureSeconds))
        return false;
    seconds = value;
    return true;
}

} // namespace

bool ParseOptions(int argc, const char *const *argv, Options &options, std::string &error)
{
    bool scaleGiven = false;
    bool secondsGiven = false;
    bool folderGiven = false;
    for (int i = 0; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.compare(0, 2, "--") != 0) {
            if (folderGiven) {
                error = "demo: more than one folder given (\"" + Printable(options.folder) + "\" and \"" +
                        Printable(argument) + "\")";
                return false;
            }
            options.folder = argument;
            folderGiven = true;
            continue;
        }
        const size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        const bool takesValue =
            name == "--capture" || name == "--scale" || name == "--seconds" || name == "--from";
        if (!takesValue && name != "--help" && name != "--window" && name != "--edit" && name != "--list-syncs") {
            error = "demo: unknown option \"" + Printable(argument) + "\" (see --help)";
            return false;
        }
        std::string value;
        if (equals != std::string::npos) {
            if (!takesValue) {
                error = "demo: " + name + " takes no value";
                return false;
            }
            value = argument.substr(equals + 1);
        } else if (takesValue) {
            if (i + 1 >= argc) {
                error = "demo: " + name + " needs a value (see --help)";
                return false;
            }
            value = argv[++i];
        }

        if (name == "--help") {
            options.help = true;
        } else if (name == "--window") {
            options.window = true;
        } else if (name == "--edit") {
            options.edit = true;
        } else if (name == "--from") {
            if (!ParsePosition(value, options.from)) {
                error = "demo: --from takes seconds (31.5) or an order and row (4:16), not \"" + Printable(value) +
                        "\"";
                return false;
            }
            options.fromGiven = true;
        } else if (name == "--list-syncs") {
            options.listSyncs = true;
        } else if (name == "--capture") {
            if (value.empty()) {
                error = "demo: --capture needs a file name";
                return false;
            }
            options.capture = value;
        } else if (name == "--scale") {
            if (!parse_scale(value, options.scale)) {
                error = "demo: --scale takes a whole number from 1 to " + std::to_string(maxScale) + ", not \"" +
                        Printable(value) + "\"";
                return false;
            }
            scaleGiven = true;
        } else { // --seconds
            if (!parse_seconds(value, options.seconds)) {
                error = "demo: --seconds takes a number of seconds above 0 and at most " +
                        std::to_string(maxCaptureSeconds) + ", not \"" + Printable(value) + "\"";
                return false;
            }
            secondsGiven = true;
        }
    }
    if (options.help)
        return true;
    if (options.window + options.edit + options.listSyncs + !options.capture.empty() > 1) {
        error = "demo: --window, --edit, --list-syncs and --capture go one at a time";
        return false;
    }
    if (options.fromGiven && options.listSyncs) {
        error = "demo: --from does not go with --list-syncs";
        return false;
    }
    if ((scaleGiven || secondsGiven) && options.capture.empty()) {
        error = std::string("demo: ") + (scaleGiven ? "--scale" : "--seconds") + " only goes with --capture";
        return false;
    }
    return true;
}
