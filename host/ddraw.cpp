// DirectDraw on the host: the DirectDraw object, display modes and exclusive
// mode, surfaces with real pixels (a flipping chain of primary and one back
// buffer, off-screen surfaces of 8 to 32 bits), palettes, colour keys,
// blits, locks, device contexts, and the loss and restoring of surfaces.
#include <algorithm>
#include <cstring>
#include <memory>

#include "blit/blit.h"
#include "host/internal.h"

namespace host {
namespace {

struct DirectDraw;
struct Palette;

struct Display {
    std::vector<std::unique_ptr<DirectDraw>> directDraws;
    std::vector<std::unique_ptr<Palette>> palettes;
    std::vector<std::vector<int>> modes = {{320, 240, 8}, {640, 480, 8}};
    bool restoreAllowed = true;
    std::vector<PALETTEENTRY> lastPaletteTable;
    std::function<void()> flipHook;
    int flips = 0;
    int surfacesMade = 0;
};

Display& display()
{
    static Display state;
    return state;
}

const Site<ULONG> kPaletteRelease("IDirectDrawPalette::Release");

struct Palette final : IDirectDrawPalette {
    ULONG refs = 1;
    bool alive = true;
    PALETTEENTRY entries[256];

    ULONG STDMETHODCALLTYPE Release() override
    {
        return Serve(kPaletteRelease, this, None, [&] {
            alive = --refs > 0;
            return refs;
        });
    }
};

struct Surface final : IDirectDrawSurface, detail::SurfaceTarget {
    DirectDraw* owner = nullptr;
    ULONG refs = 1;
    bool alive = true;
    DWORD caps = 0;
    int width = 0, height = 0, bitsPerPixel = 8, pitch = 0;
    int reportedBits = 0;  // what descriptions give as the pixel size, when not bitsPerPixel
    std::vector<uint8_t> pixels;
    bool lost = false;
    HDC context = nullptr;
    bool locked = false;
    bool hasSourceKey = false;
    DDCOLORKEY sourceKey = {0, 0};
    Palette* palette = nullptr;
    Surface* back = nullptr;   // of a primary
    Surface* front = nullptr;  // of a back buffer

    bool Primary() const { return caps & DDSCAPS_PRIMARYSURFACE; }
    bool CanBeLost() const { return !(caps & DDSCAPS_SYSTEMMEMORY); }
    bool Busy() const { return locked || context; }
    int Width() const override { return width; }
    int Height() const override { return height; }
    int BitsPerPixel() const override { return bitsPerPixel; }
    uint8_t* Row(int y) override { return &pixels[(size_t)y * pitch]; }
    const PALETTEENTRY* Colors() const override;

    void Destroy();
    void FillDescription(DDSURFACEDESC* description) const;
    HRESULT BlitFrom(Surface* source, const RECT& from, const RECT& to, bool keyed, const char* call);

    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Blt(LPRECT target, LPDIRECTDRAWSURFACE source, LPRECT sourceRect,
                                  DWORD flags, LPDDBLTFX effects) override;
    HRESULT STDMETHODCALLTYPE BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source, LPRECT sourceRect,
                                      DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Flip(LPDIRECTDRAWSURFACE target, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetAttachedSurface(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* attached) override;
    HRESULT STDMETHODCALLTYPE GetDC(HDC* context) override;
    HRESULT STDMETHODCALLTYPE GetSurfaceDesc(LPDDSURFACEDESC description) override;
    HRESULT STDMETHODCALLTYPE Lock(LPRECT rect, LPDDSURFACEDESC description, DWORD flags,
                                   HANDLE event) override;
    HRESULT STDMETHODCALLTYPE ReleaseDC(HDC context) override;
    HRESULT STDMETHODCALLTYPE Restore() override;
    HRESULT STDMETHODCALLTYPE SetColorKey(DWORD flags, LPDDCOLORKEY key) override;
    HRESULT STDMETHODCALLTYPE SetPalette(LPDIRECTDRAWPALETTE palette) override;
    HRESULT STDMETHODCALLTYPE Unlock(LPVOID pixels) override;
};

struct DirectDraw final : IDirectDraw {
    ULONG refs = 1;
    bool alive = true;
    HWND window = nullptr;
    DWORD level = 0;
    int modeWidth = 0, modeHeight = 0, modeBits = 0;
    int desktopWidth = 0, desktopHeight = 0;  // the screen before the first mode switch
    std::vector<std::unique_ptr<Surface>> surfaces;

