// win32_test.cpp - the Win32 subset on its own: module loading, window
// classes and windows with their icon, messages from the screen's input,
// virtual-key codes and ending the process.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "directdraw.h"
#include "keys.h"
#include "screen_window.h"
#include "test_screen.h"

namespace {

std::vector<MSG> received;

LRESULT CALLBACK recording_procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    received.push_back(MSG{window, message, wParam, lParam, 0, {0, 0}});
    return 99;
}

HWND make_window(const char *name)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = recording_procedure;
    windowClass.lpszClassName = name;
    windowClass.hIcon = LoadIconA(GetModuleHandleA(nullptr), "IDI_MAIN");
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, name, name, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
}

std::vector<MSG> pump(HWND window)
{
    std::vector<MSG> taken;
    MSG msg;
    while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE))
        taken.push_back(msg);
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
    EXPECT_EQ(GetModuleHandleA("ddraw.dll"), nullptr);
    EXPECT_EQ(GetProcAddress(library, "DirectDrawCreate"), nullptr);
    EXPECT_FALSE(FreeLibrary(library));
    EXPECT_EQ(LoadLibraryA("ddraw.dll.bak"), nullptr);
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
}

TEST(Window, NeedsARegisteredClassShowsItsNameAndIconAndIsDestroyedOnce)
{
    EXPECT_EQ(CreateWindowExA(0, "never registered", "x", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    TestScreen screen;
    HWND window = make_window("named");
    ASSERT_TRUE(window_take_screen(window));
    EXPECT_EQ(screen.caption, "named");
    EXPECT_EQ(screen.icon, LoadIconA(GetModuleHandleA(nullptr), "IDI_MAIN"));
    EXPECT_EQ(DefWindowProcA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(screen.shown);
    EXPECT_FALSE(DestroyWindow(window)) << "WM_CLOSE destroyed it";
    EXPECT_FALSE(window_take_screen(window));
}

TEST(Messages, TakingTheScreenActivatesThenInputFollowsInOrderForItsWindowOnly)
{
    TestScreen screen;
    HWND window = make_window("messages");
    HWND other = make_window("other");
    ASSERT_TRUE(window_take_screen(window));
    screen.events = {{ScreenEventKind::KeyDown, 0x20},   {ScreenEventKind::KeyDown, 0x20},
                     {ScreenEventKind::Deactivate, 0},   {ScreenEventKind::Activate, 0},
                     {ScreenEventKind::PointerOver, 0}, {ScreenEventKind::KeyDown, 'A'},
                     {ScreenEventKind::Close, 0}};
    EXPECT_TRUE(pump(other).empty());
    const std::vector<MSG> taken = pump(window);
    const std::vector<std::pair<UINT, WPARAM>> expected = {
        {WM_ACTIVATEAPP, 1}, {WM_KEYDOWN, 0x20},  {WM_KEYDOWN, 0x20}, {WM_ACTIVATEAPP, 0},
        {WM_ACTIVATEAPP, 1}, {WM_SETCURSOR, reinterpret_cast<WPARAM>(window)}, {WM_KEYDOWN, 0x41}, {WM_CLOSE, 0}};
    ASSERT_EQ(taken.size(), expected.size());
    for (size_t i = 0; i < taken.size(); ++i) {
        EXPECT_EQ(taken[i].hwnd, window) << i;
        EXPECT_EQ(taken[i].message, expected[i].first) << i;
        EXPECT_EQ(taken[i].wParam, expected[i].second) << i;
    }
    DestroyWindow(other);
    DestroyWindow(window);
}

TEST(Keys, LettersDigitsAndNamedKeysGetTheirCodesAndOthersNone)
{
    const std::pair<SDL_Keycode, uint32_t> keys[] = {
        {SDLK_SPACE, 0x20}, {SDLK_ESCAPE, 0x1B}, {SDLK_a, 0x41},      {SDLK_z, 0x5A},   {SDLK_0, 0x30},
        {SDLK_9, 0x39},     {SDLK_RETURN, 0x0D}, {SDLK_LEFT, 0x25},   {SDLK_F12, 0x7B},
        // No code, though the low byte is that of ESC or SPACE.
        {SDL_SCANCODE_TO_KEYCODE(SDL_SCANCODE_APP1), VK_NONE}, {SDL_SCANCODE_TO_KEYCODE(0x120), VK_NONE},
        {SDLK_BACKQUOTE, VK_NONE},
    };
    for (const auto &key : keys)
        EXPECT_EQ(virtual_key(key.first), key.second) << "SDL key " << key.first;
}

TEST(Process, ExitProcessEndsAtOnceWithTheCode)
{
    EXPECT_EXIT(
        {
            std::atexit([] { std::fputs("exit handler ran\n", stderr); });
            std::fprintf(stderr, "before exit\n");
            ExitProcess(3);
        },
        ::testing::ExitedWithCode(3), ::testing::AllOf(::testing::HasSubstr("before exit"),
                                                       ::testing::Not(::testing::HasSubstr("exit handler ran"))));
}

} // namespace
