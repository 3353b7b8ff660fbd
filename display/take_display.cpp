// The display steps of start-up: DirectDraw object, exclusive mode, flipping chain,
// palette and the colour-keyed sheet, each step only after the one before it.
#include "base/intro_state.h"
#include "bitmap/bitmap.h"
#include "display/display.h"
#include "base/sheet_layout.h"

// The primary with exactly one back buffer, flipped as a pair.
static HRESULT CreateFlippingChain()
{
    DDSURFACEDESC description = {};
    description.dwSize = sizeof description;
    description.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    description.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    description.dwBackBufferCount = 1;
    return intro.directDraw->CreateSurface(&description, &intro.primary, NULL);
}

// Every frame is composed in the back buffer; the chain hands it out.
static HRESULT FindBackBuffer()
{
    DDSCAPS caps = {};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    return intro.primary->GetAttachedSurface(&caps, &intro.backBuffer);
}

// The palette goes on the primary before the sheet is drawn in and before black
// is matched: both go through the palette in force.
static void SetSheetPalette()
{
    intro.palette = LoadPaletteFromBitmap(intro.directDraw, kSheetName);
    if (intro.palette)
        intro.primary->SetPalette(intro.palette);  // a failure here only costs colours
}

const char* TakeDisplay(HWND window)
{
    if (DirectDrawCreate(NULL, &intro.directDraw, NULL) != DD_OK)
        return "Unable to create main object";
    if (intro.directDraw->SetCooperativeLevel(
            window, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE | DDSCL_ALLOWMODEX) != DD_OK)
        return "Unable to set cooperative";
    if (intro.directDraw->SetDisplayMode(kScreenWidth, kScreenHeight, kScreenBitsPerPixel) != DD_OK)
        return "Unable to switch to 320x240x8";
    if (CreateFlippingChain() != DD_OK)
        return "Unable to create surface";
    if (FindBackBuffer() != DD_OK)
        return "Unable to attach surface";
    SetSheetPalette();
    intro.sheet = LoadBitmapSurface(intro.directDraw, kSheetName, 0, 0);
    if (!intro.sheet)
        return "Unable to load bitmap";
    SetSurfaceColorKey(intro.sheet, RGB(0, 0, 0));  // black is the sheet's transparent colour
    return NULL;
}
