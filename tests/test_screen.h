// test_screen.h - a screen that tests install in place of SDL's, keeping every frame and a log of requests.
#pragma once

#include <cstdio>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "screen.h"

// The eight layouts, as a screen reports them, and by the names SDL's screen is asked for.
const ScreenFormat LAYOUT_RGB32 = {32, true, 0x00FF0000, 0x0000FF00, 0x000000FF};
const ScreenFormat LAYOUT_BGR32 = {32, true, 0x000000FF, 0x0000FF00, 0x00FF0000};
const ScreenFormat LAYOUT_RGB24 = {24, true, 0x00FF0000, 0x0000FF00, 0x000000FF};
const ScreenFormat LAYOUT_BGR24 = {24, true, 0x000000FF, 0x0000FF00, 0x00FF0000};
const ScreenFormat LAYOUT_RGB565 = {16, true, 0xF800, 0x07E0, 0x001F};
const ScreenFormat LAYOUT_BGR565 = {16, true, 0x001F, 0x07E0, 0xF800};
const ScreenFormat LAYOUT_RGB555 = {16, true, 0x7C00, 0x03E0, 0x001F};
const ScreenFormat LAYOUT_BGR555 = {16, true, 0x001F, 0x03E0, 0x7C00};
const std::pair<const char *, ScreenFormat> LAYOUTS[] = {
    {"rgb32", LAYOUT_RGB32},   {"bgr32", LAYOUT_BGR32},   {"rgb24", LAYOUT_RGB24},   {"bgr24", LAYOUT_BGR24},
    {"rgb565", LAYOUT_RGB565}, {"bgr565", LAYOUT_BGR565}, {"rgb555", LAYOUT_RGB555}, {"bgr555", LAYOUT_BGR555}};

using Kind = ScreenEventKind;

// A window of a class of its own name, with the program's icon.
inline HWND test_window(const char *name)
{
    const HICON icon = LoadIconA(GetModuleHandleA(nullptr), "IDI_MAIN");
    const WNDCLASSA windowClass = {0, DefWindowProcA, 0, 0, nullptr, icon, nullptr, nullptr, nullptr, name};
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, name, name, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
}

class TestScreen final : public Screen {
public:
    TestScreen() { screen_install(this); }
    ~TestScreen() override { screen_install(nullptr); }

    bool open() override { note(available ? "open" : "open refused"); return available; }
    void close() override { note("close"); }
    void show(const char *caption, HICON newIcon) override { note("show %s", caption); icon = newIcon; }
    void hide() override { note("hide"); }
    ScreenDesktop desktop() override { return {desktopFormat, workArea}; }
    void show_window(const char *caption, HICON newIcon, const RECT &area) override
    {
        note("show window %s {%d, %d, %d, %d}", caption, area.left, area.top, area.right, area.bottom);
        icon = newIcon;
        client = area;
    }
    RECT client_area() override { return client; }
    void fill_window(const RECT &a, uint32_t rgb) override
    {
        note("fill {%d, %d, %d, %d} %06x", a.left, a.top, a.right, a.bottom, rgb);
    }
    void present_window(const void *pixels, LONG pitch, int width, int height, const RECT &area) override
    {
        note("picture %dx%d at {%d, %d, %d, %d}", width, height, area.left, area.top, area.right, area.bottom);
        keep(pixels, pitch, height);
    }
    bool set_mode(int, int newHeight, int bits, ScreenFormat *format) override
    {
        note("mode %d", bits);
        const auto accepted = modes.find(bits);
        return accepted != modes.end() && (height = newHeight, *format = accepted->second, true);
    }
    void restore_mode() override { note("restore mode"); }
    bool grant_back_buffers(int count) override { note("back buffers %d", count); return count <= maxBackBuffers; }
    LONG pitch(int rowWidth, int bytesPerPixel) override { return rowWidth * bytesPerPixel + extraPitch; }
    bool lock_allowed() override { return failingLocks == 0 || (--failingLocks, false); }
    void present(const void *pixels, LONG pitch) override { note("present"); keep(pixels, pitch, height); }
    bool next_event(ScreenEvent *event) override
    {
        return !events.empty() && (*event = events.front(), events.pop_front(), true);
    }
    bool wait_event(int milliseconds) override { note("wait %d", milliseconds); return !events.empty(); }
    void show_cursor(bool shown) override { cursorShown = shown; }
    void allow_screen_saver(bool allowed) override { note(allowed ? "screen saver on" : "screen saver off"); }

    // The requests so far, and a fresh log.
    std::string said() { return std::exchange(log, ""); }

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
    // Also write every request to stderr, for checks made in a child process.
    bool echo = false;

    // What was asked of it.
    std::string log;
    bool cursorShown = true;
    HICON icon = nullptr;
    std::vector<std::vector<uint8_t>> frames;

private:
    template <typename... Values>
    void note(const char *format, Values... values)
    {
        char line[128];
        std::snprintf(line, sizeof line, format, values...);
        log += (log.empty() ? "" : ", ") + std::string(line);
        if (echo)
            std::fprintf(stderr, "screen: %s\n", line);
    }
    void keep(const void *pixels, LONG pitch, int rows)
    {
        const uint8_t *bytes = static_cast<const uint8_t *>(pixels);
        frames.emplace_back(bytes, bytes + static_cast<size_t>(pitch) * static_cast<size_t>(rows));
    }
    int height = 0;
};
