// Bitmap and palette utilities: named bitmaps into DirectDraw surfaces, a
// palette from a bitmap's colour table, and colour keys.
//
// A bitmap name is tried first as a bitmap resource of the program, then as the
// path of a BMP file, so the same name serves a built-in and a loose picture.
#ifndef INTRO_BITMAP_BITMAP_H
#define INTRO_BITMAP_BITMAP_H

#include "base/platform.h"

// A new off-screen surface of the bitmap's own size holding the bitmap, or null.
// width and height (0 and 0 for the image's own size) only reach the platform's loader.
LPDIRECTDRAWSURFACE LoadBitmapSurface(LPDIRECTDRAW directDraw, const char* name, int width,
                                      int height);

// Copies the named bitmap into an existing surface again (after a Restore).
// 0; E_FAIL when no bitmap of that name loads; else CopyBitmapToSurface's result.
HRESULT ReloadBitmapSurface(LPDIRECTDRAWSURFACE surface, const char* name);

// Draws bitmap (from x, y, width by height; 0 means the whole width or height)
// over the whole surface through the surface's device context, stretching as
// needed. E_FAIL for a null surface or bitmap; else the result of GetDC.
HRESULT CopyBitmapToSurface(LPDIRECTDRAWSURFACE surface, HBITMAP bitmap, int x, int y, int width,
                            int height);

// A 256-entry palette from the named bitmap's colour table; entries it does not
// supply keep a fixed default palette. Null only when DirectDraw makes none.
LPDIRECTDRAWPALETTE LoadPaletteFromBitmap(LPDIRECTDRAW directDraw, const char* name);

// The default palette's entry for a pixel value: 3 bits red, 3 green, 2 blue.
PALETTEENTRY DefaultPaletteEntry(int index);

// The raw pixel value that a GDI colour takes on the surface (CLR_INVALID reads
// the top-left pixel as it is), or 0xFFFFFFFF when the surface cannot be locked.
DWORD MatchSurfaceColor(LPDIRECTDRAWSURFACE surface, COLORREF color);

// Makes the colour's pixel value the surface's source colour key.
HRESULT SetSurfaceColorKey(LPDIRECTDRAWSURFACE surface, COLORREF color);

#endif
