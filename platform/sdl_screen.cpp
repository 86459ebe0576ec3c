// sdl_screen.cpp - the real screen: one SDL window, desktop-full-screen,
// showing each frame at the largest size that keeps its shape, letterboxed,
// with sharp pixels and vsync, in the very pixel format the frame was
// written in; or the same window resizable on the desktop, where each
// picture goes where it was blitted. The layout the screen offers is 32-bit
// 0x00RRGGBB unless DEMO_SCREEN_FORMAT names one of the eight others to
// emulate (rgb32, bgr32, rgb24, bgr24, rgb565, bgr565, rgb555, bgr555). Owns
// the SDL video subsystem while open, the window, its renderer and the frame
// textures.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "icon.h"
#include "keys.h"
#include "screen.h"

namespace {

struct NamedFormat {
    const char *name;
    ScreenFormat format;
};

const NamedFormat LAYOUTS[] = {
    {"rgb32", {32, true, 0x00FF0000, 0x0000FF00, 0x000000FF}},
    {"bgr32", {32, true, 0x000000FF, 0x0000FF00, 0x00FF0000}},
    {"rgb24", {24, true, 0x00FF0000, 0x0000FF00, 0x000000FF}},
    {"bgr24", {24, true, 0x000000FF, 0x0000FF00, 0x00FF0000}},
    {"rgb565", {16, true, 0xF800, 0x07E0, 0x001F}},
    {"bgr565", {16, true, 0x001F, 0x07E0, 0xF800}},
    {"rgb555", {16, true, 0x7C00, 0x03E0, 0x001F}},
    {"bgr555", {16, true, 0x001F, 0x03E0, 0x7C00}},
};

// The layout asked for in the environment; false, after saying why, when
// the name is not one of the eight.
bool chosen_layout(ScreenFormat *format)
{
    const char *name = std::getenv("DEMO_SCREEN_FORMAT");
    if (!name || !*name) {
        *format = LAYOUTS[0].format;
        return true;
    }
    for (const NamedFormat &layout : LAYOUTS) {
        if (std::strcmp(layout.name, name) == 0) {
            *format = layout.format;
            return true;
        }
    }
    std::fprintf(stderr,
                 "DEMO_SCREEN_FORMAT: unknown layout \"%s\"; expected one of rgb32, bgr32, rgb24, bgr24, "
                 "rgb565, bgr565, rgb555, bgr555\n",
                 name);
    return false;
}

class SdlScreen final : public Screen {
public:
    bool open() override
    {
        if (!chosen_layout(&layout))
            return false;
        // The screen saver follows the program's switch, not SDL's default.
        SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            return false;
        window = SDL_CreateWindow("", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 320, 240,
                                  SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS);
        if (window) {
            renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC);
            if (!renderer)
                renderer = SDL_CreateRenderer(window, -1, 0);
        }
        if (!renderer) {
            close();
            return false;
        }
        apply_screen_saver();
        return true;
    }

