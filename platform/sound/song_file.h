// song_file.h - an XM file as the sound library plays it: read, its layout
// and sync cells found, and a silent libopenmpt player over the copy whose
// sync cells are emptied. Shared by playback and the sync walk.
#pragma once

#include <string>

#include <libopenmpt/libopenmpt.h>
#include <libopenmpt/libopenmpt_ext.h>

#include "xm_patterns.h"

// Reads and parses `name`. False with `error` set to the reason.
bool song_file_read(const char *name, XmPatterns &layout, std::string &error);

// A player of the layout's emptied copy that logs nothing; null when
// libopenmpt refuses it. The caller destroys it.
openmpt_module *song_file_player(const XmPatterns &layout);

// The same with every channel muted, for finding when rows play: the
// timing is the player's, and skipping the mix makes it a few times faster.
openmpt_module_ext *song_file_timing_player(const XmPatterns &layout);
