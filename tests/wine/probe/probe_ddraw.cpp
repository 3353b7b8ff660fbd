// DirectDrawCreate and IDirectDraw, watched: Wine's own ddraw.dll is loaded from
// the system directory and every method is forwarded to its object in vtable order.
#include <string>

#include "tests/wine/probe/probe.h"

namespace probe {

namespace {

// The intro's DirectDraw object, as the intro sees it.
class DirectDraw final : public IDirectDraw {
public:
    explicit DirectDraw(LPDIRECTDRAW real) : real_(real) {}
    LPDIRECTDRAW Real() const { return real_; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDirectDraw)) {
            real_->AddRef();
            *object = this;
            return S_OK;
        }
        return real_->QueryInterface(riid, object);  // later versions are not watched
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return real_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override;

    // IDirectDraw
    HRESULT STDMETHODCALLTYPE Compact() override { return real_->Compact(); }
    HRESULT STDMETHODCALLTYPE CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* clipper,
                                            IUnknown* outer) override
    {
        return real_->CreateClipper(flags, clipper, outer);
    }
    HRESULT STDMETHODCALLTYPE CreatePalette(DWORD flags, LPPALETTEENTRY table,
                                            LPDIRECTDRAWPALETTE* palette,
                                            IUnknown* outer) override
    {
        HRESULT result = real_->CreatePalette(flags, table, palette, outer);
        if (result == DD_OK && palette)
            *palette = WrapPalette(*palette);
        return result;
    }
    HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC description,
                                            LPDIRECTDRAWSURFACE* surface,
                                            IUnknown* outer) override
    {
        HRESULT result = real_->CreateSurface(description, surface, outer);
        if (result == DD_OK && surface) {
            DWORD caps = description && (description->dwFlags & DDSD_CAPS)
                             ? description->ddsCaps.dwCaps
                             : 0;
            *surface = WrapSurface(*surface, RoleFromCaps(caps));
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE DuplicateSurface(LPDIRECTDRAWSURFACE original,
                                               LPDIRECTDRAWSURFACE* duplicate) override
    {
        HRESULT result = real_->DuplicateSurface(RealSurface(original), duplicate);
        if (result == DD_OK && duplicate)
            *duplicate = WrapSurface(*duplicate, RoleOf(original));
        return result;
    }
    HRESULT STDMETHODCALLTYPE EnumDisplayModes(DWORD flags, LPDDSURFACEDESC description,
                                               LPVOID context,
                                               LPDDENUMMODESCALLBACK callback) override
    {
        return real_->EnumDisplayModes(flags, description, context, callback);
    }
    HRESULT STDMETHODCALLTYPE EnumSurfaces(DWORD flags, LPDDSURFACEDESC description,
                                           LPVOID context,
                                           LPDDENUMSURFACESCALLBACK callback) override;
    HRESULT STDMETHODCALLTYPE FlipToGDISurface() override { return real_->FlipToGDISurface(); }
    HRESULT STDMETHODCALLTYPE GetCaps(LPDDCAPS driverCaps, LPDDCAPS emulationCaps) override
    {
        return real_->GetCaps(driverCaps, emulationCaps);
    }
    HRESULT STDMETHODCALLTYPE GetDisplayMode(LPDDSURFACEDESC description) override
    {
        return real_->GetDisplayMode(description);
    }
    HRESULT STDMETHODCALLTYPE GetFourCCCodes(LPDWORD count, LPDWORD codes) override
    {
        return real_->GetFourCCCodes(count, codes);
    }
    HRESULT STDMETHODCALLTYPE GetGDISurface(LPDIRECTDRAWSURFACE* surface) override
    {
        HRESULT result = real_->GetGDISurface(surface);
        if (result == DD_OK && surface)
            *surface = WrapSurface(*surface, Role::Primary);
        return result;
    }
    HRESULT STDMETHODCALLTYPE GetMonitorFrequency(LPDWORD frequency) override
    {
        return real_->GetMonitorFrequency(frequency);
    }
    HRESULT STDMETHODCALLTYPE GetScanLine(LPDWORD line) override
    {
        return real_->GetScanLine(line);
    }
    HRESULT STDMETHODCALLTYPE GetVerticalBlankStatus(WINBOOL* inBlank) override
    {
        return real_->GetVerticalBlankStatus(inBlank);
    }
    HRESULT STDMETHODCALLTYPE Initialize(GUID* driver) override
    {
        return real_->Initialize(driver);
    }
    HRESULT STDMETHODCALLTYPE RestoreDisplayMode() override
    {
        return real_->RestoreDisplayMode();
    }
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override
    {
        return real_->SetCooperativeLevel(window, flags);
    }
    HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height, DWORD bits) override
    {
        HRESULT result = real_->SetDisplayMode(width, height, bits);
        Note("mode %lux%lux%lu result=0x%08lx", width, height, bits, (unsigned long)result);
        return result;
    }
    HRESULT STDMETHODCALLTYPE WaitForVerticalBlank(DWORD flags, HANDLE event) override
    {
        return real_->WaitForVerticalBlank(flags, event);
    }

private:
    LPDIRECTDRAW real_;
};

