// regular_file.h - opens the show's input files, and only regular files
// (symbolic links followed): a FIFO or a device could block the program or
// feed it bytes without end; and creates the files it writes, only as new
// files, so that nothing already there is overwritten or written through.
#pragma once

#include <cstdio>
#include <string>

// Why a file could not be used, for `error` an errno value, in the plain
// words of every message: "no such file", "permission denied", "the disk is
// full", ..., or the system's own words for the rare rest.
std::string file_reason(int error);

// The same for a file that was to be made, whose folder is named: "no such
// folder", "not a folder".
std::string create_reason(int error);

// The open stream, or null with `reason` set to why: file_reason's words,
// or "a folder" or "not a regular file".
FILE *regular_file_open(const char *name, const char *mode, std::string &reason);

// A stream for binary writing to `name`, created here and now: null when
// anything, a symbolic link included, already has that name (`taken` then
// true) or the file cannot be made (`reason` then says why, in
// create_reason's words).
FILE *regular_file_create(const char *name, bool &taken, std::string &reason);
