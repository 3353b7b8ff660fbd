// window-geometry OUTFILE: one line about the intro's window as its own
// process sees it, for the checks of the windowed picture:
//
//   client=640x480 origin=192,111 caption=1 sizing=1 maximize=1
//
// the size of its client area, where that area's top left corner is on the
// screen, whether it has a caption, a sizing border and a maximise box;
// "client=none" when there is no window.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc < 2)
        return 2;
    FILE* out = std::fopen(__argv[1], "w");
    if (!out)
        return 2;
    HWND intro = FindWindowA("Velthorn", "Escort the Velthorn");
    RECT client = {0, 0, 0, 0};
    POINT origin = {0, 0};
    if (!intro || !GetClientRect(intro, &client) || !ClientToScreen(intro, &origin)) {
        std::fprintf(out, "client=none\n");
        std::fclose(out);
        return 1;
    }
    const LONG style = GetWindowLongA(intro, GWL_STYLE);
    const bool caption = (style & WS_CAPTION) == WS_CAPTION;
    std::fprintf(out, "client=%ldx%ld origin=%ld,%ld caption=%d sizing=%d maximize=%d\n", client.right - client.left,
                 client.bottom - client.top, origin.x, origin.y, caption ? 1 : 0, (style & WS_THICKFRAME) ? 1 : 0,
                 (style & WS_MAXIMIZEBOX) ? 1 : 0);
    return std::fclose(out) == 0 ? 0 : 2;
}
