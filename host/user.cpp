// USER on the host: window classes, windows, one thread's message queue,
// activation, keyboard input, the cursor and message boxes.
#include <deque>
#include <map>

#include "host/internal.h"

namespace host {
namespace {

struct Window {
    WNDPROC procedure = nullptr;
    bool alive = true;
    bool visible = false;
};

struct User {
    std::map<std::string, WNDCLASSA> classes;
    std::map<HWND, Window> windows;
    HWND firstWindow = nullptr;
    uintptr_t nextHandle = 0x10010;
    int destroyed = 0;
    std::deque<MSG> queue;
    bool quitPending = false;
    int quitCode = 0;
    bool active = false;
    bool activateOnShow = true;
    HCURSOR cursor = (HCURSOR)0xC001;
    int screenWidth = 640, screenHeight = 480;
    std::vector<MessageBoxShown> boxes;
    DWORD lastError = 0;
    unsigned sent = 0;  // messages sent to a window procedure so far
};

User& user()
{
    static User state;
    return state;
}

Window* FindWindow(HWND window)
{
    auto found = user().windows.find(window);
    return found == user().windows.end() || !found->second.alive ? nullptr : &found->second;
}

BOOL FailWith(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

// The application's activation changes only for a visible window of ours.
void SetActive(HWND window, bool active)
{
    if (user().active == active)
        return;
    user().active = active;
    if (!active)
        detail::SurfaceLossOnDeactivate();
    detail::SurfaceRestoreAllowed(active);
    detail::SendToWindow(window, WM_ACTIVATEAPP, active ? TRUE : FALSE, 0);
    detail::SendToWindow(window, WM_ACTIVATE, active ? WA_ACTIVE : WA_INACTIVE, 0);
}

void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG posted = {};
    posted.hwnd = window;
    posted.message = message;
    posted.wParam = wParam;
    posted.lParam = lParam;
    user().queue.push_back(posted);
}

// lParam of a key message: repeat count, and bit 30 for a key already down.
LPARAM KeyParam(bool wasDown, bool up)
{
    return 1 | (wasDown ? 1 << 30 : 0) | (up ? (LPARAM)1 << 31 : 0);
}

bool TakeMessage(LPMSG message, bool remove)
{
    User& state = user();
    if (!state.queue.empty()) {
        *message = state.queue.front();
        if (remove)
            state.queue.pop_front();
        return true;
    }
    if (state.quitPending) {
        *message = MSG();
        message->message = WM_QUIT;
        message->wParam = (WPARAM)state.quitCode;
        if (remove)
            state.quitPending = false;
        return true;
    }
    return false;
}

}  // namespace

// ---- Controls ----------------------------------------------------------------
void SetActivateOnShow(bool on) { user().activateOnShow = on; }
HWND MainWindow() { return user().firstWindow; }
bool WindowAlive(HWND window) { return FindWindow(window) != nullptr; }
int DestroyCount() { return user().destroyed; }
size_t QueueLength() { return user().queue.size(); }
bool CursorHidden() { return user().cursor == nullptr; }
const std::vector<MessageBoxShown>& MessageBoxes() { return user().boxes; }

void SetScreenSize(int width, int height)
{
    user().screenWidth = width;
    user().screenHeight = height;
}

bool RegisteredClass(const std::string& name, WNDCLASSA* windowClass)
{
    auto found = user().classes.find(name);
    if (found == user().classes.end())
        return false;
    *windowClass = found->second;
    return true;
}

void Activate()
{
    if (FindWindow(user().firstWindow))
        SetActive(user().firstWindow, true);
}

void Deactivate()
{
    if (FindWindow(user().firstWindow))
        SetActive(user().firstWindow, false);
}

void PostKeyDown(WPARAM virtualKey) { Post(user().firstWindow, WM_KEYDOWN, virtualKey, KeyParam(false, false)); }
void PostKeyUp(WPARAM virtualKey) { Post(user().firstWindow, WM_KEYUP, virtualKey, KeyParam(true, true)); }

void PressKey(WPARAM virtualKey)
{
    PostKeyDown(virtualKey);
    PostKeyUp(virtualKey);
}

void HoldKey(WPARAM virtualKey, int repeats)
{
    PostKeyDown(virtualKey);
    for (int i = 0; i < repeats; ++i)
        Post(user().firstWindow, WM_KEYDOWN, virtualKey, KeyParam(true, false));
    PostKeyUp(virtualKey);
}

// Alt+F4 arrives as system keys; the default window procedure makes a close of it.
void PressAltF4()
{
    const LPARAM altDown = 1 << 29;
    Post(user().firstWindow, WM_SYSKEYDOWN, VK_MENU, 1 | altDown);
    Post(user().firstWindow, WM_SYSKEYDOWN, VK_F4, 1 | altDown);
    Post(user().firstWindow, WM_SYSKEYUP, VK_F4, 1 | altDown | (LPARAM)3 << 30);
    Post(user().firstWindow, WM_KEYUP, VK_MENU, KeyParam(true, true));
}

namespace detail {

void ResetUser() { user() = User(); }
int ScreenWidth() { return user().screenWidth; }
int ScreenHeight() { return user().screenHeight; }

LRESULT SendToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* target = FindWindow(window);
    if (!target)
        return 0;
    user().sent += 1;
    return target->procedure(window, message, wParam, lParam);
}

}  // namespace detail
}  // namespace host

