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

// Calls on a released object are the program's fault, reported as problems.
template <typename Object>
bool Released(const Object* object, const char* method)
{
    if (object->alive)
        return false;
    detail::Problem(std::string(method) + " on a released object " + detail::Object(object));
    return true;
}

struct Palette final : IDirectDrawPalette {
    ULONG refs = 1;
    bool alive = true;
    PALETTEENTRY entries[256];

    ULONG STDMETHODCALLTYPE AddRef() override
    {
        if (Released(this, "IDirectDrawPalette::AddRef"))
            return 0;
        return (ULONG)Log("IDirectDrawPalette::AddRef", this, [] { return std::string(); }, ++refs);
    }

    ULONG STDMETHODCALLTYPE Release() override
    {
        if (Released(this, "IDirectDrawPalette::Release"))
            return 0;
        alive = --refs > 0;
        return (ULONG)Log("IDirectDrawPalette::Release", this, [] { return std::string(); }, refs);
    }

    HRESULT STDMETHODCALLTYPE GetEntries(DWORD flags, DWORD base, DWORD count,
                                         LPPALETTEENTRY out) override
    {
        if (Released(this, "IDirectDrawPalette::GetEntries"))
            return DDERR_INVALIDOBJECT;
        HRESULT result = DD_OK;
        if (!out || base >= 256 || count > 256 - base)
            result = DDERR_INVALIDPARAMS;
        else
            std::memcpy(out, entries + base, count * sizeof *out);
        return (HRESULT)Log("IDirectDrawPalette::GetEntries", this,
                            [&] { return Join(Hex(flags), Num(base), Num(count)); }, (uint32_t)result);
    }
};

struct Surface final : IDirectDrawSurface, detail::SurfaceTarget {
    DirectDraw* owner = nullptr;
    ULONG refs = 1;
    bool alive = true;
    DWORD caps = 0;
    int width = 0, height = 0, bitsPerPixel = 8, pitch = 0;
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
    int Width() const override { return width; }
    int Height() const override { return height; }
    int BitsPerPixel() const override { return bitsPerPixel; }
    uint8_t* Row(int y) override { return &pixels[(size_t)y * pitch]; }
    const PALETTEENTRY* Colors() const override;

    void Destroy();
    void FillDescription(DDSURFACEDESC* description) const;
    HRESULT Usable(const char* method, uint32_t* scripted);
    HRESULT CopyFrom(Surface* source, const RECT& from, const RECT& to, bool keyed);
    HRESULT BlitFrom(Surface* source, const RECT& from, const RECT& to, bool keyed, const char* what);

    ULONG STDMETHODCALLTYPE AddRef() override;
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

