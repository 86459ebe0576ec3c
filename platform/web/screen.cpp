// screen.cpp - the screen in the browser: the page's canvas, which the page
// scales to fit with sharp pixels, filled with each presented frame, the
// page's keys as key-downs, and its hiding and showing as the program's
// deactivation and activation. Presenting waits for the display's next
// refresh, which is the browser's turn to run: the frame loop blocks there
// as it does on a flip. Owns the canvas's pixels and the input queue on the
// page.
#include "screen.h"

#include <emscripten.h>

#include <vector>

namespace {

// Canvas pixels are bytes R, G, B, A in memory; the top byte is made opaque
// on the way.
constexpr ScreenFormat layout = {32, true, 0x000000FF, 0x0000FF00, 0x00FF0000};
constexpr uint32_t opaque = 0xFF000000;

// Module.frameStats keeps what the page measures of the frames: how many
// were presented, and the milliseconds spent between the browser's turns
// (drawing and converting) and in putting them on the canvas.
EM_JS(void, web_screen_listen, (int keyDown, int activate, int deactivate), {
    var events = [];
    var screen = Module.webScreen = {events: events};
    Module.frameStats = {frames: 0, workMs: 0, putMs: 0};
    var queue = function(event) {
        events.push(event);
        if (screen.wake)
            screen.wake();
    };
    screen.onKey = function(event) {
        // The legacy key code is the platform's virtual-key code.
        queue([keyDown, event.keyCode, event.altKey, event.repeat]);
        if (event.key === " " || event.key.startsWith("Arrow"))
            event.preventDefault();
    };
    screen.onVisibility = function() {
        queue([document.hidden ? deactivate : activate, 0, false, false]);
    };
    window.addEventListener("keydown", screen.onKey);
    document.addEventListener("visibilitychange", screen.onVisibility);
});

EM_JS(void, web_screen_unlisten, (), {
    var screen = Module.webScreen;
    window.removeEventListener("keydown", screen.onKey);
    document.removeEventListener("visibilitychange", screen.onVisibility);
    Module.webScreen = null;
});

// Fills in kind, key code, Alt and repeat of the next event, as ints.
EM_JS(int, web_screen_next, (int *event), {
    var screen = Module.webScreen;
    if (!screen || screen.events.length === 0)
        return 0;
    var next = screen.events.shift();
    for (var i = 0; i < 4; ++i)
        HEAP32[(event >> 2) + i] = Number(next[i]);
    return 1;
});

EM_ASYNC_JS(int, web_screen_wait, (int milliseconds), {
    var screen = Module.webScreen;
    if (screen && screen.events.length > 0)
        return 1;
    await new Promise(function(resolve) {
        if (screen)
            screen.wake = resolve;
        if (milliseconds >= 0)
            setTimeout(resolve, milliseconds);
    });
    if (!screen)
        return 0;
    screen.wake = null;
    return screen.events.length > 0 ? 1 : 0;
});

EM_JS(void, web_screen_put, (const uint32_t *pixels, int width, int height), {
    var canvas = Module.canvas;
    var started = performance.now();
    if (canvas.width !== width || canvas.height !== height) {
        canvas.width = width;
        canvas.height = height;
    }
    var bytes = new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4);
    canvas.getContext("2d").putImageData(new ImageData(bytes, width, height), 0, 0);
    var stats = Module.frameStats;
    stats.frames++;
    stats.putMs += performance.now() - started;
    if (stats.resumed !== undefined)
        stats.workMs += started - stats.resumed;
});

EM_ASYNC_JS(void, web_screen_wait_refresh, (), {
    await new Promise(function(resolve) { requestAnimationFrame(resolve); });
    Module.frameStats.resumed = performance.now();
});

class WebScreen final : public Screen {
public:
    bool open() override
    {
        web_screen_listen(static_cast<int>(ScreenEventKind::KeyDown), static_cast<int>(ScreenEventKind::Activate),
                          static_cast<int>(ScreenEventKind::Deactivate));
        return true;
    }

    void close() override { web_screen_unlisten(); }

    // The page has the program's icon and its own title already.
    void show(const char *, HICON) override {}

    void hide() override {}

    // The page is the desktop: one output the size of the frame.
    ScreenDesktop desktop() override { return {layout, RECT{0, 0, frameWidth, frameHeight}}; }

    void show_window(const char *, HICON, const RECT &) override {}

    RECT client_area() override { return RECT{0, 0, frameWidth, frameHeight}; }

    // The page letterboxes on black itself.
    void fill_window(const RECT &, uint32_t) override {}

    void present_window(const void *pixels, LONG pitch, int width, int height, const RECT &) override
    {
        put(pixels, pitch, width, height);
    }

    bool set_mode(int width, int height, int bits, ScreenFormat *format) override
    {
        if (width <= 0 || height <= 0 || bits < 0 || static_cast<uint32_t>(bits) != layout.bits)
            return false;
        frameWidth = width;
        frameHeight = height;
        *format = layout;
        return true;
    }

    void restore_mode() override {}

    bool grant_back_buffers(int count) override { return count >= 1 && count <= 3; }

    LONG pitch(int width, int bytesPerPixel) override { return width * bytesPerPixel; }

    bool lock_allowed() override { return true; }

    void present(const void *pixels, LONG pitch) override { put(pixels, pitch, frameWidth, frameHeight); }

    bool next_event(ScreenEvent *event) override
    {
        int next[4] = {};
        if (!web_screen_next(next))
            return false;
        *event = {static_cast<ScreenEventKind>(next[0]), next[1] ? static_cast<uint32_t>(next[1]) : VK_NONE,
                  next[2] != 0, next[3] != 0};
        return true;
    }

    bool wait_event(int milliseconds) override { return web_screen_wait(milliseconds) != 0; }

    void show_cursor(bool) override {}
    void allow_screen_saver(bool) override {}

private:
    void put(const void *pixels, LONG pitch, int width, int height)
    {
        opaquePixels.resize(static_cast<size_t>(width) * height);
        for (int y = 0; y < height; ++y) {
            const uint32_t *row = reinterpret_cast<const uint32_t *>(static_cast<const uint8_t *>(pixels) + y * pitch);
            uint32_t *to = opaquePixels.data() + static_cast<size_t>(y) * width;
            for (int x = 0; x < width; ++x)
                to[x] = row[x] | opaque;
        }
        web_screen_put(opaquePixels.data(), width, height);
        web_screen_wait_refresh();
    }

    int frameWidth = 0;
    int frameHeight = 0;
    std::vector<uint32_t> opaquePixels;
};

} // namespace

Screen &screen()
{
    static WebScreen instance;
    return instance;
}
