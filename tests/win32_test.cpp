// win32_test.cpp - the Win32 subset on its own: modules, windows and their messages, key codes, process exit.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "directdraw.h"
#include "keys.h"
#include "screen_window.h"
#include "test_screen.h"

namespace {

using Message = std::pair<UINT, WPARAM>;

std::vector<Message> pump(HWND window)
{
    std::vector<Message> taken;
    MSG msg;
    while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE))
        taken.emplace_back(msg.message, msg.wParam);
    return taken;
}

TEST(Library, OnlyDdrawDllIsFoundAndItLeadsToDirectDrawCreateWhileLoaded)
{
    HMODULE library = LoadLibraryA("DDraw.DLL");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(GetModuleHandleA("ddraw.dll"), library);
    FARPROC create = GetProcAddress(library, "DirectDrawCreate");
    EXPECT_EQ(reinterpret_cast<void (*)()>(create), reinterpret_cast<void (*)()>(DirectDrawCreate));
    EXPECT_EQ(GetProcAddress(library, "DirectDrawCreateEx"), nullptr);
    EXPECT_TRUE(FreeLibrary(library));
    EXPECT_EQ(std::make_tuple(GetModuleHandleA("ddraw.dll"), GetProcAddress(library, "DirectDrawCreate"),
                              FreeLibrary(library), LoadLibraryA("ddraw.dll.bak"), LoadLibraryA(nullptr)),
              std::make_tuple(HMODULE{}, FARPROC{}, FALSE, HMODULE{}, HMODULE{}));
}

// The screen's input follows the activation in order, to that window only,
// also beyond what the queue holds at once; WM_CLOSE destroys it, once.
TEST(Window, TakesTheScreenAndItsInputUntilClosed)
{
    EXPECT_EQ(CreateWindowExA(0, "never registered", "x", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    TestScreen screen;
    HWND window = test_window("messages"), other = test_window("other");
    ASSERT_TRUE(window_take_screen(window));
    EXPECT_EQ(screen.icon, LoadIconA(GetModuleHandleA(nullptr), "IDI_MAIN"));
    screen.events = {{Kind::KeyDown, 0x20}, {Kind::KeyDown, 0x20}, {Kind::Deactivate, 0}, {Kind::Activate, 0},
                     {Kind::PointerOver, 0}, {Kind::KeyDown, 'A'}, {Kind::Close, 0}};
    EXPECT_TRUE(pump(other).empty());
    EXPECT_EQ(pump(window), (std::vector<Message>{{WM_ACTIVATEAPP, 1}, {WM_KEYDOWN, 0x20}, {WM_KEYDOWN, 0x20},
                                                  {WM_ACTIVATEAPP, 0}, {WM_ACTIVATEAPP, 1},
                                                  {WM_SETCURSOR, reinterpret_cast<WPARAM>(window)},
                                                  {WM_KEYDOWN, 0x41}, {WM_CLOSE, 0}}));
    screen.events.assign(100, {ScreenEventKind::KeyDown, 'K'});
    EXPECT_EQ(pump(window).size(), 100u);

    EXPECT_EQ(DefWindowProcA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(screen.said(), "show messages, hide");
    EXPECT_FALSE(DestroyWindow(window)) << "WM_CLOSE destroyed it";
    EXPECT_FALSE(window_take_screen(window));
    DestroyWindow(other);
}

// Held with Alt, and F10, keys are the system's, Alt's flag with them, but SPACE and ESC stay the demo's; a held key
// says so. A wait for input ends at once while messages are queued, else when the screen has input or time is up.
TEST(Window, KeysComeAsThePlatformsKeyboardMakesThemAndAWaitEndsWithInput)
{
    TestScreen screen;
    HWND window = test_window("system keys");
    ASSERT_TRUE(window_take_screen(window));
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 30, QS_ALLINPUT), WAIT_OBJECT_0);
    screen.events = {{Kind::KeyDown, VK_RETURN, true}, {Kind::KeyDown, VK_RETURN, true, true},
                     {Kind::KeyDown, VK_F10},          {Kind::KeyDown, VK_SPACE, true},
                     {Kind::KeyDown, VK_ESCAPE, true}, {Kind::KeyDown, 'A', false, true}};
    std::vector<std::tuple<UINT, WPARAM, LPARAM>> taken;
    for (MSG msg; PeekMessageA(&msg, window, 0, 0, PM_REMOVE);)
        taken.emplace_back(msg.message, msg.wParam, msg.lParam);
    EXPECT_EQ(taken, (std::vector<std::tuple<UINT, WPARAM, LPARAM>>{
                         {WM_ACTIVATEAPP, 1, 0}, {WM_SYSKEYDOWN, 0x0D, 0x20000001}, {WM_SYSKEYDOWN, 0x0D, 0x60000001},
                         {WM_SYSKEYDOWN, 0x79, 1}, {WM_KEYDOWN, 0x20, 1}, {WM_KEYDOWN, 0x1B, 1},
                         {WM_KEYDOWN, 'A', 0x40000001}}));
    screen.said();
    HANDLE handle = nullptr;
    const DWORD idle = MsgWaitForMultipleObjects(0, nullptr, FALSE, 30, QS_ALLINPUT);
    screen.events = {{Kind::Close, 0}};
    const DWORD input = MsgWaitForMultipleObjects(0, nullptr, FALSE, 0xFFFFFFFF, QS_ALLINPUT);
    EXPECT_EQ(std::make_tuple(idle, input, MsgWaitForMultipleObjects(1, &handle, FALSE, 30, QS_ALLINPUT),
                              screen.said()),
              std::make_tuple(WAIT_TIMEOUT, WAIT_OBJECT_0, WAIT_FAILED, std::string("wait 30, wait -1")));
    DestroyWindow(window);
}

TEST(Keys, LettersDigitsAndNamedKeysGetTheirCodesAndOthersNone)
{
    const std::pair<SDL_Keycode, uint32_t> keys[] = {
        {SDLK_SPACE, 0x20}, {SDLK_ESCAPE, 0x1B}, {SDLK_a, 0x41}, {SDLK_z, 0x5A}, {SDLK_0, 0x30}, {SDLK_9, 0x39},
        {SDLK_RETURN, 0x0D}, {SDLK_LEFT, 0x25}, {SDLK_F12, 0x7B}, {SDLK_LEFTBRACKET, 0xDB},
        {SDLK_RIGHTBRACKET, 0xDD}, {SDLK_BACKQUOTE, VK_NONE},
        // No code, though the low byte is that of ESC or SPACE.
        {SDL_SCANCODE_TO_KEYCODE(SDL_SCANCODE_APP1), VK_NONE}, {SDL_SCANCODE_TO_KEYCODE(0x120), VK_NONE}};
    for (const auto &key : keys)
        EXPECT_EQ(virtual_key(key.first), key.second) << "SDL key " << key.first;
}

// No exit handler prints after the last line, which only a flush at the exit shows.
TEST(Process, ExitProcessEndsAtOnceWithTheCode)
{
    EXPECT_EXIT(
        {
            std::atexit([] { std::fputs("exit handler ran\n", stderr); });
            std::setvbuf(stderr, nullptr, _IOFBF, BUFSIZ);
            std::fputs("before exit\n", stderr);
            ExitProcess(3);
        },
        ::testing::ExitedWithCode(3), "before exit\n$");
}

} // namespace
