// The pixel value of a GDI colour on a surface, found by letting GDI draw it into
// the top-left pixel and reading it back; and the source colour key made from it.
#include <string.h>

#include "bitmap/bitmap.h"

// The match when the surface cannot be locked; also the key that then results.
static const DWORD kNoMatch = 0xFFFFFFFF;

// Draws the colour at (0, 0) through the surface's device context, first keeping
// what was there when asked to. Nothing happens when the surface gives no context.
static void DrawTopLeftPixel(LPDIRECTDRAWSURFACE surface, COLORREF color, COLORREF* previous)
{
    HDC context;
    if (surface->GetDC(&context) != DD_OK)
        return;
    if (previous)
        *previous = GetPixel(context, 0, 0);
    SetPixel(context, 0, 0, color);  // GDI picks the nearest entry of the palette in force
    surface->ReleaseDC(context);
}

// The low bit-count bits of the first pixel; only the bytes of that pixel are read.
static DWORD FirstPixelValue(const DDSURFACEDESC& description)
{
    DWORD bits = description.ddpfPixelFormat.dwRGBBitCount;
    if (bits > 32)
        bits = 32;
    DWORD value = 0;
    memcpy(&value, description.lpSurface, (bits + 7) / 8);
    return bits == 32 ? value : value & (((DWORD)1 << bits) - 1);
}

// Pixel (0, 0) through a lock of the whole surface, or kNoMatch.
static DWORD ReadTopLeftPixel(LPDIRECTDRAWSURFACE surface)
{
    DDSURFACEDESC description = {};
    description.dwSize = sizeof description;
    HRESULT result;
    do
        result = surface->Lock(NULL, &description, 0, NULL);
    while (result == DDERR_WASSTILLDRAWING);  // asked again at once; no wait flag
    if (result != DD_OK)
        return kNoMatch;
    DWORD value = FirstPixelValue(description);
    surface->Unlock(NULL);
    return value;
}

DWORD MatchSurfaceColor(LPDIRECTDRAWSURFACE surface, COLORREF color)
{
    // The device context is given back before the lock, and the lock ends before
    // the context is taken again: the two are never out at once.
    COLORREF saved = CLR_INVALID;  // stays so when the surface gave no device context
    if (color != CLR_INVALID)
        DrawTopLeftPixel(surface, color, &saved);
    DWORD value = ReadTopLeftPixel(surface);
    if (saved != CLR_INVALID)  // a pixel GDI could not read is not written back
        DrawTopLeftPixel(surface, saved, NULL);
    return value;
}

HRESULT SetSurfaceColorKey(LPDIRECTDRAWSURFACE surface, COLORREF color)
{
    DDCOLORKEY key;
    key.dwColorSpaceLowValue = MatchSurfaceColor(surface, color);
    key.dwColorSpaceHighValue = key.dwColorSpaceLowValue;
    return surface->SetColorKey(DDCKEY_SRCBLT, &key);
}
