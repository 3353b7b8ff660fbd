// DirectDrawCreate and IDirectDraw: the display the intro takes, without a
// mode switch. The cooperative level gives the screen its window, the display
// mode is recorded as the picture's size (the desktop keeps its own), and the
// surfaces are plain memory.
#include <string>

#include "player/common/debug_line.h"
#include "player/common/passthrough.h"
#include "player/common/settings.h"
#include "player/ddraw/display_settings.h"
#include "player/ddraw/frame_clock.h"
#include "player/ddraw/objects.h"
#include "player/ddraw/screen.h"
#include "player/ddraw/screenshot.h"

namespace player {
namespace {

// The largest surface side the objects make: far beyond any picture of the
// intro's, and small enough that a side times a side times a byte stays in range.
const DWORD kLargestSide = 16384;

ScreenSettings ReadScreenSettings()
{
    Scaling scaling{};
    Filter filter{};
    ParseScaling(Setting(ddraw_settings::kScaling).text, &scaling);
    ParseFilter(Setting(ddraw_settings::kFilter).text, &filter);
    return ScreenSettings{Setting(ddraw_settings::kWindowed).on, (int32_t)Setting(ddraw_settings::kScale).number,
                          scaling, filter};
}

}  // namespace

HRESULT Unsupported(const char* what)
{
    DebugLine("%s is not supported here; it answers DDERR_UNSUPPORTED", what);
    return DDERR_UNSUPPORTED;
}

DirectDrawObject::DirectDrawObject()
{
    StartClock((int32_t)Setting(ddraw_settings::kFps).number, LogPath(DllFolder(), Setting(ddraw_settings::kLog).text));
    ReadScreenshotSettings();
}

void DirectDrawObject::Forget(SurfaceObject* surface)
{
    for (size_t i = 0; i < surfaces_.size(); ++i)
        if (surfaces_[i] == surface) {
            surfaces_.erase(surfaces_.begin() + (long)i);
            break;
        }
    if (surface == primary_)
        primary_ = nullptr;
}

void DirectDrawObject::Present(const Pixels& front, const PaletteColor* colors)
{
    const int64_t entered = ClockNow();
    const bool drawn = ShowPicture(front.bits, front.pitch, colors);
    FlipShown(entered, drawn);
}

// ---- IUnknown ------------------------------------------------------------------------

HRESULT DirectDrawObject::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDirectDraw)) {
        AddRef();
        *object = this;
        return S_OK;
    }
    *object = nullptr;
    Unsupported("IDirectDraw::QueryInterface of another interface");
    return E_NOINTERFACE;
}

ULONG DirectDrawObject::AddRef()
{
    return ++refs_;
}

// The last reference takes the surfaces' memory along (those still held answer
// DDERR_INVALIDOBJECT from then on), gives the window back and stops the clock.
ULONG DirectDrawObject::Release()
{
    ULONG left = --refs_;
    if (left > 0)
        return left;
    std::vector<SurfaceObject*> surfaces;
    surfaces.swap(surfaces_);
    for (SurfaceObject* surface : surfaces)
        surface->Orphan();
    primary_ = nullptr;
    GiveWindowBack();
    StopClock();
    delete this;
    return 0;
}

// ---- What the intro uses -----------------------------------------------------------------

HRESULT DirectDrawObject::CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* palette,
                                        IUnknown* outer)
{
    if (outer)
        return CLASS_E_NOAGGREGATION;
    if (!entries || !palette)
        return DDERR_INVALIDPARAMS;
    if (!(flags & DDPCAPS_8BIT))
        return Unsupported("IDirectDraw::CreatePalette of a palette other than DDPCAPS_8BIT");
    *palette = new PaletteObject(flags, entries);
    return DD_OK;
}

HRESULT DirectDrawObject::CreateSurface(LPDDSURFACEDESC description, LPDIRECTDRAWSURFACE* surface, IUnknown* outer)
{
    if (outer)
        return CLASS_E_NOAGGREGATION;
    if (!surface || !description || description->dwSize != sizeof *description ||
        !(description->dwFlags & DDSD_CAPS))
        return DDERR_INVALIDPARAMS;
    if (description->ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE)
        return CreatePrimary(*description, surface);
    return CreateOffscreen(*description, surface);
}

