// ddraw-agree PLAYER_DLL WINE_OUT PLAYER_OUT [PLAYER_ONLY_OUT]: makes one script of DirectDraw
// calls twice in one process, once on Wine's own objects (the system
// directory's ddraw.dll) and once on the player's (the ddraw.dll at
// PLAYER_DLL, which serves this program when INTRO_DDRAW_PROGRAM names it),
// and writes what each call answered, and the pixels it left, one line a
// call, to the two files (the first line says which module the objects'
// methods are in). The test compares them: the player must answer
// what Wine answers wherever it models the call.
//
// The script keeps to what the player models (the calls intro.exe makes and
// their neighbours: results of bad arguments, busy surfaces, keys, stretches,
// flips, device contexts through the palette); what it answers
// DDERR_UNSUPPORTED for is left out (and asked of the player alone, into
// PLAYER_ONLY_OUT, with a display whose window goes first), as are details the player need not copy
// (where Wine puts a surface's memory, its row pitch). Left out too, where the
// player keeps to the platform's documented rule and Wine does not: a second
// primary surface (Wine makes it; the player answers
// DDERR_PRIMARYSURFACEALREADYEXISTS) and a stretch within one surface whose
// rectangles overlap (Wine reads pixels it has already written; the player
// reads the picture as it was, as the host stand-in does), and palette entries
// set past the end (Wine takes them and its palette reads wrongly after).
#include <windows.h>
#include <ddraw.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

typedef HRESULT(WINAPI* CreateFunction)(GUID*, LPDIRECTDRAW*, IUnknown*);

FILE* out = NULL;

void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Say(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(out, format, args);
    va_end(args);
    std::fputc('\n', out);
    std::fflush(out);  // all that was said stands, should a call crash
}

void Result(const char* what, HRESULT result)
{
    Say("%s 0x%08lx", what, (unsigned long)result);
}

// The capabilities and description flags the player models; Wine adds where
// the memory lies (video, system, visible), which no caller of ours reads.
const DWORD kCapsCompared = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FRONTBUFFER | DDSCAPS_BACKBUFFER | DDSCAPS_FLIP |
                            DDSCAPS_COMPLEX | DDSCAPS_OFFSCREENPLAIN;
const DWORD kFlagsCompared = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | DDSD_BACKBUFFERCOUNT |
                             DDSD_CKSRCBLT | DDSD_LPSURFACE;

void Describe(const char* what, LPDIRECTDRAWSURFACE surface)
{
    DDSURFACEDESC description = {};
    description.dwSize = sizeof description;
    HRESULT result = surface->GetSurfaceDesc(&description);
    const DDPIXELFORMAT& format = description.ddpfPixelFormat;
    Say("%s desc 0x%08lx flags=0x%lx %lux%lu caps=0x%lx back=%lu bits=%lu format=0x%lx key=%lu,%lu", what,
        (unsigned long)result, description.dwFlags & kFlagsCompared, description.dwWidth, description.dwHeight,
        description.ddsCaps.dwCaps & kCapsCompared, description.dwBackBufferCount, format.dwRGBBitCount,
        format.dwFlags, description.ddckCKSrcBlt.dwColorSpaceLowValue,
        description.ddckCKSrcBlt.dwColorSpaceHighValue);
}

// Every pixel, a row a line, in hex.
void Dump(const char* what, LPDIRECTDRAWSURFACE surface)
{
    DDSURFACEDESC description = {};
    description.dwSize = sizeof description;
    HRESULT result = surface->Lock(NULL, &description, DDLOCK_WAIT, NULL);
    if (result != DD_OK) {
        Result(what, result);
        return;
    }
    const uint8_t* rows = static_cast<const uint8_t*>(description.lpSurface);
    for (DWORD y = 0; y < description.dwHeight; ++y) {
        std::string line;
        char cell[4];
        for (DWORD x = 0; x < description.dwWidth; ++x) {
            std::snprintf(cell, sizeof cell, "%02x", rows[y * description.lPitch + x]);
            line += cell;
        }
        Say("%s row %lu %s", what, y, line.c_str());
    }
    Result("  unlock", surface->Unlock(NULL));
}