    bool Exclusive() const { return level & DDSCL_EXCLUSIVE; }
    Surface* LivePrimary() const
    {
        for (const auto& surface : surfaces)
            if (surface->alive && surface->Primary())
                return surface.get();
        return nullptr;
    }

    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreatePalette(DWORD flags, LPPALETTEENTRY entries,
                                            LPDIRECTDRAWPALETTE* palette, IUnknown* outer) override;
    HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC description, LPDIRECTDRAWSURFACE* surface,
                                            IUnknown* outer) override;
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height, DWORD bpp) override;
};

Surface* AsSurface(LPDIRECTDRAWSURFACE surface) { return static_cast<Surface*>(surface); }

// The palette a surface's pixels are shown and converted with.
const PALETTEENTRY* Surface::Colors() const
{
    if (palette)
        return palette->entries;
    const Surface* chainFront = front ? front : this;
    if (chainFront->palette)
        return chainFront->palette->entries;
    if (owner)
        if (Surface* primary = owner->LivePrimary())
            if (primary->palette)
                return primary->palette->entries;
    return detail::SystemPalette();
}

// The platform's own reference, dropped without a call of the program's.
void ReleasePalette(Palette*& palette)
{
    if (palette && palette->refs > 0)
        palette->alive = --palette->refs > 0;
    palette = nullptr;
}

void Surface::Destroy()
{
    alive = false;
    if (context) {
        detail::Problem("surface " + detail::Object(this) + " released with its device context out");
        detail::DeleteSurfaceDC(context);
        context = nullptr;
    }
    ReleasePalette(palette);
    if (back)  // the chain goes with its front, palette and device context too
        back->Destroy();
}

void Surface::FillDescription(DDSURFACEDESC* description) const
{
    std::memset(description, 0, sizeof *description);
    description->dwSize = sizeof *description;
    description->dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
    description->dwWidth = (DWORD)width;
    description->dwHeight = (DWORD)height;
    description->lPitch = pitch;
    description->ddsCaps.dwCaps = caps;
    if (back) {
        description->dwFlags |= DDSD_BACKBUFFERCOUNT;
        description->dwBackBufferCount = 1;
    }
    int bits = reportedBits ? reportedBits : bitsPerPixel;
    DDPIXELFORMAT& format = description->ddpfPixelFormat;
    format.dwSize = sizeof format;
    format.dwRGBBitCount = (DWORD)bits;
    format.dwFlags = DDPF_RGB | (bits == 8 ? DDPF_PALETTEINDEXED8 : 0);
    if (bits == 16) {
        format.dwRBitMask = 0xF800, format.dwGBitMask = 0x07E0, format.dwBBitMask = 0x001F;
    } else if (bits > 16) {
        format.dwRBitMask = 0xFF0000, format.dwGBitMask = 0x00FF00, format.dwBBitMask = 0x0000FF;
    }
}

bool InsideSurface(const RECT& rect, const Surface* surface)
{
    return blit::Inside(blit::Rect{rect.left, rect.top, rect.right, rect.bottom}, surface->width, surface->height);
}

const Site<ULONG> kSurfaceRelease("IDirectDrawSurface::Release");
const Site<HRESULT> kBlt("IDirectDrawSurface::Blt", Script::kCode);
const Site<HRESULT> kBltFast("IDirectDrawSurface::BltFast", Script::kCode);
const Site<HRESULT> kFlip("IDirectDrawSurface::Flip", Script::kCode);
const Site<HRESULT> kGetAttachedSurface("IDirectDrawSurface::GetAttachedSurface", Script::kCode);
const Site<HRESULT> kGetDC("IDirectDrawSurface::GetDC", Script::kCode);
const Site<HRESULT> kGetSurfaceDesc("IDirectDrawSurface::GetSurfaceDesc", Script::kCode);
const Site<HRESULT> kLock("IDirectDrawSurface::Lock", Script::kCode);
const Site<HRESULT> kReleaseDC("IDirectDrawSurface::ReleaseDC", Script::kCodeAfterRunning);
const Site<HRESULT> kRestore("IDirectDrawSurface::Restore", Script::kCode);
const Site<HRESULT> kSetColorKey("IDirectDrawSurface::SetColorKey", Script::kCode);
const Site<HRESULT> kSetPalette("IDirectDrawSurface::SetPalette", Script::kCode);
const Site<HRESULT> kUnlock("IDirectDrawSurface::Unlock", Script::kCodeAfterRunning);

ULONG Surface::Release()
{
    return Serve(kSurfaceRelease, this, None, [&] {
        if (refs > 0)
            --refs;
        if (refs == 0 && !front)  // a back buffer lives as long as its chain
            Destroy();
        return refs;
    });
}

// What Blt and BltFast check of the source and the two surfaces once their own
// arguments are right; then the copy, by the one set of blit rules (blit/blit.h):
// point-sampled when the sizes differ, the source's key range left out when keyed.
HRESULT Surface::BlitFrom(Surface* source, const RECT& from, const RECT& to, bool keyed, const char* call)
{
    if (lost)
        return DDERR_SURFACELOST;
    if (!source->alive) {
        detail::Problem(std::string(call) + " from a released surface " + detail::Object(source));
        return DDERR_INVALIDOBJECT;
    }
    if (source == this)
        return NotModelled("a blit within one surface", DDERR_UNSUPPORTED);
    if (source->lost)
        return DDERR_SURFACELOST;
    if (Busy() || source->Busy())
        return DDERR_SURFACEBUSY;
    if (!InsideSurface(to, this) || !InsideSurface(from, source))
        return DDERR_INVALIDRECT;
    if (source->bitsPerPixel != bitsPerPixel)
        return DDERR_UNSUPPORTED;
    const blit::ColorKey key = {source->sourceKey.dwColorSpaceLowValue, source->sourceKey.dwColorSpaceHighValue};
    blit::Copy(source->pixels.data(), source->pitch, blit::Rect{from.left, from.top, from.right, from.bottom},
               pixels.data(), pitch, blit::Rect{to.left, to.top, to.right, to.bottom}, bitsPerPixel / 8,
               keyed && source->hasSourceKey ? &key : nullptr);
    return DD_OK;
}

HRESULT Surface::Blt(LPRECT target, LPDIRECTDRAWSURFACE sourceSurface, LPRECT sourceRect, DWORD flags,
                     LPDDBLTFX effects)
{
    Surface* source = AsSurface(sourceSurface);
    auto args = [&] {
        return Join(detail::Rect(target), detail::Object(source), detail::Rect(sourceRect), Hex(flags),
                    effects ? "fx(" + Num(effects->dwSize) + ")" : std::string("null"));
    };
    return Serve(kBlt, this, args, [&] {
        if (!source || (flags & ~(DDBLT_KEYSRC | DDBLT_WAIT)) || (effects && effects->dwSize != sizeof *effects))
            return DDERR_INVALIDPARAMS;
        if (!target || !sourceRect)
            return NotModelled("a Blt of a whole surface", DDERR_UNSUPPORTED);
        return BlitFrom(source, *sourceRect, *target, flags & DDBLT_KEYSRC, kBlt.name);
    });
}

HRESULT Surface::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE sourceSurface, LPRECT sourceRect, DWORD flags)
{
    Surface* source = AsSurface(sourceSurface);
    auto args = [&] { return Join(Num(x), Num(y), detail::Object(source), detail::Rect(sourceRect), Hex(flags)); };
    return Serve(kBltFast, this, args, [&] {
        if (!source || (flags & ~(DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT)))
            return DDERR_INVALIDPARAMS;
        if (!sourceRect)
            return NotModelled("a BltFast of a whole surface", DDERR_UNSUPPORTED);
        const RECT& from = *sourceRect;
        RECT to = {(LONG)x, (LONG)y, (LONG)x + (from.right - from.left), (LONG)y + (from.bottom - from.top)};
        return BlitFrom(source, from, to, flags & DDBLTFAST_SRCCOLORKEY, kBltFast.name);
    });
}