    ULONG STDMETHODCALLTYPE AddRef() override
    {
        if (Released(this, "IDirectDraw::AddRef"))
            return 0;
        return (ULONG)Log("IDirectDraw::AddRef", this, [] { return std::string(); }, ++refs);
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
    DDPIXELFORMAT& format = description->ddpfPixelFormat;
    format.dwSize = sizeof format;
    format.dwRGBBitCount = (DWORD)bitsPerPixel;
    format.dwFlags = DDPF_RGB | (bitsPerPixel == 8 ? DDPF_PALETTEINDEXED8 : 0);
    if (bitsPerPixel == 16) {
        format.dwRBitMask = 0xF800, format.dwGBitMask = 0x07E0, format.dwBBitMask = 0x001F;
    } else if (bitsPerPixel > 16) {
        format.dwRBitMask = 0xFF0000, format.dwGBitMask = 0x00FF00, format.dwBBitMask = 0x0000FF;
    }
}

// The checks every drawing method makes first; DD_OK when it may go on.
HRESULT Surface::Usable(const char* method, uint32_t* scripted)
{
    if (Released(this, method))
        return DDERR_INVALIDOBJECT;
    if (detail::Scripted(method, this, scripted))
        return (HRESULT)*scripted;
    if (lost)
        return DDERR_SURFACELOST;
    return DD_OK;
}

bool InsideSurface(const RECT& rect, const Surface* surface)
{
    return rect.left >= 0 && rect.top >= 0 && rect.right <= surface->width &&
           rect.bottom <= surface->height && rect.left < rect.right && rect.top < rect.bottom;
}

RECT WholeSurface(const Surface* surface)
{
    RECT rect = {0, 0, surface->width, surface->height};
    return rect;
}

// The copy itself follows the one set of blit rules (blit/blit.h): point-sampled
// when the sizes differ, the source's key range left out when keyed.
HRESULT Surface::CopyFrom(Surface* source, const RECT& from, const RECT& to, bool keyed)
{
    if (source->bitsPerPixel != bitsPerPixel)
        return DDERR_UNSUPPORTED;
    std::vector<uint8_t> copy;  // a blit within one surface reads the picture as it was
    const std::vector<uint8_t>& read = source == this ? (copy = pixels) : source->pixels;
    const blit::ColorKey key = {source->sourceKey.dwColorSpaceLowValue, source->sourceKey.dwColorSpaceHighValue};
    blit::Copy(read.data(), source->pitch, blit::Rect{from.left, from.top, from.right, from.bottom}, pixels.data(),
               pitch, blit::Rect{to.left, to.top, to.right, to.bottom}, bitsPerPixel / 8, keyed ? &key : nullptr);
    return DD_OK;
}

ULONG Surface::AddRef()
{
    if (Released(this, "IDirectDrawSurface::AddRef"))
        return 0;
    return (ULONG)Log("IDirectDrawSurface::AddRef", this, [] { return std::string(); }, ++refs);
}

ULONG Surface::Release()
{
    if (Released(this, "IDirectDrawSurface::Release"))
        return 0;
    if (refs > 0)
        --refs;
    if (refs == 0 && !front)  // a back buffer lives as long as its chain
        Destroy();
    return (ULONG)Log("IDirectDrawSurface::Release", this, [] { return std::string(); }, refs);
}

// What Blt and BltFast check of the source and the two surfaces once their own
// arguments are right; the copy when all is well.
HRESULT Surface::BlitFrom(Surface* source, const RECT& from, const RECT& to, bool keyed, const char* what)
{
    if (Released(source, what))
        return DDERR_INVALIDOBJECT;
    if (source->lost)
        return DDERR_SURFACELOST;
    if (locked || context || source->locked || source->context)
        return DDERR_SURFACEBUSY;
    if (!InsideSurface(to, this) || !InsideSurface(from, source))
        return DDERR_INVALIDRECT;
    return CopyFrom(source, from, to, keyed && source->hasSourceKey);
}

HRESULT Surface::Blt(LPRECT target, LPDIRECTDRAWSURFACE sourceSurface, LPRECT sourceRect, DWORD flags,
                     LPDDBLTFX effects)
{
    Surface* source = AsSurface(sourceSurface);
    auto args = [&] {
        return Join(detail::Rect(target), detail::Object(source), detail::Rect(sourceRect), Hex(flags),
                    effects ? "fx(" + Num(effects->dwSize) + ")" : std::string("null"));
    };
    uint32_t code;
    HRESULT result = Usable("IDirectDrawSurface::Blt", &code);
    if (result == DD_OK) {
        RECT to = target ? *target : WholeSurface(this);
        RECT from = sourceRect && source ? *sourceRect : (source ? WholeSurface(source) : RECT());
        if (!source || (flags & ~(DDBLT_KEYSRC | DDBLT_WAIT)) || (effects && effects->dwSize != sizeof *effects))
            result = DDERR_INVALIDPARAMS;
        else
            result = BlitFrom(source, from, to, flags & DDBLT_KEYSRC, "IDirectDrawSurface::Blt source");
    }
    return (HRESULT)Log("IDirectDrawSurface::Blt", this, args, (uint32_t)result);
}

HRESULT Surface::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE sourceSurface, LPRECT sourceRect,
                         DWORD flags)
{
    Surface* source = AsSurface(sourceSurface);
    auto args = [&] {
        return Join(Num(x), Num(y), detail::Object(source), detail::Rect(sourceRect), Hex(flags));
    };
    uint32_t code;
    HRESULT result = Usable("IDirectDrawSurface::BltFast", &code);
    if (result == DD_OK) {
        RECT from = sourceRect && source ? *sourceRect : (source ? WholeSurface(source) : RECT());
        RECT to = {(LONG)x, (LONG)y, (LONG)x + (from.right - from.left), (LONG)y + (from.bottom - from.top)};
        if (!source || (flags & ~(DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT)) || x > 0xFFFF || y > 0xFFFF)
            result = DDERR_INVALIDPARAMS;
        else
            result = BlitFrom(source, from, to, flags & DDBLTFAST_SRCCOLORKEY, "IDirectDrawSurface::BltFast source");
    }
    return (HRESULT)Log("IDirectDrawSurface::BltFast", this, args, (uint32_t)result);
}

