// test_screen.cpp - the screen tests install: everything it is asked is
// logged, every frame presented is copied.
#include "test_screen.h"

#include <cstdio>

TestScreen::TestScreen()
{
    modes[32] = LAYOUT_RGB32;
    screen_install(this);
}

TestScreen::~TestScreen() { screen_install(nullptr); }

void TestScreen::note(const std::string &line)
{
    log.push_back(line);
    if (echo)
        std::fprintf(stderr, "screen: %s\n", line.c_str());
}

bool TestScreen::open()
{
    note(available ? "open" : "open refused");
    return isOpen = available;
}

void TestScreen::close()
{
    note("close");
    isOpen = false;
}

void TestScreen::show(const char *newCaption, HICON newIcon)
{
    note("show");
    shown = true;
    caption = newCaption;
    icon = newIcon;
}

void TestScreen::hide()
{
    note("hide");
    shown = false;
}

bool TestScreen::set_mode(int newWidth, int newHeight, int bits, ScreenFormat *newFormat)
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

void TestScreen::restore_mode() { note("restore mode"); }

bool TestScreen::grant_back_buffers(int count)
{
    backBufferRequests.push_back(count);
    return count <= maxBackBuffers;
}

LONG TestScreen::pitch(int rowWidth, int bytesPerPixel) { return rowWidth * bytesPerPixel + extraPitch; }

bool TestScreen::lock_allowed()
{
    if (failingLocks == 0)
        return true;
    --failingLocks;
    return false;
}

void TestScreen::present(const void *pixels, LONG newPitch)
{
    note("present");
    presentedPitch = newPitch;
    const uint8_t *bytes = static_cast<const uint8_t *>(pixels);
    frames.emplace_back(bytes, bytes + static_cast<size_t>(newPitch) * static_cast<size_t>(height));
}

bool TestScreen::next_event(ScreenEvent *event)
{
    if (events.empty())
        return false;
    *event = events.front();
    events.pop_front();
    return true;
}

void TestScreen::show_cursor(bool shownNow) { cursorShown = shownNow; }

void TestScreen::allow_screen_saver(bool allowed)
{
    note(allowed ? "screen saver allowed" : "screen saver off");
    screenSaverAllowed = allowed;
}
