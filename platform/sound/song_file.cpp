// song_file.cpp - reads an XM file whole, within a size no module this demo
// plays comes near, and makes its silent players.
#include "song_file.h"

#include <cerrno>
#include <cstdio>
#include <vector>

#include "regular_file.h"

namespace {

const long kMaxFileBytes = 64L << 20;

// Empty when the whole file was read; otherwise why it was not.
std::string read_file(const char *name, std::vector<uint8_t> &bytes)
{
    std::string error;
    FILE *file = regular_file_open(name, "rb", error);
    if (!file)
        return error;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) != 0 || (size = std::ftell(file)) < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        error = file_reason(errno);
    } else if (size == 0) {
        error = "the file is empty";
    } else if (size > kMaxFileBytes) {
        error = "the file is larger than 64 MiB";
    } else {
        bytes.resize(static_cast<size_t>(size));
        if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size())
            error = std::ferror(file) ? file_reason(errno) : "the file ends early";
    }
    std::fclose(file);
    return error;
}

} // namespace

bool song_file_read(const char *name, XmPatterns &layout, std::string &error)
{
    std::vector<uint8_t> bytes;
    error = name ? read_file(name, bytes) : "no file named";
    if (!error.empty())
        return false;
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

openmpt_module_ext *song_file_timing_player(const XmPatterns &layout)
{
    openmpt_module_ext *player =
        openmpt_module_ext_create_from_memory(layout.blanked.data(), layout.blanked.size(), openmpt_log_func_silent,
                                              nullptr, openmpt_error_func_ignore, nullptr, nullptr, nullptr, nullptr);
    openmpt_module_ext_interface_interactive interactive;
    if (!player || !openmpt_module_ext_get_interface(player, LIBOPENMPT_EXT_C_INTERFACE_INTERACTIVE, &interactive,
                                                     sizeof interactive))
        return player;
    const int channels = openmpt_module_get_num_channels(openmpt_module_ext_get_module(player));
    for (int channel = 0; channel < channels; ++channel)
        interactive.set_channel_mute_status(player, channel, 1);
    return player;
}
