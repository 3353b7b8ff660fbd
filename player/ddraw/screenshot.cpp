#include "player/ddraw/screenshot.h"

#include <shlobj.h>

#include <string>

#include "player/common/debug_line.h"
#include "player/common/settings.h"
#include "player/ddraw/frame_clock.h"
#include "player/ddraw/png_file.h"
#include "player/ddraw/screenshot_rules.h"
#include "player/ddraw/settings_table.h"

namespace player {
namespace {

// The rules name the key by its code, which Windows' own must match.
static_assert(kPrintScreenKey == VK_SNAPSHOT, "PrtScn is VK_SNAPSHOT");

struct ScreenshotSettings {
    uint32_t key;  // 0: no key
    ShotKind kind;
};

// As read when the DirectDraw object was made.
ScreenshotSettings settings = {};

// Names taken within one second by earlier shots get "-2", "-3" and on; past
// this many the folder is taken to refuse new files for another reason.
const int kAttempts = 100;

// Where a screenshot may go, in order: the folder "screenshots" beside the program,
// where a player looks first; then, for a program in a folder the user may not write
// (Program Files, a read-only share), velthorn-intro\screenshots in the user's pictures
// and in the user's application data, as the window's kept place falls back.
std::vector<std::string> ScreenshotFolders()
{
    std::vector<std::string> folders;
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        const std::string program(path, length);
        folders.push_back(program.substr(0, program.find_last_of("\\/") + 1) + "screenshots");
    } else {
        DebugLine("screenshot: the program's own path is not known (error %lu)", GetLastError());
    }
    for (int user : {CSIDL_MYPICTURES, CSIDL_APPDATA})
        if (SUCCEEDED(SHGetFolderPathA(NULL, user, NULL, SHGFP_TYPE_CURRENT, path)))
            folders.push_back(std::string(path) + "\\velthorn-intro\\screenshots");
    return folders;
}

// Makes the folder, and its parent, when missing; false after a debugger line.
bool MakeFolder(const std::string& folder)
{
    CreateDirectoryA(folder.substr(0, folder.find_last_of('\\')).c_str(), NULL);
    if (CreateDirectoryA(folder.c_str(), NULL) || GetLastError() == ERROR_ALREADY_EXISTS)
        return true;
    DebugLine("screenshot: the folder %s cannot be made (error %lu)", folder.c_str(), GetLastError());
    return false;
}

// The client area as the screen shows it now, read back through GDI.
std::vector<uint8_t> ShownPng(HWND window)
{
    RECT client = {0, 0, 0, 0};
    GetClientRect(window, &client);
    const Size size = {client.right - client.left, client.bottom - client.top};
    if (size.width <= 0 || size.height <= 0)
        return {};
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.width;
    info.bmiHeader.biHeight = -size.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<uint8_t> png;
    HDC windowContext = GetDC(window);
    HDC memory = windowContext ? CreateCompatibleDC(windowContext) : NULL;
    void* bits = nullptr;
    HBITMAP bitmap = memory ? CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, NULL, 0) : NULL;
    if (bitmap) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, size.width, size.height, windowContext, 0, 0, SRCCOPY)) {
            GdiFlush();
            png = ColorPng(static_cast<const uint32_t*>(bits), size.width, size);
        }
        SelectObject(memory, previous);
        DeleteObject(bitmap);
    }
    if (memory)
        DeleteDC(memory);
    if (windowContext)
        ReleaseDC(window, windowContext);
    return png;
}

// A new file in the folder, never over an earlier one; the path written, or
// empty after a debugger line that says why not.
std::string WriteNewFile(const std::string& folder, const std::vector<uint8_t>& png)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    const ShotTime time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        const std::string path = folder + ScreenshotName(time, FlipCount(), attempt);
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS)
            continue;
        if (file == INVALID_HANDLE_VALUE) {
            DebugLine("screenshot: %s cannot be made (error %lu)", path.c_str(), GetLastError());
            return std::string();
        }
        DWORD written = 0;
        const BOOL wrote = WriteFile(file, png.data(), (DWORD)png.size(), &written, NULL);
        const DWORD error = GetLastError();
        CloseHandle(file);
        if (wrote && written == png.size())
            return path;
        DeleteFileA(path.c_str());
        DebugLine("screenshot: %s could not be written whole (error %lu)", path.c_str(), error);
        return std::string();
    }
    DebugLine("screenshot: %d names in %s were taken already", kAttempts, folder.c_str());
    return std::string();
}

}  // namespace

void ReadScreenshotSettings()
{
    const SettingRow& keyRow = ddraw_settings::kScreenshotKey;
    const std::string key = Setting(keyRow).text;
    if (!ParseKeyName(key, &settings.key)) {
        DebugLine("%s=%s is not a key it knows (PrtScn, F1 to F12, Pause, ScrollLock, Insert or none); %s is used",
                  keyRow.key, key.c_str(), keyRow.fallback);
        ParseKeyName(keyRow.fallback, &settings.key);
    }
    ParseShotKind(Setting(ddraw_settings::kScreenshot).text, &settings.kind);
}

bool IsScreenshotKey(UINT message, WPARAM key)
{
    const bool keyMessage =
        message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
    return keyMessage && settings.key != 0 && key == settings.key;
}

void SaveScreenshot(HWND window, const std::vector<uint8_t>& frame, Size picture, const PaletteColor* colors)
{
    if (frame.empty()) {
        DebugLine("no screenshot: no frame has been flipped yet");
        return;
    }
    const bool shown = settings.kind == ShotKind::kShown;
    const std::vector<uint8_t> png = shown ? ShownPng(window) : IndexedPng(frame.data(), picture.width, picture, colors);
    if (png.empty()) {
        DebugLine("no screenshot: the %s could not be read or compressed", shown ? "window's picture" : "frame");
        return;
    }
    const std::vector<std::string> folders = ScreenshotFolders();
    for (size_t i = 0; i < folders.size(); ++i) {
        if (i > 0)
            DebugLine("screenshot: trying %s instead", folders[i].c_str());
        const std::string path = MakeFolder(folders[i]) ? WriteNewFile(folders[i] + "\\", png) : std::string();
        if (!path.empty()) {
            DebugLine("screenshot of flip %lld written to %s", (long long)FlipCount(), path.c_str());
            return;
        }
    }
    DebugLine("no screenshot: none of the %u folders for it could be written", unsigned(folders.size()));
}

}  // namespace player
