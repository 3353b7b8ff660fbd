// IDirectDrawSurface over a DIB section: blits by the one set of blit rules
// (blit/blit.h), locks that hand out the memory itself, device contexts that
// draw through the surface's palette, and the Flip that shows the new front.
#include <cstring>
#include <string>

#include "blit/blit.h"
#include "player/ddraw/objects.h"

namespace player {
namespace {

// The platform's default colours of an 8-bit display with no palette set:
// the twenty static colours at either end, black between.
const PaletteColor* SystemColors()
{
    static PaletteColor colors[256];
    static const uint8_t kStatic[20][3] = {
        {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
        {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
        {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
        {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    for (int i = 0; i < 20; ++i)
        colors[i < 10 ? i : 236 + i] = PaletteColor{kStatic[i][0], kStatic[i][1], kStatic[i][2], 0};
    return colors;
}

SurfaceObject* AsSurface(LPDIRECTDRAWSURFACE surface)
{
    return static_cast<SurfaceObject*>(surface);
}

blit::Rect AsBlitRect(const RECT& rect)
{
    return blit::Rect{rect.left, rect.top, rect.right, rect.bottom};
}

// A flag a call takes, and its name for the refusal of any other.
struct Flag {
    DWORD value;
    const char* name;
};
#define PLAYER_FLAG(flag) Flag{flag, #flag}

// The flags Blt, BltFast and Flip take: the key is honoured; waiting or not,
// now or later, is what a copy in memory does anyway.
const Flag kBltFlags[] = {PLAYER_FLAG(DDBLT_KEYSRC), PLAYER_FLAG(DDBLT_WAIT), PLAYER_FLAG(DDBLT_ASYNC),
                          PLAYER_FLAG(DDBLT_DONOTWAIT)};
const Flag kBltFastFlags[] = {PLAYER_FLAG(DDBLTFAST_SRCCOLORKEY), PLAYER_FLAG(DDBLTFAST_WAIT),
                              PLAYER_FLAG(DDBLTFAST_DONOTWAIT)};
const Flag kFlipFlags[] = {PLAYER_FLAG(DDFLIP_WAIT), PLAYER_FLAG(DDFLIP_NOVSYNC), PLAYER_FLAG(DDFLIP_DONOTWAIT)};
#undef PLAYER_FLAG

// DD_OK when `flags` holds no flag but those taken; else the refusal, which
// names every flag taken.
template <size_t N>
HRESULT OnlyFlags(const char* call, DWORD flags, const Flag (&taken)[N])
{
    DWORD all = 0;
    std::string names;
    for (size_t i = 0; i < N; ++i) {
        all |= taken[i].value;
        names += std::string(i == 0 ? "" : i + 1 == N ? " and " : ", ") + taken[i].name;
    }
    if (!(flags & ~all))
        return DD_OK;
    return Unsupported((std::string("IDirectDrawSurface::") + call + " with flags other than " + names).c_str());
}

}  // namespace

struct ColorTable {
    RGBQUAD entries[256];
};

Pixels::~Pixels()
{
    if (context) {
        SelectObject(context, previous);
        DeleteDC(context);
    }
    if (bitmap)
        DeleteObject(bitmap);
}

std::unique_ptr<Pixels> MakePixels(int32_t width, int32_t height)
{
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];
    } info = {};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = -height;  // top-down: row 0 first, as a locked surface is read
    info.header.biPlanes = 1;
    info.header.biBitCount = 8;
    info.header.biCompression = BI_RGB;
    info.header.biClrUsed = 256;
    auto pixels = std::make_unique<Pixels>();
    void* bits = nullptr;
    pixels->bitmap = CreateDIBSection(NULL, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, NULL, 0);
    if (!pixels->bitmap || !bits)
        return nullptr;
    pixels->bits = static_cast<uint8_t*>(bits);
    pixels->pitch = (width + 3) & ~3;  // DIB rows end on a 4-byte boundary
    return pixels;
}

SurfaceObject::SurfaceObject(DirectDrawObject* owner, DWORD caps, int32_t width, int32_t height,
                             std::unique_ptr<Pixels> pixels)
    : owner_(owner), caps_(caps), width_(width), height_(height), pixels_(std::move(pixels))
{
}

const PaletteColor* SurfaceObject::Colors() const
{
    if (palette_)
        return palette_->Colors();
    if (front_ && front_->palette_)
        return front_->palette_->Colors();
    if (owner_ && owner_->Primary() && owner_->Primary()->palette_)
        return owner_->Primary()->palette_->Colors();
    return SystemColors();
}

void SurfaceObject::AttachBackBuffer(SurfaceObject* back)
{
    back_ = back;
    back->front_ = this;
    back->refs_ = 1;  // the chain's own, which the program cannot release
}

void SurfaceObject::SetSourceKey(const DDCOLORKEY& key)
{
    hasSourceKey_ = true;
    sourceKey_ = DDCOLORKEY{key.dwColorSpaceLowValue, key.dwColorSpaceLowValue};
}

// The memory goes; the object stays for the references still held.
void SurfaceObject::Destroy()
{
    pixels_.reset();
    locked_ = contextOut_ = false;
    if (palette_) {
        palette_->Release();
        palette_ = nullptr;
    }
    if (back_) {
        back_->Destroy();
        back_->front_ = nullptr;
        back_->owner_ = nullptr;
        if (--back_->refs_ == 0)  // the chain's reference goes with the chain
            delete back_;
        back_ = nullptr;
    }
}

void SurfaceObject::Orphan()
{
    Destroy();
    owner_ = nullptr;
}

bool SurfaceObject::Inside(const RECT& rect) const
{
    return blit::Inside(AsBlitRect(rect), width_, height_);
}

void SurfaceObject::FillDescription(DDSURFACEDESC* description) const
{
    std::memset(description, 0, sizeof *description);
    description->dwSize = sizeof *description;
    description->dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
    description->dwWidth = (DWORD)width_;
    description->dwHeight = (DWORD)height_;
    description->lPitch = pixels_->pitch;
    description->ddsCaps.dwCaps = caps_;
    if (back_ || front_) {  // a back buffer says it is in a chain, with a count of 0
        description->dwFlags |= DDSD_BACKBUFFERCOUNT;
        description->dwBackBufferCount = back_ ? 1 : 0;
    }
    if (hasSourceKey_) {
        description->dwFlags |= DDSD_CKSRCBLT;
        description->ddckCKSrcBlt = sourceKey_;
    }
    DDPIXELFORMAT& format = description->ddpfPixelFormat;
    format.dwSize = sizeof format;
    format.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
    format.dwRGBBitCount = 8;
}

// A keyed copy leaves out the source's key as it stands: a surface never given
// one has the key 0, and one whose key was removed keeps its last, as on Wine.
HRESULT SurfaceObject::CopyFrom(SurfaceObject* source, const RECT& from, const RECT& to, bool keyed)
{
    std::vector<uint8_t> copy;  // a blit within one surface reads the picture as it was
    const uint8_t* read = source->pixels_->bits;
    if (source == this) {
        copy.assign(read, read + (size_t)pixels_->pitch * height_);
        read = copy.data();
    }
    const blit::ColorKey key = {source->sourceKey_.dwColorSpaceLowValue, source->sourceKey_.dwColorSpaceHighValue};
    blit::Copy(read, source->pixels_->pitch, AsBlitRect(from), pixels_->bits, pixels_->pitch, AsBlitRect(to), 1,
               keyed ? &key : nullptr);
    return DD_OK;
}

// ---- IUnknown ------------------------------------------------------------------------

HRESULT SurfaceObject::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDirectDrawSurface)) {
        AddRef();
        *object = this;
        return S_OK;
    }
    *object = nullptr;
    Unsupported("IDirectDrawSurface::QueryInterface of another interface");
    return E_NOINTERFACE;
}

ULONG SurfaceObject::AddRef()
{
    return ++refs_;
}

ULONG SurfaceObject::Release()
{
    if (front_) {  // a back buffer lives as long as its chain
        if (refs_ > 1)
            --refs_;
        return refs_;
    }
    if (refs_ == 0)
        return 0;
    ULONG left = --refs_;
    if (left > 0)
        return left;
    if (owner_)
        owner_->Forget(this);
    Destroy();
    delete this;
    return 0;
}

// ---- What the intro uses -----------------------------------------------------------------

// Every call but those it does not serve begins here: a surface whose
// DirectDraw object is released has no memory, and answers so.
template <typename Call>
HRESULT SurfaceObject::Live(Call call)
{
    return pixels_ ? call() : DDERR_INVALIDOBJECT;
}

HRESULT SurfaceObject::BlitRefusal(HRESULT flagged, const SurfaceObject* source, bool needsKey) const
{
    if (flagged != DD_OK)
        return flagged;
    // As Wine: a keyed Blt needs a key set; the effects record is not looked at.
    if (!source || (needsKey && !source->hasSourceKey_))
        return DDERR_INVALIDPARAMS;
    if (!source->pixels_)
        return DDERR_INVALIDOBJECT;
    if (Busy() || source->Busy())
        return DDERR_SURFACEBUSY;
    return DD_OK;
}

HRESULT SurfaceObject::Blt(LPRECT target, LPDIRECTDRAWSURFACE sourceSurface, LPRECT sourceRect, DWORD flags,
                           LPDDBLTFX)
{
    return Live([&]() -> HRESULT {
        SurfaceObject* source = AsSurface(sourceSurface);
        const bool keyed = flags & DDBLT_KEYSRC;
        if (const HRESULT refused = BlitRefusal(OnlyFlags("Blt", flags, kBltFlags), source, keyed))
            return refused;
        const RECT to = target ? *target : Whole();
        const RECT from = sourceRect ? *sourceRect : source->Whole();
        if (!Inside(to) || !source->Inside(from))
            return DDERR_INVALIDRECT;
        return CopyFrom(source, from, to, keyed);
    });
}

HRESULT SurfaceObject::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE sourceSurface, LPRECT sourceRect, DWORD flags)
{
    return Live([&]() -> HRESULT {
        SurfaceObject* source = AsSurface(sourceSurface);
        if (const HRESULT refused = BlitRefusal(OnlyFlags("BltFast", flags, kBltFastFlags), source, false))
            return refused;
        const RECT from = sourceRect ? *sourceRect : source->Whole();
        if (!source->Inside(from) || x > (DWORD)width_ || y > (DWORD)height_)
            return DDERR_INVALIDRECT;
        const RECT to = {(LONG)x, (LONG)y, (LONG)x + (from.right - from.left), (LONG)y + (from.bottom - from.top)};
        if (!Inside(to))
            return DDERR_INVALIDRECT;
        return CopyFrom(source, from, to, flags & DDBLTFAST_SRCCOLORKEY);
    });
}

