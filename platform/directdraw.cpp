// directdraw.cpp - the DirectDraw stand-in over the installed screen. Owns
// the one DirectDraw object, the display mode it set and the surfaces and
// clippers it made: a primary, whose flipping chain of back buffers lives
// and dies with it, and offscreen surfaces, each a block of memory in the
// pixel format of the mode or, without one, of the desktop. Flip turns the
// chain like the platform does and shows the new front on the screen. At
// the normal cooperative level the primary is the desktop, of which the
// stand-in keeps no copy: a blit onto it reaches the screen through the
// window of its clipper.
#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "directdraw.h"
#include "screen.h"
#include "screen_window.h"

namespace {

const int MAX_SIDE = 16384;
const DWORD EXCLUSIVE_FULLSCREEN = DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN;

class DirectDraw;

class Clipper final : public IDirectDrawClipper {
public:
    DWORD Release() override;
    HRESULT SetHWnd(DWORD flags, HWND window) override;

    void add_reference() { ++references; }

    HWND window = nullptr;

private:
    DWORD references = 1;
};

class Surface final : public IDirectDrawSurface {
public:
    // A block of memory; a primary of a mode brings its chain along.
    Surface(DirectDraw *owner, const ScreenFormat &format, int width, int height, LONG pitch, int backBuffers);
    // The desktop, as the primary at the normal cooperative level.
    Surface(DirectDraw *owner, const ScreenFormat &format);
    ~Surface();

    DWORD Release() override;
    HRESULT GetAttachedSurface(DDSCAPS *caps, IDirectDrawSurface **surface) override;
    HRESULT GetPixelFormat(DDPIXELFORMAT *format) override;
    HRESULT Restore() override;
    HRESULT Lock(RECT *rect, DDSURFACEDESC *desc, DWORD flags, LPVOID event) override;
    HRESULT Unlock(LPVOID surfaceData) override;
    HRESULT Flip(IDirectDrawSurface *target, DWORD flags) override;
    HRESULT Blt(RECT *destination, IDirectDrawSurface *source, RECT *sourceRect, DWORD flags,
                DDBLTFX *effects) override;
    HRESULT SetClipper(IDirectDrawClipper *clipper) override;

private:
    bool lost() const;
    bool chain_locked() const;

    DirectDraw *owner;
    unsigned mode;
    ScreenFormat layout;
    bool desktop = false;
    Clipper *clipper = nullptr;
    int width;
    int height;
    LONG pitch;
    std::vector<uint8_t> memory;
    bool locked = false;
    // Only a primary has a chain; its back buffers answer to it.
    std::vector<std::unique_ptr<Surface>> backBuffers;
    bool attached = false;
};

class DirectDraw final : public IDirectDraw {
public:
    DWORD Release() override;
    HRESULT SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bits) override;
    HRESULT CreateSurface(DDSURFACEDESC *desc, IDirectDrawSurface **surface, IUnknown *outer) override;
    HRESULT RestoreDisplayMode() override;
    HRESULT CreateClipper(DWORD flags, IDirectDrawClipper **clipper, IUnknown *outer) override;

    void add_reference() { ++references; }

    // Counts the changes of mode, so that surfaces can tell that theirs is
    // gone.
    unsigned mode = 0;
    bool modeSet = false;
    ScreenFormat format = {};
    int modeWidth = 0;
    int modeHeight = 0;
    Surface *primary = nullptr;

private:
    HRESULT create_offscreen(const DDSURFACEDESC &desc, IDirectDrawSurface **surface);
    ScreenFormat surface_format() const { return modeSet ? format : screen().desktop().format; }

    DWORD references = 1;
    HWND window = nullptr;
    bool exclusive = false;
    bool normal = false;
};

DirectDraw *current = nullptr;

int bytes_per_pixel(const ScreenFormat &format)
{
    return static_cast<int>((format.bits + 7) / 8);
}

bool same_layout(const ScreenFormat &a, const ScreenFormat &b)
{
    return a.bits == b.bits && a.rgb == b.rgb && a.redMask == b.redMask && a.greenMask == b.greenMask &&
           a.blueMask == b.blueMask;
}