using namespace host;

namespace {

const Site<ATOM> kRegisterClassA("RegisterClassA", Script::kLastError);
const Site<HWND> kCreateWindowExA("CreateWindowExA", Script::kLastError);
const Site<BOOL> kShowWindow("ShowWindow", Script::kLastError, FALSE);
const Site<BOOL> kUpdateWindow("UpdateWindow", Script::kLastError, FALSE);
const Site<BOOL> kDestroyWindow("DestroyWindow", Script::kLastError, FALSE);
const Site<LRESULT> kDefWindowProcA("DefWindowProcA");
const Site<BOOL> kPeekMessageA("PeekMessageA");
const Site<BOOL> kGetMessageA("GetMessageA", Script::kLastError, -1);
const Site<BOOL> kTranslateMessage("TranslateMessage", Script::kLastError, FALSE);
const Site<LRESULT> kDispatchMessageA("DispatchMessageA");
const Site<BOOL> kWaitMessage("WaitMessage", Script::kLastError, FALSE);
const Site<BOOL> kPostMessageA("PostMessageA", Script::kLastError, FALSE);
const Site<int> kPostQuitMessage("PostQuitMessage");
const Site<int> kGetSystemMetrics("GetSystemMetrics", Script::kLastError, 0);
const Site<HICON> kLoadIconA("LoadIconA", Script::kLastError);
const Site<HCURSOR> kLoadCursorA("LoadCursorA", Script::kLastError);
const Site<HCURSOR> kSetCursor("SetCursor");
const Site<int> kMessageBoxA("MessageBoxA", Script::kLastError, 0);
const Site<DWORD> kGetLastError("GetLastError");

// The program always asks for the whole queue of its one thread. A narrower ask
// is reported and served as the whole queue, so that the run still ends.
void ExpectWholeQueue(HWND window, UINT first, UINT last)
{
    if (window || first || last)
        detail::Problem("a look at the queue for one window or a range of messages is not modelled");
}

}  // namespace

DWORD GetLastError(void)
{
    return Serve(kGetLastError, None, [] { return user().lastError; });
}

void SetLastError(DWORD error) { user().lastError = error; }

ATOM RegisterClassA(const WNDCLASSA* windowClass)
{
    auto args = [&] { return Join(Text(windowClass->lpszClassName), Hex(windowClass->style)); };
    return Serve(kRegisterClassA, args, [&] {
        if (!windowClass->lpfnWndProc || !windowClass->lpszClassName)
            return (ATOM)FailWith(ERROR_INVALID_PARAMETER);
        if (user().classes.count(windowClass->lpszClassName))
            return (ATOM)FailWith(ERROR_CLASS_ALREADY_EXISTS);
        user().classes[windowClass->lpszClassName] = *windowClass;
        return (ATOM)(0xC000 + user().classes.size());
    });
}

