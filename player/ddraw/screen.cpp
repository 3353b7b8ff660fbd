#include "player/ddraw/screen.h"

#include <cstring>
#include <vector>

#include "player/common/debug_line.h"
#include "player/ddraw/frame_clock.h"
#include "player/ddraw/window_place.h"
#include "player/ddraw/screenshot.h"

namespace player {
namespace {

// The style of a windowed picture: a caption, a close box, a minimise and a
// maximise box, and a sizing border; the picture follows the client area.
const LONG kWindowedStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME;

struct Screen {
    HWND window = NULL;
    WNDPROC programProcedure = nullptr;  // the window's own, called for every message we do not take
    LONG programStyle = 0;               // the window's style as the program made it
    ScreenSettings settings = {};  // as AttachWindow read them
    bool windowed = false;
    // The window's place while windowed: from the last run until it is first
    // windowed, then as the user left it, for Alt+Enter back and the next run.
    WindowPlace place = {false, 0, 0, {0, 0}};
    bool placeNoted = false;  // windowed in this run: the place is worth keeping
    Size picture = {0, 0};
    // The last frame as the program drew it, for repainting and re-enlarging.
    std::vector<uint8_t> frame;
    PaletteColor colors[256] = {};
    // The frame enlarged for the layout below, ready for the window.
    std::vector<uint32_t> enlarged;
    Placement placement = {0, {0, 0, 0, 0}};
    // Tables for a picture of no whole factor, made when the layout changes.
    Resampler resampler;
    Size client = {0, 0};
    bool enlargedCurrent = false;
    bool bordersPainted = false;
};

// One screen for the one window DirectDraw has in a process.
Screen screen;

LRESULT CALLBACK ScreenProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

Size ClientSize()
{
    RECT client = {0, 0, 0, 0};
    GetClientRect(screen.window, &client);
    return Size{client.right - client.left, client.bottom - client.top};
}

bool SamePlacement(const Placement& a, const Placement& b)
{
    return a.scale == b.scale && std::memcmp(&a.picture, &b.picture, sizeof a.picture) == 0;
}

Size BoxSize(const Box& box)
{
    return Size{box.right - box.left, box.bottom - box.top};
}

// Whether the shown picture is the picture times its factor, which Enlarge draws.
bool WholeFactor(const Placement& placement)
{
    const Size shown = BoxSize(placement.picture);
    return shown.width == screen.picture.width * placement.scale &&
           shown.height == screen.picture.height * placement.scale;
}

// Brings the layout up to the window's client area as it is now.
void FitLayoutToClient()
{
    const Size client = ClientSize();
    const Placement placement = PlacePicture(screen.picture, client, screen.settings.scaling);
    if (client.width == screen.client.width && client.height == screen.client.height &&
        SamePlacement(placement, screen.placement))
        return;
    screen.client = client;
    screen.placement = placement;
    screen.enlargedCurrent = false;
    screen.bordersPainted = false;
    const Size shown = BoxSize(placement.picture);
    if (placement.scale != 0 && !WholeFactor(placement))
        screen.resampler.Prepare(screen.picture, shown, screen.settings.filter);
    LogLine("layout client=%ldx%ld scale=%ld left=%ld top=%ld windowed=%d picture=%ldx%ld", (long)client.width,
            (long)client.height, (long)placement.scale, (long)placement.picture.left, (long)placement.picture.top,
            screen.windowed ? 1 : 0, (long)shown.width, (long)shown.height);
}

void PaintBorders(HDC context)
{
    Box borders[4];
    const int count = Borders(screen.client, screen.placement, borders);
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    for (int i = 0; i < count; ++i) {
        RECT box = {borders[i].left, borders[i].top, borders[i].right, borders[i].bottom};
        FillRect(context, &box, black);
    }
}

// The picture and, when the layout changed or the window needs it, the black around it.
void Paint(HDC context, bool wholeWindow)
{
    FitLayoutToClient();
    if (wholeWindow || !screen.bordersPainted) {
        PaintBorders(context);
        screen.bordersPainted = true;
    }
    const Placement& placement = screen.placement;
    if (placement.scale == 0)
        return;
    const Box& box = placement.picture;
    const int32_t width = box.right - box.left, height = box.bottom - box.top;
    if (screen.frame.empty()) {  // no frame yet: black where it will be
        RECT area = {box.left, box.top, box.right, box.bottom};
        FillRect(context, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return;
    }
    if (!screen.enlargedCurrent) {
        uint32_t table[256];
        PixelTable(screen.colors, table);
        screen.enlarged.resize((size_t)width * height);
        if (WholeFactor(placement))
            Enlarge(screen.frame.data(), screen.picture.width, screen.picture, table, placement.scale,
                    screen.enlarged.data(), width * (int32_t)sizeof(uint32_t));
        else
            screen.resampler.Draw(screen.frame.data(), screen.picture.width, table, screen.enlarged.data(),
                                  width * (int32_t)sizeof(uint32_t));
        screen.enlargedCurrent = true;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down, as enlarged
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(context, box.left, box.top, (DWORD)width, (DWORD)height, 0, 0, 0, (UINT)height,
                      screen.enlarged.data(), &info, DIB_RGB_COLORS);
}

// The monitor the window is on: its whole area and its work area.
MONITORINFO MonitorOf(HWND window)
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
        monitor.rcMonitor = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        monitor.rcWork = monitor.rcMonitor;
    }
    return monitor;
}

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT area, LPARAM boxes)
{
    reinterpret_cast<std::vector<Box>*>(boxes)->push_back(Box{area->left, area->top, area->right, area->bottom});
    return TRUE;
}

// Whether the kept window, of this outer size, can be reached on the monitors there are now.
bool WindowPlaceReachable(const WindowPlace& place, int width, int height)
{
    std::vector<Box> monitors;
    EnumDisplayMonitors(NULL, NULL, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    const Box window = {place.left, place.top, place.left + width, place.top + height};
    return PlaceReachable(window, monitors.data(), (int)monitors.size());
}

// The window's outer size for a client area of this size in this style.
SIZE FrameSize(Size client, LONG style)
{
    RECT frame = {0, 0, client.width, client.height};
    AdjustWindowRectEx(&frame, (DWORD)style, FALSE, (DWORD)GetWindowLongA(screen.window, GWL_EXSTYLE));
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

// Notes where the window is while it is windowed and neither minimised nor maximised.
void NotePlace()
{
    RECT outer, client;
    if (!screen.windowed || IsIconic(screen.window) || IsZoomed(screen.window) ||
        !GetWindowRect(screen.window, &outer) || !GetClientRect(screen.window, &client))
        return;
    screen.place = WindowPlace{true, outer.left, outer.top, {client.right, client.bottom}};
    screen.placeNoted = true;
}

// A captioned window with a sizing border where it was last (when that can
// still be reached), else with a client area of the picture times the
// windowed factor, centred in the work area. A factor set explicitly sets the
// size all the same.
void MakeWindowed()
{
    const MONITORINFO monitor = MonitorOf(screen.window);
    const RECT& work = monitor.rcWork;
    const Size desktop = {monitor.rcMonitor.right - monitor.rcMonitor.left,
                          monitor.rcMonitor.bottom - monitor.rcMonitor.top};
    const int32_t scale = WindowedScale(screen.picture, desktop, screen.settings.scale);
    const LONG style = kWindowedStyle | (GetWindowLongA(screen.window, GWL_STYLE) & WS_VISIBLE);
    Size client = {screen.picture.width * scale, screen.picture.height * scale};
    if (screen.place.known && screen.settings.scale == 0)
        client = screen.place.client;
    const SIZE frame = FrameSize(client, style);
    int x = work.left + (frame.cx < work.right - work.left ? (work.right - work.left - frame.cx) / 2 : 0);
    int y = work.top + (frame.cy < work.bottom - work.top ? (work.bottom - work.top - frame.cy) / 2 : 0);
    if (screen.place.known && WindowPlaceReachable(screen.place, frame.cx, frame.cy)) {
        x = screen.place.left;
        y = screen.place.top;
    } else if (screen.place.known) {
        DebugLine("the window's kept place %ld,%ld is on no monitor now; it is centred", (long)screen.place.left,
                  (long)screen.place.top);
    }
    screen.windowed = true;
    SetWindowLongA(screen.window, GWL_STYLE, style);
    SetWindowPos(screen.window, NULL, x, y, frame.cx, frame.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    NotePlace();
}

// Back to the program's own style, over the whole monitor.
void MakeFullScreen()
{
    NotePlace();
    if (IsZoomed(screen.window))
        ShowWindow(screen.window, SW_RESTORE);  // the program's style, not a maximised one
    const RECT whole = MonitorOf(screen.window).rcMonitor;
    const LONG style = (screen.programStyle & ~WS_VISIBLE) | (GetWindowLongA(screen.window, GWL_STYLE) & WS_VISIBLE);
    screen.windowed = false;
    SetWindowLongA(screen.window, GWL_STYLE, style);
    SetWindowPos(screen.window, NULL, whole.left, whole.top, whole.right - whole.left, whole.bottom - whole.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void ApplyLayoutSetting()
{
    if (screen.window && screen.picture.width > 0 && screen.settings.windowed && !screen.windowed)
        MakeWindowed();
}

// Keeps the window's place for the next run and gives the program its own window
// procedure back.
void ReleaseWindow()
{
    NotePlace();
    if (screen.window && screen.placeNoted)
        WriteWindowPlace(screen.place);
    screen.placeNoted = false;
    if (screen.window && IsWindow(screen.window) &&
        GetWindowLongPtrA(screen.window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(ScreenProcedure))
        SetWindowLongPtrA(screen.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(screen.programProcedure));
    screen.window = NULL;
    screen.windowed = false;
    screen.client = Size{0, 0};
    screen.placement = Placement{0, {0, 0, 0, 0}};
}

// Alt+Enter, a key-down that is no repeat: bit 29 of a key message is Alt,
// bit 30 whether the key was down already.
bool IsAltEnter(WPARAM key, LPARAM flags)
{
    return key == VK_RETURN && (flags & (1 << 29)) && !(flags & (1 << 30));
}

LRESULT CALLBACK ScreenProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WNDPROC program = screen.programProcedure;
    if (IsScreenshotKey(message, wParam)) {
        // Up, not down: Windows sends PrtScn's key-up alone.
        if (message == WM_KEYUP || message == WM_SYSKEYUP)
            SaveScreenshot(window, screen.frame, screen.picture, screen.colors);
        return 0;
    }
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC context = BeginPaint(window, &paint);
        if (context)
            Paint(context, true);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;  // the paint covers every pixel: no flash of black under the picture
    case WM_SIZE:
        // The picture follows the client area: the next paint lays it out afresh.
        InvalidateRect(window, NULL, FALSE);
        break;
    case WM_EXITSIZEMOVE:
        NotePlace();
        break;
    case WM_SYSKEYDOWN:
        if (wParam == VK_RETURN && (lParam & (1 << 29))) {
            if (IsAltEnter(wParam, lParam)) {
                if (screen.windowed)
                    MakeFullScreen();
                else
                    MakeWindowed();
            }
            return 0;
        }
        break;
    case WM_SYSCHAR:
        if (wParam == '\r')
            return 0;  // the character of Alt+Enter: no beep for a menu key that is not there
        break;
    case WM_SETCURSOR:
        // The program hides the cursor over its window; over a caption the arrow is worth keeping.
        if (screen.windowed && LOWORD(lParam) != HTCLIENT)
            return DefWindowProcA(window, message, wParam, lParam);
        break;
    case WM_NCDESTROY:
        ReleaseWindow();
        break;
    }
    return CallWindowProcA(program, window, message, wParam, lParam);
}

}  // namespace

void AttachWindow(HWND window, const ScreenSettings& settings)
{
    if (window == screen.window) {
        screen.settings = settings;
        return;
    }
    GiveWindowBack();
    if (!window || !IsWindow(window))
        return;
    WNDPROC program = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
    if (!program) {
        DebugLine("the window %p has no procedure to stand before; the picture is not shown", (void*)window);
        return;
    }
    screen.window = window;
    screen.programProcedure = program;
    screen.programStyle = GetWindowLongA(window, GWL_STYLE);
    screen.settings = settings;
    screen.place = ReadWindowPlace();
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ScreenProcedure));
    ApplyLayoutSetting();
}

void SetPictureSize(Size picture)
{
    if (picture.width == screen.picture.width && picture.height == screen.picture.height)
        return;
    screen.picture = picture;
    screen.frame.clear();
    screen.client = Size{0, 0};
    ApplyLayoutSetting();
}

bool ShowPicture(const uint8_t* pixels, int32_t pitch, const PaletteColor* colors)
{
    if (!screen.window || screen.picture.width <= 0)
        return false;
    const Size picture = screen.picture;
    // A frame the window shows already (a still panel) is not drawn again: a
    // window that needs its picture back gets WM_PAINT.
    bool same = screen.enlargedCurrent && screen.frame.size() == (size_t)picture.width * picture.height &&
                std::memcmp(screen.colors, colors, sizeof screen.colors) == 0;
    screen.frame.resize((size_t)picture.width * picture.height);
    for (int32_t y = 0; y < picture.height; ++y) {
        uint8_t* row = &screen.frame[(size_t)y * picture.width];
        const uint8_t* in = pixels + (size_t)y * pitch;
        if (same && std::memcmp(row, in, (size_t)picture.width) != 0)
            same = false;
        std::memcpy(row, in, (size_t)picture.width);
    }
    if (same)
        return false;
    std::memcpy(screen.colors, colors, sizeof screen.colors);
    screen.enlargedCurrent = false;
    HDC context = GetDC(screen.window);
    if (!context)
        return false;
    Paint(context, false);
    ReleaseDC(screen.window, context);
    return true;
}

void GiveWindowBack()
{
    ReleaseWindow();
    screen.frame.clear();
    screen.enlarged.clear();
    screen.enlarged.shrink_to_fit();
}

}  // namespace player