HRESULT DirectDrawObject::CreatePrimary(const DDSURFACEDESC& description, LPDIRECTDRAWSURFACE* surface)
{
    const DWORD caps = description.ddsCaps.dwCaps;
    const bool flipping = caps & DDSCAPS_FLIP;
    if (!level_)
        return DDERR_NOCOOPERATIVELEVELSET;
    if (primary_)
        return DDERR_PRIMARYSURFACEALREADYEXISTS;
    if (description.dwFlags & (DDSD_WIDTH | DDSD_HEIGHT))
        return DDERR_INVALIDPARAMS;
    if (flipping && (!(caps & DDSCAPS_COMPLEX) || !(description.dwFlags & DDSD_BACKBUFFERCOUNT) ||
                     description.dwBackBufferCount == 0))
        return DDERR_INVALIDCAPS;
    if (flipping && description.dwBackBufferCount != 1)
        return Unsupported("IDirectDraw::CreateSurface of a flipping chain of more than one back buffer");
    if (flipping && !Exclusive())
        return DDERR_NOEXCLUSIVEMODE;
    if (mode_.width == 0)
        return Unsupported("IDirectDraw::CreateSurface of a primary surface before SetDisplayMode to 8 bits");
    std::unique_ptr<Pixels> frontPixels = MakePixels(mode_.width, mode_.height);
    std::unique_ptr<Pixels> backPixels = flipping ? MakePixels(mode_.width, mode_.height) : nullptr;
    if (!frontPixels || (flipping && !backPixels))
        return DDERR_OUTOFMEMORY;
    const DWORD frontCaps = caps | (flipping ? DDSCAPS_FRONTBUFFER : 0);
    SurfaceObject* primary = new SurfaceObject(this, frontCaps, mode_.width, mode_.height, std::move(frontPixels));
    if (flipping) {
        const DWORD backCaps = (caps & ~(DDSCAPS_PRIMARYSURFACE | DDSCAPS_FRONTBUFFER)) | DDSCAPS_BACKBUFFER;
        primary->AttachBackBuffer(new SurfaceObject(this, backCaps, mode_.width, mode_.height, std::move(backPixels)));
    }
    primary_ = primary;
    surfaces_.push_back(primary);
    *surface = primary;
    return DD_OK;
}

HRESULT DirectDrawObject::CreateOffscreen(const DDSURFACEDESC& description, LPDIRECTDRAWSURFACE* surface)
{
    const bool sized = (description.dwFlags & DDSD_WIDTH) && (description.dwFlags & DDSD_HEIGHT);
    if (!sized || description.dwWidth == 0 || description.dwHeight == 0)
        return DDERR_INVALIDPARAMS;
    if ((description.dwFlags & DDSD_PIXELFORMAT) && description.ddpfPixelFormat.dwRGBBitCount != 8)
        return Unsupported("IDirectDraw::CreateSurface of a surface of other than 8 bits a pixel");
    if (description.dwWidth > kLargestSide || description.dwHeight > kLargestSide)
        return DDERR_OUTOFMEMORY;
    const int32_t width = (int32_t)description.dwWidth, height = (int32_t)description.dwHeight;
    std::unique_ptr<Pixels> pixels = MakePixels(width, height);
    if (!pixels)
        return DDERR_OUTOFMEMORY;
    SurfaceObject* made = new SurfaceObject(this, description.ddsCaps.dwCaps, width, height, std::move(pixels));
    if (description.dwFlags & DDSD_CKSRCBLT)
        made->SetSourceKey(description.ddckCKSrcBlt);
    surfaces_.push_back(made);
    *surface = made;
    return DD_OK;
}

HRESULT DirectDrawObject::SetCooperativeLevel(HWND window, DWORD flags)
{
    if (((flags & DDSCL_FULLSCREEN) != 0) != ((flags & DDSCL_EXCLUSIVE) != 0))
        return DDERR_INVALIDPARAMS;
    if ((flags & DDSCL_EXCLUSIVE) && (!window || !IsWindow(window)))
        return DDERR_INVALIDPARAMS;
    window_ = window;
    level_ = flags;
    if (window)
        AttachWindow(window, ReadScreenSettings());
    return DD_OK;
}