HRESULT Surface::Flip(LPDIRECTDRAWSURFACE target, DWORD flags)
{
    auto args = [&] { return Join(detail::Object(target), Hex(flags)); };
    return Serve(kFlip, this, args, [&] {
        if (lost)
            return DDERR_SURFACELOST;
        if (!back)
            return DDERR_NOTFLIPPABLE;
        if (target && target != back)
            return DDERR_INVALIDPARAMS;
        if (back->lost)
            return DDERR_SURFACELOST;
        if (Busy() || back->Busy())
            return DDERR_SURFACEBUSY;
        std::swap(pixels, back->pixels);
        display().flips += 1;
        if (display().flipHook)
            display().flipHook();
        return DD_OK;
    });
}

HRESULT Surface::GetAttachedSurface(LPDDSCAPS wanted, LPDIRECTDRAWSURFACE* attached)
{
    auto args = [&] { return wanted ? Hex(wanted->dwCaps) : std::string("null"); };
    return Serve(kGetAttachedSurface, this, args, [&] {
        if (!wanted || !attached)
            return DDERR_INVALIDPARAMS;
        if (!back || !(wanted->dwCaps & DDSCAPS_BACKBUFFER))
            return DDERR_NOTFOUND;
        ++back->refs;  // handed out with a reference of its own
        *attached = back;
        return DD_OK;
    });
}