// Creation talks to the new window before the caller sees its handle; the
// program's window never refuses to be made.
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, void* menu, HINSTANCE instance, LPVOID param)
{
    auto args = [&] {
        return Join(Hex(exStyle), Text(className), Text(windowName), Hex(style), Num(x), Num(y), Num(width),
                    Num(height), detail::Object(parent), detail::Object(menu), detail::Object(instance),
                    detail::Object(param));
    };
    return Serve(kCreateWindowExA, args, [&] {
        auto found = user().classes.find(className ? className : "");
        if (found == user().classes.end()) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return (HWND) nullptr;
        }
        HWND handle = (HWND)(user().nextHandle += 4);
        Window window;
        window.procedure = found->second.lpfnWndProc;
        user().windows[handle] = window;
        if (!user().firstWindow)
            user().firstWindow = handle;
        Label(handle, "window");
        if (!detail::SendToWindow(handle, WM_NCCREATE, 0, 0) || detail::SendToWindow(handle, WM_CREATE, 0, 0) == -1)
            detail::Problem("a window that refuses to be made is not modelled");
        return handle;
    });
}

// A window shown becomes the active one, as the platform does by default.
BOOL ShowWindow(HWND window, int showCommand)
{
    return Serve(kShowWindow, [&] { return Join(detail::Object(window), Num(showCommand)); }, [&] {
        Window* target = FindWindow(window);
        if (!target)
            return FALSE;
        BOOL wasVisible = target->visible;
        target->visible = showCommand != SW_HIDE;
        detail::SendToWindow(window, WM_SHOWWINDOW, target->visible, 0);
        if (target->visible && user().activateOnShow)
            SetActive(window, true);
        return wasVisible;
    });
}

BOOL UpdateWindow(HWND window)
{
    return Serve(kUpdateWindow, [&] { return detail::Object(window); }, [&] {
        return FindWindow(window) ? TRUE : FailWith(ERROR_INVALID_WINDOW_HANDLE);
    });
}

// Hiding the active window deactivates the application before it is destroyed.
BOOL DestroyWindow(HWND window)
{
    return Serve(kDestroyWindow, [&] { return detail::Object(window); }, [&] {
        Window* target = FindWindow(window);
        if (!target)
            return FailWith(ERROR_INVALID_WINDOW_HANDLE);
        if (target->visible) {
            target->visible = false;
            if (user().active) {
                user().active = false;
                detail::SendToWindow(window, WM_ACTIVATEAPP, FALSE, 0);
            }
        }
        detail::SendToWindow(window, WM_DESTROY, 0, 0);
        detail::SendToWindow(window, WM_NCDESTROY, 0, 0);
        if (Window* still = FindWindow(window)) {
            still->alive = false;
            user().destroyed += 1;
        }
        return TRUE;
    });
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto args = [&] { return Join(detail::Object(window), Hex(message), Hex(wParam), Hex(lParam)); };
    return Serve(kDefWindowProcA, args, [&] {
        switch (message) {
        case WM_NCCREATE:
            return (LRESULT)TRUE;
        case WM_CLOSE:
            DestroyWindow(window);
            break;
        case WM_SYSKEYDOWN:
            if (wParam == VK_F4 && (lParam & (1 << 29)))
                detail::SendToWindow(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE)
                detail::SendToWindow(window, WM_CLOSE, 0, 0);
            break;
        }
        return (LRESULT)0;
    });
}

BOOL PeekMessageA(LPMSG message, HWND window, UINT first, UINT last, UINT remove)
{
    detail::RunIdleHook();
    auto args = [&] { return Join(detail::Object(window), Num(first), Num(last), Num(remove)); };
    return Serve(kPeekMessageA, args, [&] {
        ExpectWholeQueue(window, first, last);
        return TakeMessage(message, remove & PM_REMOVE) ? TRUE : FALSE;
    });
}

