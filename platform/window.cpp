// window.cpp - window classes, windows and their messages, the cursor, the
// screen-saver switch and the icon resource. Owns the registered classes,
// the live windows, the queue of posted messages and the window that holds
// the screen; the screen's input reaches that window as messages here.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "icon.h"
#include "screen.h"
#include "screen_window.h"

struct HWND__ {
    std::string caption;
    WNDPROC procedure;
    HICON icon;
};

namespace {

struct WindowClass {
    std::string name;
    WNDPROC procedure;
    HICON icon;
};

std::vector<WindowClass> classes;
std::vector<std::unique_ptr<HWND__>> windows;
HWND screenWindow = nullptr;
HCURSOR currentCursor = nullptr;

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
    case ScreenEventKind::KeyDown:
        msg.message = WM_KEYDOWN;
        msg.wParam = event.key;
        break;
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
    classes.push_back(WindowClass{windowClass->lpszClassName, windowClass->lpfnWndProc, windowClass->hIcon});
    return static_cast<ATOM>(classes.size());
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD, int, int, int, int,
                            HWND, HMENU, HINSTANCE, LPVOID)
{
    if (!className)
        return nullptr;
    for (const WindowClass &c : classes) {
        if (c.name == className) {
            windows.push_back(std::make_unique<HWND__>(HWND__{windowName ? windowName : "", c.procedure, c.icon}));
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
    if (message == WM_CLOSE)
        DestroyWindow(window);
    return 0;
}

HCURSOR WINAPI SetCursor(HCURSOR cursor)
{
    HCURSOR previous = currentCursor;
    currentCursor = cursor;
    screen().show_cursor(cursor != nullptr);
    return previous;
}

BOOL WINAPI SystemParametersInfoA(UINT action, UINT param, LPVOID, UINT)
{
    if (action != SPI_SETSCREENSAVEACTIVE)
        return FALSE;
    screen().allow_screen_saver(param != FALSE);
    return TRUE;
}

bool window_take_screen(HWND window)
{
    if (!alive(window))
        return false;
    screenWindow = window;
    screen().show(window->caption.c_str(), window->icon);
    // Taking the screen activates the program, as it does on the platform.
    post(window, WM_ACTIVATEAPP, TRUE, 0);
    return true;
}

void window_leave_screen(HWND window)
{
    if (window != screenWindow)
        return;
    screen().hide();
    screenWindow = nullptr;
}