HRESULT Surface::GetDC(HDC* out)
{
    return Serve(kGetDC, this, None, [&] {
        if (lost)
            return DDERR_SURFACELOST;
        if (!out)
            return DDERR_INVALIDPARAMS;
        if (context)
            return DDERR_DCALREADYCREATED;
        if (locked)
            return DDERR_SURFACEBUSY;
        *out = context = detail::CreateSurfaceDC(this);
        return DD_OK;
    });
}

HRESULT Surface::GetSurfaceDesc(LPDDSURFACEDESC description)
{
    return Serve(kGetSurfaceDesc, this, None, [&] {
        if (!description || description->dwSize != sizeof *description)
            return DDERR_INVALIDPARAMS;
        FillDescription(description);
        return DD_OK;
    });
}

HRESULT Surface::Lock(LPRECT rect, LPDDSURFACEDESC description, DWORD flags, HANDLE event)
{
    auto args = [&] { return Join(detail::Rect(rect), Hex(flags), detail::Object(event)); };
    return Serve(kLock, this, args, [&] {
        if (lost)
            return DDERR_SURFACELOST;
        if (!description || description->dwSize != sizeof *description)
            return DDERR_INVALIDPARAMS;
        if (rect)
            return NotModelled("a lock of part of a surface", DDERR_UNSUPPORTED);
        if (context) {
            detail::Problem("Lock of " + detail::Object(this) + " while its device context is out");
            return DDERR_SURFACEBUSY;
        }
        if (locked)
            return DDERR_SURFACEBUSY;
        FillDescription(description);
        description->dwFlags |= DDSD_LPSURFACE;
        description->lpSurface = pixels.data();
        locked = true;
        return DD_OK;
    });
}