HRESULT SurfaceObject::Flip(LPDIRECTDRAWSURFACE target, DWORD flags)
{
    return Live([&]() -> HRESULT {
        if (const HRESULT refused = OnlyFlags("Flip", flags, kFlipFlags))
            return refused;
        if (!back_)
            return DDERR_NOTFLIPPABLE;
        if (target && AsSurface(target) != back_)
            return DDERR_NOTFLIPPABLE;
        if (!owner_ || !owner_->Exclusive())
            return DDERR_NOEXCLUSIVEMODE;
        if (Busy() || back_->Busy())
            return DDERR_SURFACEBUSY;
        std::swap(pixels_, back_->pixels_);
        owner_->Present(*pixels_, Colors());
        return DD_OK;
    });
}

HRESULT SurfaceObject::GetAttachedSurface(LPDDSCAPS wanted, LPDIRECTDRAWSURFACE* attached)
{
    return Live([&]() -> HRESULT {
        if (!wanted || !attached)
            return DDERR_INVALIDPARAMS;
        if (!back_ || !(wanted->dwCaps & DDSCAPS_BACKBUFFER))
            return DDERR_NOTFOUND;
        back_->AddRef();
        *attached = back_;
        return DD_OK;
    });
}

HRESULT SurfaceObject::GetDC(HDC* context)
{
    return Live([&]() -> HRESULT {
        if (!context)
            return DDERR_INVALIDPARAMS;
        if (contextOut_)
            return DDERR_DCALREADYCREATED;
        if (locked_)
            return DDERR_SURFACEBUSY;
        Pixels& pixels = *pixels_;
        if (!pixels.context) {
            pixels.context = CreateCompatibleDC(NULL);
            if (!pixels.context)
                return DDERR_OUTOFMEMORY;
            pixels.previous = SelectObject(pixels.context, pixels.bitmap);
        }
        // GDI draws through the colours the surface shows now.
        ColorTable table;
        const PaletteColor* colors = Colors();
        for (int i = 0; i < 256; ++i)
            table.entries[i] = RGBQUAD{colors[i].blue, colors[i].green, colors[i].red, 0};
        SetDIBColorTable(pixels.context, 0, 256, table.entries);
        contextOut_ = true;
        *context = pixels.context;
        return DD_OK;
    });
}

