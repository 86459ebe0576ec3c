// test_screen.h - a screen that tests install in place of SDL's: it accepts
// the depths and layouts a test gives it, grants so many back buffers,
// reports a chosen pitch, refuses locks on request, hands out queued input,
// and keeps a copy of every frame presented and a log of what was asked.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "screen.h"

class TestScreen final : public Screen {
public:
    // Installed while it exists.
    TestScreen();
    ~TestScreen() override;

    bool open() override;
    void close() override;
    void show(const char *caption, HICON icon) override;
    void hide() override;
    bool set_mode(int width, int height, int bits, ScreenFormat *format) override;
    void restore_mode() override;
    bool grant_back_buffers(int count) override;
    LONG pitch(int width, int bytesPerPixel) override;
    bool lock_allowed() override;
    void present(const void *pixels, LONG pitch) override;
    bool next_event(ScreenEvent *event) override;
    void show_cursor(bool shown) override;
    void allow_screen_saver(bool allowed) override;

    // What the screen does.
    bool available = true;
    std::map<int, ScreenFormat> modes;
    int maxBackBuffers = 2;
    LONG extraPitch = 0;
    int failingLocks = 0;
    std::deque<ScreenEvent> events;
    // Also write every log line to stderr, for checks made in a child process.
    bool echo = false;

    // What was asked of it.
    std::vector<std::string> log;
    std::vector<int> modeRequests, backBufferRequests;
    bool isOpen = false, shown = false, cursorShown = true, screenSaverAllowed = true;
    std::string caption;
    HICON icon = nullptr;
    int width = 0, height = 0;
    ScreenFormat format = {};
    LONG presentedPitch = 0;
    std::vector<std::vector<uint8_t>> frames;

private:
    void note(const std::string &line);
};

// The eight layouts, as a screen reports them.
const ScreenFormat LAYOUT_RGB32 = {32, true, 0x00FF0000, 0x0000FF00, 0x000000FF};
const ScreenFormat LAYOUT_BGR32 = {32, true, 0x000000FF, 0x0000FF00, 0x00FF0000};
const ScreenFormat LAYOUT_RGB24 = {24, true, 0x00FF0000, 0x0000FF00, 0x000000FF};
const ScreenFormat LAYOUT_BGR24 = {24, true, 0x000000FF, 0x0000FF00, 0x00FF0000};
const ScreenFormat LAYOUT_RGB565 = {16, true, 0xF800, 0x07E0, 0x001F};
const ScreenFormat LAYOUT_BGR565 = {16, true, 0x001F, 0x07E0, 0xF800};
const ScreenFormat LAYOUT_RGB555 = {16, true, 0x7C00, 0x03E0, 0x001F};
const ScreenFormat LAYOUT_BGR555 = {16, true, 0x001F, 0x03E0, 0x7C00};
