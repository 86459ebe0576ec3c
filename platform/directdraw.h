// directdraw.h - the DirectDraw subset the display layer calls (first
// interface version): an exclusive full-screen mode of a chosen depth, a
// primary surface with a flipping chain, lock, unlock and flip; and for a
// window on the desktop, a primary without a chain, a clipper bound to the
// window, an offscreen surface, and blits onto the primary that stretch or
// fill. Shaped like the platform's interface so that src/ compiles
// unchanged against either; the records keep the platform's layout, since
// callers state their size. Implemented in directdraw.cpp over the
// installed screen (screen.h).
#pragma once

#include "windows.h"

struct _GUID;
typedef _GUID GUID;
struct IUnknown;

// Cooperative levels.
const DWORD DDSCL_FULLSCREEN = 0x1;
const DWORD DDSCL_NORMAL = 0x8;
const DWORD DDSCL_EXCLUSIVE = 0x10;

// Which fields of a surface description are valid.
const DWORD DDSD_CAPS = 0x1;
const DWORD DDSD_HEIGHT = 0x2;
const DWORD DDSD_WIDTH = 0x4;
const DWORD DDSD_BACKBUFFERCOUNT = 0x20;

// Surface capabilities.
const DWORD DDSCAPS_BACKBUFFER = 0x4;
const DWORD DDSCAPS_COMPLEX = 0x8;
const DWORD DDSCAPS_FLIP = 0x10;
const DWORD DDSCAPS_OFFSCREENPLAIN = 0x40;
const DWORD DDSCAPS_PRIMARYSURFACE = 0x200;
const DWORD DDSCAPS_VIDEOMEMORY = 0x4000;

// Pixel format flags.
const DWORD DDPF_PALETTEINDEXED8 = 0x20;
const DWORD DDPF_RGB = 0x40;

const DWORD DDLOCK_WAIT = 0x1;
const DWORD DDFLIP_WAIT = 0x1;
const DWORD DDBLT_COLORFILL = 0x400;
const DWORD DDBLT_WAIT = 0x1000000;

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
const HRESULT DDERR_NOCOOPERATIVELEVELSET = -15;
const HRESULT DDERR_UNSUPPORTED = -16;
const HRESULT DDERR_CANTLOCKSURFACE = -17;
const HRESULT DDERR_INVALIDRECT = -18;
const HRESULT DDERR_INVALIDPIXELFORMAT = -19;
const HRESULT DDERR_NOCLIPPERATTACHED = -20;

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

struct IDirectDrawSurface;

// What a blit does beyond copying; of it the stand-in reads the fill colour,
// given in the destination's pixel format.
typedef struct _DDBLTFX {
    DWORD dwSize;
    DWORD dwDDFX;
    DWORD dwROP;
    DWORD dwDDROP;
    DWORD dwRotationAngle;
    DWORD dwZBufferOpCode;
    DWORD dwZBufferLow;
    DWORD dwZBufferHigh;
    DWORD dwZBufferBaseDest;
    DWORD dwZDestConstBitDepth;
    union {
        DWORD dwZDestConst;
        IDirectDrawSurface *lpDDSZBufferDest;
    };
    DWORD dwZSrcConstBitDepth;
    union {
        DWORD dwZSrcConst;
        IDirectDrawSurface *lpDDSZBufferSrc;
    };
    DWORD dwAlphaEdgeBlendBitDepth;
    DWORD dwAlphaEdgeBlend;
    DWORD dwReserved;
    DWORD dwAlphaDestConstBitDepth;
    union {
        DWORD dwAlphaDestConst;
        IDirectDrawSurface *lpDDSAlphaDest;
    };
    DWORD dwAlphaSrcConstBitDepth;
    union {
        DWORD dwAlphaSrcConst;
        IDirectDrawSurface *lpDDSAlphaSrc;
    };
    union {
        DWORD dwFillColor;
        DWORD dwFillDepth;
        DWORD dwFillPixel;
        IDirectDrawSurface *lpDDSPattern;
    };
    DDCOLORKEY ddckDestColorkey;
    DDCOLORKEY ddckSrcColorkey;
} DDBLTFX, *LPDDBLTFX;

// A caller states the record's size in dwSize and the stand-in, like the
// platform, refuses any other: 108 and 32 bytes in a 32-bit program, the
// surface address making the first 120 in a 64-bit one.
const DWORD DDPIXELFORMAT_SIZE = sizeof(DDPIXELFORMAT);
const DWORD DDSURFACEDESC_SIZE = sizeof(DDSURFACEDESC);
const DWORD DDBLTFX_SIZE = sizeof(DDBLTFX);
static_assert(sizeof(DDPIXELFORMAT) == 32, "the platform's pixel format record");
static_assert(sizeof(DDSURFACEDESC) == (sizeof(void *) == 8 ? 120 : 108), "the platform's surface record");
static_assert(sizeof(DDBLTFX) == (sizeof(void *) == 8 ? 128 : 100), "the platform's blit record");

// Keeps blits onto the primary inside a window's client area.
struct IDirectDrawClipper {
    virtual DWORD Release() = 0;
    virtual HRESULT SetHWnd(DWORD flags, HWND window) = 0;

protected:
    ~IDirectDrawClipper() = default;
};

struct IDirectDrawSurface {
    virtual DWORD Release() = 0;
    virtual HRESULT GetAttachedSurface(DDSCAPS *caps, IDirectDrawSurface **surface) = 0;
    virtual HRESULT GetPixelFormat(DDPIXELFORMAT *format) = 0;
    virtual HRESULT Restore() = 0;
    virtual HRESULT Lock(RECT *rect, DDSURFACEDESC *desc, DWORD flags, LPVOID event) = 0;
    virtual HRESULT Unlock(LPVOID surfaceData) = 0;
    virtual HRESULT Flip(IDirectDrawSurface *target, DWORD flags) = 0;
    virtual HRESULT Blt(RECT *destination, IDirectDrawSurface *source, RECT *sourceRect, DWORD flags,
                        DDBLTFX *effects) = 0;
    virtual HRESULT SetClipper(IDirectDrawClipper *clipper) = 0;

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
    virtual HRESULT CreateClipper(DWORD flags, IDirectDrawClipper **clipper, IUnknown *outer) = 0;

protected:
    ~IDirectDraw() = default;
};

typedef IDirectDraw *LPDIRECTDRAW;
typedef IDirectDrawSurface *LPDIRECTDRAWSURFACE;
typedef IDirectDrawClipper *LPDIRECTDRAWCLIPPER;

// The one export of "ddraw.dll"; found by name through GetProcAddress.
// Fails (negative) when no screen is available.
HRESULT WINAPI DirectDrawCreate(GUID *driver, LPDIRECTDRAW *directDraw, IUnknown *outer);
