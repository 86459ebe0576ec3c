// shot.h - the screenshot: the frame as it is on screen, saved as a PNG
// file under the next free number in a folder.
#pragma once

#include <cstdint>
#include <string>

// Writes the 320x240 `frame` as an 8-bit RGB PNG "shot-NNN.png" in
// `folder`, NNN the first number from 001 that no file or link there has
// yet (four digits past 999), created as a new file so that nothing there
// is overwritten or written through. True with the file's name, without the
// folder, in `name`; false with the plain reason in `error`, and no file.
bool SaveShot(const std::string &folder, const uint32_t *frame, std::string &name, std::string &error);