HRESULT Surface::Flip(LPDIRECTDRAWSURFACE target, DWORD flags)
{
    auto args = [&] { return Join(detail::Object(target), Hex(flags)); };
    uint32_t code;
    HRESULT result = Usable("IDirectDrawSurface::Flip", &code);
    if (result == DD_OK) {
        if (!back)
            result = DDERR_NOTFLIPPABLE;
        else if (target && target != back)
            result = DDERR_INVALIDPARAMS;
        else if (back->lost)
            result = DDERR_SURFACELOST;
        else if (locked || context || back->locked || back->context)
            result = DDERR_SURFACEBUSY;
        else
            std::swap(pixels, back->pixels);
    }
    Log("IDirectDrawSurface::Flip", this, args, (uint32_t)result);
    if (result == DD_OK) {
        display().flips += 1;
        if (display().flipHook)
            display().flipHook();
    }
    return result;
}

HRESULT Surface::GetAttachedSurface(LPDDSCAPS wanted, LPDIRECTDRAWSURFACE* attached)
{
    auto args = [&] { return wanted ? Hex(wanted->dwCaps) : std::string("null"); };
    uint32_t code;
    HRESULT result = DD_OK;
    if (Released(this, "IDirectDrawSurface::GetAttachedSurface"))
        result = DDERR_INVALIDOBJECT;
    else if (detail::Scripted("IDirectDrawSurface::GetAttachedSurface", this, &code))
        result = (HRESULT)code;
    else if (!wanted || !attached)
        result = DDERR_INVALIDPARAMS;
    else if (!back || !(wanted->dwCaps & DDSCAPS_BACKBUFFER))
        result = DDERR_NOTFOUND;
    if (result == DD_OK) {
        ++back->refs;  // handed out with a reference of its own
        *attached = back;
    }
    return (HRESULT)Log("IDirectDrawSurface::GetAttachedSurface", this, args, (uint32_t)result);
}

HRESULT Surface::GetDC(HDC* out)
{
    uint32_t code;
    HRESULT result = Usable("IDirectDrawSurface::GetDC", &code);
    if (result == DD_OK && !out)
        result = DDERR_INVALIDPARAMS;
    else if (result == DD_OK && context)
        result = DDERR_DCALREADYCREATED;
    else if (result == DD_OK && locked)
        result = DDERR_SURFACEBUSY;
    if (result == DD_OK)
        *out = context = detail::CreateSurfaceDC(this);
    return (HRESULT)Log("IDirectDrawSurface::GetDC", this, [] { return std::string(); }, (uint32_t)result);
}

HRESULT Surface::GetSurfaceDesc(LPDDSURFACEDESC description)
{
    uint32_t code;
    HRESULT result = DD_OK;
    if (Released(this, "IDirectDrawSurface::GetSurfaceDesc"))
        result = DDERR_INVALIDOBJECT;
    else if (detail::Scripted("IDirectDrawSurface::GetSurfaceDesc", this, &code))
        result = (HRESULT)code;
    else if (!description || description->dwSize != sizeof *description)
        result = DDERR_INVALIDPARAMS;
    else
        FillDescription(description);
    return (HRESULT)Log("IDirectDrawSurface::GetSurfaceDesc", this, [] { return std::string(); },
                        (uint32_t)result);
}

