// regular_file.h - opens the show's input files, and only regular files
// (symbolic links followed): a FIFO or a device could block the program or
// feed it bytes without end.
#pragma once

#include <cstdio>
#include <string>

// The open stream, or null with `reason` set to why, in plain words: "no
// such file", "permission denied", "a folder", "not a regular file", or the
// system's own words for anything else.
FILE *regular_file_open(const char *name, const char *mode, std::string &reason);
