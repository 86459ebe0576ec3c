// ddraw.cpp - the display: one full-screen window in an exclusive mode of
// the requested size at the first of 32, 24 or 16 bits the screen accepts,
// a flipping chain that every frame is converted into row by row, the
// message pump, and the keys SPACE and ESC. Owns the loaded "ddraw.dll",
// the DirectDraw object, the window and its class, the surfaces, the
// converter chosen for the screen's format and whether the program is
// the active one.
#include "ddraw.h"

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

const DWORD DEPTHS[] = {32, 24, 16};

int width;
int height;
HMODULE library;
LPDIRECTDRAW directDraw;
WNDCLASSA windowClass;
HWND window;
LPDIRECTDRAWSURFACE primary;
LPDIRECTDRAWSURFACE backBuffer;
Converter converter;
WPARAM active;

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

[[noreturn]] void quit_program()
{
    music_stop();
    display_close();
    ExitProcess(0);
}

} // namespace

int display_open(const char *title, int newWidth, int newHeight, bool)
{
    width = newWidth;
    height = newHeight;

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

    HINSTANCE instance = GetModuleHandleA(nullptr);
    windowClass.style = 0;
    windowClass.lpfnWndProc = display_wndproc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, "IDI_MAIN");
    windowClass.hCursor = nullptr;
    windowClass.hbrBackground = nullptr;
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = title;
    RegisterClassA(&windowClass);

    window = CreateWindowExA(0, title, title, WS_POPUP | WS_SYSMENU, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                             nullptr);

    if (directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) < 0)
        return 0;
    if (!set_first_display_mode())
        return 0;
    if (!create_primary())
        return 0;

    DDSCAPS backBufferCaps = {DDSCAPS_BACKBUFFER};
    if (primary->GetAttachedSurface(&backBufferCaps, &backBuffer) < 0)
        return 0;

    DDPIXELFORMAT format = {};
    format.dwSize = PIXEL_FORMAT_SIZE;
    if (primary->GetPixelFormat(&format) < 0)
        return 0;
    if (!(format.dwFlags & DDPF_RGB))
        return 0;
    converter = converter_select(format.dwRGBBitCount, format.dwRBitMask, format.dwGBitMask, format.dwBBitMask);
    if (!converter)
        return 0;

    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, 0);
    return 1;
}

int display_update(const uint32_t *buffer)
{
    // Nothing to present into before a successful open or after a close.
    if (!primary || !converter)
        return 0;

    MSG msg;
    while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

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

void display_close()
{
    if (primary) {
        primary->Release();
        primary = nullptr;
    }
    if (directDraw) {
        directDraw->RestoreDisplayMode();
        directDraw->SetCooperativeLevel(window, DDSCL_NORMAL);
        directDraw->Release();
        directDraw = nullptr;
    }
    DestroyWindow(window);
    if (library) {
        FreeLibrary(library);
        library = nullptr;
    }
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, 0);
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
        SetCursor(nullptr);
        return 0;
    case WM_KEYDOWN:
        switch (wParam & 0xFF) {
        case VK_SPACE:
            crossfadeLevel = 1.0f;
            break;
        case VK_ESCAPE:
            quit_program();
        }
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
