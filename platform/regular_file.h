// regular_file.h - opens the show's input files, and only regular files
// (symbolic links followed): a FIFO or a device could block the program or
// feed it bytes without end; and creates the files it writes, only as new
// files, so that nothing already there is overwritten or written through.
#pragma once

#include <cstdio>
#include <string>

// The open stream, or null with `reason` set to why, in plain words: "no
// such file", "permission denied", "a folder", "not a regular file", or the
// system's own words for anything else.
FILE *regular_file_open(const char *name, const char *mode, std::string &reason);

// A stream for binary writing to `name`, created here and now: null when
// anything, a symbolic link included, already has that name (`taken` then
// true) or the file cannot be made (`reason` then says why: "no such
// folder", "permission denied", "not a folder", or the system's own words).
FILE *regular_file_create(const char *name, bool &taken, std::string &reason);
