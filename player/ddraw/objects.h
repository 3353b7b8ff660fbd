// The DirectDraw objects of the player's ddraw.dll: the first versions of
// IDirectDraw, IDirectDrawSurface and IDirectDrawPalette, as far as intro.exe
// uses them, over plain 8-bit memory that GDI can draw into.
//
// Every surface's pixels are a DIB section with a colour table, so a device
// context of the surface draws through the palette the surface shows (its own,
// or the primary's). The primary surface and its one back buffer swap their
// memory at each Flip, and the new front buffer is shown in the program's
// window (screen.h), paced by the frame clock (frame_clock.h). Nothing is ever
// lost: there is no mode switch, and the memory is the program's own.
//
// Everything runs on the thread that calls, as DirectDraw's single-threaded
// objects do; there are no locks.
#ifndef INTRO_PLAYER_DDRAW_OBJECTS_H
#define INTRO_PLAYER_DDRAW_OBJECTS_H

#include <windows.h>
#include <ddraw.h>

#include <memory>
#include <vector>

#include "player/ddraw/picture_rules.h"

namespace player {

class DirectDrawObject;

// The answer Wine gives where its own rules refuse a call of fitting arguments
// (a palette range past the end, a device context not the surface's):
// D3DERR_INVALIDCALL, which DirectDraw's header does not name.
const HRESULT kInvalidCall = (HRESULT)0x8876086C;

// A method, flag or interface the objects do not model: a debugger line that
// names it, and DDERR_UNSUPPORTED.
HRESULT Unsupported(const char* what);

class PaletteObject final : public IDirectDrawPalette {
public:
    PaletteObject(DWORD caps, const PALETTEENTRY* entries);
    const PaletteColor* Colors() const { return colors_; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDirectDrawPalette
    HRESULT STDMETHODCALLTYPE GetCaps(LPDWORD caps) override;
    HRESULT STDMETHODCALLTYPE GetEntries(DWORD flags, DWORD base, DWORD count, LPPALETTEENTRY entries) override;
    HRESULT STDMETHODCALLTYPE Initialize(LPDIRECTDRAW directDraw, DWORD flags, LPPALETTEENTRY entries) override;
    HRESULT STDMETHODCALLTYPE SetEntries(DWORD flags, DWORD start, DWORD count, LPPALETTEENTRY entries) override;

private:
    ULONG refs_ = 1;
    PaletteColor colors_[256];
};

// The memory of a surface: an 8-bit top-down DIB section, and the memory
// device context it is selected into once GDI is first asked to draw.
struct Pixels {
    HBITMAP bitmap = NULL;
    uint8_t* bits = nullptr;
    int32_t pitch = 0;
    HDC context = NULL;
    HGDIOBJ previous = NULL;
    ~Pixels();
};

class SurfaceObject final : public IDirectDrawSurface {
public:
    SurfaceObject(DirectDrawObject* owner, DWORD caps, int32_t width, int32_t height, std::unique_ptr<Pixels> pixels);

