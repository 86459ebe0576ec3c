// window.cpp - window classes, windows, their frames and client areas and
// their messages, the cursor, the screen-saver switch, the work area and the
// icon resource. Owns the registered classes, the live windows, the queue of
// posted messages and the window that holds the screen, full-screen or as a
// window on the desktop; the screen's input reaches that window as messages
// here, key-downs as the platform's keyboard makes them, and the wait for it.
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "icon.h"
#include "screen.h"
#include "screen_window.h"

struct HWND__ {
    std::string className;
    std::string caption;
    WNDPROC procedure;
    HICON icon;
    HCURSOR cursor;
    DWORD style;
    // Where CreateWindowExA put the window, frame included.
    RECT frame;
};

struct HCURSOR__ {};

namespace {

struct WindowClass {
    std::string name;
    WNDPROC procedure;
    HICON icon;
    HCURSOR cursor;
};

// The frame that a captioned, sizable window draws around its client area:
// the stand-in's own measures, which AdjustWindowRect and the client area
// agree on.
const LONG FRAME_BORDER = 4;
const LONG CAPTION_HEIGHT = 20;

std::vector<WindowClass> classes;
std::vector<std::unique_ptr<HWND__>> windows;
HWND screenWindow = nullptr;
// Whether screenWindow holds the screen as a window on the desktop rather
// than full-screen.
bool screenWindowed = false;
HCURSOR currentCursor = nullptr;
HCURSOR__ arrowCursor;

// Posted messages wait in a fixed queue, so that pumping never allocates.
const int QUEUE_CAPACITY = 64;
MSG queue[QUEUE_CAPACITY];
int queueLength = 0;

bool alive(HWND window)
{
    return std::any_of(windows.begin(), windows.end(),
                       [window](const std::unique_ptr<HWND__> &w) { return w.get() == window; });
}

bool post(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (queueLength == QUEUE_CAPACITY)
        return false;
    queue[queueLength++] = MSG{window, message, wParam, lParam, 0, {0, 0}};
    return true;
}

void forget_messages_of(HWND window)
{
    queueLength = static_cast<int>(
        std::remove_if(queue, queue + queueLength, [window](const MSG &m) { return m.hwnd == window; }) -
        queue);
}

void add_frame(RECT *rect, DWORD style, LONG sign)
{
    const LONG border = (style & (WS_THICKFRAME | WS_CAPTION)) ? FRAME_BORDER : 0;
    const LONG caption = (style & WS_CAPTION) == WS_CAPTION ? CAPTION_HEIGHT : 0;
    rect->left -= sign * border;
    rect->top -= sign * (border + caption);
    rect->right += sign * border;
    rect->bottom += sign * border;
}

// The client area in desktop coordinates: the screen knows it for the window
// it shows on the desktop, which the user may have moved or resized.
RECT client_on_desktop(HWND window)
{
    if (window == screenWindow && screenWindowed)
        return screen().client_area();
    RECT client = window->frame;
    add_frame(&client, window->style, -1);
    client.right = std::max(client.right, client.left);
    client.bottom = std::max(client.bottom, client.top);
    return client;
}

// The high word of a key-down's lParam, over a repeat count of 1.
LPARAM key_flags(const ScreenEvent &event, bool system)
{
    const UINT_PTR flags = (system && event.alt ? KF_ALTDOWN : 0) | (event.repeat ? KF_REPEAT : 0);
    return static_cast<LPARAM>(flags << 16 | 1);
}

bool in_range(UINT message, UINT filterMin, UINT filterMax)
{
    if (filterMin == 0 && filterMax == 0)
        return true;
    return message >= filterMin && message <= filterMax;
}

MSG to_message(const ScreenEvent &event)
{
    MSG msg = {screenWindow, 0, 0, 0, 0, {0, 0}};
    switch (event.kind) {
    case ScreenEventKind::KeyDown: {
        // Keys held with Alt, and F10, are the system's on the platform;
        // SPACE and ESC stay the demo's whatever is held with them.
        const bool system = (event.alt && event.key != VK_SPACE && event.key != VK_ESCAPE) || event.key == VK_F10;
        msg.message = system ? WM_SYSKEYDOWN : WM_KEYDOWN;
        msg.wParam = event.key;
        msg.lParam = key_flags(event, system);
        break;
    }
    case ScreenEventKind::Activate:
        msg.message = WM_ACTIVATEAPP;
        msg.wParam = TRUE;
        break;
    case ScreenEventKind::Deactivate:
        msg.message = WM_ACTIVATEAPP;
        msg.wParam = FALSE;
        break;
    case ScreenEventKind::Close:
        msg.message = WM_CLOSE;
        break;
    case ScreenEventKind::PointerOver:
        msg.message = WM_SETCURSOR;
        msg.wParam = reinterpret_cast<WPARAM>(screenWindow);
        msg.lParam = HTCLIENT | WM_MOUSEMOVE << 16;
        break;
    }
    return msg;
}

// Moves what the screen reported into the queue, behind what was posted
// before, while there is room.
void collect_screen_input()
{
    if (!screenWindow)
        return;
    ScreenEvent event;
    while (queueLength < QUEUE_CAPACITY && screen().next_event(&event))
        queue[queueLength++] = to_message(event);
}

} // namespace

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR iconName)
{
    if (instance != GetModuleHandleA(nullptr) || !iconName || std::strcmp(iconName, "IDI_MAIN") != 0)
        return nullptr;
    return icon_main();
}