// A surface's pixels from a rule of its position.
template <typename Rule>
void Fill(LPDIRECTDRAWSURFACE surface, Rule rule)
{
    DDSURFACEDESC description = {};
    description.dwSize = sizeof description;
    if (surface->Lock(NULL, &description, DDLOCK_WAIT, NULL) != DD_OK) {
        Say("fill: no lock");
        return;
    }
    uint8_t* rows = static_cast<uint8_t*>(description.lpSurface);
    for (DWORD y = 0; y < description.dwHeight; ++y)
        for (DWORD x = 0; x < description.dwWidth; ++x)
            rows[y * description.lPitch + x] = (uint8_t)rule((int)x, (int)y);
    surface->Unlock(NULL);
}

LPDIRECTDRAWSURFACE Offscreen(LPDIRECTDRAW directDraw, const char* what, DWORD width, DWORD height)
{
    DDSURFACEDESC description = {};
    description.dwSize = sizeof description;
    description.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    description.dwWidth = width;
    description.dwHeight = height;
    description.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    LPDIRECTDRAWSURFACE surface = NULL;
    Result(what, directDraw->CreateSurface(&description, &surface, NULL));
    return surface;
}

RECT Box(LONG left, LONG top, LONG right, LONG bottom)
{
    RECT rect = {left, top, right, bottom};
    return rect;
}

void Palettes(LPDIRECTDRAW directDraw, LPDIRECTDRAWPALETTE* kept)
{
    PALETTEENTRY entries[256];
    for (int i = 0; i < 256; ++i)
        entries[i] = PALETTEENTRY{(BYTE)i, (BYTE)(255 - i), (BYTE)(i * 3), 0};
    entries[0] = PALETTEENTRY{10, 20, 30, 0};
    entries[255] = PALETTEENTRY{40, 50, 60, 0};
    const DWORD kinds[] = {DDPCAPS_8BIT, DDPCAPS_8BIT | DDPCAPS_ALLOW256};
    for (DWORD flags : kinds) {
        LPDIRECTDRAWPALETTE palette = NULL;
        Say("palette flags=0x%lx", flags);
        Result("  create", directDraw->CreatePalette(flags, entries, &palette, NULL));
        if (!palette)
            continue;
        PALETTEENTRY got[256] = {};
        Result("  entries", palette->GetEntries(0, 0, 256, got));
        const int shown[] = {0, 1, 128, 254, 255};
        for (int i : shown)
            Say("  entry %d %d,%d,%d,%d", i, got[i].peRed, got[i].peGreen, got[i].peBlue, got[i].peFlags);
        Result("  entries past the end", palette->GetEntries(0, 250, 10, got));
        Result("  entries, no table", palette->GetEntries(0, 0, 1, NULL));
        Result("  entries with a flag", palette->GetEntries(1, 0, 1, got));
        PALETTEENTRY changed[2] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
        Result("  set entries 100-101", palette->SetEntries(0, 100, 2, changed));
        Result("  entries 100-101", palette->GetEntries(0, 100, 2, got));
        Say("  entry 100 %d,%d,%d entry 101 %d,%d,%d", got[0].peRed, got[0].peGreen, got[0].peBlue, got[1].peRed,
            got[1].peGreen, got[1].peBlue);
        if (flags == DDPCAPS_8BIT && kept)
            *kept = palette;
        else
            Say("  release %lu", palette->Release());
    }
}

