// directdraw_test.cpp - the DirectDraw stand-in over a test screen: creation,
// cooperative level and modes, record sizes, the flipping chain, lock rules,
// lost surfaces and the order of release.
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

} // namespace
