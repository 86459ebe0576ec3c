// directdraw_test.cpp - the DirectDraw stand-in over a test screen: modes, surfaces, flips and desktop blits.
#include <gtest/gtest.h>

#include <cstring>

#include "directdraw.h"
#include "test_screen.h"

namespace {

const DWORD CHAIN = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
// Several calls' results, made in order.
using Results = std::vector<HRESULT>;

DDSURFACEDESC describe(DWORD flags, DWORD caps, DWORD backBuffers = 0, DWORD width = 0, DWORD height = 0)
{
    DDSURFACEDESC desc = {};
    desc.dwSize = DDSURFACEDESC_SIZE;
    desc.dwFlags = flags;
    desc.dwBackBufferCount = backBuffers;
    desc.dwWidth = width;
    desc.dwHeight = height;
    desc.ddsCaps.dwCaps = caps;
    return desc;
}

class DirectDrawStandIn : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (primary)
            primary->Release();
        if (directDraw)
            directDraw->Release();
        DestroyWindow(window);
    }

    HRESULT lock(IDirectDrawSurface *surface, DDSURFACEDESC *desc)
    {
        *desc = describe(0, 0);
        return surface->Lock(nullptr, desc, DDLOCK_WAIT, nullptr);
    }

    TestScreen screen;
    HWND window = test_window("directdraw test");
    IDirectDraw *directDraw = nullptr;
    IDirectDrawSurface *primary = nullptr;
};

// One object, whose modes need the exclusive level, and one primary in a mode; one lock at a time, flips
// only unlocked, three surfaces taking turns; a mode left loses them; the last one gives the screen back.
TEST_F(DirectDrawStandIn, OneObjectInAModeFlipsAChainUnlockedUntilTheModeIsLeftAndTheLastSurfaceGivesTheScreenBack)
{
    EXPECT_LT(DirectDrawCreate(nullptr, nullptr, nullptr), 0);
    screen.available = false;
    IDirectDraw *refused = reinterpret_cast<IDirectDraw *>(1);
    EXPECT_LT(DirectDrawCreate(nullptr, &refused, nullptr), 0);
    EXPECT_EQ(refused, nullptr);
    screen.available = true;
    ASSERT_EQ(DirectDrawCreate(nullptr, &directDraw, nullptr), DD_OK);
    EXPECT_LT(DirectDrawCreate(nullptr, &refused, nullptr), 0) << "a second object";

    DDSURFACEDESC desc = describe(DDSD_CAPS | DDSD_BACKBUFFERCOUNT, CHAIN, 2), again;
    EXPECT_EQ(directDraw->CreateSurface(&desc, &primary, nullptr), DDERR_NODISPLAYMODE);
    EXPECT_EQ(directDraw->SetDisplayMode(320, 240, 32), DDERR_NOEXCLUSIVEMODE);
    EXPECT_LT(directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE), 0);
    EXPECT_LT(directDraw->SetCooperativeLevel(nullptr, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), 0);
    EXPECT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    EXPECT_LT(directDraw->SetDisplayMode(0, 240, 32), 0);
    EXPECT_EQ(directDraw->SetDisplayMode(320, 240, 24), DDERR_UNSUPPORTEDMODE);
    EXPECT_EQ(directDraw->SetDisplayMode(320, 240, 32), DD_OK);
    // The size a 32-bit program states is wrong in a 64-bit one.
    desc.dwSize = 108;
    EXPECT_EQ(directDraw->CreateSurface(&desc, &primary, nullptr), DDERR_INVALIDPARAMS);
    desc.dwSize = DDSURFACEDESC_SIZE;
    ASSERT_EQ(directDraw->CreateSurface(&desc, &primary, nullptr), DD_OK);
    IDirectDrawSurface *other = nullptr;
    EXPECT_EQ(directDraw->CreateSurface(&desc, &other, nullptr), DDERR_PRIMARYSURFACEALREADYEXISTS);
    DDPIXELFORMAT format = {};
    EXPECT_EQ(primary->GetPixelFormat(&format), DDERR_INVALIDPARAMS);
    EXPECT_EQ(screen.said(), "open refused, open, show directdraw test, mode 24, mode 32, back buffers 2");

    IDirectDrawSurface *back = nullptr;
    DDSCAPS caps = {DDSCAPS_BACKBUFFER};
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    std::vector<std::vector<uint8_t>> shown;
    for (uint8_t value : {0x11, 0x22, 0x33}) {
        ASSERT_EQ(lock(back, &desc), DD_OK);
        EXPECT_EQ((Results{lock(back, &again), primary->Flip(nullptr, DDFLIP_WAIT), back->Unlock(&again)}),
                  (Results{DDERR_SURFACEBUSY, DDERR_SURFACEBUSY, DDERR_INVALIDPARAMS}));
        std::memset(desc.lpSurface, value, static_cast<size_t>(desc.lPitch) * desc.dwHeight);
        EXPECT_EQ((Results{back->Unlock(desc.lpSurface), back->Unlock(desc.lpSurface)}),
                  (Results{DD_OK, DDERR_NOTLOCKED}));
        ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
        shown.emplace_back(320 * 240 * 4, value);
    }
    EXPECT_EQ(screen.frames, shown);
    screen.failingLocks = 1;
    EXPECT_EQ(lock(back, &desc), DDERR_SURFACEBUSY);
    ASSERT_EQ(lock(back, &desc), DD_OK);
    EXPECT_EQ(static_cast<uint8_t *>(desc.lpSurface)[0], 0x11);
    back->Unlock(desc.lpSurface);

    EXPECT_EQ(primary->Restore(), DD_OK);
    ASSERT_EQ(directDraw->SetDisplayMode(640, 480, 32), DD_OK);
    EXPECT_EQ((Results{lock(back, &desc), primary->Flip(nullptr, DDFLIP_WAIT), primary->Restore()}),
              (Results{DDERR_SURFACELOST, DDERR_SURFACELOST, DDERR_WRONGMODE}));
    EXPECT_EQ(screen.frames.size(), 3u);

    EXPECT_EQ(back->Release(), 1u);
    EXPECT_GT(directDraw->Release(), 0u);
    directDraw = nullptr;
    EXPECT_EQ(screen.said(), "present, present, present, mode 32");
    primary->Release();
    primary = nullptr;
    EXPECT_EQ(screen.said(), "restore mode, hide, close");
    ASSERT_EQ(DirectDrawCreate(nullptr, &directDraw, nullptr), DD_OK) << "and a new object can be made";
    EXPECT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    EXPECT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
    EXPECT_EQ(screen.said(), "open, show directdraw test, hide");
}

