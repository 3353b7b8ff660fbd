// IDirectDrawSurface, watched: every method in vtable order, forwarded to
// Wine's surface with wrapped surfaces and palettes swapped for the real ones.
#include <map>

#include "tests/wine/probe/probe.h"

namespace probe {

namespace {

// One surface of the intro's, as the intro sees it.
class Surface final : public IDirectDrawSurface {
public:
    Surface(LPDIRECTDRAWSURFACE real, Role role) : real_(real), role_(role) {}
    LPDIRECTDRAWSURFACE Real() const { return real_; }
    Role GetRole() const { return role_; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDirectDrawSurface)) {
            real_->AddRef();
            *object = this;
            return S_OK;
        }
        return real_->QueryInterface(riid, object);  // later versions are not watched
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return real_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        if (role_ == Role::Primary)
            DisplayReleasing();
        ULONG left = real_->Release();
        if (left == 0) {
            if (role_ == Role::Primary)
                ForgetBackBuffers();
            ForgetSurface(this);
        }
        return left;
    }

    // IDirectDrawSurface
    HRESULT STDMETHODCALLTYPE AddAttachedSurface(LPDIRECTDRAWSURFACE attached) override
    {
        return real_->AddAttachedSurface(RealSurface(attached));
    }
    HRESULT STDMETHODCALLTYPE AddOverlayDirtyRect(LPRECT rect) override
    {
        return real_->AddOverlayDirtyRect(rect);
    }
    HRESULT STDMETHODCALLTYPE Blt(LPRECT target, LPDIRECTDRAWSURFACE source, LPRECT sourceRect,
                                  DWORD flags, LPDDBLTFX effects) override
    {
        HRESULT result = real_->Blt(target, RealSurface(source), sourceRect, flags, effects);
        DrawingCallEnded("Blt", role_, result);
        return result;
    }
    HRESULT STDMETHODCALLTYPE BltBatch(LPDDBLTBATCH batch, DWORD count, DWORD flags) override
    {
        return real_->BltBatch(batch, count, flags);
    }
    HRESULT STDMETHODCALLTYPE BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source,
                                      LPRECT sourceRect, DWORD transfer) override
    {
        // The background is the frame's one opaque copy; the text roll is keyed.
        const DWORD keyed = DDBLTFAST_SRCCOLORKEY | DDBLTFAST_DESTCOLORKEY;
        if (role_ == Role::BackBuffer && !(transfer & keyed))
            BackgroundCopyStarts();
        HRESULT result = real_->BltFast(x, y, RealSurface(source), sourceRect, transfer);
        DrawingCallEnded("BltFast", role_, result);
        return result;
    }
    HRESULT STDMETHODCALLTYPE DeleteAttachedSurface(DWORD flags,
                                                    LPDIRECTDRAWSURFACE attached) override
    {
        return real_->DeleteAttachedSurface(flags, RealSurface(attached));
    }
    HRESULT STDMETHODCALLTYPE EnumAttachedSurfaces(LPVOID context,
                                                   LPDDENUMSURFACESCALLBACK callback) override;
    HRESULT STDMETHODCALLTYPE EnumOverlayZOrders(DWORD flags, LPVOID context,
                                                 LPDDENUMSURFACESCALLBACK callback) override;
    HRESULT STDMETHODCALLTYPE Flip(LPDIRECTDRAWSURFACE targetOverride, DWORD flags) override
    {
        HRESULT result = real_->Flip(RealSurface(targetOverride), flags);
        DrawingCallEnded("Flip", role_, result);
        if (result == DD_OK && role_ == Role::Primary)
            FrameShown(real_);
        return result;
    }
    HRESULT STDMETHODCALLTYPE GetAttachedSurface(LPDDSCAPS caps,
                                                 LPDIRECTDRAWSURFACE* attached) override
    {
        HRESULT result = real_->GetAttachedSurface(caps, attached);
        if (result == DD_OK && attached) {
            Role role = caps && (caps->dwCaps & DDSCAPS_BACKBUFFER) ? Role::BackBuffer
                                                                    : Role::Other;
            *attached = WrapSurface(*attached, role);
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE GetBltStatus(DWORD flags) override
    {
        return real_->GetBltStatus(flags);
    }
    HRESULT STDMETHODCALLTYPE GetCaps(LPDDSCAPS caps) override { return real_->GetCaps(caps); }
    HRESULT STDMETHODCALLTYPE GetClipper(LPDIRECTDRAWCLIPPER* clipper) override
    {
        return real_->GetClipper(clipper);  // clippers are not wrapped
    }
    HRESULT STDMETHODCALLTYPE GetColorKey(DWORD flags, LPDDCOLORKEY key) override
    {
        return real_->GetColorKey(flags, key);
    }
    HRESULT STDMETHODCALLTYPE GetDC(HDC* dc) override
    {
        HRESULT result = real_->GetDC(dc);
        DeviceContextTaken(role_, result);
        return result;
    }
    HRESULT STDMETHODCALLTYPE GetFlipStatus(DWORD flags) override
    {
        return real_->GetFlipStatus(flags);
    }
    HRESULT STDMETHODCALLTYPE GetOverlayPosition(LPLONG x, LPLONG y) override
    {
        return real_->GetOverlayPosition(x, y);
    }
    HRESULT STDMETHODCALLTYPE GetPalette(LPDIRECTDRAWPALETTE* palette) override
    {
        HRESULT result = real_->GetPalette(palette);
        if (result == DD_OK && palette)
            *palette = WrapPalette(*palette);
        return result;
    }
    HRESULT STDMETHODCALLTYPE GetPixelFormat(LPDDPIXELFORMAT format) override
    {
        return real_->GetPixelFormat(format);
    }
    HRESULT STDMETHODCALLTYPE GetSurfaceDesc(LPDDSURFACEDESC description) override
    {
        return real_->GetSurfaceDesc(description);
    }
    HRESULT STDMETHODCALLTYPE Initialize(LPDIRECTDRAW directDraw,
                                         LPDDSURFACEDESC description) override
    {
        return real_->Initialize(RealDirectDraw(directDraw), description);
    }
    HRESULT STDMETHODCALLTYPE IsLost() override { return real_->IsLost(); }
    HRESULT STDMETHODCALLTYPE Lock(LPRECT rect, LPDDSURFACEDESC description, DWORD flags,
                                   HANDLE event) override
    {
        return real_->Lock(rect, description, flags, event);
    }
    HRESULT STDMETHODCALLTYPE ReleaseDC(HDC dc) override { return real_->ReleaseDC(dc); }
    HRESULT STDMETHODCALLTYPE Restore() override
    {
        HRESULT result = real_->Restore();
        RestoreEnded(real_, role_, result);
        return result;
    }
    HRESULT STDMETHODCALLTYPE SetClipper(LPDIRECTDRAWCLIPPER clipper) override
    {
        return real_->SetClipper(clipper);
    }
    HRESULT STDMETHODCALLTYPE SetColorKey(DWORD flags, LPDDCOLORKEY key) override
    {
        return real_->SetColorKey(flags, key);
    }
    HRESULT STDMETHODCALLTYPE SetOverlayPosition(LONG x, LONG y) override
    {
        return real_->SetOverlayPosition(x, y);
    }
    HRESULT STDMETHODCALLTYPE SetPalette(LPDIRECTDRAWPALETTE palette) override
    {
        HRESULT result = real_->SetPalette(RealPalette(palette));
        if (result == DD_OK && role_ == Role::Primary)
            PrimaryPaletteSet(RealPalette(palette));
        return result;
    }
    HRESULT STDMETHODCALLTYPE Unlock(LPVOID data) override { return real_->Unlock(data); }
    HRESULT STDMETHODCALLTYPE UpdateOverlay(LPRECT sourceRect, LPDIRECTDRAWSURFACE target,
                                            LPRECT targetRect, DWORD flags,
                                            LPDDOVERLAYFX effects) override
    {
        return real_->UpdateOverlay(sourceRect, RealSurface(target), targetRect, flags, effects);
    }
    HRESULT STDMETHODCALLTYPE UpdateOverlayDisplay(DWORD flags) override
    {
        return real_->UpdateOverlayDisplay(flags);
    }
    HRESULT STDMETHODCALLTYPE UpdateOverlayZOrder(DWORD flags,
                                                  LPDIRECTDRAWSURFACE reference) override
    {
        return real_->UpdateOverlayZOrder(flags, RealSurface(reference));
    }

private:
    LPDIRECTDRAWSURFACE real_;
    Role role_;
};

// Wrappers by their real surface, so a surface handed out twice is one wrapper.
std::map<LPDIRECTDRAWSURFACE, Surface*> wrappers;

// The wrapper this pointer is, or null when it is none of ours.
Surface* AsWrapper(LPDIRECTDRAWSURFACE surface)
{
    for (auto& entry : wrappers)
        if (entry.second == surface)
            return entry.second;
    return NULL;
}

// What a caller's enumeration callback needs, to see wrappers instead of Wine's surfaces.
struct Enumeration {
    LPDDENUMSURFACESCALLBACK callback;
    LPVOID context;
};

// Hands each enumerated surface to the caller's callback as a wrapper.
HRESULT CALLBACK Enumerated(LPDIRECTDRAWSURFACE surface, LPDDSURFACEDESC description,
                            LPVOID context)
{
    Enumeration* enumeration = static_cast<Enumeration*>(context);
    return enumeration->callback(WrapSurface(surface, Role::Other), description,
                                 enumeration->context);
}

HRESULT Surface::EnumAttachedSurfaces(LPVOID context, LPDDENUMSURFACESCALLBACK callback)
{
    Enumeration enumeration = {callback, context};
    return real_->EnumAttachedSurfaces(&enumeration, callback ? Enumerated : NULL);
}

HRESULT Surface::EnumOverlayZOrders(DWORD flags, LPVOID context,
                                    LPDDENUMSURFACESCALLBACK callback)
{
    Enumeration enumeration = {callback, context};
    return real_->EnumOverlayZOrders(flags, &enumeration, callback ? Enumerated : NULL);
}

}  // namespace

