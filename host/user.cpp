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
bool ApplicationActive() { return user().active; }

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

DWORD GetLastError(void) { return user().lastError; }
void SetLastError(DWORD error) { user().lastError = error; }

ATOM RegisterClassA(const WNDCLASSA* windowClass)
{
    auto args = [&] { return Join(Text(windowClass->lpszClassName), Hex(windowClass->style)); };
    uint32_t code;
    if (detail::Scripted("RegisterClassA", nullptr, &code))
        return (ATOM)Log("RegisterClassA", nullptr, args, FailWith(code));
    if (!windowClass->lpfnWndProc || !windowClass->lpszClassName)
        return (ATOM)Log("RegisterClassA", nullptr, args, FailWith(ERROR_INVALID_PARAMETER));
    if (user().classes.count(windowClass->lpszClassName))
        return (ATOM)Log("RegisterClassA", nullptr, args, FailWith(ERROR_CLASS_ALREADY_EXISTS));
    user().classes[windowClass->lpszClassName] = *windowClass;
    return (ATOM)Log("RegisterClassA", nullptr, args, 0xC000 + user().classes.size());
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, void* menu, HINSTANCE instance,
                     LPVOID param)
{
    auto args = [&] {
        return Join(Hex(exStyle), Text(className), Text(windowName), Hex(style), Num(x), Num(y),
                    Num(width), Num(height), detail::Object(parent), detail::Object(menu),
                    detail::Object(instance), detail::Object(param));
    };
    uint32_t code;
    if (detail::Scripted("CreateWindowExA", nullptr, &code)) {
        SetLastError(code);
        return (HWND)Log("CreateWindowExA", nullptr, args, 0);
    }
    auto found = user().classes.find(className ? className : "");
    if (found == user().classes.end()) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return (HWND)Log("CreateWindowExA", nullptr, args, 0);
    }
    HWND handle = (HWND)(user().nextHandle += 4);
    Window window;
    window.procedure = found->second.lpfnWndProc;
    user().windows[handle] = window;
    if (!user().firstWindow)
        user().firstWindow = handle;
    Label(handle, "window");
    Log("CreateWindowExA", nullptr, args, (uintptr_t)handle);
    // Creation talks to the new window before the caller sees its handle.
    if (!detail::SendToWindow(handle, WM_NCCREATE, 0, 0) ||
        detail::SendToWindow(handle, WM_CREATE, 0, 0) == -1) {
        user().windows[handle].alive = false;
        return nullptr;
    }
    return handle;
}

BOOL ShowWindow(HWND window, int showCommand)
{
    Window* target = FindWindow(window);
    bool wasVisible = target && target->visible;
    uint32_t code;
    if (detail::Scripted("ShowWindow", nullptr, &code)) {  // the window stays as it was
        SetLastError(code);
        target = nullptr;
    }
    Log("ShowWindow", nullptr, [&] { return Join(detail::Object(window), Num(showCommand)); },
        target && wasVisible);
    if (!target)
        return FALSE;
    target->visible = showCommand != SW_HIDE;
    detail::SendToWindow(window, WM_SHOWWINDOW, target->visible, 0);
    if (target->visible && user().activateOnShow)
        SetActive(window, true);
    return wasVisible;
}

BOOL UpdateWindow(HWND window)
{
    BOOL ok = FindWindow(window) != nullptr;
    uint32_t code;
    if (detail::Scripted("UpdateWindow", nullptr, &code))
        ok = FailWith(code);
    Log("UpdateWindow", nullptr, [&] { return detail::Object(window); }, ok);
    return ok;
}

