// message.cpp - Printable: the escaping and shortening of echoed names.
#include "message.h"

#include <cstdio>
#include <vector>

namespace {

// Longer texts keep this many characters from their start and their end.
const size_t keptAtStart = 40;
const size_t keptAtEnd = 60;

// The length of the UTF-8 sequence at `at`, 0 when there is none: a
// stray or overlong byte, a surrogate, a value past U+10FFFF.
size_t SequenceLength(const std::string &text, size_t at)
{
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    const size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                          : lead >= 0xF0 && lead < 0xF5                  ? 4
                                                                         : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    unsigned long value = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        const unsigned char next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = value << 6 | (next & 0x3F);
    }
    const unsigned long smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallest[length] || (value >= 0xD800 && value < 0xE000) || value > 0x10FFFF)
        return 0;
    // C0 and C1 controls and DEL steer terminals.
    if (value < 0x20 || (value >= 0x7F && value < 0xA0))
        return 0;
    return length;
}

std::string Escape(unsigned char byte)
{
    switch (byte) {
    case '\n':
        return "\\n";
    case '\r':
        return "\\r";
    case '\t':
        return "\\t";
    default:
        char text[8];
        std::snprintf(text, sizeof text, "\\x%02X", byte);
        return text;
    }
}

} // namespace

std::string Printable(const std::string &text)
{
    // Where each character as shown starts, so that shortening never cuts
    // an escape or a UTF-8 sequence in two.
    std::string shown;
    std::vector<size_t> starts;
    for (size_t at = 0; at < text.size();) {
        starts.push_back(shown.size());
        const size_t length = SequenceLength(text, at);
        // A control character's UTF-8 form is escaped byte by byte.
        shown += length ? text.substr(at, length) : Escape(static_cast<unsigned char>(text[at]));
        at += length ? length : 1;
    }
    if (starts.size() <= keptAtStart + keptAtEnd + 1)
        return shown;
    return shown.substr(0, starts[keptAtStart]) + "…" + shown.substr(starts[starts.size() - keptAtEnd]);
}