void Blits(LPDIRECTDRAWSURFACE a, LPDIRECTDRAWSURFACE b, LPDIRECTDRAWSURFACE c)
{
    Fill(a, [](int x, int y) { return (x * 7 + y * 13) % 12; });  // values 0 to 11, keys among them
    Fill(b, [](int, int) { return 0xEE; });
    Result("bltfast a->b opaque", b->BltFast(0, 0, a, NULL, DDBLTFAST_NOCOLORKEY | DDBLTFAST_WAIT));
    Dump("b", b);
    Fill(b, [](int, int) { return 0xEE; });
    Result("bltfast a->b keyed, a has no key", b->BltFast(0, 0, a, NULL, DDBLTFAST_SRCCOLORKEY));
    Dump("b", b);
    Result("blt a->b keyed, a has no key", b->Blt(NULL, a, NULL, DDBLT_KEYSRC, NULL));

    DDCOLORKEY five = {5, 5};
    Result("a key 5", a->SetColorKey(DDCKEY_SRCBLT, &five));
    Describe("a", a);
    Fill(b, [](int, int) { return 0xEE; });
    Result("bltfast a->b keyed", b->BltFast(0, 0, a, NULL, DDBLTFAST_SRCCOLORKEY));
    Dump("b", b);
    DDCOLORKEY range = {5, 9};
    Result("a key 5-9", a->SetColorKey(DDCKEY_SRCBLT, &range));
    Fill(b, [](int, int) { return 0xEE; });
    Result("bltfast a->b keyed 5-9", b->BltFast(0, 0, a, NULL, DDBLTFAST_SRCCOLORKEY));
    Dump("b", b);
    Result("a key 5-9 as a colour space", a->SetColorKey(DDCKEY_SRCBLT | DDCKEY_COLORSPACE, &range));
    Fill(b, [](int, int) { return 0xEE; });
    Result("blt a->b keyed 5-9 space", b->Blt(NULL, a, NULL, DDBLT_KEYSRC | DDBLT_WAIT, NULL));
    Dump("b", b);

    DDCOLORKEY zero = {0, 0};
    Result("a key 0", a->SetColorKey(DDCKEY_SRCBLT, &zero));
    RECT grow = Box(3, 2, 29, 21), part = Box(1, 1, 15, 7);
    Fill(c, [](int, int) { return 0xEE; });
    Result("blt a->c stretched whole", c->Blt(NULL, a, NULL, DDBLT_WAIT, NULL));
    Dump("c", c);
    Fill(c, [](int, int) { return 0xEE; });
    DDBLTFX effects = {};
    effects.dwSize = sizeof effects;
    Result("blt a part->c part stretched keyed", c->Blt(&grow, a, &part, DDBLT_KEYSRC, &effects));
    Dump("c", c);
    Fill(c, [](int x, int y) { return (x + y) % 7 == 0 ? 0 : x * 8 + y; });
    Result("blt c->a shrunk", a->Blt(NULL, c, NULL, 0, NULL));
    Dump("a", a);
    RECT odd = Box(0, 0, 13, 5), oddSource = Box(2, 3, 31, 23);
    Result("blt c part->a part odd sizes", a->Blt(&odd, c, &oddSource, 0, NULL));
    Dump("a", a);
    Result("key removed", a->SetColorKey(DDCKEY_SRCBLT, NULL));
    Describe("a", a);
    Fill(b, [](int, int) { return 0xEE; });
    Result("bltfast a->b keyed after removal", b->BltFast(0, 0, a, NULL, DDBLTFAST_SRCCOLORKEY));
    Dump("b", b);
    Result("blt a->b keyed after removal", b->Blt(NULL, a, NULL, DDBLT_KEYSRC, NULL));
    Fill(a, [](int x, int y) { return (x + y) % 4; });
    DDCOLORKEY two = {2, 2};
    Result("a key 2", a->SetColorKey(DDCKEY_SRCBLT, &two));
    Result("key removed", a->SetColorKey(DDCKEY_SRCBLT, NULL));
    Fill(b, [](int, int) { return 0xEE; });
    Result("bltfast a->b keyed after key 2 was removed", b->BltFast(0, 0, a, NULL, DDBLTFAST_SRCCOLORKEY));
    Dump("b", b);
}

void BadBlits(LPDIRECTDRAWSURFACE a, LPDIRECTDRAWSURFACE b)
{
    RECT source = Box(0, 0, 8, 4);
    Result("bltfast past the right edge", b->BltFast(10, 0, a, NULL, 0));
    Result("bltfast past the bottom", b->BltFast(0, 5, a, &source, 0));
    Result("bltfast at the far corner", b->BltFast(8, 4, a, &source, 0));
    RECT outside = Box(10, 0, 20, 4);
    Result("bltfast source outside", b->BltFast(0, 0, a, &outside, 0));
    RECT emptySource = Box(2, 2, 2, 4);
    Result("bltfast empty source", b->BltFast(0, 0, a, &emptySource, 0));
    const RECT targets[] = {Box(-1, 0, 8, 8), Box(0, 0, 17, 8), Box(4, 4, 4, 8), Box(8, 4, 2, 6), Box(0, 0, 16, 9)};
    for (RECT target : targets) {
        char what[96];
        std::snprintf(what, sizeof what, "blt to %ld,%ld,%ld,%ld", target.left, target.top, target.right,
                      target.bottom);
        Result(what, b->Blt(&target, a, NULL, 0, NULL));
    }
    Result("blt no source", b->Blt(NULL, NULL, NULL, 0, NULL));
    DDBLTFX wrong = {};
    wrong.dwSize = 4;
    Result("blt effects of the wrong size", b->Blt(NULL, a, NULL, 0, &wrong));
}