// At the normal level the primary is the desktop: its clipper's window turns
// a blit's rectangle into one of the client area, if it is in it at all.
TEST_F(DirectDrawStandIn, TheDesktopPrimaryTakesBlitsThroughItsClipperWindow)
{
    screen.desktopFormat = LAYOUT_RGB565;
    ASSERT_EQ(DirectDrawCreate(nullptr, &directDraw, nullptr), DD_OK);
    ASSERT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
    DDSURFACEDESC desc = describe(DDSD_CAPS | DDSD_BACKBUFFERCOUNT, CHAIN, 1);
    EXPECT_EQ(directDraw->CreateSurface(&desc, &primary, nullptr), DDERR_NOEXCLUSIVEMODE);
    desc = describe(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE);
    ASSERT_EQ(directDraw->CreateSurface(&desc, &primary, nullptr), DD_OK);

    // A 4x2 surface in the desktop's layout, at the screen's pitch.
    screen.extraPitch = 6;
    desc = describe(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, DDSCAPS_OFFSCREENPLAIN, 0, 4, 2);
    IDirectDrawSurface *offscreen = nullptr;
    ASSERT_EQ(directDraw->CreateSurface(&desc, &offscreen, nullptr), DD_OK);
    ASSERT_EQ(lock(offscreen, &desc), DD_OK);
    std::memset(desc.lpSurface, 0x5A, static_cast<size_t>(desc.lPitch) * 2);
    offscreen->Unlock(desc.lpSurface);

    ShowWindow(window, SW_SHOWNORMAL);
    screen.client = {100, 200, 500, 500};
    RECT target = {150, 210, 350, 310}, empty = {150, 210, 150, 310}, beside = {500, 200, 600, 300};
    EXPECT_EQ(primary->Blt(&target, offscreen, nullptr, DDBLT_WAIT, nullptr), DDERR_NOCLIPPERATTACHED);
    IDirectDrawClipper *clipper = nullptr;
    ASSERT_EQ(directDraw->CreateClipper(0, &clipper, nullptr), DD_OK);
    ASSERT_EQ(clipper->SetHWnd(0, window), DD_OK);
    ASSERT_EQ(primary->SetClipper(clipper), DD_OK);
    EXPECT_EQ(clipper->Release(), 1u);
    screen.said();

    EXPECT_EQ(primary->Blt(&target, offscreen, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    DDBLTFX magenta = {};
    magenta.dwSize = DDBLTFX_SIZE;
    magenta.dwFillColor = 0xF81F;
    EXPECT_EQ(primary->Blt(&target, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &magenta), DD_OK);
    EXPECT_EQ(primary->Blt(&empty, offscreen, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(primary->Blt(&beside, offscreen, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(screen.said(), "picture 4x2 at {50, 10, 250, 110}, fill {50, 10, 250, 110} ff00ff");
    EXPECT_EQ(screen.frames, (std::vector<std::vector<uint8_t>>{std::vector<uint8_t>(14 * 2, 0x5A)}));
    offscreen->Release();
}

} // namespace