// A pixel of the layout as 0x00RRGGBB, each channel widened to 8 bits.
uint32_t to_rgb(DWORD pixel, const ScreenFormat &format)
{
    auto channel = [pixel](uint32_t mask) -> uint32_t {
        if (!mask)
            return 0;
        const int shift = __builtin_ctz(mask);
        return ((pixel & mask) >> shift) * 255 / (mask >> shift);
    };
    return channel(format.redMask) << 16 | channel(format.greenMask) << 8 | channel(format.blueMask);
}

DWORD Clipper::Release()
{
    if (--references > 0)
        return references;
    delete this;
    return 0;
}

HRESULT Clipper::SetHWnd(DWORD flags, HWND newWindow)
{
    RECT client;
    if (flags || !GetClientRect(newWindow, &client))
        return DDERR_INVALIDPARAMS;
    window = newWindow;
    return DD_OK;
}

Surface::Surface(DirectDraw *owner, const ScreenFormat &format, int width, int height, LONG pitch,
                 int backBufferCount)
    : owner(owner), mode(owner->mode), layout(format), width(width), height(height), pitch(pitch),
      memory(static_cast<size_t>(pitch) * static_cast<size_t>(height))
{
    owner->add_reference();
    for (int i = 0; i < backBufferCount; ++i) {
        backBuffers.push_back(std::make_unique<Surface>(owner, format, width, height, pitch, 0));
        backBuffers.back()->attached = true;
    }
}

Surface::Surface(DirectDraw *owner, const ScreenFormat &format) : Surface(owner, format, 0, 0, 0, 0)
{
    desktop = true;
}

Surface::~Surface()
{
    if (clipper)
        clipper->Release();
    backBuffers.clear();
    if (owner->primary == this)
        owner->primary = nullptr;
    owner->Release();
}

DWORD Surface::Release()
{
    if (attached)
        return 1;
    delete this;
    return 0;
}

HRESULT Surface::GetAttachedSurface(DDSCAPS *caps, IDirectDrawSurface **surface)
{
    if (!caps || !surface)
        return DDERR_INVALIDPARAMS;
    if (!(caps->dwCaps & DDSCAPS_BACKBUFFER) || backBuffers.empty())
        return DDERR_NOTFOUND;
    *surface = backBuffers.front().get();
    return DD_OK;
}

HRESULT Surface::GetPixelFormat(DDPIXELFORMAT *format)
{
    if (!format || format->dwSize != DDPIXELFORMAT_SIZE)
        return DDERR_INVALIDPARAMS;
    if (lost())
        return DDERR_SURFACELOST;
    const ScreenFormat &f = layout;
    *format = DDPIXELFORMAT{DDPIXELFORMAT_SIZE, f.rgb ? DDPF_RGB : DDPF_PALETTEINDEXED8, 0, f.bits,
                            f.rgb ? f.redMask : 0, f.rgb ? f.greenMask : 0, f.rgb ? f.blueMask : 0, 0};
    return DD_OK;
}

HRESULT Surface::Restore()
{
    return lost() ? DDERR_WRONGMODE : DD_OK;
}

HRESULT Surface::Lock(RECT *rect, DDSURFACEDESC *desc, DWORD, LPVOID)
{
    if (rect || !desc || desc->dwSize != DDSURFACEDESC_SIZE)
        return DDERR_INVALIDPARAMS;
    if (lost())
        return DDERR_SURFACELOST;
    // The desktop's pixels stay with the screen.
    if (desktop)
        return DDERR_CANTLOCKSURFACE;
    if (locked || !screen().lock_allowed())
        return DDERR_SURFACEBUSY;
    locked = true;
    desc->dwWidth = static_cast<DWORD>(width);
    desc->dwHeight = static_cast<DWORD>(height);
    desc->lPitch = pitch;
    desc->lpSurface = memory.data();
    desc->dwBackBufferCount = static_cast<DWORD>(backBuffers.size());
    desc->ddpfPixelFormat.dwSize = DDPIXELFORMAT_SIZE;
    GetPixelFormat(&desc->ddpfPixelFormat);
    return DD_OK;
}

HRESULT Surface::Unlock(LPVOID surfaceData)
{
    if (!locked)
        return DDERR_NOTLOCKED;
    if (surfaceData && surfaceData != memory.data())
        return DDERR_INVALIDPARAMS;
    locked = false;
    return DD_OK;
}