HRESULT Surface::ReleaseDC(HDC given)
{
    return Serve(kReleaseDC, this, [&] { return detail::Object(given); }, [&] {
        if (!context || given != context)
            return DDERR_NODC;
        detail::DeleteSurfaceDC(context);
        context = nullptr;
        return DD_OK;
    });
}

// Memory comes back, pictures do not: a restored surface holds garbage.
void RefillWithGarbage(Surface* surface)
{
    for (size_t i = 0; i < surface->pixels.size(); ++i)
        surface->pixels[i] = (uint8_t)(0xA5 ^ (i * 7));
    surface->lost = false;
}

HRESULT Surface::Restore()
{
    return Serve(kRestore, this, None, [&] {
        if (!lost)
            return DD_OK;
        if (!display().restoreAllowed)
            return DDERR_WRONGMODE;
        RefillWithGarbage(this);
        if (back)
            RefillWithGarbage(back);
        return DD_OK;
    });
}

HRESULT Surface::SetColorKey(DWORD flags, LPDDCOLORKEY key)
{
    auto args = [&] {
        return key ? Join(Hex(flags), Hex(key->dwColorSpaceLowValue), Hex(key->dwColorSpaceHighValue))
                   : Join(Hex(flags), std::string("null"));
    };
    return Serve(kSetColorKey, this, args, [&] {
        if (!(flags & DDCKEY_SRCBLT))
            return DDERR_INVALIDPARAMS;
        if (!key)
            return NotModelled("taking a colour key away", DDERR_UNSUPPORTED);
        hasSourceKey = true;
        sourceKey = *key;
        return DD_OK;
    });
}

HRESULT Surface::SetPalette(LPDIRECTDRAWPALETTE given)
{
    Palette* newPalette = static_cast<Palette*>(given);
    return Serve(kSetPalette, this, [&] { return detail::Object(given); }, [&] {
        if (bitsPerPixel != 8)
            return DDERR_UNSUPPORTED;
        if (newPalette && !newPalette->alive) {
            detail::Problem("SetPalette of a released palette " + detail::Object(given));
            return DDERR_INVALIDOBJECT;
        }
        if (newPalette)
            newPalette->refs += 1;  // the surface holds the palette it shows
        ReleasePalette(palette);
        palette = newPalette;
        return DD_OK;
    });
}

HRESULT Surface::Unlock(LPVOID given)
{
    return Serve(kUnlock, this, [&] { return detail::Object(given); }, [&] {
        if (!locked)
            return DDERR_NOTLOCKED;
        locked = false;
        return DD_OK;
    });
}

const Site<ULONG> kDirectDrawRelease("IDirectDraw::Release");
const Site<HRESULT> kCreatePalette("IDirectDraw::CreatePalette", Script::kCode);
const Site<HRESULT> kCreateSurface("IDirectDraw::CreateSurface", Script::kCode);
const Site<HRESULT> kSetCooperativeLevel("IDirectDraw::SetCooperativeLevel", Script::kCode);
const Site<HRESULT> kSetDisplayMode("IDirectDraw::SetDisplayMode", Script::kCode);

ULONG DirectDraw::Release()
{
    return Serve(kDirectDrawRelease, this, None, [&] {
        ULONG left = --refs;
        if (left > 0)
            return left;
        alive = false;
        // The object takes its surfaces along and gives the desktop its mode back.
        for (auto& surface : surfaces)
            if (surface->alive && !surface->front) {
                detail::Problem("DirectDraw object released while " + detail::Object(surface.get()) +
                                " was still held");
                surface->Destroy();
            }
        if (modeWidth)
            SetScreenSize(desktopWidth, desktopHeight);
        modeWidth = modeHeight = modeBits = 0;
        level = 0;
        return left;
    });
}

