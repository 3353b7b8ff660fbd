// baseline CALLS SHEET [FRAMES [LOG]]: the least a DirectDraw program must do
// to show the intro's frames, for measuring the intro against. It takes the
// same window, mode, flipping chain, palette and colour-keyed sheet, then
// replays the intro's recorded drawing calls (BltFast, Blt, BltFast, Flip, the
// same rectangles and flags on the same surfaces) for FRAMES frames (all of
// them when not given), pumping messages between frames as any Windows
// program must. LOG, when given, receives its own timings.
#include <windows.h>
#include <ddraw.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/draw_call.h"

namespace {

// Everything the program holds; one of it, for the whole run.
struct Baseline {
    HWND window = nullptr;
    LPDIRECTDRAW directDraw = nullptr;
    LPDIRECTDRAWSURFACE primary = nullptr, back = nullptr, sheet = nullptr;
    LPDIRECTDRAWPALETTE palette = nullptr;
    std::vector<DrawCall> calls;
    std::vector<BYTE> bmp;  // the sheet file
} run;

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETCURSOR) {
        SetCursor(nullptr);
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool ReadWholeFile(const char* path, std::vector<BYTE>* bytes)
{
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    BYTE buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes->insert(bytes->end(), buffer, buffer + got);
    std::fclose(file);
    return !bytes->empty();
}

bool ReadCalls(const char* path)
{
    const size_t header = kCallsFileMagicBytes + sizeof(int32_t);  // the magic, then the count
    std::vector<BYTE> bytes;
    if (!ReadWholeFile(path, &bytes) || bytes.size() < header ||
        std::memcmp(bytes.data(), kCallsFileMagic, kCallsFileMagicBytes) != 0)
        return false;
    int32_t count;
    std::memcpy(&count, &bytes[kCallsFileMagicBytes], sizeof count);
    if (count < 0 || bytes.size() != header + (size_t)count * sizeof(DrawCall))
        return false;
    run.calls.resize(count);
    std::memcpy(run.calls.data(), &bytes[header], (size_t)count * sizeof(DrawCall));
    return true;
}

bool MakeWindow(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    windowClass.lpszClassName = "VelthornBaseline";
    RegisterClassA(&windowClass);
    run.window = CreateWindowExA(0, "VelthornBaseline", "baseline", WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                 GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, instance, nullptr);
    if (!run.window)
        return false;
    ShowWindow(run.window, SW_SHOWDEFAULT);
    UpdateWindow(run.window);
    return true;
}

bool TakeDisplay()
{
    if (DirectDrawCreate(nullptr, &run.directDraw, nullptr) != DD_OK ||
        run.directDraw->SetCooperativeLevel(run.window, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE | DDSCL_ALLOWMODEX) != DD_OK ||
        run.directDraw->SetDisplayMode(320, 240, 8) != DD_OK)
        return false;
    DDSURFACEDESC description = {};
    description.dwSize = sizeof description;
    description.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    description.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    description.dwBackBufferCount = 1;
    if (run.directDraw->CreateSurface(&description, &run.primary, nullptr) != DD_OK)
        return false;
    DDSCAPS caps = {};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    return run.primary->GetAttachedSurface(&caps, &run.back) == DD_OK;
}

// The sheet's colour table becomes the palette, as in the intro.
bool SetSheetPalette()
{
    const BITMAPFILEHEADER* file = (const BITMAPFILEHEADER*)run.bmp.data();
    const BITMAPINFOHEADER* info = (const BITMAPINFOHEADER*)(file + 1);
    const RGBQUAD* table = (const RGBQUAD*)((const BYTE*)info + info->biSize);
    PALETTEENTRY entries[256];
    for (int i = 0; i < 256; ++i)
        entries[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    if (run.directDraw->CreatePalette(DDPCAPS_8BIT, entries, &run.palette, nullptr) != DD_OK)
        return false;
    run.primary->SetPalette(run.palette);
    return true;
}

// The sheet's pixels straight into an off-screen surface (rows are stored
// bottom up), keyed on index 0, black.
bool LoadSheet()
{
    const BITMAPFILEHEADER* file = (const BITMAPFILEHEADER*)run.bmp.data();
    const BITMAPINFOHEADER* info = (const BITMAPINFOHEADER*)(file + 1);
    int width = info->biWidth, height = info->biHeight;
    DDSURFACEDESC description = {};
    description.dwSize = sizeof description;
    description.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    description.dwWidth = width;
    description.dwHeight = height;
    description.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    if (run.directDraw->CreateSurface(&description, &run.sheet, nullptr) != DD_OK)
        return false;
    description.dwSize = sizeof description;
    if (run.sheet->Lock(nullptr, &description, DDLOCK_WAIT, nullptr) != DD_OK)
        return false;
    const BYTE* pixels = run.bmp.data() + file->bfOffBits;
    for (int y = 0; y < height; ++y)
        std::memcpy((BYTE*)description.lpSurface + (size_t)y * description.lPitch,
                    pixels + (size_t)(height - 1 - y) * width, width);
    run.sheet->Unlock(nullptr);
    DDCOLORKEY key = {0, 0};
    return run.sheet->SetColorKey(DDCKEY_SRCBLT, &key) == DD_OK;
}

// The intro's rule for a drawing call's result: ask again while still drawing.
template <typename Call>
HRESULT Repeat(Call call)
{
    HRESULT result;
    while ((result = call()) == DDERR_WASSTILLDRAWING) {
    }
    return result;
}

HRESULT Replay(const DrawCall& call)
{
    RECT source = {call.source[0], call.source[1], call.source[2], call.source[3]};
    RECT target = {call.target[0], call.target[1], call.target[2], call.target[3]};
    DDBLTFX effects;
    effects.dwSize = sizeof effects;
    if (call.kind == kBltFast)
        return Repeat([&] { return run.back->BltFast(target.left, target.top, run.sheet, &source, call.flags); });
    if (call.kind == kBlt)
        return Repeat([&] { return run.back->Blt(&target, run.sheet, &source, call.flags, &effects); });
    return Repeat([&] { return run.primary->Flip(nullptr, 0); });
}

void Release()
{
    if (run.primary)
        run.primary->Release();
    if (run.sheet)
        run.sheet->Release();
    if (run.palette)
        run.palette->Release();
    if (run.directDraw)
        run.directDraw->Release();
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency)
{
    return (double)(to.QuadPart - from.QuadPart) / (double)frequency.QuadPart;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    LARGE_INTEGER frequency, started, firstFlip = {}, lastFlip = {};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&started);
    if (__argc < 3 || !ReadCalls(__argv[1]) || !ReadWholeFile(__argv[2], &run.bmp))
        return 2;
    long frames = __argc > 3 ? std::atol(__argv[3]) : -1, flips = 0;
    if (!MakeWindow(instance) || !TakeDisplay() || !SetSheetPalette() || !LoadSheet()) {
        Release();
        return 3;
    }
    size_t next = 0;
    MSG message;
    while (next < run.calls.size() && (frames < 0 || flips < frames)) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!GetMessageA(&message, nullptr, 0, 0))
                break;
            TranslateMessage(&message);
            DispatchMessageA(&message);
            continue;
        }
        do {
            Replay(run.calls[next]);
        } while (run.calls[next++].kind != kFlip && next < run.calls.size());
        QueryPerformanceCounter(flips++ ? &lastFlip : &firstFlip);
    }
    Release();
    if (__argc > 4) {
        FILE* log = std::fopen(__argv[4], "w");
        if (log) {
            std::fprintf(log, "frames %ld\nstart_to_first_flip_s %.6f\nfirst_to_last_flip_s %.6f\n", flips,
                         flips ? Seconds(started, firstFlip, frequency) : 0.0,
                         flips > 1 ? Seconds(firstFlip, lastFlip, frequency) : 0.0);
            std::fclose(log);
        }
    }
    return 0;
}
