// directdraw.h - the DirectDraw subset the display layer calls (first
// interface version): an exclusive full-screen mode of a chosen depth, a
// primary surface with a flipping chain, lock, unlock and flip. Shaped like
// the platform's interface so that src/ compiles unchanged against either;
// the records carry only the fields the demo uses. Implemented in
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

// The record sizes of the first interface version; a caller states them in
// dwSize and the stand-in refuses any other.
const DWORD DDPIXELFORMAT_SIZE = 32;
const DWORD DDSURFACEDESC_SIZE = 108;

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

typedef struct _DDSURFACEDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    LONG lPitch;
    DWORD dwBackBufferCount;
    LPVOID lpSurface;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS ddsCaps;
} DDSURFACEDESC;

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
typedef HRESULT (WINAPI *DirectDrawCreateFunction)(GUID *, LPDIRECTDRAW *, IUnknown *);
