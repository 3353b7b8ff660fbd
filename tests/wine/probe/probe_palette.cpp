// IDirectDrawPalette, watched only so that surfaces can be given Wine's own
// palette: every method in vtable order, forwarded unchanged.
#include <map>

#include "tests/wine/probe/probe.h"

namespace probe {

namespace {

// The intro's palette, as the intro sees it.
class Palette final : public IDirectDrawPalette {
public:
    explicit Palette(LPDIRECTDRAWPALETTE real) : real_(real) {}
    LPDIRECTDRAWPALETTE Real() const { return real_; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDirectDrawPalette)) {
            real_->AddRef();
            *object = this;
            return S_OK;
        }
        return real_->QueryInterface(riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return real_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG left = real_->Release();
        if (left == 0)
            ForgetPalette(this);
        return left;
    }

    // IDirectDrawPalette
    HRESULT STDMETHODCALLTYPE GetCaps(LPDWORD caps) override { return real_->GetCaps(caps); }
    HRESULT STDMETHODCALLTYPE GetEntries(DWORD flags, DWORD base, DWORD count,
                                         LPPALETTEENTRY entries) override
    {
        return real_->GetEntries(flags, base, count, entries);
    }
    HRESULT STDMETHODCALLTYPE Initialize(LPDIRECTDRAW directDraw, DWORD flags,
                                         LPPALETTEENTRY table) override
    {
        return real_->Initialize(RealDirectDraw(directDraw), flags, table);
    }
    HRESULT STDMETHODCALLTYPE SetEntries(DWORD flags, DWORD first, DWORD count,
                                         LPPALETTEENTRY entries) override
    {
        return real_->SetEntries(flags, first, count, entries);
    }

private:
    LPDIRECTDRAWPALETTE real_;
};

// Wrappers by their real palette.
std::map<LPDIRECTDRAWPALETTE, Palette*> wrappers;

// The wrapper this pointer is, or null when it is none of ours.
Palette* AsWrapper(LPDIRECTDRAWPALETTE palette)
{
    for (auto& entry : wrappers)
        if (entry.second == palette)
            return entry.second;
    return NULL;
}

}  // namespace

LPDIRECTDRAWPALETTE WrapPalette(LPDIRECTDRAWPALETTE real)
{
    if (!real)
        return NULL;
    auto found = wrappers.find(real);
    if (found != wrappers.end())
        return found->second;
    Palette* wrapper = new Palette(real);
    wrappers[real] = wrapper;
    return wrapper;
}

LPDIRECTDRAWPALETTE RealPalette(LPDIRECTDRAWPALETTE palette)
{
    Palette* wrapper = AsWrapper(palette);
    return wrapper ? wrapper->Real() : palette;
}

void ForgetPalette(LPDIRECTDRAWPALETTE palette)
{
    Palette* wrapper = AsWrapper(palette);
    if (!wrapper)
        return;
    wrappers.erase(wrapper->Real());
    delete wrapper;
}

}  // namespace probe