HRESULT Surface::Flip(IDirectDrawSurface *target, DWORD)
{
    if (target)
        return DDERR_INVALIDPARAMS;
    if (backBuffers.empty())
        return DDERR_NOTFLIPPABLE;
    if (lost())
        return DDERR_SURFACELOST;
    if (chain_locked())
        return DDERR_SURFACEBUSY;
    // The first back buffer comes to the front, the old front goes last.
    std::vector<uint8_t> *previous = &memory;
    for (std::unique_ptr<Surface> &back : backBuffers) {
        std::swap(*previous, back->memory);
        previous = &back->memory;
    }
    screen().present(memory.data(), pitch);
    return DD_OK;
}

// Onto the desktop only, the one use the demo makes of blits: a fill, or a
// whole offscreen surface, stretched to the rectangle. The stand-in knows the desktop only
// through the clipper's window, so a blit names its rectangle and needs the
// clipper; what falls outside the client area is left to the screen.
HRESULT Surface::Blt(RECT *destination, IDirectDrawSurface *source, RECT *sourceRect, DWORD flags,
                     DDBLTFX *effects)
{
    if (!desktop)
        return DDERR_UNSUPPORTED;
    if (!destination)
        return DDERR_INVALIDPARAMS;
    if (destination->right <= destination->left || destination->bottom <= destination->top)
        return DDERR_INVALIDRECT;
    if (lost())
        return DDERR_SURFACELOST;
    if (!clipper || !clipper->window)
        return DDERR_NOCLIPPERATTACHED;
    RECT client;
    POINT origin = {0, 0};
    // Nothing shows of a window that is gone, nor beside its client area,
    // which is all of it while minimised.
    if (!GetClientRect(clipper->window, &client) || !ClientToScreen(clipper->window, &origin))
        return DD_OK;
    const RECT area = {destination->left - origin.x, destination->top - origin.y, destination->right - origin.x,
                       destination->bottom - origin.y};
    if (area.right <= 0 || area.bottom <= 0 || area.left >= client.right || area.top >= client.bottom)
        return DD_OK;

    if (flags & DDBLT_COLORFILL) {
        if (!effects || effects->dwSize != DDBLTFX_SIZE)
            return DDERR_INVALIDPARAMS;
        screen().fill_window(area, to_rgb(effects->dwFillColor, layout));
        return DD_OK;
    }
    Surface *from = static_cast<Surface *>(source);
    if (!from || from->desktop || sourceRect)
        return DDERR_UNSUPPORTED;
    if (from->lost())
        return DDERR_SURFACELOST;
    if (from->locked)
        return DDERR_SURFACEBUSY;
    if (!same_layout(from->layout, layout))
        return DDERR_INVALIDPIXELFORMAT;
    screen().present_window(from->memory.data(), from->pitch, from->width, from->height, area);
    return DD_OK;
}

HRESULT Surface::SetClipper(IDirectDrawClipper *newClipper)
{
    // Every clipper is one of the stand-in's.
    Clipper *next = static_cast<Clipper *>(newClipper);
    if (next)
        next->add_reference();
    if (clipper)
        clipper->Release();
    clipper = next;
    return DD_OK;
}

bool Surface::lost() const
{
    return mode != owner->mode;
}

bool Surface::chain_locked() const
{
    return locked || std::any_of(backBuffers.begin(), backBuffers.end(),
                                 [](const std::unique_ptr<Surface> &back) { return back->locked; });
}

DWORD DirectDraw::Release()
{
    if (--references > 0)
        return references;
    if (modeSet)
        screen().restore_mode();
    if (exclusive)
        window_leave_screen(window);
    screen().close();
    current = nullptr;
    delete this;
    return 0;
}

HRESULT DirectDraw::SetCooperativeLevel(HWND newWindow, DWORD flags)
{
    if (flags == DDSCL_NORMAL) {
        if (exclusive)
            window_leave_screen(window);
        exclusive = false;
        normal = true;
        window = newWindow;
        return DD_OK;
    }
    if (flags != EXCLUSIVE_FULLSCREEN || !window_take_screen(newWindow))
        return DDERR_INVALIDPARAMS;
    exclusive = true;
    normal = false;
    window = newWindow;
    return DD_OK;
}

