// ddraw.cpp - the display: one full-screen window in an exclusive mode of
// the requested size at the first of 32, 24 or 16 bits the screen accepts,
// a flipping chain that every frame is converted into row by row; or a
// resizable window on the desktop, where every frame is converted and
// scaled into an offscreen surface in the desktop's format and copied onto
// the window, letterboxed. Alt+Enter closes the one way and opens the
// other under the same DirectDraw object, while the music plays on. Also
// the message pump, the wait for messages, the keys SPACE and ESC, and the
// hand-over of every other key. Owns the loaded "ddraw.dll", the DirectDraw
// object, the window and its class, the surfaces and the clipper, the
// converter chosen for the screen's format, which of the two ways the
// display took, whether the program is the active one, whether a switch of
// way is due and the handler of the other keys.
#include "ddraw.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "convert.h"
#include "directdraw.h"
#include "synka.h"
#include "test.h"

namespace {

// The records of the first interface version, as this build lays them out:
// 108 and 32 bytes for a 32-bit program, the surface address widening the
// first to 120 for a 64-bit one.
const DWORD SURFACE_DESC_SIZE = sizeof(DDSURFACEDESC);
const DWORD PIXEL_FORMAT_SIZE = sizeof(DDPIXELFORMAT);
const DWORD BLT_FX_SIZE = sizeof(DDBLTFX);

const DWORD DEPTHS[] = {32, 24, 16};
// A window starts at this multiple of the frame, or the largest smaller one
// that the work area holds.
const int WINDOW_SCALE = 3;

int width;
int height;
// The window's class name and caption, for every window of either way.
std::string windowTitle;
HMODULE library;
LPDIRECTDRAW directDraw;
WNDCLASSA windowClass;
HWND window;
LPDIRECTDRAWSURFACE primary;
LPDIRECTDRAWSURFACE backBuffer;
LPDIRECTDRAWSURFACE offscreen;
int offscreenWidth;
int offscreenHeight;
LPDIRECTDRAWCLIPPER clipper;
Converter converter;
int bytesPerPixel;
// One row of the frame in the screen's format, before it is scaled.
std::vector<uint8_t> convertedRow;
// For each pixel of a picture row, the byte offset in convertedRow of the
// frame pixel under its centre.
std::vector<int> sourceOffsets;
WPARAM active;
bool windowed;
// Alt+Enter asked for the other way: done once the waiting messages are
// handled, so that none of them is lost with the window.
bool switchAsked;
void (*keyHandler)(unsigned key);

DDSURFACEDESC primary_description(DWORD flags, DWORD backBufferCount, DWORD caps)
{
    DDSURFACEDESC desc = {};
    desc.dwSize = SURFACE_DESC_SIZE;
    desc.dwFlags = flags;
    desc.dwBackBufferCount = backBufferCount;
    desc.ddsCaps.dwCaps = caps;
    return desc;
}

bool set_first_display_mode()
{
    for (DWORD bits : DEPTHS)
        if (directDraw->SetDisplayMode(width, height, bits) >= 0)
            return true;
    return false;
}

// Two back buffers are asked for before one, and a primary without a chain
// last of all.
bool create_primary()
{
    const DWORD chain = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_VIDEOMEMORY;
    DDSURFACEDESC descriptions[] = {
        primary_description(DDSD_CAPS | DDSD_BACKBUFFERCOUNT, 2, chain),
        primary_description(DDSD_CAPS | DDSD_BACKBUFFERCOUNT, 1, chain),
        primary_description(DDSD_CAPS, 0, DDSCAPS_PRIMARYSURFACE | DDSCAPS_VIDEOMEMORY),
    };
    for (DDSURFACEDESC &desc : descriptions)
        if (directDraw->CreateSurface(&desc, &primary, nullptr) >= 0)
            return true;
    return false;
}

bool open_full_screen(const char *title)
{
    window = CreateWindowExA(0, title, title, WS_POPUP | WS_SYSMENU, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                             nullptr);

    if (directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) < 0)
        return false;
    if (!set_first_display_mode())
        return false;
    if (!create_primary())
        return false;

    DDSCAPS backBufferCaps = {DDSCAPS_BACKBUFFER};
    return primary->GetAttachedSurface(&backBufferCaps, &backBuffer) >= 0;
}

// The window, frame included, centred in the work area at the largest
// multiple of the frame up to WINDOW_SCALE that fits, or at its own size.
RECT initial_window_frame()
{
    RECT workArea = {0, 0, 0, 0};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    const LONG workWidth = workArea.right - workArea.left;
    const LONG workHeight = workArea.bottom - workArea.top;
    RECT frame = {};
    for (int scale = WINDOW_SCALE; scale >= 1; --scale) {
        frame = RECT{0, 0, width * scale, height * scale};
        AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
        if (frame.right - frame.left <= workWidth && frame.bottom - frame.top <= workHeight)
            break;
    }
    const LONG frameWidth = frame.right - frame.left;
    const LONG frameHeight = frame.bottom - frame.top;
    const LONG left = workArea.left + std::max<LONG>((workWidth - frameWidth) / 2, 0);
    const LONG top = workArea.top + std::max<LONG>((workHeight - frameHeight) / 2, 0);
    return RECT{left, top, left + frameWidth, top + frameHeight};
}

