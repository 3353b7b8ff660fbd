// The full-screen pop-up window that owns the display, and its procedure.
#include "app/app.h"
#include "base/intro_state.h"

// The window class's name, also the name of the class menu that does not exist.
static const char kClassName[] = "Velthorn";
const char kWindowTitle[] = "Escort the Velthorn";

HWND CreateMainWindow(HINSTANCE instance, int showCommand)
{
    WNDCLASSA windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = IntroWndProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(NULL, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    windowClass.lpszMenuName = kClassName;  // no such menu: the window has none
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass);  // a failed registration fails the creation below

    // The desktop's size before the mode switch, so the window covers it as it was.
    int height = GetSystemMetrics(SM_CYSCREEN);
    int width = GetSystemMetrics(SM_CXSCREEN);
    HWND window = CreateWindowExA(0, kClassName, kWindowTitle, WS_POPUP, 0, 0, width, height,
                                  NULL, NULL, instance, NULL);
    if (!window)
        return NULL;
    intro.mainWindow = window;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return window;
}

LRESULT CALLBACK IntroWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY: {
        ReleaseDisplay();
        const char* const args[] = {kMainProgramName, kMainProgramArgument, NULL};
        LaunchMainProgram(kMainProgramName, args);  // does not return when it started
        PostQuitMessage(0);
        break;
    }
    case WM_ACTIVATEAPP:
        intro.appActive = (DWORD)wParam;  // the frames stand still while inactive
        break;
    case WM_SETCURSOR:
        SetCursor(NULL);
        return TRUE;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE || wParam == VK_F12)
            PostMessageA(window, WM_CLOSE, 0, 0);  // the default close destroys the window
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
