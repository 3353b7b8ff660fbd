// IDirectDrawPalette: 256 colours, read by every surface that shows them.
#include <cstring>

#include "player/ddraw/objects.h"

namespace player {

PaletteObject::PaletteObject(DWORD caps, const PALETTEENTRY* entries)
{
    static_assert(sizeof(PaletteColor) == sizeof(PALETTEENTRY), "a palette colour is a PALETTEENTRY");
    std::memcpy(colors_, entries, sizeof colors_);
    // As DirectDraw keeps the system's colours at the ends of an 8-bit palette
    // unless the program asks for all 256.
    if (!(caps & DDPCAPS_ALLOW256)) {
        colors_[0] = PaletteColor{0, 0, 0, 0};
        colors_[255] = PaletteColor{255, 255, 255, 0};
    }
}

HRESULT PaletteObject::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDirectDrawPalette)) {
        AddRef();
        *object = this;
        return S_OK;
    }
    *object = nullptr;
    Unsupported("IDirectDrawPalette::QueryInterface of another interface");
    return E_NOINTERFACE;
}

ULONG PaletteObject::AddRef()
{
    return ++refs_;
}

ULONG PaletteObject::Release()
{
    ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT PaletteObject::GetCaps(LPDWORD)
{
    return Unsupported("IDirectDrawPalette::GetCaps");
}

HRESULT PaletteObject::GetEntries(DWORD flags, DWORD base, DWORD count, LPPALETTEENTRY entries)
{
    if (!entries)
        return DDERR_INVALIDPARAMS;
    if (flags || base >= 256 || count > 256 - base)
        return kInvalidCall;
    std::memcpy(entries, colors_ + base, count * sizeof *entries);
    return DD_OK;
}

HRESULT PaletteObject::Initialize(LPDIRECTDRAW, DWORD, LPPALETTEENTRY)
{
    return Unsupported("IDirectDrawPalette::Initialize");
}

// The new colours show from the next Flip, and in every device context taken after.
HRESULT PaletteObject::SetEntries(DWORD flags, DWORD start, DWORD count, LPPALETTEENTRY entries)
{
    if (!entries)
        return DDERR_INVALIDPARAMS;
    if (flags || start >= 256 || count > 256 - start)
        return kInvalidCall;
    std::memcpy(colors_ + start, entries, count * sizeof *entries);
    return DD_OK;
}

}  // namespace player
