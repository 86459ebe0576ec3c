// file_reason.cpp - the system's file errors in the plain words that every
// message of the program uses, the same on every platform.
#include "regular_file.h"

#include <cctype>
#include <cerrno>
#include <cstring>

std::string file_reason(int error)
{
    switch (error) {
    case ENOENT:
        return "no such file";
    case EACCES:
    case EPERM:
        return "permission denied";
    case EISDIR:
        return "a folder";
    case ENOTDIR:
        return "a part of its path is not a folder";
    case ENAMETOOLONG:
        return "the name is too long";
    case ELOOP:
        return "too many symbolic links";
    case ENOSPC:
        return "the disk is full";
    case EIO:
        return "the disk could not be read or written";
    default:
        break;
    }
    // Anything rarer in the system's own words, begun in lower case as the
    // rest of the line is.
    std::string words = std::strerror(error);
    if (!words.empty())
        words[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(words[0])));
    return words;
}

std::string create_reason(int error)
{
    // The name's folder is what is missing, or what is a file.
    return error == ENOENT ? "no such folder" : error == ENOTDIR ? "not a folder" : file_reason(error);
}