HRESULT SurfaceObject::GetSurfaceDesc(LPDDSURFACEDESC description)
{
    return Live([&]() -> HRESULT {
        if (!description || description->dwSize != sizeof *description)
            return DDERR_INVALIDPARAMS;
        FillDescription(description);
        return DD_OK;
    });
}

HRESULT SurfaceObject::IsLost()
{
    return Live([] { return DD_OK; });
}

HRESULT SurfaceObject::Lock(LPRECT rect, LPDDSURFACEDESC description, DWORD, HANDLE)
{
    return Live([&]() -> HRESULT {
        if (!description || description->dwSize != sizeof *description || (rect && !Inside(*rect)))
            return DDERR_INVALIDPARAMS;
        if (Busy())
            return DDERR_SURFACEBUSY;
        GdiFlush();  // what GDI drew is in the memory before the program reads it
        FillDescription(description);
        const size_t offset = rect ? (size_t)rect->top * pixels_->pitch + rect->left : 0;
        description->lpSurface = pixels_->bits + offset;
        locked_ = true;
        return DD_OK;
    });
}

HRESULT SurfaceObject::ReleaseDC(HDC context)
{
    return Live([&]() -> HRESULT {
        if (!contextOut_)
            return DDERR_NODC;
        if (context != pixels_->context)
            return kInvalidCall;
        GdiFlush();
        contextOut_ = false;
        return DD_OK;
    });
}