HRESULT DirectDraw::CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* out, IUnknown* outer)
{
    if (entries)  // kept even when the call fails, so a test sees what was asked for
        display().lastPaletteTable.assign(entries, entries + 256);
    auto args = [&] { return Join(Hex(flags), detail::Object(outer)); };
    return Serve(kCreatePalette, this, args, [&] {
        if (outer)
            return CLASS_E_NOAGGREGATION;
        if (!entries || !out)
            return DDERR_INVALIDPARAMS;
        if (!(flags & DDPCAPS_8BIT))
            return DDERR_UNSUPPORTED;
        display().palettes.push_back(std::make_unique<Palette>());
        Palette* palette = display().palettes.back().get();
        std::memcpy(palette->entries, entries, sizeof palette->entries);
        if (!(flags & DDPCAPS_ALLOW256)) {  // the platform keeps black at 0 and white at 255
            palette->entries[0] = PALETTEENTRY{0, 0, 0, 0};
            palette->entries[255] = PALETTEENTRY{255, 255, 255, 0};
        }
        Label(palette, "palette");
        *out = palette;
        return DD_OK;
    });
}

// Why a description cannot make a surface; DD_OK when it can. Sizes a primary.
HRESULT CheckDescription(const DirectDraw& directDraw, const DDSURFACEDESC& description, Surface* surface)
{
    bool flipping = surface->Primary() && (surface->caps & DDSCAPS_FLIP);
    surface->bitsPerPixel = directDraw.modeBits ? directDraw.modeBits : 32;
    if (surface->Primary()) {
        surface->width = directDraw.modeWidth ? directDraw.modeWidth : detail::ScreenWidth();
        surface->height = directDraw.modeHeight ? directDraw.modeHeight : detail::ScreenHeight();
        if (!directDraw.level)
            return DDERR_NOCOOPERATIVELEVELSET;
        if (directDraw.LivePrimary())
            return DDERR_PRIMARYSURFACEALREADYEXISTS;
        if (description.dwFlags & (DDSD_WIDTH | DDSD_HEIGHT))
            return DDERR_INVALIDPARAMS;
        if (flipping && (!(surface->caps & DDSCAPS_COMPLEX) || !(description.dwFlags & DDSD_BACKBUFFERCOUNT) ||
                         description.dwBackBufferCount != 1))
            return DDERR_INVALIDPARAMS;
        if (flipping && !directDraw.Exclusive())
            return DDERR_NOEXCLUSIVEMODE;
        return DD_OK;
    }
    bool sized = (description.dwFlags & DDSD_WIDTH) && (description.dwFlags & DDSD_HEIGHT);
    surface->width = (int)description.dwWidth;
    surface->height = (int)description.dwHeight;
    if (description.dwFlags & DDSD_PIXELFORMAT)
        surface->bitsPerPixel = (int)description.ddpfPixelFormat.dwRGBBitCount;
    int bits = surface->bitsPerPixel;
    if (!sized || description.dwWidth == 0 || description.dwHeight == 0 ||
        (bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return DDERR_INVALIDPARAMS;
    if ((uint64_t)description.dwWidth * description.dwHeight > (1u << 26))
        return DDERR_OUTOFMEMORY;
    return DD_OK;
}

HRESULT DirectDraw::CreateSurface(LPDDSURFACEDESC description, LPDIRECTDRAWSURFACE* out, IUnknown* outer)
{
    auto args = [&] {
        if (!description)
            return std::string("null");
        return Join("flags " + Hex(description->dwFlags), "caps " + Hex(description->ddsCaps.dwCaps),
                    Num(description->dwWidth) + "x" + Num(description->dwHeight),
                    "back " + Num(description->dwBackBufferCount), detail::Object(outer));
    };
    return Serve(kCreateSurface, this, args, [&] {
        if (outer)
            return CLASS_E_NOAGGREGATION;
        if (!out || !description || description->dwSize != sizeof *description ||
            !(description->dwFlags & DDSD_CAPS))
            return DDERR_INVALIDPARAMS;
        auto surface = std::make_unique<Surface>();
        surface->owner = this;
        surface->caps = description->ddsCaps.dwCaps;
        HRESULT refused = CheckDescription(*this, *description, surface.get());
        if (refused != DD_OK)
            return refused;
        surface->pitch = (surface->width * (surface->bitsPerPixel / 8) + 3) & ~3;
        surface->pixels.assign((size_t)surface->pitch * surface->height, 0);
        Surface* made = surface.get();
        surfaces.push_back(std::move(surface));
        Label(made, made->Primary() ? "primary" : "surface" + Num(++display().surfacesMade));
        if (made->Primary() && (made->caps & DDSCAPS_FLIP)) {
            auto back = std::make_unique<Surface>(*made);
            back->caps = (made->caps & ~(DDSCAPS_PRIMARYSURFACE | DDSCAPS_FRONTBUFFER)) | DDSCAPS_BACKBUFFER;
            back->front = made;
            back->refs = 0;  // only the references handed out count
            made->caps |= DDSCAPS_FRONTBUFFER;
            made->back = back.get();
            Label(back.get(), "backbuffer");
            surfaces.push_back(std::move(back));
        }
        *out = made;
        return DD_OK;
    });
}

HRESULT DirectDraw::SetCooperativeLevel(HWND given, DWORD flags)
{
    auto args = [&] { return Join(detail::Object(given), Hex(flags)); };
    return Serve(kSetCooperativeLevel, this, args, [&] {
        if (((flags & DDSCL_FULLSCREEN) != 0) != ((flags & DDSCL_EXCLUSIVE) != 0))
            return DDERR_INVALIDPARAMS;
        if ((flags & DDSCL_EXCLUSIVE) && !WindowAlive(given))
            return DDERR_INVALIDPARAMS;
        window = given;
        level = flags;
        return DD_OK;
    });
}

HRESULT DirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bpp)
{
    auto args = [&] { return Join(Num(width), Num(height), Num(bpp)); };
    return Serve(kSetDisplayMode, this, args, [&] {
        const std::vector<int> wanted = {(int)width, (int)height, (int)bpp};
        const auto& modes = display().modes;
        if (std::find(modes.begin(), modes.end(), wanted) == modes.end())
            return DDERR_INVALIDMODE;
        if (!modeWidth) {
            desktopWidth = detail::ScreenWidth();
            desktopHeight = detail::ScreenHeight();
        }
        modeWidth = (int)width;
        modeHeight = (int)height;
        modeBits = (int)bpp;
        SetScreenSize((int)width, (int)height);
        return DD_OK;
    });
}

// The surfaces of every DirectDraw object, live or not.
template <typename Visit>
void ForEachSurface(Visit visit)
{
    for (auto& directDraw : display().directDraws)
        for (auto& surface : directDraw->surfaces)
            visit(*surface);
}

DirectDraw* CurrentDirectDraw()
{
    for (auto& directDraw : display().directDraws)
        if (directDraw->alive)
            return directDraw.get();
    return nullptr;
}

const Site<HRESULT> kDirectDrawCreate("DirectDrawCreate", Script::kCode);

}  // namespace

