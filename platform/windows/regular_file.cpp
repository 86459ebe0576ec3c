// regular_file.cpp - the regular-file open on Windows: a folder is told
// apart before the open, which the runtime refuses for folders with a mere
// "permission denied", and a device name ("CON", "NUL", a pipe) after it,
// by the kind of handle it gave.
#include "regular_file.h"

#include <windows.h>

#include <cerrno>
#include <cstring>
#include <io.h>

FILE *regular_file_open(const char *name, const char *mode, std::string &reason)
{
    const DWORD attributes = GetFileAttributesA(name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        reason = "a folder";
        return nullptr;
    }
    FILE *file = std::fopen(name, mode);
    if (!file) {
        reason = errno == ENOENT ? "no such file" : errno == EACCES ? "permission denied" : std::strerror(errno);
        return nullptr;
    }
    if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) != FILE_TYPE_DISK) {
        reason = "not a regular file";
        std::fclose(file);
        return nullptr;
    }
    return file;
}