// The memory is the program's own and never taken away.
HRESULT SurfaceObject::Restore()
{
    return Live([] { return DD_OK; });
}

HRESULT SurfaceObject::SetColorKey(DWORD flags, LPDDCOLORKEY key)
{
    return Live([&]() -> HRESULT {
        if (flags & DDCKEY_COLORSPACE)
            return DDERR_NOCOLORKEYHW;  // as Wine: a key is one value, never a range
        if (flags != DDCKEY_SRCBLT)
            return Unsupported("IDirectDrawSurface::SetColorKey of a key other than DDCKEY_SRCBLT");
        hasSourceKey_ = key != nullptr;
        if (key)
            sourceKey_ = DDCOLORKEY{key->dwColorSpaceLowValue, key->dwColorSpaceLowValue};
        return DD_OK;
    });
}

HRESULT SurfaceObject::SetPalette(LPDIRECTDRAWPALETTE given)
{
    return Live([&]() -> HRESULT {
        PaletteObject* palette = static_cast<PaletteObject*>(given);
        if (palette)
            palette->AddRef();  // the surface holds the palette it shows
        if (palette_)
            palette_->Release();
        palette_ = palette;
        return DD_OK;
    });
}

HRESULT SurfaceObject::Unlock(LPVOID)
{
    return Live([&]() -> HRESULT {
        if (!locked_)
            return DDERR_NOTLOCKED;
        locked_ = false;
        return DD_OK;
    });
}

