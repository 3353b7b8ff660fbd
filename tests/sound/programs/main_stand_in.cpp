// The game's main program as far as winmm goes: it imports winmm.dll, so when
// started from the folder where the player's winmm.dll lies, it gets that DLL
// (on Windows always; under Wine with the override). It asks a few functions
// through its import and the same through the system's own winmm.dll, and
// writes both answers to the file named by INTRO_SOUND_STAND_IN_LOG.
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <string>

static FILE* out = NULL;

template <typename Function>
static Function SystemOwn(HMODULE system, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(system, name)));
}

static std::string ModuleOf(const void* address)
{
    HMODULE module = NULL;
    char path[MAX_PATH] = "";
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(address), &module))
        GetModuleFileNameA(module, path, MAX_PATH);
    return path;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char name[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("INTRO_SOUND_STAND_IN_LOG", name, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !(out = std::fopen(name, "w")))
        return 2;
    char path[MAX_PATH];
    UINT n = GetSystemDirectoryA(path, MAX_PATH);
    HMODULE system = LoadLibraryA((std::string(path, n) + "\\winmm.dll").c_str());
    std::fprintf(out, "imported=%s\n", ModuleOf(reinterpret_cast<const void*>(&timeGetTime)).c_str());
    std::fprintf(out, "system=%s\n", ModuleOf(system).c_str());

    auto systemTime = SystemOwn<decltype(&timeGetTime)>(system, "timeGetTime");
    DWORD before = systemTime(), through = timeGetTime(), after = systemTime();
    std::fprintf(out, "timeGetTime=%s\n", before <= through && through <= after ? "between" : "outside");
    std::fprintf(out, "waveOutGetNumDevs=%u system=%u\n", waveOutGetNumDevs(),
                 SystemOwn<decltype(&waveOutGetNumDevs)>(system, "waveOutGetNumDevs")());
    std::fprintf(out, "midiOutGetNumDevs=%u system=%u\n", midiOutGetNumDevs(),
                 SystemOwn<decltype(&midiOutGetNumDevs)>(system, "midiOutGetNumDevs")());
    std::fprintf(out, "joyGetNumDevs=%u system=%u\n", joyGetNumDevs(),
                 SystemOwn<decltype(&joyGetNumDevs)>(system, "joyGetNumDevs")());
    // Not intro.exe: the cdaudio commands are the system's, music folder or not.
    std::fprintf(out, "mciSendStringA=%lu system=%lu\n", mciSendStringA("open cdaudio shareable", NULL, 0, NULL),
                 SystemOwn<decltype(&mciSendStringA)>(system, "mciSendStringA")("open cdaudio", NULL, 0, NULL));
    std::fprintf(out, "done\n");
    std::fclose(out);
    return 0;
}
