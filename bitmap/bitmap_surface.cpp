// Named bitmaps into DirectDraw surfaces, drawn through GDI so that the
// platform converts the bitmap's colours to the surface's palette.
#include "bitmap/bitmap.h"

// Resource first, then file; always as a DIB section, so the bitmap keeps its own
// colour table until it is drawn.
static HBITMAP LoadNamedBitmap(const char* name, int width, int height)
{
    if (!name)
        return NULL;
    HBITMAP bitmap = (HBITMAP)LoadImageA(GetModuleHandleA(NULL), name, IMAGE_BITMAP, width,
                                         height, LR_CREATEDIBSECTION);
    if (!bitmap)
        bitmap = (HBITMAP)LoadImageA(NULL, name, IMAGE_BITMAP, width, height,
                                     LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    return bitmap;
}

// The bitmap's BITMAP record, of which the width and height are used.
static BITMAP BitmapSize(HBITMAP bitmap)
{
    BITMAP size = {};
    GetObjectA(bitmap, sizeof size, &size);
    return size;
}

LPDIRECTDRAWSURFACE LoadBitmapSurface(LPDIRECTDRAW directDraw, const char* name, int width,
                                      int height)
{
    HBITMAP bitmap = LoadNamedBitmap(name, width, height);
    if (!bitmap)
        return NULL;
    BITMAP size = BitmapSize(bitmap);

    DDSURFACEDESC description = {};
    description.dwSize = sizeof description;
    description.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    description.dwWidth = (DWORD)size.bmWidth;
    description.dwHeight = (DWORD)size.bmHeight;
    description.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;  // the display's pixel format
    LPDIRECTDRAWSURFACE surface = NULL;
    if (directDraw->CreateSurface(&description, &surface, NULL) != DD_OK) {
        DeleteObject(bitmap);
        return NULL;
    }
    CopyBitmapToSurface(surface, bitmap, 0, 0, 0, 0);  // the surface is the caller's even so
    DeleteObject(bitmap);
    return surface;
}

HRESULT ReloadBitmapSurface(LPDIRECTDRAWSURFACE surface, const char* name)
{
    HBITMAP bitmap = LoadNamedBitmap(name, 0, 0);
    if (!bitmap) {
        OutputDebugStringA("handle is null\n");
        return E_FAIL;
    }
    HRESULT result = CopyBitmapToSurface(surface, bitmap, 0, 0, 0, 0);
    if (result != DD_OK)
        OutputDebugStringA("ddcopybitmap failed\n");
    DeleteObject(bitmap);
    return result;
}

HRESULT CopyBitmapToSurface(LPDIRECTDRAWSURFACE surface, HBITMAP bitmap, int x, int y, int width,
                            int height)
{
    if (!bitmap || !surface)
        return E_FAIL;
    surface->Restore();  // a lost surface gets its memory back before it is drawn on

    // Without a memory context the GDI calls below draw nothing; the copy goes on.
    HDC memory = CreateCompatibleDC(NULL);
    if (!memory)
        OutputDebugStringA("createcompatible dc failed\n");
    SelectObject(memory, bitmap);

    BITMAP size = BitmapSize(bitmap);
    if (width == 0)
        width = size.bmWidth;
    if (height == 0)
        height = size.bmHeight;

    DDSURFACEDESC description = {};
    description.dwSize = sizeof description;
    description.dwFlags = DDSD_HEIGHT | DDSD_WIDTH;
    surface->GetSurfaceDesc(&description);

    HDC target;
    HRESULT result = surface->GetDC(&target);
    if (result == DD_OK) {
        // Always the whole surface; another source size is stretched to fit.
        StretchBlt(target, 0, 0, (int)description.dwWidth, (int)description.dwHeight, memory, x, y,
                   width, height, SRCCOPY);
        surface->ReleaseDC(target);
    }
    DeleteDC(memory);
    return result;
}