HRESULT Surface::Lock(LPRECT rect, LPDDSURFACEDESC description, DWORD flags, HANDLE event)
{
    auto args = [&] { return Join(detail::Rect(rect), Hex(flags), detail::Object(event)); };
    uint32_t code;
    HRESULT result = Usable("IDirectDrawSurface::Lock", &code);
    if (result == DD_OK) {
        if (!description || description->dwSize != sizeof *description || (rect && !InsideSurface(*rect, this)))
            result = DDERR_INVALIDPARAMS;
        else if (context) {
            detail::Problem("Lock of " + detail::Object(this) + " while its device context is out");
            result = DDERR_SURFACEBUSY;
        } else if (locked)
            result = DDERR_SURFACEBUSY;
    }
    if (result == DD_OK) {
        FillDescription(description);
        description->dwFlags |= DDSD_LPSURFACE;
        size_t offset = rect ? (size_t)rect->top * pitch + (size_t)rect->left * (bitsPerPixel / 8) : 0;
        description->lpSurface = pixels.data() + offset;
        locked = true;
    }
    return (HRESULT)Log("IDirectDrawSurface::Lock", this, args, (uint32_t)result);
}

HRESULT Surface::ReleaseDC(HDC given)
{
    HRESULT result = DD_OK;
    if (Released(this, "IDirectDrawSurface::ReleaseDC"))
        result = DDERR_INVALIDOBJECT;
    else if (!context || given != context)
        result = DDERR_NODC;
    else {
        detail::DeleteSurfaceDC(context);
        context = nullptr;
        uint32_t code;
        if (detail::Scripted("IDirectDrawSurface::ReleaseDC", this, &code))  // an answer only
            result = (HRESULT)code;
    }
    return (HRESULT)Log("IDirectDrawSurface::ReleaseDC", this, [&] { return detail::Object(given); },
                        (uint32_t)result);
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
    uint32_t code;
    HRESULT result = DD_OK;
    if (Released(this, "IDirectDrawSurface::Restore"))
        result = DDERR_INVALIDOBJECT;
    else if (detail::Scripted("IDirectDrawSurface::Restore", this, &code))
        result = (HRESULT)code;
    else if (lost && !display().restoreAllowed)
        result = DDERR_WRONGMODE;
    else if (lost) {
        RefillWithGarbage(this);
        if (back)
            RefillWithGarbage(back);
    }
    return (HRESULT)Log("IDirectDrawSurface::Restore", this, [] { return std::string(); }, (uint32_t)result);
}

HRESULT Surface::SetColorKey(DWORD flags, LPDDCOLORKEY key)
{
    auto args = [&] {
        return key ? Join(Hex(flags), Hex(key->dwColorSpaceLowValue), Hex(key->dwColorSpaceHighValue))
                   : Join(Hex(flags), std::string("null"));
    };
    uint32_t code;
    HRESULT result = DD_OK;
    if (Released(this, "IDirectDrawSurface::SetColorKey"))
        result = DDERR_INVALIDOBJECT;
    else if (detail::Scripted("IDirectDrawSurface::SetColorKey", this, &code))
        result = (HRESULT)code;
    else if (!(flags & DDCKEY_SRCBLT))
        result = DDERR_INVALIDPARAMS;
    else {
        hasSourceKey = key != nullptr;
        if (key)
            sourceKey = *key;
    }
    return (HRESULT)Log("IDirectDrawSurface::SetColorKey", this, args, (uint32_t)result);
}

HRESULT Surface::SetPalette(LPDIRECTDRAWPALETTE given)
{
    Palette* newPalette = static_cast<Palette*>(given);
    uint32_t code;
    HRESULT result = DD_OK;
    if (Released(this, "IDirectDrawSurface::SetPalette"))
        result = DDERR_INVALIDOBJECT;
    else if (detail::Scripted("IDirectDrawSurface::SetPalette", this, &code))
        result = (HRESULT)code;
    else if (bitsPerPixel != 8)
        result = DDERR_UNSUPPORTED;
    else if (newPalette && Released(newPalette, "IDirectDrawSurface::SetPalette palette"))
        result = DDERR_INVALIDOBJECT;
    else {
        if (newPalette)
            newPalette->refs += 1;  // the surface holds the palette it shows
        ReleasePalette(palette);
        palette = newPalette;
    }
    return (HRESULT)Log("IDirectDrawSurface::SetPalette", this, [&] { return detail::Object(given); },
                        (uint32_t)result);
}