// With an empty queue the thread would block for ever: the host throws instead.
BOOL GetMessageA(LPMSG message, HWND window, UINT first, UINT last)
{
    detail::RunIdleHook();
    return Serve(kGetMessageA, [&] { return Join(detail::Object(window), Num(first), Num(last)); }, [&] {
        ExpectWholeQueue(window, first, last);
        if (!TakeMessage(message, true))
            throw Deadlock{"GetMessageA on an empty queue"};
        return message->message != WM_QUIT ? TRUE : FALSE;
    });
}

// Key-downs that make a character post it, as the platform's keyboard layout does.
BOOL TranslateMessage(const MSG* message)
{
    return Serve(kTranslateMessage, [&] { return Hex(message->message); }, [&] {
        WPARAM key = message->wParam;
        bool character = key == VK_ESCAPE || key == VK_RETURN || key == VK_BACK || key == VK_TAB ||
                         key == VK_SPACE || (key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z');
        if (message->message != WM_KEYDOWN || !character)
            return FALSE;
        Post(message->hwnd, WM_CHAR, (key >= 'A' && key <= 'Z') ? key + 32 : key, message->lParam);
        return TRUE;
    });
}

LRESULT DispatchMessageA(const MSG* message)
{
    auto args = [&] { return Join(detail::Object(message->hwnd), Hex(message->message), Hex(message->wParam)); };
    return Serve(kDispatchMessageA, args, [&] {
        if (message->message == WM_QUIT)
            return (LRESULT)0;
        return detail::SendToWindow(message->hwnd, message->message, message->wParam, message->lParam);
    });
}

// A message sent to the thread wakes it as a posted one does (the platform waits
// for all input, sent messages included), so the switch back to the intro, which
// arrives as a sent WM_ACTIVATEAPP, ends the wait.
BOOL WaitMessage(void)
{
    return Serve(kWaitMessage, None, [] {
        unsigned sentBefore = user().sent;
        if (user().queue.empty() && !user().quitPending)
            detail::RunIdleHook();
        if (user().queue.empty() && !user().quitPending && user().sent == sentBefore)
            throw Deadlock{"WaitMessage with nothing left to wake it"};
        return TRUE;
    });
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto args = [&] { return Join(detail::Object(window), Hex(message), Hex(wParam), Hex(lParam)); };
    return Serve(kPostMessageA, args, [&] {
        if (window && !FindWindow(window))
            return FailWith(ERROR_INVALID_WINDOW_HANDLE);
        Post(window, message, wParam, lParam);
        return TRUE;
    });
}

void PostQuitMessage(int exitCode)
{
    Serve(kPostQuitMessage, [&] { return Num(exitCode); }, [&] {
        user().quitPending = true;
        user().quitCode = exitCode;
        return 0;
    });
}

int GetSystemMetrics(int index)
{
    return Serve(kGetSystemMetrics, [&] { return Num(index); }, [&] {
        if (index == SM_CXSCREEN)
            return user().screenWidth;
        if (index == SM_CYSCREEN)
            return user().screenHeight;
        return 0;
    });
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name)
{
    return Serve(kLoadIconA, [&] { return Join(detail::Object(instance), Text(name)); }, [&] {
        return (!instance && name == IDI_APPLICATION) ? (HICON)0xA001 : nullptr;
    });
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    return Serve(kLoadCursorA, [&] { return Join(detail::Object(instance), Text(name)); }, [&] {
        return (!instance && name == IDC_ARROW) ? (HCURSOR)0xC001 : nullptr;
    });
}

HCURSOR SetCursor(HCURSOR cursor)
{
    return Serve(kSetCursor, [&] { return detail::Object(cursor); }, [&] {
        HCURSOR previous = user().cursor;
        user().cursor = cursor;
        return previous;
    });
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    auto args = [&] { return Join(detail::Object(owner), Text(text), Text(caption), Hex(type)); };
    return Serve(kMessageBoxA, args, [&] {
        user().boxes.push_back(MessageBoxShown{owner, text ? text : "", caption ? caption : "", type});
        return IDOK;
    });
}
