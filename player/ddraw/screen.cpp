#include "player/ddraw/screen.h"

#include <cstring>
#include <vector>

#include "player/common/debug_line.h"
#include "player/ddraw/frame_clock.h"

namespace player {
namespace {

// The style of a windowed picture: a caption, a close box and a minimise box;
// no sizing border, the size being the picture's own.
const LONG kWindowedStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

struct Screen {
    HWND window = NULL;
    WNDPROC programProcedure = nullptr;  // the window's own, called for every message we do not take
    LONG programStyle = 0;               // the window's style as the program made it
    ScreenSettings settings = {false, 0};
    bool windowed = false;
    Size picture = {0, 0};
    // The last frame as the program drew it, for repainting and re-enlarging.
    std::vector<uint8_t> frame;
    PaletteColor colors[256] = {};
    // The frame enlarged for the layout below, ready for the window.
    std::vector<uint32_t> enlarged;
    Placement placement = {0, {0, 0, 0, 0}};
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

// Brings the layout up to the window's client area as it is now.
void Arrange()
{
    const Size client = ClientSize();
    const Placement placement = PlacePicture(screen.picture, client);
    if (client.width == screen.client.width && client.height == screen.client.height &&
        SamePlacement(placement, screen.placement))
        return;
    screen.client = client;
    screen.placement = placement;
    screen.enlargedCurrent = false;
    screen.bordersPainted = false;
    LogLine("layout client=%ldx%ld scale=%ld left=%ld top=%ld windowed=%d", (long)client.width, (long)client.height,
            (long)placement.scale, (long)placement.picture.left, (long)placement.picture.top, screen.windowed ? 1 : 0);
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
    Arrange();
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
        Enlarge(screen.frame.data(), screen.picture.width, screen.picture, table, placement.scale,
                screen.enlarged.data(), width * (int32_t)sizeof(uint32_t));
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

// A captioned window whose client area is the picture times the windowed
// factor, centred in the work area.
void MakeWindowed()
{
    const MONITORINFO monitor = MonitorOf(screen.window);
    const RECT& work = monitor.rcWork;
    const Size desktop = {monitor.rcMonitor.right - monitor.rcMonitor.left,
                          monitor.rcMonitor.bottom - monitor.rcMonitor.top};
    const int32_t scale = WindowedScale(screen.picture, desktop, screen.settings.scale);
    const LONG style = kWindowedStyle | (GetWindowLongA(screen.window, GWL_STYLE) & WS_VISIBLE);
    const DWORD extended = (DWORD)GetWindowLongA(screen.window, GWL_EXSTYLE);
    RECT frame = {0, 0, screen.picture.width * scale, screen.picture.height * scale};
    AdjustWindowRectEx(&frame, (DWORD)style, FALSE, extended);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    const int x = work.left + (width < work.right - work.left ? (work.right - work.left - width) / 2 : 0);
    const int y = work.top + (height < work.bottom - work.top ? (work.bottom - work.top - height) / 2 : 0);
    screen.windowed = true;
    SetWindowLongA(screen.window, GWL_STYLE, style);
    SetWindowPos(screen.window, NULL, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

// Back to the program's own style, over the whole monitor.
void MakeFullScreen()
{
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

void LetGo()
{
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
        LetGo();
        break;
    }
    return CallWindowProcA(program, window, message, wParam, lParam);
}

}  // namespace

void TakeWindow(HWND window, const ScreenSettings& settings)
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

void ShowPicture(const uint8_t* pixels, int32_t pitch, const PaletteColor* colors)
{
    if (!screen.window || screen.picture.width <= 0)
        return;
    const Size picture = screen.picture;
    screen.frame.resize((size_t)picture.width * picture.height);
    for (int32_t y = 0; y < picture.height; ++y)
        std::memcpy(&screen.frame[(size_t)y * picture.width], pixels + (size_t)y * pitch, (size_t)picture.width);
    std::memcpy(screen.colors, colors, sizeof screen.colors);
    screen.enlargedCurrent = false;
    HDC context = GetDC(screen.window);
    if (!context)
        return;
    Paint(context, false);
    ReleaseDC(screen.window, context);
}

void GiveWindowBack()
{
    LetGo();
    screen.frame.clear();
    screen.enlarged.clear();
    screen.enlarged.shrink_to_fit();
}

}  // namespace player
