// switcher LOGFILE: the other program a user switches to. It waits, hidden, for
// two hotkeys that arrive as real key presses: F9 shows its window and takes
// the foreground from the intro, F10 hides it and gives the foreground back to
// the intro's window; then it ends. Each step is written to LOGFILE once the
// intro's thread has handled it, so the test knows when to go on.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>

// The log every step goes to.
static std::string logPath;

// The hotkeys, by the id they are registered with.
enum Hotkey { kTakeForeground = 1, kGiveBack = 2 };

// One line to the log, opened and closed each time so the test can read it at once.
static void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
static void Log(const char* format, ...)
{
    FILE* log = std::fopen(logPath.c_str(), "a");
    if (!log)
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(log, format, args);
    va_end(args);
    std::fputc('\n', log);
    std::fclose(log);
}

// The intro's window, by its class and title.
static HWND IntroWindow()
{
    return FindWindowA("Velthorn", "Escort the Velthorn");
}

// Returns once the intro's thread has handled every message sent to it before
// this one, the change of activation among them; 1 when it answered.
static long WaitForIntro(HWND intro)
{
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(intro, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &answer) ? 1 : 0;
}

// F9: this program comes to the front, as a user switching to it would.
static void TakeForeground(HWND self)
{
    HWND intro = IntroWindow();
    ShowWindow(self, SW_SHOWNORMAL);
    SetForegroundWindow(self);
    long answered = WaitForIntro(intro);
    Log("away foreground=%d intro-answered=%ld", GetForegroundWindow() == self, answered);
}

// F10: back to the intro; then this program has done its part.
static void GiveBack(HWND self)
{
    HWND intro = IntroWindow();
    ShowWindow(self, SW_HIDE);
    // As the task switch does: a minimised window is restored, then activated.
    if (IsIconic(intro))
        ShowWindow(intro, SW_RESTORE);
    SetForegroundWindow(intro);
    long answered = WaitForIntro(intro);
    Log("back foreground=%d intro-answered=%ld iconic=%d", GetForegroundWindow() == intro,
        answered, IsIconic(intro) ? 1 : 0);
    DestroyWindow(self);
}

// The hotkeys, the safety timer and the end.
static LRESULT CALLBACK SwitcherProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_HOTKEY:
        Log("hotkey id=%ld", (long)wParam);
        if (wParam == kTakeForeground)
            TakeForeground(window);
        else if (wParam == kGiveBack)
            GiveBack(window);
        return 0;
    case WM_TIMER:  // a test that died must not leave this program behind
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A plain window, not shown until F9.
static HWND CreateSwitcherWindow(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = SwitcherProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = "ProbeSwitcher";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, "ProbeSwitcher", "Probe switcher", WS_OVERLAPPEDWINDOW, 20, 20,
                           200, 120, NULL, NULL, instance, NULL);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (__argc < 2)
        return 2;
    logPath = __argv[1];
    HWND window = CreateSwitcherWindow(instance);
    if (!window)
        return 1;
    bool registered = RegisterHotKey(window, kTakeForeground, 0, VK_F9) &&
                      RegisterHotKey(window, kGiveBack, 0, VK_F10);
    Log("ready hotkeys=%d", registered ? 1 : 0);
    if (!registered)
        return 1;
    SetTimer(window, 1, 600000, NULL);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