ATOM WINAPI RegisterClassA(const WNDCLASSA *windowClass)
{
    if (!windowClass || !windowClass->lpszClassName || !windowClass->lpfnWndProc)
        return 0;
    for (const WindowClass &c : classes)
        if (c.name == windowClass->lpszClassName)
            return 0;
    classes.push_back(WindowClass{windowClass->lpszClassName, windowClass->lpfnWndProc, windowClass->hIcon,
                                  windowClass->hCursor});
    return static_cast<ATOM>(classes.size());
}

// Refused while a window of the class lives.
BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE)
{
    if (!className)
        return FALSE;
    auto named =
        std::find_if(classes.begin(), classes.end(), [className](const WindowClass &c) { return c.name == className; });
    const bool inUse = std::any_of(windows.begin(), windows.end(),
                                   [className](const std::unique_ptr<HWND__> &w) { return w->className == className; });
    if (named == classes.end() || inUse)
        return FALSE;
    classes.erase(named);
    return TRUE;
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                            int height, HWND, HMENU, HINSTANCE, LPVOID)
{
    if (!className)
        return nullptr;
    for (const WindowClass &c : classes) {
        if (c.name == className) {
            const RECT frame = {x, y, x + std::max(width, 0), y + std::max(height, 0)};
            windows.push_back(std::make_unique<HWND__>(
                HWND__{c.name, windowName ? windowName : "", c.procedure, c.icon, c.cursor, style, frame}));
            return windows.back().get();
        }
    }
    return nullptr;
}

BOOL WINAPI DestroyWindow(HWND window)
{
    if (!alive(window))
        return FALSE;
    if (window == screenWindow)
        window_leave_screen(window);
    forget_messages_of(window);
    windows.erase(std::find_if(windows.begin(), windows.end(),
                               [window](const std::unique_ptr<HWND__> &w) { return w.get() == window; }));
    return TRUE;
}

// The window takes the screen as a window on the desktop, and with it the
// input; the demo only ever shows a window, so every command shows.
BOOL WINAPI ShowWindow(HWND window, int)
{
    if (!alive(window))
        return FALSE;
    if (window == screenWindow)
        return TRUE;
    window_leave_screen(screenWindow);
    const RECT client = client_on_desktop(window);
    screenWindow = window;
    screenWindowed = true;
    screen().show_window(window->caption.c_str(), window->icon, client);
    post(window, WM_ACTIVATEAPP, TRUE, 0);
    return FALSE;
}