// The desktop's primary, kept inside the window by a clipper; the offscreen
// surface waits for the first frame, which knows the picture's size.
bool open_window(const char *title)
{
    const RECT frame = initial_window_frame();
    window = CreateWindowExA(0, title, title, WS_OVERLAPPEDWINDOW, frame.left, frame.top, frame.right - frame.left,
                             frame.bottom - frame.top, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);

    if (directDraw->SetCooperativeLevel(window, DDSCL_NORMAL) < 0)
        return false;
    DDSURFACEDESC desktop = primary_description(DDSD_CAPS, 0, DDSCAPS_PRIMARYSURFACE);
    if (directDraw->CreateSurface(&desktop, &primary, nullptr) < 0)
        return false;
    return directDraw->CreateClipper(0, &clipper, nullptr) >= 0 && clipper->SetHWnd(0, window) >= 0 &&
           primary->SetClipper(clipper) >= 0;
}

void release_offscreen()
{
    if (offscreen) {
        offscreen->Release();
        offscreen = nullptr;
    }
}

// An offscreen surface of the picture's size in the desktop's format, made
// again when the size changes.
bool fit_offscreen(int pictureWidth, int pictureHeight)
{
    if (offscreen && offscreenWidth == pictureWidth && offscreenHeight == pictureHeight)
        return true;
    release_offscreen();
    DDSURFACEDESC desc = {};
    desc.dwSize = SURFACE_DESC_SIZE;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = pictureWidth;
    desc.dwHeight = pictureHeight;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    if (directDraw->CreateSurface(&desc, &offscreen, nullptr) < 0) {
        offscreen = nullptr;
        return false;
    }
    offscreenWidth = pictureWidth;
    offscreenHeight = pictureHeight;
    sourceOffsets.resize(static_cast<size_t>(pictureWidth));
    for (int x = 0; x < pictureWidth; ++x)
        sourceOffsets[x] = (2 * x + 1) * width / (2 * pictureWidth) * bytesPerPixel;
    return true;
}

bool client_on_desktop(RECT *client)
{
    RECT size;
    POINT origin = {0, 0};
    if (!GetClientRect(window, &size) || !ClientToScreen(window, &origin))
        return false;
    *client = RECT{origin.x, origin.y, origin.x + size.right, origin.y + size.bottom};
    return true;
}

// The largest rectangle of the frame's shape inside the client area,
// centred; the sides compared as products to stay exact.
RECT letterbox(const RECT &client)
{
    const LONG clientWidth = client.right - client.left;
    const LONG clientHeight = client.bottom - client.top;
    LONG pictureWidth = clientWidth;
    LONG pictureHeight = clientHeight;
    if (clientWidth * height > clientHeight * width)
        pictureWidth = clientHeight * width / height;
    else
        pictureHeight = clientWidth * height / width;
    const LONG left = client.left + (clientWidth - pictureWidth) / 2;
    const LONG top = client.top + (clientHeight - pictureHeight) / 2;
    return RECT{left, top, left + pictureWidth, top + pictureHeight};
}

// The client area and the picture in it, in desktop coordinates; false
// while there is no room for a pixel, as when minimised.
bool window_layout(RECT *client, RECT *picture)
{
    if (!client_on_desktop(client))
        return false;
    *picture = letterbox(*client);
    return picture->right > picture->left && picture->bottom > picture->top;
}

// Spreads the converted row across a picture row; the pixel size is fixed
// per copy so that each is a single move.
template <int pixelBytes>
void spread_row(uint8_t *row, int pictureWidth)
{
    const uint8_t *from = convertedRow.data();
    for (int x = 0; x < pictureWidth; ++x)
        std::memcpy(row + x * pixelBytes, from + sourceOffsets[x], pixelBytes);
}

