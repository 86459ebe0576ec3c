// regular_file.cpp - the regular-file open and create on POSIX systems:
// opened without blocking, then checked on the descriptor itself, so that
// what was checked is what is read; created in the one call that also
// refuses any name already there.
#include "regular_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FILE *regular_file_open(const char *name, const char *mode, std::string &reason)
{
    const int descriptor = open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        reason = file_reason(errno);
        return nullptr;
    }
    struct stat status;
    const bool examined = fstat(descriptor, &status) == 0;
    if (!examined || !S_ISREG(status.st_mode)) {
        reason = !examined ? file_reason(errno) : S_ISDIR(status.st_mode) ? "a folder" : "not a regular file";
        close(descriptor);
        return nullptr;
    }
    // Reads of a regular file never block anyway; the flag goes so that
    // the stream sees the plain file it expects.
    fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    FILE *file = fdopen(descriptor, mode);
    if (!file) {
        reason = file_reason(errno);
        close(descriptor);
    }
    return file;
}

FILE *regular_file_create(const char *name, bool &taken, std::string &reason)
{
    // O_EXCL refuses a symbolic link at the name, dangling or not, as it
    // refuses a file; O_NOFOLLOW says so once more for systems that differ.
    const int descriptor = open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    taken = descriptor < 0 && errno == EEXIST;
    if (descriptor < 0) {
        reason = create_reason(errno);
        return nullptr;
    }
    FILE *file = fdopen(descriptor, "wb");
    if (!file) {
        reason = file_reason(errno);
        close(descriptor);
    }
    return file;
}