HRESULT DirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bits)
{
    if (!exclusive)
        return DDERR_NOEXCLUSIVEMODE;
    if (width == 0 || height == 0 || width > MAX_SIDE || height > MAX_SIDE)
        return DDERR_INVALIDPARAMS;
    ScreenFormat accepted = {};
    if (!screen().set_mode(static_cast<int>(width), static_cast<int>(height), static_cast<int>(bits),
                           &accepted))
        return DDERR_UNSUPPORTEDMODE;
    ++mode;
    modeSet = true;
    format = accepted;
    modeWidth = static_cast<int>(width);
    modeHeight = static_cast<int>(height);
    return DD_OK;
}

HRESULT DirectDraw::CreateSurface(DDSURFACEDESC *desc, IDirectDrawSurface **surface, IUnknown *outer)
{
    if (!desc || !surface || outer || desc->dwSize != DDSURFACEDESC_SIZE || !(desc->dwFlags & DDSD_CAPS))
        return DDERR_INVALIDPARAMS;
    const DWORD caps = desc->ddsCaps.dwCaps;
    if (caps & DDSCAPS_OFFSCREENPLAIN)
        return create_offscreen(*desc, surface);
    if (!(caps & DDSCAPS_PRIMARYSURFACE))
        return DDERR_INVALIDPARAMS;
    int backBufferCount = 0;
    if (caps & DDSCAPS_FLIP) {
        if (!(caps & DDSCAPS_COMPLEX) || !(desc->dwFlags & DDSD_BACKBUFFERCOUNT) || desc->dwBackBufferCount == 0 ||
            desc->dwBackBufferCount > 16)
            return DDERR_INVALIDPARAMS;
        backBufferCount = static_cast<int>(desc->dwBackBufferCount);
    }
    if (primary)
        return DDERR_PRIMARYSURFACEALREADYEXISTS;
    if (normal) {
        if (backBufferCount > 0)
            return DDERR_NOEXCLUSIVEMODE;
        primary = new Surface(this, surface_format());
        *surface = primary;
        return DD_OK;
    }
    if (!modeSet)
        return DDERR_NODISPLAYMODE;
    if (backBufferCount > 0 && !screen().grant_back_buffers(backBufferCount))
        return DDERR_OUTOFVIDEOMEMORY;
    const LONG row = modeWidth * bytes_per_pixel(format);
    const LONG pitch = std::max(screen().pitch(modeWidth, bytes_per_pixel(format)), row);
    primary = new Surface(this, format, modeWidth, modeHeight, pitch, backBufferCount);
    *surface = primary;
    return DD_OK;
}

HRESULT DirectDraw::RestoreDisplayMode()
{
    if (modeSet) {
        screen().restore_mode();
        ++mode;
    }
    modeSet = false;
    return DD_OK;
}

HRESULT DirectDraw::CreateClipper(DWORD flags, IDirectDrawClipper **clipper, IUnknown *outer)
{
    if (flags || !clipper || outer)
        return DDERR_INVALIDPARAMS;
    *clipper = new Clipper;
    return DD_OK;
}

// In the pixel format of the mode, or of the desktop without one.
HRESULT DirectDraw::create_offscreen(const DDSURFACEDESC &desc, IDirectDrawSurface **surface)
{
    const DWORD size = DDSD_WIDTH | DDSD_HEIGHT;
    if ((desc.dwFlags & size) != size || desc.dwWidth == 0 || desc.dwHeight == 0 || desc.dwWidth > MAX_SIDE ||
        desc.dwHeight > MAX_SIDE)
        return DDERR_INVALIDPARAMS;
    if (!exclusive && !normal)
        return DDERR_NOCOOPERATIVELEVELSET;
    const ScreenFormat layout = surface_format();
    const int width = static_cast<int>(desc.dwWidth);
    const int height = static_cast<int>(desc.dwHeight);
    const LONG pitch = std::max(screen().pitch(width, bytes_per_pixel(layout)), width * bytes_per_pixel(layout));
    *surface = new Surface(this, layout, width, height, pitch, 0);
    return DD_OK;
}

} // namespace

HRESULT WINAPI DirectDrawCreate(GUID *driver, LPDIRECTDRAW *directDraw, IUnknown *outer)
{
    if (!directDraw || driver || outer)
        return DDERR_INVALIDPARAMS;
    *directDraw = nullptr;
    if (current || !screen().open())
        return DDERR_NODIRECTDRAWHW;
    current = new DirectDraw;
    *directDraw = current;
    return DD_OK;
}
