// directdraw_test.cpp - the DirectDraw stand-in over a test screen: creation,
// cooperative level and modes, record sizes, the flipping chain, lock rules,
// lost surfaces, the order of release, and blits onto the desktop.
#include <gtest/gtest.h>

#include <cstring>

#include "directdraw.h"
#include "test_screen.h"

namespace {

LRESULT CALLBACK quiet_procedure(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

DDSURFACEDESC chain_description(DWORD backBuffers)
{
    DDSURFACEDESC desc = {};
    desc.dwSize = DDSURFACEDESC_SIZE;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = backBuffers;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    return desc;
}

class DirectDrawStandIn : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = quiet_procedure;
        windowClass.lpszClassName = "directdraw test";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, "directdraw test", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    }

    void TearDown() override
    {
        if (primary)
            primary->Release();
        if (directDraw)
            directDraw->Release();
        DestroyWindow(window);
    }

    // A DirectDraw object in exclusive mode at 320x240 with a chain of
    // `backBuffers`.
    void open(DWORD backBuffers = 2)
    {
        ASSERT_EQ(DirectDrawCreate(nullptr, &directDraw, nullptr), DD_OK);
        ASSERT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
        ASSERT_EQ(directDraw->SetDisplayMode(320, 240, static_cast<DWORD>(screen.modes.begin()->first)), DD_OK);
        DDSURFACEDESC desc = chain_description(backBuffers);
        ASSERT_EQ(directDraw->CreateSurface(&desc, &primary, nullptr), DD_OK);
        DDSCAPS caps = {DDSCAPS_BACKBUFFER};
        ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    }

    DDSURFACEDESC lock(IDirectDrawSurface *surface)
    {
        DDSURFACEDESC desc = {};
        desc.dwSize = DDSURFACEDESC_SIZE;
        EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        return desc;
    }

    TestScreen screen;
    HWND window = nullptr;
    IDirectDraw *directDraw = nullptr;
    IDirectDrawSurface *primary = nullptr, *back = nullptr;
};

TEST_F(DirectDrawStandIn, OneObjectOnAScreenWhoseModesNeedTheExclusiveLevelAndOnePrimaryInAMode)
{
    EXPECT_LT(DirectDrawCreate(nullptr, nullptr, nullptr), 0);
    screen.available = false;
    IDirectDraw *refused = reinterpret_cast<IDirectDraw *>(1);
    EXPECT_LT(DirectDrawCreate(nullptr, &refused, nullptr), 0);
    EXPECT_EQ(refused, nullptr);
    screen.available = true;
    ASSERT_EQ(DirectDrawCreate(nullptr, &directDraw, nullptr), DD_OK);
    IDirectDraw *second = nullptr;
    EXPECT_LT(DirectDrawCreate(nullptr, &second, nullptr), 0);

    DDSURFACEDESC desc = chain_description(2);
    EXPECT_EQ(directDraw->CreateSurface(&desc, &primary, nullptr), DDERR_NODISPLAYMODE);
    EXPECT_EQ(directDraw->SetDisplayMode(320, 240, 32), DDERR_NOEXCLUSIVEMODE);
    EXPECT_LT(directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE), 0);
    EXPECT_LT(directDraw->SetCooperativeLevel(nullptr, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), 0);
    EXPECT_FALSE(screen.shown);
    EXPECT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    EXPECT_TRUE(screen.shown);
    EXPECT_LT(directDraw->SetDisplayMode(0, 240, 32), 0);
    EXPECT_EQ(directDraw->SetDisplayMode(320, 240, 24), DDERR_UNSUPPORTEDMODE);
    EXPECT_EQ(directDraw->SetDisplayMode(320, 240, 32), DD_OK);
    // The size a 32-bit program states is wrong in a 64-bit one.
    desc.dwSize = 108;
    EXPECT_EQ(directDraw->CreateSurface(&desc, &primary, nullptr), DDERR_INVALIDPARAMS);
    desc = chain_description(2);
    ASSERT_EQ(directDraw->CreateSurface(&desc, &primary, nullptr), DD_OK);
    IDirectDrawSurface *other = nullptr;
    EXPECT_EQ(directDraw->CreateSurface(&desc, &other, nullptr), DDERR_PRIMARYSURFACEALREADYEXISTS);
    DDPIXELFORMAT format = {};
    EXPECT_EQ(primary->GetPixelFormat(&format), DDERR_INVALIDPARAMS);
    EXPECT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
    EXPECT_FALSE(screen.shown);
}

TEST_F(DirectDrawStandIn, FlipShowsTheBackBufferAndTurnsTheChain)
{
    open(2);
    const uint8_t shown[] = {0x11, 0x22, 0x33};
    for (uint8_t value : shown) {
        DDSURFACEDESC desc = lock(back);
        std::memset(desc.lpSurface, value, static_cast<size_t>(desc.lPitch) * desc.dwHeight);
        EXPECT_EQ(back->Unlock(desc.lpSurface), DD_OK);
        ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    }
    ASSERT_EQ(screen.frames.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(screen.frames[i].size(), 320u * 240 * 4);
        EXPECT_EQ(screen.frames[i].front(), shown[i]);
        EXPECT_EQ(screen.frames[i].back(), shown[i]);
    }
    // Three surfaces take turns: the back buffer now holds the first frame.
    DDSURFACEDESC desc = lock(back);
    EXPECT_EQ(static_cast<uint8_t *>(desc.lpSurface)[0], 0x11);
    back->Unlock(desc.lpSurface);
}

