// regular_file.cpp - the regular-file open on Windows: a folder is told
// apart before the open, which the runtime refuses for folders with a mere
// "permission denied", and a device name ("CON", "NUL", a pipe) after it,
// by the kind of handle it gave; and the create, through the runtime too,
// whose exclusive open asks the system for a new file only.
#include "regular_file.h"

#include <windows.h>

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace {

// The runtime refuses a name that the system cannot take (a control
// character, a ':' in the wrong place) as an invalid argument.
const char invalidName[] = "not a valid file name";

} // namespace

FILE *regular_file_open(const char *name, const char *mode, std::string &reason)
{
    const DWORD attributes = GetFileAttributesA(name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        reason = "a folder";
        return nullptr;
    }
    FILE *file = std::fopen(name, mode);
    if (!file) {
        reason = errno == EINVAL ? invalidName : file_reason(errno);
        return nullptr;
    }
    if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) != FILE_TYPE_DISK) {
        reason = "not a regular file";
        std::fclose(file);
        return nullptr;
    }
    return file;
}

FILE *regular_file_create(const char *name, bool &taken, std::string &reason)
{
    // _O_EXCL makes the system's own CREATE_NEW, which refuses a symbolic
    // link at the name as it refuses a file.
    const int descriptor = _open(name, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    taken = descriptor < 0 && errno == EEXIST;
    if (descriptor < 0) {
        reason = errno == EINVAL ? invalidName : create_reason(errno);
        return nullptr;
    }
    FILE *file = _fdopen(descriptor, "wb");
    if (!file) {
        reason = file_reason(errno);
        _close(descriptor);
    }
    return file;
}