// The window that holds the screen is the one shown and typed to already:
// taking the screen activated the program.
BOOL WINAPI SetForegroundWindow(HWND window)
{
    return alive(window) ? TRUE : FALSE;
}

// Windows here have no menu bar.
BOOL WINAPI AdjustWindowRect(LPRECT rect, DWORD style, BOOL)
{
    if (!rect)
        return FALSE;
    add_frame(rect, style, 1);
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect)
{
    if (!rect || !alive(window))
        return FALSE;
    const RECT client = client_on_desktop(window);
    *rect = RECT{0, 0, client.right - client.left, client.bottom - client.top};
    return TRUE;
}

BOOL WINAPI ClientToScreen(HWND window, LPPOINT point)
{
    if (!point || !alive(window))
        return FALSE;
    const RECT client = client_on_desktop(window);
    point->x += client.left;
    point->y += client.top;
    return TRUE;
}

BOOL WINAPI PeekMessageA(MSG *msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMsg)
{
    if (!msg)
        return FALSE;
    if (!window || window == screenWindow)
        collect_screen_input();
    for (int i = 0; i < queueLength; ++i) {
        if ((window && queue[i].hwnd != window) || !in_range(queue[i].message, filterMin, filterMax))
            continue;
        *msg = queue[i];
        if (removeMsg & PM_REMOVE) {
            std::copy(queue + i + 1, queue + queueLength, queue + i);
            --queueLength;
        }
        return TRUE;
    }
    return FALSE;
}

// Without handles to wait on, only for input: what is queued already, or
// what the screen reports within the time.
DWORD WINAPI MsgWaitForMultipleObjects(DWORD count, const HANDLE *, BOOL, DWORD milliseconds, DWORD wakeMask)
{
    if (count != 0 || !(wakeMask & QS_ALLINPUT))
        return WAIT_FAILED;
    if (queueLength > 0)
        return WAIT_OBJECT_0;
    const int limit = milliseconds > INT_MAX ? -1 : static_cast<int>(milliseconds);
    return screen().wait_event(limit) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

// Key-downs become no character messages: the demo reads keys only.
BOOL WINAPI TranslateMessage(const MSG *)
{
    return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG *msg)
{
    if (!msg || !alive(msg->hwnd))
        return 0;
    return msg->hwnd->procedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_SETCURSOR:
        // The pointer is only ever reported over the client area, which
        // takes the class's cursor, when it has one.
        if (!alive(window) || !window->cursor)
            return FALSE;
        SetCursor(window->cursor);
        return TRUE;
    }
    return 0;
}

// Of the system's cursors only the arrow.
HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR cursorName)
{
    if (instance || cursorName != IDC_ARROW)
        return nullptr;
    return &arrowCursor;
}

HCURSOR WINAPI SetCursor(HCURSOR cursor)
{
    HCURSOR previous = currentCursor;
    currentCursor = cursor;
    screen().show_cursor(cursor != nullptr);
    return previous;
}

BOOL WINAPI SystemParametersInfoA(UINT action, UINT param, LPVOID data, UINT)
{
    switch (action) {
    case SPI_SETSCREENSAVEACTIVE:
        screen().allow_screen_saver(param != FALSE);
        return TRUE;
    case SPI_GETWORKAREA: {
        const RECT workArea = screen().desktop().workArea;
        if (!data || workArea.right <= workArea.left || workArea.bottom <= workArea.top)
            return FALSE;
        *static_cast<RECT *>(data) = workArea;
        return TRUE;
    }
    }
    return FALSE;
}

bool window_take_screen(HWND window)
{
    if (!alive(window))
        return false;
    screenWindow = window;
    screenWindowed = false;
    screen().show(window->caption.c_str(), window->icon);
    // Taking the screen activates the program, as it does on the platform.
    post(window, WM_ACTIVATEAPP, TRUE, 0);
    return true;
}

void window_leave_screen(HWND window)
{
    if (!window || window != screenWindow)
        return;
    screen().hide();
    screenWindow = nullptr;
    screenWindowed = false;
}