TEST_F(DirectDrawStandIn, LocksAreExclusiveAndFlipWaitsForUnlock)
{
    open(1);
    DDSURFACEDESC desc = lock(back), again = {};
    again.dwSize = DDSURFACEDESC_SIZE;
    EXPECT_EQ(back->Lock(nullptr, &again, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACEBUSY);
    EXPECT_EQ(back->Unlock(&again), DDERR_INVALIDPARAMS);
    EXPECT_EQ(back->Unlock(desc.lpSurface), DD_OK);
    EXPECT_EQ(back->Unlock(desc.lpSurface), DDERR_NOTLOCKED);
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    screen.failingLocks = 1;
    EXPECT_EQ(back->Lock(nullptr, &again, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(back->Lock(nullptr, &again, DDLOCK_WAIT, nullptr), DD_OK);
    back->Unlock(again.lpSurface);
}

TEST_F(DirectDrawStandIn, SurfacesOfALeftModeAreLost)
{
    open();
    EXPECT_EQ(primary->Restore(), DD_OK);
    ASSERT_EQ(directDraw->SetDisplayMode(640, 480, 32), DD_OK);
    DDSURFACEDESC desc = {};
    desc.dwSize = DDSURFACEDESC_SIZE;
    EXPECT_EQ(back->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACELOST);
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACELOST);
    EXPECT_EQ(primary->Restore(), DDERR_WRONGMODE);
    EXPECT_TRUE(screen.frames.empty());
}

TEST_F(DirectDrawStandIn, TheScreenIsGivenBackWhenTheLastReferenceGoes)
{
    open();
    EXPECT_EQ(back->Release(), 1u);
    EXPECT_GT(directDraw->Release(), 0u);
    directDraw = nullptr;
    EXPECT_TRUE(screen.isOpen);
    primary->Release();
    primary = nullptr;
    EXPECT_FALSE(screen.isOpen);
    EXPECT_FALSE(screen.shown);
    ASSERT_EQ(DirectDrawCreate(nullptr, &directDraw, nullptr), DD_OK) << "and a new object can be made";
}

// At the normal level the primary is the desktop: blits onto it name a
// rectangle of the desktop, which its clipper's window turns into one of the
// client area.
TEST_F(DirectDrawStandIn, TheDesktopPrimaryTakesBlitsThroughItsClipperWindow)
{
    screen.desktopFormat = LAYOUT_RGB565;
    ASSERT_EQ(DirectDrawCreate(nullptr, &directDraw, nullptr), DD_OK);
    ASSERT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
    DDSURFACEDESC desc = chain_description(1);
    EXPECT_EQ(directDraw->CreateSurface(&desc, &primary, nullptr), DDERR_NOEXCLUSIVEMODE);
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    ASSERT_EQ(directDraw->CreateSurface(&desc, &primary, nullptr), DD_OK);

    // A 4x2 surface in the desktop's layout, at the screen's pitch.
    screen.extraPitch = 6;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = 4;
    desc.dwHeight = 2;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    IDirectDrawSurface *offscreen = nullptr;
    ASSERT_EQ(directDraw->CreateSurface(&desc, &offscreen, nullptr), DD_OK);
    DDSURFACEDESC locked = lock(offscreen);
    EXPECT_EQ(locked.lPitch, 4 * 2 + 6);
    std::memset(locked.lpSurface, 0x5A, static_cast<size_t>(locked.lPitch) * 2);
    offscreen->Unlock(locked.lpSurface);

    ShowWindow(window, SW_SHOWNORMAL);
    screen.client = {100, 200, 500, 500};
    RECT target = {150, 210, 350, 310};
    EXPECT_EQ(primary->Blt(&target, offscreen, nullptr, DDBLT_WAIT, nullptr), DDERR_NOCLIPPERATTACHED);
    IDirectDrawClipper *clipper = nullptr;
    ASSERT_EQ(directDraw->CreateClipper(0, &clipper, nullptr), DD_OK);
    ASSERT_EQ(clipper->SetHWnd(0, window), DD_OK);
    ASSERT_EQ(primary->SetClipper(clipper), DD_OK);
    EXPECT_EQ(clipper->Release(), 1u);

    ASSERT_EQ(primary->Blt(&target, offscreen, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    ASSERT_EQ(screen.pictureAreas.size(), 1u);
    EXPECT_EQ(screen.pictureAreas[0], (RECT{50, 10, 250, 110}));
    EXPECT_EQ(screen.frameSizes[0], std::make_pair(4, 2));
    EXPECT_EQ(screen.frames[0], std::vector<uint8_t>(14 * 2, 0x5A));

    DDBLTFX magenta = {};
    magenta.dwSize = DDBLTFX_SIZE;
    magenta.dwFillColor = 0xF81F;
    ASSERT_EQ(primary->Blt(&target, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &magenta), DD_OK);
    ASSERT_EQ(screen.fills.size(), 1u);
    EXPECT_EQ(screen.fills[0].first, (RECT{50, 10, 250, 110}));
    EXPECT_EQ(screen.fills[0].second, 0xFF00FFu);

    // Nothing reaches the screen from an empty rectangle or one beside the window.
    RECT empty = {150, 210, 150, 310}, beside = {500, 200, 600, 300};
    EXPECT_EQ(primary->Blt(&empty, offscreen, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(primary->Blt(&beside, offscreen, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(screen.frames.size(), 1u);
    offscreen->Release();
}

} // namespace
