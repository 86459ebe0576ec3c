// edit.h - the maker's edit window: the show in a window that pauses,
// jumps between syncs and orders, loops a section, reloads each file of the
// show when it is saved, saves the frame and shows where the music is.
#pragma once

#include <string>

#include "timeline.h"

struct EditSettings {
    std::string shotFolder;  // where F12 saves the frame
    const Position *from;    // where the session starts; null: at the start
};

// Runs a session on the show in the current folder until ESC or the window
// closes. The exit code: 0; 1 with a line on stderr when the display, the
// list or a picture fails at the start; 2 when `from` lies past the tune's
// end or the show's.
int EditRun(const EditSettings &settings);

// The session's steps, for a caller that has opened the display and started
// the music itself (paused, with music_start, or pulled offline): loads the
// show and puts it at its start, giving the exit code as EditRun would.
int EditStart(const EditSettings &settings);
// A key the display handed on, acted on at the next step.
void EditKey(unsigned key);
// One turn of the loop: the keys, a look at the files when it is time, a
// frame unless paused, and the frame on screen.
void EditStep();
// What the overlay says now, line by line.
std::vector<std::string> EditOverlayLines();