HRESULT DirectDrawObject::SetDisplayMode(DWORD width, DWORD height, DWORD bits)
{
    if (bits != 8 || width == 0 || height == 0 || width > kLargestSide || height > kLargestSide) {
        DebugLine("IDirectDraw::SetDisplayMode(%lu, %lu, %lu): only 8-bit modes are served; DDERR_INVALIDMODE",
                  (unsigned long)width, (unsigned long)height, (unsigned long)bits);
        return DDERR_INVALIDMODE;
    }
    mode_ = Size{(int32_t)width, (int32_t)height};
    SetPictureSize(mode_);
    return DD_OK;
}

// ---- What it does not ------------------------------------------------------------------------

HRESULT DirectDrawObject::Compact()
{
    return Unsupported("IDirectDraw::Compact");
}
HRESULT DirectDrawObject::CreateClipper(DWORD, LPDIRECTDRAWCLIPPER*, IUnknown*)
{
    return Unsupported("IDirectDraw::CreateClipper");
}
HRESULT DirectDrawObject::DuplicateSurface(LPDIRECTDRAWSURFACE, LPDIRECTDRAWSURFACE*)
{
    return Unsupported("IDirectDraw::DuplicateSurface");
}
HRESULT DirectDrawObject::EnumDisplayModes(DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMMODESCALLBACK)
{
    return Unsupported("IDirectDraw::EnumDisplayModes");
}
HRESULT DirectDrawObject::EnumSurfaces(DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMSURFACESCALLBACK)
{
    return Unsupported("IDirectDraw::EnumSurfaces");
}
HRESULT DirectDrawObject::FlipToGDISurface()
{
    return Unsupported("IDirectDraw::FlipToGDISurface");
}
HRESULT DirectDrawObject::GetCaps(LPDDCAPS, LPDDCAPS)
{
    return Unsupported("IDirectDraw::GetCaps");
}
HRESULT DirectDrawObject::GetDisplayMode(LPDDSURFACEDESC)
{
    return Unsupported("IDirectDraw::GetDisplayMode");
}
HRESULT DirectDrawObject::GetFourCCCodes(LPDWORD, LPDWORD)
{
    return Unsupported("IDirectDraw::GetFourCCCodes");
}
HRESULT DirectDrawObject::GetGDISurface(LPDIRECTDRAWSURFACE*)
{
    return Unsupported("IDirectDraw::GetGDISurface");
}
HRESULT DirectDrawObject::GetMonitorFrequency(LPDWORD)
{
    return Unsupported("IDirectDraw::GetMonitorFrequency");
}
HRESULT DirectDrawObject::GetScanLine(LPDWORD)
{
    return Unsupported("IDirectDraw::GetScanLine");
}
HRESULT DirectDrawObject::GetVerticalBlankStatus(WINBOOL*)
{
    return Unsupported("IDirectDraw::GetVerticalBlankStatus");
}
HRESULT DirectDrawObject::Initialize(GUID*)
{
    return Unsupported("IDirectDraw::Initialize");
}
HRESULT DirectDrawObject::RestoreDisplayMode()
{
    return Unsupported("IDirectDraw::RestoreDisplayMode");
}
HRESULT DirectDrawObject::WaitForVerticalBlank(DWORD, HANDLE)
{
    return Unsupported("IDirectDraw::WaitForVerticalBlank");
}

}  // namespace player

// The one export served: any other program, and any other export, gets the
// system's own ddraw.dll.
extern "C" HRESULT WINAPI PlayerDirectDrawCreate(GUID* driver, LPDIRECTDRAW* directDraw, IUnknown* outer)
{
    // Asked once, never from DllMain.
    static const bool served = player::ServesThisProcess(player::ddraw_settings::kProgram);
    if (!served) {
        typedef HRESULT(WINAPI * Create)(GUID*, LPDIRECTDRAW*, IUnknown*);
        Create create = SystemFunctionAs<Create>("DirectDrawCreate");
        return create ? create(driver, directDraw, outer) : DDERR_GENERIC;
    }
    if (outer)
        return CLASS_E_NOAGGREGATION;
    if (!directDraw)
        return DDERR_INVALIDPARAMS;
    *directDraw = new player::DirectDrawObject();
    return DD_OK;
}
