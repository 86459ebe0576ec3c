// message.h - makes a file name or value safe to echo in a one-line
// message on a terminal or in a log.
#pragma once

#include <string>

// `text` with every control character (and every byte that is not UTF-8)
// written as an escape, and, when longer than about a hundred characters,
// shortened in the middle with "…" so that its end, which tells most, stays.
std::string Printable(const std::string &text);