    void close() override
    {
        restore_mode();
        if (renderer)
            SDL_DestroyRenderer(renderer);
        if (window)
            SDL_DestroyWindow(window);
        renderer = nullptr;
        window = nullptr;
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    void show(const char *caption, HICON icon) override
    {
        if (!window)
            return;
        label(caption, icon);
        // It may have been a window on the desktop before.
        SDL_SetWindowBordered(window, SDL_FALSE);
        SDL_SetWindowResizable(window, SDL_FALSE);
        // Cover the display first: without a window manager nobody acts on
        // the full-screen request, and the window would keep its size.
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(window), &bounds) == 0) {
            SDL_SetWindowSize(window, bounds.w, bounds.h);
            SDL_SetWindowPosition(window, bounds.x, bounds.y);
        }
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
        SDL_ShowWindow(window);
        SDL_RaiseWindow(window);
        SDL_ShowCursor(SDL_DISABLE);
        blank();
    }

    void hide() override
    {
        if (!window)
            return;
        SDL_SetWindowFullscreen(window, 0);
        SDL_HideWindow(window);
        SDL_ShowCursor(SDL_ENABLE);
    }

    ScreenDesktop desktop() override
    {
        SDL_Rect usable = {0, 0, 0, 0};
        if (window)
            SDL_GetDisplayUsableBounds(SDL_GetWindowDisplayIndex(window), &usable);
        return {layout, RECT{usable.x, usable.y, usable.x + usable.w, usable.y + usable.h}};
    }

    void show_window(const char *caption, HICON icon, const RECT &client) override
    {
        if (!window)
            return;
        label(caption, icon);
        SDL_SetWindowBordered(window, SDL_TRUE);
        SDL_SetWindowResizable(window, SDL_TRUE);
        SDL_SetWindowSize(window, client.right - client.left, client.bottom - client.top);
        SDL_SetWindowPosition(window, client.left, client.top);
        SDL_ShowWindow(window);
        SDL_RaiseWindow(window);
        blank();
    }

    RECT client_area() override
    {
        int x = 0, y = 0, width = 0, height = 0;
        if (window) {
            SDL_GetWindowPosition(window, &x, &y);
            if (!(SDL_GetWindowFlags(window) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)))
                SDL_GetWindowSize(window, &width, &height);
        }
        return RECT{x, y, x + width, y + height};
    }

    // Straight into the renderer's output: the picture that follows each
    // frame's fills presents them with it.
    void fill_window(const RECT &area, uint32_t rgb) override
    {
        if (!renderer)
            return;
        const SDL_Rect rect = to_sdl(area);
        SDL_SetRenderDrawColor(renderer, rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF, 255);
        SDL_RenderFillRect(renderer, &rect);
    }

    void present_window(const void *pixels, LONG pitch, int width, int height, const RECT &area) override
    {
        if (!renderer)
            return;
        if ((!texture || width != frameWidth || height != frameHeight) && !make_frame(width, height))
            return;
        SDL_Texture *shown = upload(pixels, pitch);
        const SDL_Rect rect = to_sdl(area);
        SDL_RenderCopy(renderer, shown, nullptr, &rect);
        SDL_RenderPresent(renderer);
    }

    bool set_mode(int width, int height, int bits, ScreenFormat *format) override
    {
        if (!renderer || bits < 0 || static_cast<uint32_t>(bits) != layout.bits)
            return false;
        if (!make_frame(width, height))
            return false;
        SDL_RenderSetLogicalSize(renderer, width, height);
        *format = layout;
        return true;
    }

    // A window on the desktop that follows is drawn in its own coordinates,
    // not scaled from the mode's.
    void restore_mode() override
    {
        drop_frame();
        if (renderer)
            SDL_RenderSetLogicalSize(renderer, 0, 0);
    }

    bool grant_back_buffers(int count) override { return count >= 1 && count <= 3; }

    LONG pitch(int width, int bytesPerPixel) override { return width * bytesPerPixel; }

    bool lock_allowed() override { return true; }

    void present(const void *pixels, LONG pitch) override
    {
        if (!texture)
            return;
        SDL_Texture *shown = upload(pixels, pitch);
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        SDL_RenderClear(renderer);
        SDL_RenderCopy(renderer, shown, nullptr, nullptr);
        SDL_RenderPresent(renderer);
    }

    bool next_event(ScreenEvent *event) override
    {
        if (!window)
            return false;
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
            if (translate(e, event))
                return true;
        }
        return false;
    }

    bool wait_event(int milliseconds) override
    {
        if (!window) {
            SDL_Delay(static_cast<Uint32>(milliseconds < 0 ? 0 : milliseconds));
            return false;
        }
        return SDL_WaitEventTimeout(nullptr, milliseconds) == 1;
    }

    void show_cursor(bool shown) override
    {
        if (window)
            SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
    }

    void allow_screen_saver(bool allowed) override
    {
        screenSaverAllowed = allowed;
        apply_screen_saver();
    }

