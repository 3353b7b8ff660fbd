#include "player/ddraw/window_place.h"

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "player/common/debug_line.h"
#include "player/common/settings.h"

namespace player {
namespace {

const char kSection[] = "window";
const char kFileName[] = "ddraw-window.ini";

std::string BesideSettings()
{
    return DllFolder() + kFileName;
}

// The user's own folder for it, made when asked to; empty when there is none.
std::string InApplicationData(bool make)
{
    char folder[MAX_PATH];
    if (FAILED(SHGetFolderPathA(NULL, CSIDL_APPDATA, NULL, SHGFP_TYPE_CURRENT, folder)))
        return std::string();
    const std::string ours = std::string(folder) + "\\velthorn-intro";
    if (make)
        CreateDirectoryA(ours.c_str(), NULL);
    return ours + "\\" + kFileName;
}

bool IsFile(const std::string& path)
{
    const DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WriteTo(const std::string& path, const WindowPlace& place)
{
    const int32_t values[] = {place.left, place.top, place.client.width, place.client.height};
    const char* keys[] = {"left", "top", "width", "height"};
    for (int i = 0; i < 4; ++i) {
        const std::string text = std::to_string(values[i]);
        if (!WritePrivateProfileStringA(kSection, keys[i], text.c_str(), path.c_str()))
            return false;
    }
    return true;
}

}  // namespace

WindowPlace ReadWindowPlace()
{
    WindowPlace place = {false, 0, 0, {0, 0}};
    std::string path = BesideSettings();
    if (!IsFile(path))
        path = InApplicationData(false);
    if (!IsFile(path))
        return place;
    // A value that is missing reads as this, which no window has.
    const INT kMissing = -32768;
    place.left = (int32_t)GetPrivateProfileIntA(kSection, "left", kMissing, path.c_str());
    place.top = (int32_t)GetPrivateProfileIntA(kSection, "top", kMissing, path.c_str());
    place.client.width = (int32_t)GetPrivateProfileIntA(kSection, "width", 0, path.c_str());
    place.client.height = (int32_t)GetPrivateProfileIntA(kSection, "height", 0, path.c_str());
    place.known = place.left != kMissing && place.top != kMissing && place.client.width > 0 &&
                  place.client.height > 0;
    if (!place.known)
        DebugLine("%s holds no whole window place; the window is placed afresh", path.c_str());
    return place;
}

void WriteWindowPlace(const WindowPlace& place)
{
    std::string path = BesideSettings();
    if (!WriteTo(path, place)) {
        path = InApplicationData(true);
        if (path.empty() || !WriteTo(path, place)) {
            DebugLine("the window's place could be kept neither beside the DLL nor in the user's folder");
            return;
        }
    }
    DebugLine("the window's place is kept in %s", path.c_str());
}

}  // namespace player