const char* RoleName(Role role)
{
    switch (role) {
    case Role::Primary:
        return "primary";
    case Role::BackBuffer:
        return "back";
    case Role::Offscreen:
        return "offscreen";
    case Role::Other:
        break;
    }
    return "other";
}

Role RoleFromCaps(DWORD caps)
{
    if (caps & DDSCAPS_PRIMARYSURFACE)
        return Role::Primary;
    if (caps & DDSCAPS_OFFSCREENPLAIN)
        return Role::Offscreen;
    return Role::Other;
}

LPDIRECTDRAWSURFACE WrapSurface(LPDIRECTDRAWSURFACE real, Role role)
{
    if (!real)
        return NULL;
    auto found = wrappers.find(real);
    if (found != wrappers.end())
        return found->second;
    Surface* wrapper = new Surface(real, role);
    wrappers[real] = wrapper;
    return wrapper;
}

LPDIRECTDRAWSURFACE RealSurface(LPDIRECTDRAWSURFACE surface)
{
    Surface* wrapper = AsWrapper(surface);
    return wrapper ? wrapper->Real() : surface;
}

Role RoleOf(LPDIRECTDRAWSURFACE surface)
{
    Surface* wrapper = AsWrapper(surface);
    return wrapper ? wrapper->GetRole() : Role::Other;
}

void ForgetSurface(LPDIRECTDRAWSURFACE surface)
{
    Surface* wrapper = AsWrapper(surface);
    if (!wrapper)
        return;
    wrappers.erase(wrapper->Real());
    delete wrapper;
}

void ForgetBackBuffers()
{
    for (auto entry = wrappers.begin(); entry != wrappers.end();) {
        if (entry->second->GetRole() == Role::BackBuffer) {
            delete entry->second;
            entry = wrappers.erase(entry);
        } else {
            ++entry;
        }
    }
}

}  // namespace probe