HRESULT Surface::Unlock(LPVOID given)
{
    HRESULT result = DD_OK;
    if (Released(this, "IDirectDrawSurface::Unlock"))
        result = DDERR_INVALIDOBJECT;
    else if (!locked)
        result = DDERR_NOTLOCKED;
    else {
        locked = false;
        uint32_t code;
        if (detail::Scripted("IDirectDrawSurface::Unlock", this, &code))  // an answer only
            result = (HRESULT)code;
    }
    return (HRESULT)Log("IDirectDrawSurface::Unlock", this, [&] { return detail::Object(given); },
                        (uint32_t)result);
}

ULONG DirectDraw::Release()
{
    if (Released(this, "IDirectDraw::Release"))
        return 0;
    ULONG left = --refs;
    if (left == 0) {
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
    }
    return (ULONG)Log("IDirectDraw::Release", this, [] { return std::string(); }, left);
}

HRESULT DirectDraw::CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* out,
                                  IUnknown* outer)
{
    auto args = [&] { return Join(Hex(flags), detail::Object(outer)); };
    uint32_t code;
    HRESULT result = DD_OK;
    if (entries)  // kept even when the call fails, so a test sees what was asked for
        display().lastPaletteTable.assign(entries, entries + 256);
    if (Released(this, "IDirectDraw::CreatePalette"))
        result = DDERR_INVALIDOBJECT;
    else if (detail::Scripted("IDirectDraw::CreatePalette", this, &code))
        result = (HRESULT)code;
    else if (outer)
        result = CLASS_E_NOAGGREGATION;
    else if (!entries || !out)
        result = DDERR_INVALIDPARAMS;
    else if (!(flags & DDPCAPS_8BIT))
        result = DDERR_UNSUPPORTED;
    if (result != DD_OK)
        return (HRESULT)Log("IDirectDraw::CreatePalette", this, args, (uint32_t)result);
    display().palettes.push_back(std::make_unique<Palette>());
    Palette* palette = display().palettes.back().get();
    std::memcpy(palette->entries, entries, sizeof palette->entries);
    if (!(flags & DDPCAPS_ALLOW256)) {  // the platform keeps black at 0 and white at 255
        palette->entries[0] = PALETTEENTRY{0, 0, 0, 0};
        palette->entries[255] = PALETTEENTRY{255, 255, 255, 0};
    }
    Label(palette, "palette");
    *out = palette;
    return (HRESULT)Log("IDirectDraw::CreatePalette", this, args, DD_OK);
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
    uint32_t code;
    HRESULT result = DD_OK;
    if (Released(this, "IDirectDraw::CreateSurface"))
        result = DDERR_INVALIDOBJECT;
    else if (detail::Scripted("IDirectDraw::CreateSurface", this, &code))
        result = (HRESULT)code;
    else if (outer)
        result = CLASS_E_NOAGGREGATION;
    else if (!out || !description || description->dwSize != sizeof *description ||
             !(description->dwFlags & DDSD_CAPS))
        result = DDERR_INVALIDPARAMS;
    if (result != DD_OK)
        return (HRESULT)Log("IDirectDraw::CreateSurface", this, args, (uint32_t)result);

    auto surface = std::make_unique<Surface>();
    surface->owner = this;
    surface->caps = description->ddsCaps.dwCaps;
    bool primary = surface->Primary();
    bool flipping = primary && (surface->caps & DDSCAPS_FLIP);
    if (primary) {
        if (!level)
            result = DDERR_NOCOOPERATIVELEVELSET;
        else if (LivePrimary())
            result = DDERR_PRIMARYSURFACEALREADYEXISTS;
        else if (description->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT))
            result = DDERR_INVALIDPARAMS;
        else if (flipping && (!(surface->caps & DDSCAPS_COMPLEX) ||
                              !(description->dwFlags & DDSD_BACKBUFFERCOUNT) ||
                              description->dwBackBufferCount != 1))
            result = DDERR_INVALIDPARAMS;
        else if (flipping && !Exclusive())
            result = DDERR_NOEXCLUSIVEMODE;
        surface->width = modeWidth ? modeWidth : detail::ScreenWidth();
        surface->height = modeHeight ? modeHeight : detail::ScreenHeight();
        surface->bitsPerPixel = modeBits ? modeBits : 32;
    } else {
        bool sized = (description->dwFlags & DDSD_WIDTH) && (description->dwFlags & DDSD_HEIGHT);
        surface->width = (int)description->dwWidth;
        surface->height = (int)description->dwHeight;
        surface->bitsPerPixel = modeBits ? modeBits : 32;
        if (description->dwFlags & DDSD_PIXELFORMAT)
            surface->bitsPerPixel = (int)description->ddpfPixelFormat.dwRGBBitCount;
        int bits = surface->bitsPerPixel;
        if (!sized || description->dwWidth == 0 || description->dwHeight == 0 ||
            (bits != 8 && bits != 16 && bits != 24 && bits != 32))
            result = DDERR_INVALIDPARAMS;
        else if ((uint64_t)description->dwWidth * description->dwHeight > (1u << 26))
            result = DDERR_OUTOFMEMORY;
    }
    if (result != DD_OK)
        return (HRESULT)Log("IDirectDraw::CreateSurface", this, args, (uint32_t)result);

    surface->pitch = (surface->width * (surface->bitsPerPixel / 8) + 3) & ~3;
    surface->pixels.assign((size_t)surface->pitch * surface->height, 0);
    Surface* made = surface.get();
    surfaces.push_back(std::move(surface));
    Label(made, primary ? "primary" : "surface" + Num(++display().surfacesMade));
    if (flipping) {
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
    return (HRESULT)Log("IDirectDraw::CreateSurface", this, args, DD_OK);
}

