// directdraw.h - the DirectDraw subset the display layer calls (first
// interface version): an exclusive full-screen mode of a chosen depth, a
// primary surface with a flipping chain, lock, unlock and flip. Shaped like
// the platform's interface so that src/ compiles unchanged against either;
// the records keep the platform's layout, since callers state their size. Implemented in
// directdraw.cpp over the installed screen (screen.h).
#pragma once

#include "windows.h"

struct _GUID;
typedef _GUID GUID;
struct IUnknown;
// Only whole surfaces are locked, so a rectangle is never looked into.
struct tagRECT;
typedef tagRECT RECT;

// Cooperative levels.
const DWORD DDSCL_FULLSCREEN = 0x1;
const DWORD DDSCL_NORMAL = 0x8;
const DWORD DDSCL_EXCLUSIVE = 0x10;

// Which fields of a surface description are valid.
const DWORD DDSD_CAPS = 0x1;
const DWORD DDSD_BACKBUFFERCOUNT = 0x20;

// Surface capabilities.
const DWORD DDSCAPS_BACKBUFFER = 0x4;
const DWORD DDSCAPS_COMPLEX = 0x8;
const DWORD DDSCAPS_FLIP = 0x10;
const DWORD DDSCAPS_PRIMARYSURFACE = 0x200;
const DWORD DDSCAPS_VIDEOMEMORY = 0x4000;

// Pixel format flags.
const DWORD DDPF_PALETTEINDEXED8 = 0x20;
const DWORD DDPF_RGB = 0x40;

const DWORD DDLOCK_WAIT = 0x1;
const DWORD DDFLIP_WAIT = 0x1;

// Results. Failures are negative, as the interface demands; which failure
// carries which value is this stand-in's own choice.
const HRESULT DD_OK = 0;
const HRESULT DDERR_INVALIDPARAMS = -2;
const HRESULT DDERR_NODIRECTDRAWHW = -3;
const HRESULT DDERR_NOEXCLUSIVEMODE = -4;
const HRESULT DDERR_UNSUPPORTEDMODE = -5;
const HRESULT DDERR_OUTOFVIDEOMEMORY = -6;
const HRESULT DDERR_PRIMARYSURFACEALREADYEXISTS = -7;
const HRESULT DDERR_NOTFOUND = -8;
const HRESULT DDERR_SURFACEBUSY = -9;
const HRESULT DDERR_NOTLOCKED = -10;
const HRESULT DDERR_NOTFLIPPABLE = -11;
const HRESULT DDERR_NODISPLAYMODE = -12;
// Surfaces made for a mode that has since been left are lost.
const HRESULT DDERR_SURFACELOST = -13;
const HRESULT DDERR_WRONGMODE = -14;


typedef struct _DDPIXELFORMAT {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwFourCC;
    DWORD dwRGBBitCount;
    DWORD dwRBitMask;
    DWORD dwGBitMask;
    DWORD dwBBitMask;
    DWORD dwRGBAlphaBitMask;
} DDPIXELFORMAT;

typedef struct _DDSCAPS {
    DWORD dwCaps;
} DDSCAPS;

typedef struct _DDCOLORKEY {
    DWORD dwColorSpaceLowValue;
    DWORD dwColorSpaceHighValue;
} DDCOLORKEY;

typedef struct _DDSURFACEDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    LONG lPitch;
    DWORD dwBackBufferCount;
    DWORD dwRefreshRate;
    DWORD dwAlphaBitDepth;
    DWORD dwReserved;
    LPVOID lpSurface;
    DDCOLORKEY ddckCKDestOverlay;
    DDCOLORKEY ddckCKDestBlt;
    DDCOLORKEY ddckCKSrcOverlay;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS ddsCaps;
} DDSURFACEDESC;

// A caller states the record's size in dwSize and the stand-in, like the
// platform, refuses any other: 108 and 32 bytes in a 32-bit program, the
// surface address making the first 120 in a 64-bit one.
const DWORD DDPIXELFORMAT_SIZE = sizeof(DDPIXELFORMAT);
const DWORD DDSURFACEDESC_SIZE = sizeof(DDSURFACEDESC);
static_assert(sizeof(DDPIXELFORMAT) == 32, "the platform's pixel format record");
static_assert(sizeof(DDSURFACEDESC) == (sizeof(void *) == 8 ? 120 : 108), "the platform's surface record");

struct IDirectDrawSurface {
    virtual DWORD Release() = 0;
    virtual HRESULT GetAttachedSurface(DDSCAPS *caps, IDirectDrawSurface **surface) = 0;
    virtual HRESULT GetPixelFormat(DDPIXELFORMAT *format) = 0;
    virtual HRESULT Restore() = 0;
    virtual HRESULT Lock(RECT *rect, DDSURFACEDESC *desc, DWORD flags, LPVOID event) = 0;
    virtual HRESULT Unlock(LPVOID surfaceData) = 0;
    virtual HRESULT Flip(IDirectDrawSurface *target, DWORD flags) = 0;

protected:
    ~IDirectDrawSurface() = default;
};

struct IDirectDraw {
    virtual DWORD Release() = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
    virtual HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bits) = 0;
    virtual HRESULT CreateSurface(DDSURFACEDESC *desc, IDirectDrawSurface **surface,
                                  IUnknown *outer) = 0;
    virtual HRESULT RestoreDisplayMode() = 0;

protected:
    ~IDirectDraw() = default;
};

typedef IDirectDraw *LPDIRECTDRAW;
typedef IDirectDrawSurface *LPDIRECTDRAWSURFACE;

// The one export of "ddraw.dll"; found by name through GetProcAddress.
// Fails (negative) when no screen is available.
HRESULT WINAPI DirectDrawCreate(GUID *driver, LPDIRECTDRAW *directDraw, IUnknown *outer);
