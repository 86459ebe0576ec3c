// regular_file.cpp - the regular-file open on POSIX systems: opened without
// blocking, then checked on the descriptor itself, so that what was checked
// is what is read.
#include "regular_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FILE *regular_file_open(const char *name, const char *mode, std::string &reason)
{
    const int descriptor = open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        reason = errno == ENOENT ? "no such file" : errno == EACCES ? "permission denied" : std::strerror(errno);
        return nullptr;
    }
    struct stat status;
    const bool examined = fstat(descriptor, &status) == 0;
    if (!examined || !S_ISREG(status.st_mode)) {
        reason = !examined ? std::strerror(errno) : S_ISDIR(status.st_mode) ? "a folder" : "not a regular file";
        close(descriptor);
        return nullptr;
    }
    // Reads of a regular file never block anyway; the flag goes so that
    // the stream sees the plain file it expects.
    fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    FILE *file = fdopen(descriptor, mode);
    if (!file) {
        reason = std::strerror(errno);
        close(descriptor);
    }
    return file;
}
