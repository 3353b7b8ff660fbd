// game-check: stands in for the game's main program beside intro.exe and the
// player's ddraw.dll. It is linked against ddraw.dll as a game would be, so
// the loader gives it the ddraw.dll of its folder; it asks that DLL and the
// system's own ddraw.dll (loaded from the system directory) the same things
// and notes both answers, one "key=value" a line, in the file PLAYER_GAME_LOG
// names (or game-check.txt beside it):
//
//   module=C:\game\ddraw.dll         the ddraw.dll its imports were bound to
//   arguments=skipintro              its command line after its own name
//   enumerate=... / system-enumerate=...   the drivers DirectDrawEnumerateA lists
//   create=0x00000000 / system-create=...  DirectDrawCreate's answer
//   caps=... / system-caps=...       the object's GetCaps: answer, then caps
//   mode=... / system-mode=...       the object's GetDisplayMode: answer, then the mode
//   done=1
#include <windows.h>
#include <ddraw.h>

#include <cstdio>
#include <string>

namespace {

typedef HRESULT(WINAPI* EnumerateFunction)(LPDDENUMCALLBACKA, LPVOID);
typedef HRESULT(WINAPI* CreateFunction)(GUID*, LPDIRECTDRAW*, IUnknown*);

std::string Hex(DWORD value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lx", (unsigned long)value);
    return text;
}

BOOL WINAPI ListDriver(GUID* guid, LPSTR description, LPSTR name, LPVOID context)
{
    std::string* list = static_cast<std::string*>(context);
    char id[64] = "default";
    if (guid)
        std::snprintf(id, sizeof id, "%08lx", (unsigned long)guid->Data1);
    *list += std::string(list->empty() ? "" : "|") + id + ":" + (description ? description : "") + ":" +
             (name ? name : "");
    return TRUE;
}

std::string Enumerated(EnumerateFunction enumerate)
{
    std::string list;
    HRESULT result = enumerate(ListDriver, &list);
    return Hex((DWORD)result) + " " + list;
}

// What the object says of itself: its capabilities and the display mode.
void Describe(FILE* out, const char* prefix, CreateFunction create)
{
    LPDIRECTDRAW directDraw = NULL;
    HRESULT made = create(NULL, &directDraw, NULL);
    std::fprintf(out, "%screate=%s\n", prefix, Hex((DWORD)made).c_str());
    if (made != DD_OK || !directDraw)
        return;
    DDCAPS driver = {}, emulation = {};
    driver.dwSize = emulation.dwSize = sizeof(DDCAPS);
    HRESULT caps = directDraw->GetCaps(&driver, &emulation);
    std::fprintf(out, "%scaps=%s %s\n", prefix, Hex((DWORD)caps).c_str(), Hex(driver.dwCaps).c_str());
    DDSURFACEDESC mode = {};
    mode.dwSize = sizeof mode;
    HRESULT got = directDraw->GetDisplayMode(&mode);
    std::fprintf(out, "%smode=%s %lux%lux%lu\n", prefix, Hex((DWORD)got).c_str(), mode.dwWidth, mode.dwHeight,
                 mode.ddpfPixelFormat.dwRGBBitCount);
    directDraw->Release();
}

std::string LogPath()
{
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("PLAYER_GAME_LOG", path, sizeof path);
    if (length > 0 && length < sizeof path)
        return path;
    length = GetModuleFileNameA(NULL, path, sizeof path);
    std::string own(path, length < sizeof path ? length : 0);
    return own.substr(0, own.find_last_of('\\') + 1) + "game-check.txt";
}

// The command line after the program's own name.
const char* Arguments()
{
    const char* at = GetCommandLineA();
    bool quoted = false;
    while (*at && (quoted || *at != ' ')) {
        if (*at == '"')
            quoted = !quoted;
        ++at;
    }
    while (*at == ' ')
        ++at;
    return at;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    FILE* out = std::fopen(LogPath().c_str(), "w");
    if (!out)
        return 2;
    // Before the system's copy is loaded too: then two modules go by that name.
    HMODULE imported = GetModuleHandleA("ddraw.dll");
    char path[MAX_PATH] = "";
    GetModuleFileNameA(imported, path, sizeof path);
    std::fprintf(out, "module=%s\narguments=%s\n", path, Arguments());

    char system[MAX_PATH];
    UINT length = GetSystemDirectoryA(system, MAX_PATH);
    HMODULE own = length > 0 && length < MAX_PATH ? LoadLibraryA((std::string(system) + "\\ddraw.dll").c_str()) : NULL;
    EnumerateFunction systemEnumerate =
        own ? reinterpret_cast<EnumerateFunction>(reinterpret_cast<void*>(GetProcAddress(own, "DirectDrawEnumerateA")))
            : NULL;
    CreateFunction systemCreate =
        own ? reinterpret_cast<CreateFunction>(reinterpret_cast<void*>(GetProcAddress(own, "DirectDrawCreate"))) : NULL;
    if (!systemEnumerate || !systemCreate) {
        std::fprintf(out, "system=missing\n");
        std::fclose(out);
        return 1;
    }
    std::fprintf(out, "system-module=%s\n", own == imported ? "the same" : "another");
    std::fprintf(out, "enumerate=%s\n", Enumerated(DirectDrawEnumerateA).c_str());
    std::fprintf(out, "system-enumerate=%s\n", Enumerated(systemEnumerate).c_str());
    Describe(out, "", DirectDrawCreate);
    Describe(out, "system-", systemCreate);
    std::fprintf(out, "done=1\n");
    return std::fclose(out) == 0 ? 0 : 2;
}