void Busy(LPDIRECTDRAWSURFACE a, LPDIRECTDRAWSURFACE b)
{
    DDSURFACEDESC description = {};
    description.dwSize = sizeof description;
    Result("lock a", a->Lock(NULL, &description, DDLOCK_WAIT, NULL));
    Say("  locked flags=0x%lx pitch-ok=%d", description.dwFlags & kFlagsCompared,
        description.lPitch >= (LONG)description.dwWidth);
    const uint8_t* whole = static_cast<const uint8_t*>(description.lpSurface);
    const LONG pitch = description.lPitch;
    DDSURFACEDESC again = {};
    again.dwSize = sizeof again;
    Result("lock a again", a->Lock(NULL, &again, DDLOCK_WAIT, NULL));
    Result("bltfast from locked a", b->BltFast(0, 0, a, NULL, 0));
    Result("bltfast into locked a", a->BltFast(0, 0, b, NULL, 0));
    Result("blt from locked a", b->Blt(NULL, a, NULL, 0, NULL));
    Result("unlock a", a->Unlock(NULL));
    Result("unlock a again", a->Unlock(NULL));
    RECT inside = Box(2, 1, 6, 5);
    Result("lock a part", a->Lock(&inside, &description, DDLOCK_WAIT, NULL));
    Say("  the part starts at row 1, column 2: %d",
        static_cast<const uint8_t*>(description.lpSurface) == whole + pitch + 2);
    Result("unlock a part", a->Unlock(NULL));
    RECT outside = Box(10, 0, 20, 4);
    Result("lock a outside", a->Lock(&outside, &description, DDLOCK_WAIT, NULL));
    DDSURFACEDESC small = {};
    small.dwSize = 4;
    Result("lock with a short description", a->Lock(NULL, &small, DDLOCK_WAIT, NULL));

    HDC context = NULL;
    Result("dc of a", a->GetDC(&context));
    HDC second = NULL;
    Result("dc of a again", a->GetDC(&second));
    Result("bltfast from a with its dc out", b->BltFast(0, 0, a, NULL, 0));
    Result("bltfast into a with its dc out", a->BltFast(0, 0, b, NULL, 0));
    Result("release another dc", a->ReleaseDC((HDC)0x1234));
    Result("release the dc", a->ReleaseDC(context));
    Result("release the dc again", a->ReleaseDC(context));
    // Not compared: a lock while the device context is out and a device
    // context while locked, which Wine grants and the player refuses
    // (DDERR_SURFACEBUSY), as the platform asks that the two never overlap.
}

// GDI draws through the palette the primary shows: a colour becomes its index.
void DeviceContexts(LPDIRECTDRAWSURFACE a)
{
    Fill(a, [](int x, int) { return 40 + x; });
    HDC context = NULL;
    Result("dc of a", a->GetDC(&context));
    if (!context)
        return;
    Say("  pixel 3,0 shows 0x%06lx", (unsigned long)GetPixel(context, 3, 0));
    Say("  set 0,0 to index 77's colour 0x%06lx", (unsigned long)SetPixel(context, 0, 0, RGB(77, 178, 231)));
    Say("  set 1,0 to black 0x%06lx", (unsigned long)SetPixel(context, 1, 0, RGB(0, 0, 0)));
    Say("  set 2,0 to white 0x%06lx", (unsigned long)SetPixel(context, 2, 0, RGB(255, 255, 255)));
    Result("release the dc", a->ReleaseDC(context));
    DDSURFACEDESC description = {};
    description.dwSize = sizeof description;
    if (a->Lock(NULL, &description, DDLOCK_WAIT, NULL) == DD_OK) {
        const uint8_t* row = static_cast<const uint8_t*>(description.lpSurface);
        Say("  indices now %d %d %d %d", row[0], row[1], row[2], row[3]);
        a->Unlock(NULL);
    }
}

void Flips(LPDIRECTDRAWSURFACE primary, LPDIRECTDRAWSURFACE back, LPDIRECTDRAWSURFACE a)
{
    Fill(primary, [](int, int) { return 0x22; });
    Fill(back, [](int x, int y) { return (x + y) & 0xFF; });
    Result("flip", primary->Flip(NULL, DDFLIP_WAIT));
    Say("front after the flip:");
    DDSURFACEDESC description = {};
    description.dwSize = sizeof description;
    if (primary->Lock(NULL, &description, DDLOCK_WAIT, NULL) == DD_OK) {
        const uint8_t* rows = static_cast<const uint8_t*>(description.lpSurface);
        Say("  %d %d %d", rows[0], rows[1], rows[5 * description.lPitch + 7]);
        primary->Unlock(NULL);
    }
    if (back->Lock(NULL, &description, DDLOCK_WAIT, NULL) == DD_OK) {
        const uint8_t* rows = static_cast<const uint8_t*>(description.lpSurface);
        Say("back after the flip: %d %d", rows[0], rows[5 * description.lPitch + 7]);
        back->Unlock(NULL);
    }
    Result("flip to the back buffer by name", primary->Flip(back, 0));
    Result("flip to another surface", primary->Flip(a, 0));
    Result("flip of an off-screen surface", a->Flip(NULL, 0));
    HDC context = NULL;
    Result("dc of the back buffer", back->GetDC(&context));
    Result("flip with the back buffer's dc out", primary->Flip(NULL, 0));
    back->ReleaseDC(context);  // its answer after a refused flip is Wine's own matter
}

