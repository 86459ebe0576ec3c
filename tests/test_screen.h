// test_screen.h - a screen that tests install in place of SDL's: it accepts
// the depths and layouts a test gives it, grants so many back buffers,
// reports a chosen pitch, refuses locks on request, hands out queued input,
// has the desktop and client area a test gives it, and keeps a copy of
// every frame presented, where it went, and a log of what was asked.
#pragma once

#include <cstdio>
#include <deque>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "screen.h"

inline bool operator==(const RECT &a, const RECT &b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline void PrintTo(const RECT &r, std::ostream *out)
{
    *out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

// The eight layouts, as a screen reports them.
const ScreenFormat LAYOUT_RGB32 = {32, true, 0x00FF0000, 0x0000FF00, 0x000000FF};
const ScreenFormat LAYOUT_BGR32 = {32, true, 0x000000FF, 0x0000FF00, 0x00FF0000};
const ScreenFormat LAYOUT_RGB24 = {24, true, 0x00FF0000, 0x0000FF00, 0x000000FF};
const ScreenFormat LAYOUT_BGR24 = {24, true, 0x000000FF, 0x0000FF00, 0x00FF0000};
const ScreenFormat LAYOUT_RGB565 = {16, true, 0xF800, 0x07E0, 0x001F};
const ScreenFormat LAYOUT_BGR565 = {16, true, 0x001F, 0x07E0, 0xF800};
const ScreenFormat LAYOUT_RGB555 = {16, true, 0x7C00, 0x03E0, 0x001F};
const ScreenFormat LAYOUT_BGR555 = {16, true, 0x001F, 0x03E0, 0x7C00};

class TestScreen final : public Screen {
public:
    // Installed while it exists.
    TestScreen() { screen_install(this); }
    ~TestScreen() override { screen_install(nullptr); }

    bool open() override
    {
        note(available ? "open" : "open refused");
        return isOpen = available;
    }
    void close() override
    {
        note("close");
        isOpen = false;
    }
    void show(const char *newCaption, HICON newIcon) override
    {
        note("show");
        shown = true;
        windowed = false;
        caption = newCaption;
        icon = newIcon;
    }
    void hide() override
    {
        note("hide");
        shown = false;
    }
    ScreenDesktop desktop() override { return {desktopFormat, workArea}; }
    void show_window(const char *newCaption, HICON newIcon, const RECT &area) override
    {
        note("show window");
        shown = windowed = true;
        caption = newCaption;
        icon = newIcon;
        client = area;
    }
    RECT client_area() override { return client; }
    void fill_window(const RECT &area, uint32_t rgb) override { fills.push_back({area, rgb}); }
    void present_window(const void *pixels, LONG newPitch, int frameWidth, int frameHeight, const RECT &area) override
    {
        height = frameHeight;
        present(pixels, newPitch);
        frameSizes.push_back({frameWidth, frameHeight});
        pictureAreas.push_back(area);
    }
    bool set_mode(int newWidth, int newHeight, int bits, ScreenFormat *newFormat) override
    {
        note("mode " + std::to_string(bits));
        modeRequests.push_back(bits);
        auto accepted = modes.find(bits);
        if (accepted == modes.end())
            return false;
        width = newWidth;
        height = newHeight;
        *newFormat = format = accepted->second;
        return true;
    }
    void restore_mode() override { note("restore mode"); }
    bool grant_back_buffers(int count) override
    {
        backBufferRequests.push_back(count);
        return count <= maxBackBuffers;
    }
    LONG pitch(int rowWidth, int bytesPerPixel) override { return rowWidth * bytesPerPixel + extraPitch; }
    bool lock_allowed() override { return failingLocks == 0 || (--failingLocks, false); }
    void present(const void *pixels, LONG newPitch) override
    {
        note("present");
        presentedPitch = newPitch;
        const uint8_t *bytes = static_cast<const uint8_t *>(pixels);
        frames.emplace_back(bytes, bytes + static_cast<size_t>(newPitch) * static_cast<size_t>(height));
    }
    bool next_event(ScreenEvent *event) override
    {
        if (events.empty())
            return false;
        *event = events.front();
        events.pop_front();
        return true;
    }
    void show_cursor(bool shownNow) override { cursorShown = shownNow; }
    void allow_screen_saver(bool allowed) override
    {
        note(allowed ? "screen saver allowed" : "screen saver off");
        screenSaverAllowed = allowed;
    }

    // What the screen does.
    bool available = true;
    std::map<int, ScreenFormat> modes = {{32, LAYOUT_RGB32}};
    int maxBackBuffers = 2;
    LONG extraPitch = 0;
    int failingLocks = 0;
    std::deque<ScreenEvent> events;
    ScreenFormat desktopFormat = LAYOUT_RGB32;
    RECT workArea = {0, 0, 1920, 1040};
    // Where the shown window's client area is; a test moves or resizes it.
    RECT client = {};
    // Also write every log line to stderr, for checks made in a child process.
    bool echo = false;

    // What was asked of it.
    std::vector<std::string> log;
    std::vector<int> modeRequests, backBufferRequests;
    bool isOpen = false, shown = false, windowed = false, cursorShown = true, screenSaverAllowed = true;
    std::string caption;
    HICON icon = nullptr;
    int width = 0, height = 0;
    ScreenFormat format = {};
    LONG presentedPitch = 0;
    std::vector<std::vector<uint8_t>> frames;
    std::vector<std::pair<int, int>> frameSizes;
    std::vector<RECT> pictureAreas;
    std::vector<std::pair<RECT, uint32_t>> fills;

private:
    void note(const std::string &line)
    {
        log.push_back(line);
        if (echo)
            std::fprintf(stderr, "screen: %s\n", line.c_str());
    }
};
