// options.h - the command line: which folder holds the show and how to
// play it (full-screen, in a window, as a sync listing or into a video).
#pragma once

#include <string>

struct Options {
    bool help = false;
    bool window = false;
    bool listSyncs = false;
    std::string capture; // the video file to render into; empty: play
    int scale = 4;       // how many times a captured frame is enlarged
    double seconds = 0;  // where a capture stops at the latest; 0: where the show ends
    std::string folder;  // holds "pics.dat", the pictures and "demo.xm"; empty: the current one
};

extern const char usageText[];

// Reads the arguments after the program name. False with `error` set to the
// line to print when they ask for something the program does not do.
bool ParseOptions(int argc, const char *const *argv, Options &options, std::string &error);