void Script(CreateFunction create, HWND window)
{
    LPDIRECTDRAW directDraw = NULL;
    HRESULT made = create(NULL, &directDraw, NULL);
    // First, and left out of the comparison: whose objects these are.
    char module[MAX_PATH] = "nowhere";
    HMODULE owner = NULL;
    if (directDraw && GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                         *reinterpret_cast<LPCSTR*>(directDraw), &owner))
        GetModuleFileNameA(owner, module, sizeof module);
    Say("objects from %s", module);
    Result("create", made);
    if (!directDraw)
        return;
    LPDIRECTDRAW same = NULL;
    Result("query IDirectDraw", directDraw->QueryInterface(IID_IDirectDraw, reinterpret_cast<void**>(&same)));
    if (same)
        Say("  release %lu", same->Release());

    DDSURFACEDESC primaryDescription = {};
    primaryDescription.dwSize = sizeof primaryDescription;
    primaryDescription.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    primaryDescription.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    primaryDescription.dwBackBufferCount = 1;
    LPDIRECTDRAWSURFACE primary = NULL;
    Result("primary before the cooperative level", directDraw->CreateSurface(&primaryDescription, &primary, NULL));
    Result("cooperative level without a window", directDraw->SetCooperativeLevel(NULL, 0x51));
    Result("cooperative level full screen alone", directDraw->SetCooperativeLevel(window, DDSCL_FULLSCREEN));
    Result("cooperative level", directDraw->SetCooperativeLevel(window, 0x51));
    Result("display mode", directDraw->SetDisplayMode(320, 240, 8));

    LPDIRECTDRAWPALETTE palette = NULL;
    Palettes(directDraw, &palette);

    DDSURFACEDESC wrong = primaryDescription;
    wrong.dwSize = 4;
    Result("surface of a short description", directDraw->CreateSurface(&wrong, &primary, NULL));
    wrong = primaryDescription;
    wrong.dwBackBufferCount = 0;
    wrong.dwFlags = DDSD_CAPS;
    Result("flipping primary without a count", directDraw->CreateSurface(&wrong, &primary, NULL));
    Result("primary", directDraw->CreateSurface(&primaryDescription, &primary, NULL));
    if (!primary)
        return;
    Describe("primary", primary);
    DDSCAPS backCaps = {DDSCAPS_BACKBUFFER};
    LPDIRECTDRAWSURFACE back = NULL;
    Result("back buffer", primary->GetAttachedSurface(&backCaps, &back));
    if (!back)
        return;
    Describe("back", back);
    DDSCAPS other = {DDSCAPS_OFFSCREENPLAIN};
    LPDIRECTDRAWSURFACE none = NULL;
    Result("attached off-screen surface", primary->GetAttachedSurface(&other, &none));
    Result("primary palette", primary->SetPalette(palette));

    LPDIRECTDRAWSURFACE a = Offscreen(directDraw, "a 16x8", 16, 8);
    LPDIRECTDRAWSURFACE b = Offscreen(directDraw, "b 16x8", 16, 8);
    LPDIRECTDRAWSURFACE c = Offscreen(directDraw, "c 32x24", 32, 24);
    LPDIRECTDRAWSURFACE zero = Offscreen(directDraw, "zero-sized", 0, 8);
    if (!a || !b || !c)
        return;
    Describe("a", a);
    Result("attached surface of a", a->GetAttachedSurface(&backCaps, &none));
    Blits(a, b, c);
    BadBlits(a, b);
    Busy(a, b);
    DeviceContexts(a);
    Flips(primary, back, a);
    Result("a is lost", a->IsLost());
    Result("a restored", a->Restore());
    Result("primary is lost", primary->IsLost());
    Result("primary restored", primary->Restore());
    LPDIRECTDRAWSURFACE asked = NULL;
    Result("query a as a surface", a->QueryInterface(IID_IDirectDrawSurface, reinterpret_cast<void**>(&asked)));
    if (asked)
        Say("  release %lu", asked->Release());

    if (zero)
        zero->Release();
    Say("release c %lu", c->Release());
    Say("release b %lu", b->Release());
    Say("release a %lu", a->Release());
    Say("release back %lu", back->Release());
    Say("release primary %lu", primary->Release());
    Say("release palette %lu", palette ? palette->Release() : 0);
    Say("release directdraw %lu", directDraw->Release());
}