BOOL DestroyWindow(HWND window)
{
    uint32_t code;
    bool scripted = detail::Scripted("DestroyWindow", nullptr, &code);  // the window lives on
    Window* target = scripted ? nullptr : FindWindow(window);
    // The call is logged with its answer before the messages it sends.
    Log("DestroyWindow", nullptr, [&] { return detail::Object(window); }, target != nullptr);
    if (scripted)
        return FailWith(code);
    if (!target)
        return FailWith(ERROR_INVALID_WINDOW_HANDLE);
    // Hiding the active window deactivates the application before it is destroyed.
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
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    switch (message) {
    case WM_NCCREATE:
        result = TRUE;
        break;
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
    Log("DefWindowProcA", nullptr,
        [&] { return Join(detail::Object(window), Hex(message), Hex(wParam), Hex(lParam)); },
        (uint64_t)result);
    return result;
}

BOOL PeekMessageA(LPMSG message, HWND window, UINT first, UINT last, UINT remove)
{
    detail::RunIdleHook();
    BOOL found = TakeMessage(message, remove & PM_REMOVE);
    Log("PeekMessageA", nullptr,
        [&] { return Join(detail::Object(window), Num(first), Num(last), Num(remove)); }, found);
    return found;
}

BOOL GetMessageA(LPMSG message, HWND window, UINT first, UINT last)
{
    detail::RunIdleHook();
    uint32_t code;
    if (detail::Scripted("GetMessageA", nullptr, &code)) {  // the message stays in the queue
        SetLastError(code);
        auto args = [&] { return Join(detail::Object(window), Num(first), Num(last)); };
        return (BOOL)Log("GetMessageA", nullptr, args, (uint64_t)(int64_t)-1);
    }
    if (!TakeMessage(message, true))
        throw Deadlock{"GetMessageA on an empty queue"};
    BOOL result = message->message != WM_QUIT;
    Log("GetMessageA", nullptr,
        [&] { return Join(detail::Object(window), Num(first), Num(last)) + " -> " + Hex(message->message); },
        result);
    return result;
}

// Key-downs that make a character post it, as the platform's keyboard layout does.
BOOL TranslateMessage(const MSG* message)
{
    WPARAM key = message->wParam;
    bool character = key == VK_ESCAPE || key == VK_RETURN || key == VK_BACK || key == VK_TAB ||
                     key == VK_SPACE || (key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z');
    uint32_t code;
    bool refused = detail::Scripted("TranslateMessage", nullptr, &code);  // nothing is translated
    BOOL translated = !refused && message->message == WM_KEYDOWN && character;
    if (translated)
        Post(message->hwnd, WM_CHAR, (key >= 'A' && key <= 'Z') ? key + 32 : key, message->lParam);
    Log("TranslateMessage", nullptr, [&] { return Hex(message->message); }, translated);
    return translated;
}

LRESULT DispatchMessageA(const MSG* message)
{
    Log("DispatchMessageA", nullptr,
        [&] { return Join(detail::Object(message->hwnd), Hex(message->message), Hex(message->wParam)); },
        0);
    if (message->message == WM_QUIT)
        return 0;
    return detail::SendToWindow(message->hwnd, message->message, message->wParam, message->lParam);
}

// A message sent to the thread wakes it as a posted one does (the platform waits
// for all input, sent messages included), so the switch back to the intro, which
// arrives as a sent WM_ACTIVATEAPP, ends the wait.
BOOL WaitMessage(void)
{
    uint32_t code;
    if (detail::Scripted("WaitMessage", nullptr, &code))  // returns at once, with nothing new
        return (BOOL)Log("WaitMessage", nullptr, [] { return std::string(); }, FailWith(code));
    Log("WaitMessage", nullptr, [] { return std::string(); }, TRUE);
    unsigned sentBefore = user().sent;
    if (user().queue.empty() && !user().quitPending)
        detail::RunIdleHook();
    if (user().queue.empty() && !user().quitPending && user().sent == sentBefore)
        throw Deadlock{"WaitMessage with nothing left to wake it"};
    return TRUE;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto args = [&] { return Join(detail::Object(window), Hex(message), Hex(wParam), Hex(lParam)); };
    uint32_t code;
    if (detail::Scripted("PostMessageA", nullptr, &code))
        return (BOOL)Log("PostMessageA", nullptr, args, FailWith(code));
    if (window && !FindWindow(window))
        return (BOOL)Log("PostMessageA", nullptr, args, FailWith(ERROR_INVALID_WINDOW_HANDLE));
    Post(window, message, wParam, lParam);
    return (BOOL)Log("PostMessageA", nullptr, args, TRUE);
}

void PostQuitMessage(int exitCode)
{
    Log("PostQuitMessage", nullptr, [&] { return Num(exitCode); }, 0);
    user().quitPending = true;
    user().quitCode = exitCode;
}

int GetSystemMetrics(int index)
{
    int value = 0;
    uint32_t code;
    if (detail::Scripted("GetSystemMetrics", nullptr, &code))
        index = -1;  // what it answers for a metric it does not know
    if (index == SM_CXSCREEN)
        value = user().screenWidth;
    else if (index == SM_CYSCREEN)
        value = user().screenHeight;
    Log("GetSystemMetrics", nullptr, [&] { return Num(index); }, (uint64_t)value);
    return value;
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name)
{
    uint32_t code;
    HICON icon = (!instance && name == IDI_APPLICATION) ? (HICON)0xA001 : nullptr;
    if (detail::Scripted("LoadIconA", nullptr, &code)) {
        SetLastError(code);
        icon = nullptr;
    }
    Log("LoadIconA", nullptr, [&] { return Join(detail::Object(instance), Text(name)); },
        (uintptr_t)icon);
    return icon;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    uint32_t code;
    HCURSOR cursor = (!instance && name == IDC_ARROW) ? (HCURSOR)0xC001 : nullptr;
    if (detail::Scripted("LoadCursorA", nullptr, &code)) {
        SetLastError(code);
        cursor = nullptr;
    }
    Log("LoadCursorA", nullptr, [&] { return Join(detail::Object(instance), Text(name)); },
        (uintptr_t)cursor);
    return cursor;
}

HCURSOR SetCursor(HCURSOR cursor)
{
    HCURSOR previous = user().cursor;
    user().cursor = cursor;
    Log("SetCursor", nullptr, [&] { return detail::Object(cursor); }, (uintptr_t)previous);
    return previous;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    auto args = [&] { return Join(detail::Object(owner), Text(text), Text(caption), Hex(type)); };
    uint32_t code;
    if (detail::Scripted("MessageBoxA", nullptr, &code)) {  // nothing is shown
        SetLastError(code);
        return (int)Log("MessageBoxA", nullptr, args, 0);
    }
    user().boxes.push_back(MessageBoxShown{owner, text ? text : "", caption ? caption : "", type});
    Log("MessageBoxA", nullptr, args, IDOK);
    return IDOK;
}