// Nearest neighbour, each picture pixel taking the frame pixel under its
// centre: every frame row is converted once, its pixels spread across, and
// the row repeated down. The scaling is done here rather than by a
// stretching blit, which the platform may smooth.
void scale_frame(const uint32_t *buffer, uint8_t *surface, LONG pitch, int pictureWidth, int pictureHeight)
{
    int convertedFrom = -1;
    for (int y = 0; y < pictureHeight; ++y) {
        uint8_t *row = surface + static_cast<std::ptrdiff_t>(y) * pitch;
        const int sourceY = (2 * y + 1) * height / (2 * pictureHeight);
        if (sourceY == convertedFrom) {
            std::memcpy(row, row - pitch, static_cast<size_t>(pictureWidth) * bytesPerPixel);
            continue;
        }
        converter(buffer + static_cast<std::ptrdiff_t>(sourceY) * width, convertedRow.data(), width);
        switch (bytesPerPixel) {
        case 4:
            spread_row<4>(row, pictureWidth);
            break;
        case 3:
            spread_row<3>(row, pictureWidth);
            break;
        default:
            spread_row<2>(row, pictureWidth);
        }
        convertedFrom = sourceY;
    }
}

// The bars beside the picture, or above and below it, are painted black
// every frame: after a resize they cover what the picture left there.
void show_in_window(const RECT &client, RECT picture)
{
    RECT bars[] = {
        {client.left, client.top, picture.left, client.bottom},
        {picture.right, client.top, client.right, client.bottom},
        {picture.left, client.top, picture.right, picture.top},
        {picture.left, picture.bottom, picture.right, client.bottom},
    };
    DDBLTFX black = {};
    black.dwSize = BLT_FX_SIZE;
    black.dwFillColor = 0;
    for (RECT &bar : bars)
        if (bar.right > bar.left && bar.bottom > bar.top)
            primary->Blt(&bar, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &black);
    primary->Blt(&picture, offscreen, nullptr, DDBLT_WAIT, nullptr);
}

int update_full_screen(const uint32_t *buffer)
{
    if (!active) {
        Sleep(1);
        return 1;
    }

    primary->Restore();

    DDSURFACEDESC desc = {};
    desc.dwSize = SURFACE_DESC_SIZE;
    if (backBuffer->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) < 0)
        return 0;

    const uint32_t *sourceRow = buffer;
    uint8_t *destinationRow = static_cast<uint8_t *>(desc.lpSurface);
    for (int row = 0; row < height; ++row) {
        converter(sourceRow, destinationRow, width);
        sourceRow += width;
        destinationRow += desc.lPitch;
    }

    backBuffer->Unlock(desc.lpSurface);
    primary->Flip(nullptr, DDFLIP_WAIT);
    Sleep(0);
    return 1;
}

// A window goes on showing the demo while another program is the active
// one: users watch it as they work.
int update_window(const uint32_t *buffer)
{
    RECT client = {};
    RECT picture = {};
    if (!window_layout(&client, &picture)) {
        Sleep(1);
        return 1;
    }
    if (!fit_offscreen(picture.right - picture.left, picture.bottom - picture.top))
        return 0;

    primary->Restore();
    offscreen->Restore();

    DDSURFACEDESC desc = {};
    desc.dwSize = SURFACE_DESC_SIZE;
    if (offscreen->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) < 0)
        return 0;
    scale_frame(buffer, static_cast<uint8_t *>(desc.lpSurface), desc.lPitch, offscreenWidth, offscreenHeight);
    offscreen->Unlock(desc.lpSurface);
    show_in_window(client, picture);
    Sleep(0);
    return 1;
}

[[noreturn]] void quit_program()
{
    music_stop();
    display_close();
    ExitProcess(0);
}

// The line goes out first: on the way out nothing is certain to follow.
[[noreturn]] void fail_program()
{
    std::fputs(DISPLAY_OPEN_FAILURE, stderr);
    music_stop();
    display_close();
    ExitProcess(1);
}

// Registered afresh for each window: the arrow cursor belongs to a window
// on the desktop only.
void register_class()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    windowClass.style = 0;
    windowClass.lpfnWndProc = display_wndproc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, "IDI_MAIN");
    windowClass.hCursor = windowed ? LoadCursorA(nullptr, IDC_ARROW) : nullptr;
    windowClass.hbrBackground = nullptr;
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = windowTitle.c_str();
    RegisterClassA(&windowClass);
}

// The window, the surfaces and the converter of the way `windowed` names;
// false at the first step that fails, leaving what was made to close_way or
// display_close.
bool open_way()
{
    register_class();
    if (!(windowed ? open_window(windowTitle.c_str()) : open_full_screen(windowTitle.c_str())))
        return false;

    DDPIXELFORMAT format = {};
    format.dwSize = PIXEL_FORMAT_SIZE;
    if (primary->GetPixelFormat(&format) < 0)
        return false;
    if (!(format.dwFlags & DDPF_RGB))
        return false;
    converter = converter_select(format.dwRGBBitCount, format.dwRBitMask, format.dwGBitMask, format.dwBBitMask);
    if (!converter)
        return false;
    bytesPerPixel = static_cast<int>(format.dwRGBBitCount / 8);
    convertedRow.resize(static_cast<size_t>(width) * bytesPerPixel);

    if (!windowed)
        SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, 0);
    return true;
}