// What only the player is asked: methods it does not model answer
// DDERR_UNSUPPORTED (each with a debugger line naming it), and a display
// whose window was destroyed before it was released goes on flipping and
// releases cleanly.
void PlayerOnly(CreateFunction create, HINSTANCE instance)
{
    LPDIRECTDRAW directDraw = NULL;
    Result("create", create(NULL, &directDraw, NULL));
    if (!directDraw)
        return;
    DDCAPS caps = {};
    caps.dwSize = sizeof caps;
    Result("IDirectDraw::GetCaps", directDraw->GetCaps(&caps, NULL));
    Result("IDirectDraw::WaitForVerticalBlank", directDraw->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, NULL));
    LPDIRECTDRAWCLIPPER clipper = NULL;
    Result("IDirectDraw::CreateClipper", directDraw->CreateClipper(0, &clipper, NULL));
    LPDIRECTDRAW2 later = NULL;
    Result("IDirectDraw::QueryInterface of IDirectDraw2",
           directDraw->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&later)));

    HWND window = CreateWindowExA(0, "DdrawAgree", "ddraw agree, short-lived", WS_POPUP | WS_VISIBLE, 0, 0, 320, 240,
                                  NULL, NULL, instance, NULL);
    Result("cooperative level", directDraw->SetCooperativeLevel(window, 0x51));
    Result("display mode", directDraw->SetDisplayMode(320, 240, 8));
    DDSURFACEDESC description = {};
    description.dwSize = sizeof description;
    description.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    description.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    description.dwBackBufferCount = 1;
    LPDIRECTDRAWSURFACE primary = NULL;
    Result("primary", directDraw->CreateSurface(&description, &primary, NULL));
    if (!primary)
        return;
    Result("IDirectDrawSurface::GetCaps", primary->GetCaps(&description.ddsCaps));
    DDCOLORKEY key = {1, 1};
    Result("IDirectDrawSurface::SetColorKey of a destination key", primary->SetColorKey(DDCKEY_DESTBLT, &key));
    Result("flip", primary->Flip(NULL, DDFLIP_WAIT));
    Say("window destroyed %d", DestroyWindow(window) ? 1 : 0);
    Result("flip with the window gone", primary->Flip(NULL, DDFLIP_WAIT));
    Say("release primary %lu", primary->Release());
    Say("release directdraw %lu", directDraw->Release());
}

CreateFunction CreateOf(const std::string& path)
{
    HMODULE module = LoadLibraryA(path.c_str());
    return module ? reinterpret_cast<CreateFunction>(reinterpret_cast<void*>(GetProcAddress(module, "DirectDrawCreate")))
                  : NULL;
}

HWND MakeWindow(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    windowClass.lpszClassName = "DdrawAgree";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "DdrawAgree", "ddraw agree", WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                  GetSystemMetrics(SM_CYSCREEN), NULL, NULL, instance, NULL);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    return window;
}

bool Run(CreateFunction create, HWND window, const char* path)
{
    out = std::fopen(path, "w");
    if (!out)
        return false;
    if (create)
        Script(create, window);
    else
        Say("no DirectDrawCreate");
    return std::fclose(out) == 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (__argc < 4)
        return 2;
    char system[MAX_PATH];
    UINT length = GetSystemDirectoryA(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 2;
    CreateFunction wine = CreateOf(std::string(system) + "\\ddraw.dll");
    CreateFunction player = CreateOf(__argv[1]);
    HWND window = MakeWindow(instance);
    bool written = Run(wine, window, __argv[2]) && Run(player, window, __argv[3]);
    DestroyWindow(window);
    if (__argc > 4 && player) {
        out = std::fopen(__argv[4], "w");
        if (!out)
            return 2;
        PlayerOnly(player, instance);
        written = std::fclose(out) == 0 && written;
    }
    return written && wine && player ? 0 : 1;
}
