// solid_png.h - one-colour RGBA PNG files and scratch directories for the
// tests that run the presentation on real files.
#pragma once

#include <cstdint>
#include <string>

// Writes a width × height PNG of one 0xAARRGGBB colour; false on failure.
bool WriteSolidPng(const std::string &path, int width, int height, uint32_t color);

// Writes `text` to `path` as it stands; false on failure.
bool WriteText(const std::string &path, const std::string &text);

// A fresh directory under the temporary directory, removed with its files
// when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    const std::string &path() const { return root; }
    std::string operator/(const std::string &name) const { return root + "/" + name; }

private:
    std::string root;
};