// ---- What it does not ------------------------------------------------------------------------

HRESULT SurfaceObject::AddAttachedSurface(LPDIRECTDRAWSURFACE)
{
    return Unsupported("IDirectDrawSurface::AddAttachedSurface");
}
HRESULT SurfaceObject::AddOverlayDirtyRect(LPRECT)
{
    return Unsupported("IDirectDrawSurface::AddOverlayDirtyRect");
}
HRESULT SurfaceObject::BltBatch(LPDDBLTBATCH, DWORD, DWORD)
{
    return Unsupported("IDirectDrawSurface::BltBatch");
}
HRESULT SurfaceObject::DeleteAttachedSurface(DWORD, LPDIRECTDRAWSURFACE)
{
    return Unsupported("IDirectDrawSurface::DeleteAttachedSurface");
}
HRESULT SurfaceObject::EnumAttachedSurfaces(LPVOID, LPDDENUMSURFACESCALLBACK)
{
    return Unsupported("IDirectDrawSurface::EnumAttachedSurfaces");
}
HRESULT SurfaceObject::EnumOverlayZOrders(DWORD, LPVOID, LPDDENUMSURFACESCALLBACK)
{
    return Unsupported("IDirectDrawSurface::EnumOverlayZOrders");
}
HRESULT SurfaceObject::GetBltStatus(DWORD)
{
    return Unsupported("IDirectDrawSurface::GetBltStatus");
}
HRESULT SurfaceObject::GetCaps(LPDDSCAPS)
{
    return Unsupported("IDirectDrawSurface::GetCaps");
}
HRESULT SurfaceObject::GetClipper(LPDIRECTDRAWCLIPPER*)
{
    return Unsupported("IDirectDrawSurface::GetClipper");
}
HRESULT SurfaceObject::GetColorKey(DWORD, LPDDCOLORKEY)
{
    return Unsupported("IDirectDrawSurface::GetColorKey");
}
HRESULT SurfaceObject::GetFlipStatus(DWORD)
{
    return Unsupported("IDirectDrawSurface::GetFlipStatus");
}
HRESULT SurfaceObject::GetOverlayPosition(LPLONG, LPLONG)
{
    return Unsupported("IDirectDrawSurface::GetOverlayPosition");
}
HRESULT SurfaceObject::GetPalette(LPDIRECTDRAWPALETTE*)
{
    return Unsupported("IDirectDrawSurface::GetPalette");
}
HRESULT SurfaceObject::GetPixelFormat(LPDDPIXELFORMAT)
{
    return Unsupported("IDirectDrawSurface::GetPixelFormat");
}
HRESULT SurfaceObject::Initialize(LPDIRECTDRAW, LPDDSURFACEDESC)
{
    return Unsupported("IDirectDrawSurface::Initialize");
}
HRESULT SurfaceObject::SetClipper(LPDIRECTDRAWCLIPPER)
{
    return Unsupported("IDirectDrawSurface::SetClipper");
}
HRESULT SurfaceObject::SetOverlayPosition(LONG, LONG)
{
    return Unsupported("IDirectDrawSurface::SetOverlayPosition");
}
HRESULT SurfaceObject::UpdateOverlay(LPRECT, LPDIRECTDRAWSURFACE, LPRECT, DWORD, LPDDOVERLAYFX)
{
    return Unsupported("IDirectDrawSurface::UpdateOverlay");
}
HRESULT SurfaceObject::UpdateOverlayDisplay(DWORD)
{
    return Unsupported("IDirectDrawSurface::UpdateOverlayDisplay");
}
HRESULT SurfaceObject::UpdateOverlayZOrder(DWORD, LPDIRECTDRAWSURFACE)
{
    return Unsupported("IDirectDrawSurface::UpdateOverlayZOrder");
}

}  // namespace player