void release_surfaces()
{
    if (clipper) {
        clipper->Release();
        clipper = nullptr;
    }
    release_offscreen();
    if (primary) {
        primary->Release();
        primary = nullptr;
    }
}

void leave_full_screen()
{
    directDraw->RestoreDisplayMode();
    directDraw->SetCooperativeLevel(window, DDSCL_NORMAL);
}

void destroy_window()
{
    DestroyWindow(window);
    UnregisterClassA(windowClass.lpszClassName, windowClass.hInstance);
}

// Undoes open_way, whether it got far or not, keeping the DirectDraw
// object and the library for the next way.
void close_way()
{
    release_surfaces();
    if (!windowed)
        leave_full_screen();
    destroy_window();
    if (!windowed)
        SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, 0);
}

// The other way, or else the way it was; a display that opens neither way
// ends the program as one that cannot open at all. The program gave up the
// foreground with the window it closed, and the system shows a full-screen
// window without activating it: the program takes the foreground back, as
// the one whose key was just pressed may, or it would stay inactive and
// present nothing.
void switch_way()
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        close_way();
        windowed = !windowed;
        if (open_way()) {
            if (!windowed)
                SetForegroundWindow(window);
            return;
        }
    }
    fail_program();
}

bool is_open()
{
    return primary && converter;
}

void pump_messages()
{
    MSG msg;
    while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (switchAsked) {
        switchAsked = false;
        switch_way();
    }
}

} // namespace

int display_open(const char *title, int newWidth, int newHeight, bool newWindowed)
{
    width = newWidth;
    height = newHeight;
    windowed = newWindowed;
    windowTitle = title;

    library = LoadLibraryA("ddraw.dll");
    if (!library)
        return 0;
    FARPROC create = GetProcAddress(library, "DirectDrawCreate");
    if (!create)
        return 0;
    // Through the generic function pointer type, which every function
    // pointer converts to and back from unchanged.
    auto directDrawCreate = reinterpret_cast<decltype(&DirectDrawCreate)>(reinterpret_cast<void (*)()>(create));
    if (directDrawCreate(nullptr, &directDraw, nullptr) < 0)
        return 0;
    return open_way() ? 1 : 0;
}

int display_update(const uint32_t *buffer)
{
    // Nothing to present into before a successful open or after a close,
    // which a key's handler may have made while the messages were pumped.
    if (!is_open())
        return 0;
    pump_messages();
    if (!is_open())
        return 0;
    return windowed ? update_window(buffer) : update_full_screen(buffer);
}

void display_pump()
{
    if (is_open())
        pump_messages();
}

void display_wait(int milliseconds)
{
    const DWORD limit = static_cast<DWORD>(std::max(milliseconds, 0));
    if (is_open())
        MsgWaitForMultipleObjects(0, nullptr, FALSE, limit, QS_ALLINPUT);
    else
        Sleep(limit);
}

void display_set_key_handler(void (*handler)(unsigned key))
{
    keyHandler = handler;
}

void display_close()
{
    release_surfaces();
    if (directDraw) {
        if (!windowed)
            leave_full_screen();
        directDraw->Release();
        directDraw = nullptr;
    }
    destroy_window();
    if (library) {
        FreeLibrary(library);
        library = nullptr;
    }
    // A window left the screen saver alone.
    if (!windowed)
        SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, 0);
    windowed = false;
    // Closed by a key's handler inside the pump, it has nothing to switch.
    switchAsked = false;
}

LRESULT CALLBACK display_wndproc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        quit_program();
    case WM_ACTIVATEAPP:
        active = wParam;
        return 0;
    case WM_SETCURSOR:
        // A window keeps the arrow, and its frame the cursors for resizing.
        if (windowed)
            break;
        SetCursor(nullptr);
        return 0;
    case WM_KEYDOWN:
        switch (wParam & 0xFF) {
        case VK_SPACE:
            crossfadeLevel = 1.0f;
            break;
        case VK_ESCAPE:
            quit_program();
        default:
            if (keyHandler)
                keyHandler(static_cast<unsigned>(wParam & 0xFF));
        }
        return 0;
    case WM_SYSKEYDOWN:
        // Alt+Enter switches once however long it is held; pressed twice
        // between two frames it leaves the display as it was.
        if ((wParam & 0xFF) == VK_RETURN && (HIWORD(lParam) & KF_ALTDOWN)) {
            if (!(HIWORD(lParam) & KF_REPEAT))
                switchAsked = !switchAsked;
            return 0;
        }
        break;
    case WM_SYSCHAR:
        // The character of Alt+Enter would be looked up as a menu's key,
        // and beep when none has it.
        if (wParam == '\r' && (HIWORD(lParam) & KF_ALTDOWN))
            return 0;
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