private:
    void label(const char *caption, HICON icon)
    {
        SDL_SetWindowTitle(window, caption);
        if (!icon)
            return;
        SDL_Surface *picture =
            SDL_CreateRGBSurfaceFrom(const_cast<uint32_t *>(icon->large.pixels), icon->large.size, icon->large.size,
                                     32, icon->large.size * 4, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000);
        if (picture) {
            SDL_SetWindowIcon(window, picture);
            SDL_FreeSurface(picture);
        }
    }

    // The textures a frame of this size passes through, in place of those
    // before; false when the layout has no texture format.
    bool make_frame(int width, int height)
    {
        const Uint32 pixelFormat =
            SDL_MasksToPixelFormatEnum(layout.bits, layout.redMask, layout.greenMask, layout.blueMask, 0);
        if (pixelFormat == SDL_PIXELFORMAT_UNKNOWN)
            return false;
        // Nearest-neighbour scaling keeps the pixels sharp at any size.
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
        SDL_Texture *frame =
            SDL_CreateTexture(renderer, pixelFormat, SDL_TEXTUREACCESS_STREAMING, width, height);
        if (!frame)
            return false;
        drop_frame();
        texture = frame;
        frameWidth = width;
        frameHeight = height;
        // A frame of another layout than the window's reaches the screen
        // through a copy in the window's own format, so that the scaled copy
        // stays on the renderer's fast path: the software renderer scales
        // pixels of another format one by one. Without render targets it
        // goes direct, as a frame in the window's format always does.
        const Uint32 windowFormat = SDL_GetWindowPixelFormat(window);
        if (pixelFormat != windowFormat)
            staging = SDL_CreateTexture(renderer, windowFormat, SDL_TEXTUREACCESS_TARGET, width, height);
        return true;
    }

    void drop_frame()
    {
        if (texture)
            SDL_DestroyTexture(texture);
        if (staging)
            SDL_DestroyTexture(staging);
        texture = nullptr;
        staging = nullptr;
    }

    // Puts a frame into the textures; returns the one to scale onto the
    // output.
    SDL_Texture *upload(const void *pixels, LONG pitch)
    {
        SDL_UpdateTexture(texture, nullptr, pixels, pitch);
        if (!staging || SDL_SetRenderTarget(renderer, staging) != 0)
            return texture;
        SDL_RenderCopy(renderer, texture, nullptr, nullptr);
        SDL_SetRenderTarget(renderer, nullptr);
        return staging;
    }

    static SDL_Rect to_sdl(const RECT &area)
    {
        return SDL_Rect{area.left, area.top, area.right - area.left, area.bottom - area.top};
    }

    static bool translate(const SDL_Event &e, ScreenEvent *event)
    {
        switch (e.type) {
        case SDL_KEYDOWN:
            *event = {ScreenEventKind::KeyDown, virtual_key(e.key.keysym.sym), (e.key.keysym.mod & KMOD_ALT) != 0,
                      e.key.repeat != 0};
            return true;
        case SDL_MOUSEMOTION:
            *event = {ScreenEventKind::PointerOver, 0};
            return true;
        case SDL_QUIT:
            *event = {ScreenEventKind::Close, 0};
            return true;
        case SDL_WINDOWEVENT:
            switch (e.window.event) {
            case SDL_WINDOWEVENT_FOCUS_GAINED:
                *event = {ScreenEventKind::Activate, 0};
                return true;
            case SDL_WINDOWEVENT_FOCUS_LOST:
                *event = {ScreenEventKind::Deactivate, 0};
                return true;
            case SDL_WINDOWEVENT_CLOSE:
                *event = {ScreenEventKind::Close, 0};
                return true;
            case SDL_WINDOWEVENT_ENTER:
                *event = {ScreenEventKind::PointerOver, 0};
                return true;
            }
            return false;
        }
        return false;
    }

    void apply_screen_saver()
    {
        if (!window)
            return;
        if (screenSaverAllowed)
            SDL_EnableScreenSaver();
        else
            SDL_DisableScreenSaver();
    }

    // A freshly shown window holds whatever the desktop had; clear it until
    // the first frame arrives.
    void blank()
    {
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        SDL_RenderClear(renderer);
        SDL_RenderPresent(renderer);
    }

    ScreenFormat layout = {};
    SDL_Window *window = nullptr;
    SDL_Renderer *renderer = nullptr;
    SDL_Texture *texture = nullptr;
    SDL_Texture *staging = nullptr;
    int frameWidth = 0;
    int frameHeight = 0;
    bool screenSaverAllowed = true;
};

} // namespace

Screen &sdl_screen()
{
    static SdlScreen instance;
    return instance;
}
