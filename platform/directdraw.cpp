// directdraw.cpp - the DirectDraw stand-in over the installed screen. Owns
// the one DirectDraw object, the display mode it set and the surfaces it
// made: a primary, whose flipping chain of back buffers lives and dies with
// it, each surface a block of memory in the mode's pixel format. Flip turns
// the chain like the platform does and shows the new front on the screen.
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

class Surface final : public IDirectDrawSurface {
public:
    Surface(DirectDraw *owner, int width, int height, LONG pitch, int backBuffers);
    ~Surface();

    DWORD Release() override;
    HRESULT GetAttachedSurface(DDSCAPS *caps, IDirectDrawSurface **surface) override;
    HRESULT GetPixelFormat(DDPIXELFORMAT *format) override;
    HRESULT Restore() override;
    HRESULT Lock(RECT *rect, DDSURFACEDESC *desc, DWORD flags, LPVOID event) override;
    HRESULT Unlock(LPVOID surfaceData) override;
    HRESULT Flip(IDirectDrawSurface *target, DWORD flags) override;

private:
    bool lost() const;
    bool chain_locked() const;

    DirectDraw *owner;
    unsigned mode;
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

    void add_reference() { ++references; }

    // Counts the modes set, so that surfaces can tell that theirs is gone.
    unsigned mode = 0;
    bool modeSet = false;
    ScreenFormat format = {};
    int modeWidth = 0;
    int modeHeight = 0;
    Surface *primary = nullptr;

private:
    DWORD references = 1;
    HWND window = nullptr;
    bool exclusive = false;
};

DirectDraw *current = nullptr;

int bytes_per_pixel(const ScreenFormat &format)
{
    return static_cast<int>((format.bits + 7) / 8);
}

Surface::Surface(DirectDraw *owner, int width, int height, LONG pitch, int backBufferCount)
    : owner(owner), mode(owner->mode), width(width), height(height), pitch(pitch),
      memory(static_cast<size_t>(pitch) * static_cast<size_t>(height))
{
    owner->add_reference();
    for (int i = 0; i < backBufferCount; ++i) {
        backBuffers.push_back(std::make_unique<Surface>(owner, width, height, pitch, 0));
        backBuffers.back()->attached = true;
    }
}

Surface::~Surface()
{
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
    const ScreenFormat &f = owner->format;
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

bool Surface::lost() const
{
    return mode != owner->mode || !owner->modeSet;
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
        window = newWindow;
        return DD_OK;
    }
    if (flags != EXCLUSIVE_FULLSCREEN || !window_take_screen(newWindow))
        return DDERR_INVALIDPARAMS;
    exclusive = true;
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
    if (!(caps & DDSCAPS_PRIMARYSURFACE))
        return DDERR_INVALIDPARAMS;
    int backBufferCount = 0;
    if (caps & DDSCAPS_FLIP) {
        if (!(caps & DDSCAPS_COMPLEX) || !(desc->dwFlags & DDSD_BACKBUFFERCOUNT) || desc->dwBackBufferCount == 0 ||
            desc->dwBackBufferCount > 16)
            return DDERR_INVALIDPARAMS;
        backBufferCount = static_cast<int>(desc->dwBackBufferCount);
    }
    if (!modeSet)
        return DDERR_NODISPLAYMODE;
    if (primary)
        return DDERR_PRIMARYSURFACEALREADYEXISTS;
    if (backBufferCount > 0 && !screen().grant_back_buffers(backBufferCount))
        return DDERR_OUTOFVIDEOMEMORY;
    const LONG row = modeWidth * bytes_per_pixel(format);
    const LONG pitch = std::max(screen().pitch(modeWidth, bytes_per_pixel(format)), row);
    primary = new Surface(this, modeWidth, modeHeight, pitch, backBufferCount);
    *surface = primary;
    return DD_OK;
}

HRESULT DirectDraw::RestoreDisplayMode()
{
    if (modeSet)
        screen().restore_mode();
    modeSet = false;
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
