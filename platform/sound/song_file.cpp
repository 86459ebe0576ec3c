// song_file.cpp - reads an XM file whole, within a size no module this demo
// plays comes near, and makes its silent player.
#include "song_file.h"

#include <cstdio>
#include <vector>

namespace {

const long kMaxFileBytes = 64L << 20;

bool read_file(const char *name, std::vector<uint8_t> &bytes)
{
    FILE *file = std::fopen(name, "rb");
    if (!file)
        return false;
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(file) : -1;
    ok = ok && size > 0 && size <= kMaxFileBytes && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        bytes.resize(static_cast<size_t>(size));
        ok = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    std::fclose(file);
    return ok;
}

} // namespace

bool song_file_read(const char *name, XmPatterns &layout, std::string &error)
{
    std::vector<uint8_t> bytes;
    if (!name || !read_file(name, bytes)) {
        error = "cannot be read";
        return false;
    }
    const XmError parsed = xm_parse_patterns(bytes.data(), bytes.size(), layout);
    if (parsed != XmError::None) {
        error = xm_error_text(parsed);
        return false;
    }
    return true;
}

openmpt_module *song_file_player(const XmPatterns &layout)
{
    return openmpt_module_create_from_memory2(layout.blanked.data(), layout.blanked.size(), openmpt_log_func_silent,
                                              nullptr, openmpt_error_func_ignore, nullptr, nullptr, nullptr, nullptr);
}