HRESULT DirectDraw::SetCooperativeLevel(HWND given, DWORD flags)
{
    auto args = [&] { return Join(detail::Object(given), Hex(flags)); };
    uint32_t code;
    HRESULT result = DD_OK;
    if (Released(this, "IDirectDraw::SetCooperativeLevel"))
        result = DDERR_INVALIDOBJECT;
    else if (detail::Scripted("IDirectDraw::SetCooperativeLevel", this, &code))
        result = (HRESULT)code;
    else if (((flags & DDSCL_FULLSCREEN) != 0) != ((flags & DDSCL_EXCLUSIVE) != 0))
        result = DDERR_INVALIDPARAMS;
    else if ((flags & DDSCL_EXCLUSIVE) && !WindowAlive(given))
        result = DDERR_INVALIDPARAMS;
    else {
        window = given;
        level = flags;
    }
    return (HRESULT)Log("IDirectDraw::SetCooperativeLevel", this, args, (uint32_t)result);
}

HRESULT DirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bpp)
{
    auto args = [&] { return Join(Num(width), Num(height), Num(bpp)); };
    uint32_t code;
    HRESULT result = DD_OK;
    std::vector<int> wanted = {(int)width, (int)height, (int)bpp};
    const auto& modes = display().modes;
    if (Released(this, "IDirectDraw::SetDisplayMode"))
        result = DDERR_INVALIDOBJECT;
    else if (detail::Scripted("IDirectDraw::SetDisplayMode", this, &code))
        result = (HRESULT)code;
    else if (std::find(modes.begin(), modes.end(), wanted) == modes.end())
        result = DDERR_INVALIDMODE;
    else {
        if (!modeWidth) {
            desktopWidth = detail::ScreenWidth();
            desktopHeight = detail::ScreenHeight();
        }
        modeWidth = (int)width;
        modeHeight = (int)height;
        modeBits = (int)bpp;
        SetScreenSize((int)width, (int)height);
    }
    return (HRESULT)Log("IDirectDraw::SetDisplayMode", this, args, (uint32_t)result);
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

LPDIRECTDRAWPALETTE PaletteOf(LPDIRECTDRAWSURFACE surface) { return AsSurface(surface)->palette; }
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
    uint32_t code;
    HRESULT result = DD_OK;
    if (detail::Scripted("DirectDrawCreate", nullptr, &code))
        result = (HRESULT)code;
    else if (outer)
        result = CLASS_E_NOAGGREGATION;
    else if (!out)
        result = DDERR_INVALIDPARAMS;
    if (result == DD_OK) {
        display().directDraws.push_back(std::make_unique<DirectDraw>());
        *out = display().directDraws.back().get();
        Label(*out, "ddraw");
    }
    return (HRESULT)Log("DirectDrawCreate", nullptr, args, (uint32_t)result);
}