    // The colours its pixels stand for: its own palette, else its chain's, else
    // the primary's, else the platform's default system colours.
    const PaletteColor* Colors() const;
    // The DirectDraw object goes: the surface keeps answering, with
    // DDERR_INVALIDOBJECT, until the program lets go of it.
    void Orphan();
    // The back buffer made with a flipping primary.
    void AttachBackBuffer(SurfaceObject* back);
    void SetSourceKey(const DDCOLORKEY& key);
    bool IsPrimary() const { return caps_ & DDSCAPS_PRIMARYSURFACE; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDirectDrawSurface
    HRESULT STDMETHODCALLTYPE AddAttachedSurface(LPDIRECTDRAWSURFACE attached) override;
    HRESULT STDMETHODCALLTYPE AddOverlayDirtyRect(LPRECT rect) override;
    HRESULT STDMETHODCALLTYPE Blt(LPRECT target, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags,
                                  LPDDBLTFX effects) override;
    HRESULT STDMETHODCALLTYPE BltBatch(LPDDBLTBATCH batch, DWORD count, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source, LPRECT sourceRect,
                                      DWORD flags) override;
    HRESULT STDMETHODCALLTYPE DeleteAttachedSurface(DWORD flags, LPDIRECTDRAWSURFACE attached) override;
    HRESULT STDMETHODCALLTYPE EnumAttachedSurfaces(LPVOID context, LPDDENUMSURFACESCALLBACK callback) override;
    HRESULT STDMETHODCALLTYPE EnumOverlayZOrders(DWORD flags, LPVOID context,
                                                 LPDDENUMSURFACESCALLBACK callback) override;
    HRESULT STDMETHODCALLTYPE Flip(LPDIRECTDRAWSURFACE target, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetAttachedSurface(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* attached) override;
    HRESULT STDMETHODCALLTYPE GetBltStatus(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetCaps(LPDDSCAPS caps) override;
    HRESULT STDMETHODCALLTYPE GetClipper(LPDIRECTDRAWCLIPPER* clipper) override;
    HRESULT STDMETHODCALLTYPE GetColorKey(DWORD flags, LPDDCOLORKEY key) override;
    HRESULT STDMETHODCALLTYPE GetDC(HDC* context) override;
    HRESULT STDMETHODCALLTYPE GetFlipStatus(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetOverlayPosition(LPLONG x, LPLONG y) override;
    HRESULT STDMETHODCALLTYPE GetPalette(LPDIRECTDRAWPALETTE* palette) override;
    HRESULT STDMETHODCALLTYPE GetPixelFormat(LPDDPIXELFORMAT format) override;
    HRESULT STDMETHODCALLTYPE GetSurfaceDesc(LPDDSURFACEDESC description) override;
    HRESULT STDMETHODCALLTYPE Initialize(LPDIRECTDRAW directDraw, LPDDSURFACEDESC description) override;
    HRESULT STDMETHODCALLTYPE IsLost() override;
    HRESULT STDMETHODCALLTYPE Lock(LPRECT rect, LPDDSURFACEDESC description, DWORD flags, HANDLE event) override;
    HRESULT STDMETHODCALLTYPE ReleaseDC(HDC context) override;
    HRESULT STDMETHODCALLTYPE Restore() override;
    HRESULT STDMETHODCALLTYPE SetClipper(LPDIRECTDRAWCLIPPER clipper) override;
    HRESULT STDMETHODCALLTYPE SetColorKey(DWORD flags, LPDDCOLORKEY key) override;
    HRESULT STDMETHODCALLTYPE SetOverlayPosition(LONG x, LONG y) override;
    HRESULT STDMETHODCALLTYPE SetPalette(LPDIRECTDRAWPALETTE palette) override;
    HRESULT STDMETHODCALLTYPE Unlock(LPVOID pixels) override;
    HRESULT STDMETHODCALLTYPE UpdateOverlay(LPRECT sourceRect, LPDIRECTDRAWSURFACE target, LPRECT targetRect,
                                            DWORD flags, LPDDOVERLAYFX effects) override;
    HRESULT STDMETHODCALLTYPE UpdateOverlayDisplay(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE UpdateOverlayZOrder(DWORD flags, LPDIRECTDRAWSURFACE reference) override;

private:
    ~SurfaceObject() = default;
    bool Busy() const { return locked_ || contextOut_; }
    bool Inside(const RECT& rect) const;
    RECT Whole() const { return RECT{0, 0, width_, height_}; }
    void FillDescription(DDSURFACEDESC* description) const;
    HRESULT CopyFrom(SurfaceObject* source, const RECT& from, const RECT& to, bool keyed);
    // call() when the surface still has its memory, else DDERR_INVALIDOBJECT.
    template <typename Call>
    HRESULT Live(Call call);
    // Why Blt or BltFast cannot copy from `source`, in Wine's order: flags it
    // does not take (`flagged`, the refusal of them), no source or no key for a
    // keyed copy, a source that is gone, either surface locked or lent to GDI;
    // DD_OK when it can.
    HRESULT BlitRefusal(HRESULT flagged, const SurfaceObject* source, bool needsKey) const;
    void Destroy();

    DirectDrawObject* owner_;
    ULONG refs_ = 1;
    DWORD caps_;
    int32_t width_, height_;
    std::unique_ptr<Pixels> pixels_;  // null once the surface is gone
    bool locked_ = false;
    bool contextOut_ = false;
    bool hasSourceKey_ = false;
    DDCOLORKEY sourceKey_ = {0, 0};
    PaletteObject* palette_ = nullptr;
    SurfaceObject* back_ = nullptr;   // of a flipping primary
    SurfaceObject* front_ = nullptr;  // of its back buffer
};

class DirectDrawObject final : public IDirectDraw {
public:
    DirectDrawObject();
    SurfaceObject* Primary() const { return primary_; }
    // A surface it made is gone, or the primary's chain with it.
    void Forget(SurfaceObject* surface);
    bool Exclusive() const { return level_ & DDSCL_EXCLUSIVE; }
    // The new front buffer is in place: show it, then wait for its time.
    void Present(const Pixels& front, const PaletteColor* colors);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDirectDraw
    HRESULT STDMETHODCALLTYPE Compact() override;
    HRESULT STDMETHODCALLTYPE CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* clipper, IUnknown* outer) override;
    HRESULT STDMETHODCALLTYPE CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* palette,
                                            IUnknown* outer) override;
    HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC description, LPDIRECTDRAWSURFACE* surface,
                                            IUnknown* outer) override;
    HRESULT STDMETHODCALLTYPE DuplicateSurface(LPDIRECTDRAWSURFACE original, LPDIRECTDRAWSURFACE* copy) override;
    HRESULT STDMETHODCALLTYPE EnumDisplayModes(DWORD flags, LPDDSURFACEDESC description, LPVOID context,
                                               LPDDENUMMODESCALLBACK callback) override;
    HRESULT STDMETHODCALLTYPE EnumSurfaces(DWORD flags, LPDDSURFACEDESC description, LPVOID context,
                                           LPDDENUMSURFACESCALLBACK callback) override;
    HRESULT STDMETHODCALLTYPE FlipToGDISurface() override;
    HRESULT STDMETHODCALLTYPE GetCaps(LPDDCAPS driverCaps, LPDDCAPS helCaps) override;
    HRESULT STDMETHODCALLTYPE GetDisplayMode(LPDDSURFACEDESC description) override;
    HRESULT STDMETHODCALLTYPE GetFourCCCodes(LPDWORD count, LPDWORD codes) override;
    HRESULT STDMETHODCALLTYPE GetGDISurface(LPDIRECTDRAWSURFACE* surface) override;
    HRESULT STDMETHODCALLTYPE GetMonitorFrequency(LPDWORD frequency) override;
    HRESULT STDMETHODCALLTYPE GetScanLine(LPDWORD line) override;
    HRESULT STDMETHODCALLTYPE GetVerticalBlankStatus(WINBOOL* inBlank) override;
    HRESULT STDMETHODCALLTYPE Initialize(GUID* driver) override;
    HRESULT STDMETHODCALLTYPE RestoreDisplayMode() override;
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height, DWORD bits) override;
    HRESULT STDMETHODCALLTYPE WaitForVerticalBlank(DWORD flags, HANDLE event) override;

private:
    ~DirectDrawObject() = default;
    HRESULT CreatePrimary(const DDSURFACEDESC& description, LPDIRECTDRAWSURFACE* surface);
    HRESULT CreateOffscreen(const DDSURFACEDESC& description, LPDIRECTDRAWSURFACE* surface);

    ULONG refs_ = 1;
    HWND window_ = NULL;
    DWORD level_ = 0;
    Size mode_ = {0, 0};  // as SetDisplayMode recorded it; the desktop keeps its own
    SurfaceObject* primary_ = nullptr;
    std::vector<SurfaceObject*> surfaces_;  // every live one it made, back buffers apart
};

// A new 8-bit DIB section of that size, all zero; null when GDI has no room.
std::unique_ptr<Pixels> MakePixels(int32_t width, int32_t height);

}  // namespace player

#endif