// The one DirectDraw object the intro makes (a second one would be wrapped anew).
DirectDraw* wrapper = NULL;

ULONG DirectDraw::Release()
{
    ULONG left = real_->Release();
    if (left == 0) {
        DisplayReleased();
        if (wrapper == this)
            wrapper = NULL;
        delete this;
    }
    return left;
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

HRESULT DirectDraw::EnumSurfaces(DWORD flags, LPDDSURFACEDESC description, LPVOID context,
                                 LPDDENUMSURFACESCALLBACK callback)
{
    Enumeration enumeration = {callback, context};
    return real_->EnumSurfaces(flags, description, &enumeration, callback ? Enumerated : NULL);
}

// The DirectDrawCreate watched: Wine's own, from the system directory's
// ddraw.dll, which is Wine's builtin, or that of the ddraw.dll at the path
// PROBE_NEXT_DDRAW names (the player's, so its objects are watched instead);
// null when only this module could be found under that name.
typedef HRESULT(WINAPI* CreateFunction)(GUID*, LPDIRECTDRAW*, IUnknown*);

CreateFunction BuiltinCreate()
{
    static CreateFunction create = NULL;  // looked up once per process
    if (create)
        return create;
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return NULL;
    std::string next = std::string(path) + "\\ddraw.dll";
    char chosen[MAX_PATH];
    length = GetEnvironmentVariableA("PROBE_NEXT_DDRAW", chosen, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        next = chosen;
    HMODULE builtin = LoadLibraryA(next.c_str());
    HMODULE self = NULL;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&BuiltinCreate), &self);
    if (!builtin || builtin == self) {
        Note("no other ddraw.dll at %s (got %p, this module %p)", next.c_str(), (void*)builtin,
             (void*)self);
        return NULL;
    }
    FARPROC entry = GetProcAddress(builtin, "DirectDrawCreate");
    create = reinterpret_cast<CreateFunction>(reinterpret_cast<void*>(entry));
    return create;
}

}  // namespace

LPDIRECTDRAW WrapDirectDraw(LPDIRECTDRAW real)
{
    if (!real)
        return NULL;
    if (!wrapper || wrapper->Real() != real)
        wrapper = new DirectDraw(real);
    return wrapper;
}

LPDIRECTDRAW RealDirectDraw(LPDIRECTDRAW directDraw)
{
    return wrapper && directDraw == wrapper ? wrapper->Real() : directDraw;
}

}  // namespace probe

extern "C" HRESULT WINAPI DirectDrawCreate(GUID* driver, LPDIRECTDRAW* directDraw,
                                           IUnknown* outer)
{
    probe::CreateFunction create = probe::BuiltinCreate();
    if (!create)
        return DDERR_GENERIC;
    HRESULT result = create(driver, directDraw, outer);
    probe::Note("created result=0x%08lx", (unsigned long)result);
    if (result == DD_OK && directDraw)
        *directDraw = probe::WrapDirectDraw(*directDraw);
    return result;
}
