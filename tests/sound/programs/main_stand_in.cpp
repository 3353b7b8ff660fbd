// The game's main program as far as winmm goes: it imports winmm.dll, so when
// started from the folder where the player's winmm.dll lies, it gets that DLL
// (on Windows always; under Wine with the override). It writes which DLL
// serves its import and what a few winmm functions answer to the file named
// by INTRO_SOUND_STAND_IN_LOG; the test compares them with a run that has
// the system's DLL. (Under Wine a second LoadLibrary of the system's copy
// from here only finds the DLL already loaded, so the comparison is made
// across runs.)
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <string>

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
    FILE* out = NULL;
    if (length == 0 || length >= MAX_PATH || !(out = std::fopen(name, "w")))
        return 2;
    std::fprintf(out, "imported=%s\n", ModuleOf(reinterpret_cast<const void*>(&timeGetTime)).c_str());
    std::fprintf(out, "timeGetTime=%lu\n", timeGetTime());
    std::fprintf(out, "waveOutGetNumDevs=%u\n", waveOutGetNumDevs());
    std::fprintf(out, "midiOutGetNumDevs=%u\n", midiOutGetNumDevs());
    std::fprintf(out, "joyGetNumDevs=%u\n", joyGetNumDevs());
    // Not intro.exe: the cdaudio commands are the system's, music folder or not.
    std::fprintf(out, "mciSendStringA=%lu\n", mciSendStringA("open cdaudio shareable", NULL, 0, NULL));
    std::fprintf(out, "done\n");
    std::fclose(out);
    return 0;
}