// ---- Controls ----------------------------------------------------------------
void SetDisplayModes(const std::vector<std::vector<int>>& modes) { display().modes = modes; }

void LoseSurfaces()
{
    ForEachSurface([](Surface& surface) {
        if (surface.alive)
            surface.lost = surface.lost || surface.CanBeLost();
    });
}

Picture Screen()
{
    Picture picture;
    DirectDraw* directDraw = CurrentDirectDraw();
    Surface* primary = directDraw ? directDraw->LivePrimary() : nullptr;
    if (!primary || primary->bitsPerPixel != 8)
        return picture;
    picture.width = primary->width;
    picture.height = primary->height;
    picture.pixels.resize((size_t)primary->width * primary->height);
    for (int y = 0; y < primary->height; ++y)
        std::memcpy(&picture.pixels[(size_t)y * primary->width], primary->Row(y), primary->width);
    const PALETTEENTRY* colors = primary->Colors();
    picture.palette.assign(colors, colors + 256);
    return picture;
}

void SetFlipHook(std::function<void()> hook) { display().flipHook = std::move(hook); }
int FlipCount() { return display().flips; }

SurfacePixels ReadSurface(LPDIRECTDRAWSURFACE given)
{
    Surface* surface = AsSurface(given);
    SurfacePixels read;
    read.width = surface->width;
    read.height = surface->height;
    read.bitsPerPixel = surface->bitsPerPixel;
    read.pitch = surface->pitch;
    read.bytes = surface->pixels;
    return read;
}

