// options.h - the command line: which folder holds the show and how to
// play it (full-screen, in a window, in the maker's edit window, as a sync
// listing or into a video) and from where.
#pragma once

#include <string>

#include "timeline.h"

struct Options {
    bool help = false;
    bool window = false;
    bool edit = false; // a window with the maker's keys, reloading what changes
    bool listSyncs = false;
    std::string capture; // the video file to render into; empty: play
    int scale = 0;       // how many times a captured frame is enlarged; 0: as its kind of file suits
    bool fromGiven = false;
    Position from;       // where the show starts when given
    double seconds = 0;  // where a capture stops at the latest; 0: where the show ends
    std::string folder;  // holds "pics.dat", the pictures and "demo.xm"; empty: the current one
};

extern const char usageText[];

// Reads the arguments after the program name. False with `error` set to the
// line to print when they ask for something the program does not do.
bool ParseOptions(int argc, const char *const *argv, Options &options, std::string &error);