void WriteSurface(LPDIRECTDRAWSURFACE given, const std::vector<uint8_t>& bytes)
{
    Surface* surface = AsSurface(given);
    std::copy_n(bytes.begin(), std::min(bytes.size(), surface->pixels.size()), surface->pixels.begin());
}

bool SurfaceLost(LPDIRECTDRAWSURFACE surface) { return AsSurface(surface)->lost; }

bool HasSourceColorKey(LPDIRECTDRAWSURFACE given, DDCOLORKEY* key)
{
    Surface* surface = AsSurface(given);
    if (surface->hasSourceKey && key)
        *key = surface->sourceKey;
    return surface->hasSourceKey;
}

void ReportBitsPerPixel(LPDIRECTDRAWSURFACE surface, int bits) { AsSurface(surface)->reportedBits = bits; }
std::vector<PALETTEENTRY> LastPaletteTable() { return display().lastPaletteTable; }

std::vector<std::vector<PALETTEENTRY>> PalettesMade()
{
    std::vector<std::vector<PALETTEENTRY>> made;
    for (const auto& palette : display().palettes)
        made.emplace_back(palette->entries, palette->entries + 256);
    return made;
}

DWORD DisplayBitsPerPixel()
{
    DirectDraw* directDraw = CurrentDirectDraw();
    return directDraw ? (DWORD)directDraw->modeBits : 0;
}

bool DisplayExclusive()
{
    DirectDraw* directDraw = CurrentDirectDraw();
    return directDraw && directDraw->Exclusive();
}

Live LiveObjects()
{
    Live live;
    for (auto& directDraw : display().directDraws)
        live.directDraws += directDraw->alive;
    ForEachSurface([&](Surface& surface) {
        bool alive = surface.alive && !surface.front;
        live.surfaces += alive;
        live.locks += alive && surface.locked;
        live.surfaceDCs += alive && surface.context != nullptr;
    });
    for (auto& palette : display().palettes)
        live.palettes += palette->alive;
    live.deviceContexts = detail::LiveDeviceContexts();
    live.bitmaps = detail::LiveBitmaps();
    live.files = detail::LiveFiles();
    return live;
}

namespace detail {

void ResetDirectDraw() { display() = Display(); }

void SurfaceLossOnDeactivate()
{
    if (DisplayExclusive())
        LoseSurfaces();
}

void SurfaceRestoreAllowed(bool allowed) { display().restoreAllowed = allowed; }

}  // namespace detail
}  // namespace host

using namespace host;

HRESULT DirectDrawCreate(void* driver, LPDIRECTDRAW* out, IUnknown* outer)
{
    auto args = [&] { return Join(detail::Object(driver), detail::Object(outer)); };
    return Serve(kDirectDrawCreate, args, [&] {
        if (outer)
            return CLASS_E_NOAGGREGATION;
        if (!out)
            return DDERR_INVALIDPARAMS;
        display().directDraws.push_back(std::make_unique<DirectDraw>());
        *out = display().directDraws.back().get();
        Label(*out, "ddraw");
        return DD_OK;
    });
}
