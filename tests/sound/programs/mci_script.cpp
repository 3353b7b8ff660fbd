// Sends MCI command strings through winmm.dll, loaded at run time by name as a
// program beside the player's DLL would, and notes every answer.
// Usage: mci-script SCRIPT OUT. Each line of SCRIPT is one of:
//   send COMMAND     mciSendStringA(COMMAND) with a 128-byte answer buffer
//   sleep MS         waits
//   await TEXT       waits (30 s at most) until the DLL's log (INTRO_WINMM_LOG) holds TEXT
//   unload           FreeLibrary, then notes whether the DLL is still mapped
//   exit             ends the process at once, whatever plays
// Each result is a line of OUT: "send COMMAND -> CODE 'ANSWER' in US us" (the
// microseconds the call took, for the benchmark) and the like.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

typedef DWORD(WINAPI* SendString)(LPCSTR, LPSTR, UINT, HWND);

static FILE* out = NULL;

static void Note(const std::string& line)
{
    std::fprintf(out, "%s\n", line.c_str());
    std::fflush(out);
}

// Whether the file holds the text, read whole: the DLL appends its log a line at a time.
static bool FileHolds(const char* path, const std::string& text)
{
    FILE* file = path ? std::fopen(path, "rb") : NULL;
    if (!file)
        return false;
    std::string all;
    char part[4096];
    size_t got;
    while ((got = std::fread(part, 1, sizeof part, file)) > 0)
        all.append(part, got);
    std::fclose(file);
    return all.find(text) != std::string::npos;
}

// Whether the module is still mapped where it was loaded.
static bool Mapped(HMODULE module)
{
    char path[MAX_PATH];
    return GetModuleFileNameA(module, path, MAX_PATH) != 0;
}

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    FILE* script = std::fopen(argv[1], "r");
    out = std::fopen(argv[2], "w");
    if (!script || !out)
        return 2;
    HMODULE winmm = LoadLibraryA("winmm.dll");
    char path[MAX_PATH] = "";
    GetModuleFileNameA(winmm, path, MAX_PATH);
    Note(std::string("loaded ") + path);
    SendString send = reinterpret_cast<SendString>(reinterpret_cast<void*>(GetProcAddress(winmm, "mciSendStringA")));
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    char line[512];
    while (std::fgets(line, sizeof line, script)) {
        line[std::strcspn(line, "\r\n")] = 0;
        std::string text = line;
        if (text.compare(0, 5, "send ") == 0) {
            char answer[128] = "";
            LARGE_INTEGER before, after;
            QueryPerformanceCounter(&before);
            DWORD code = send(text.c_str() + 5, answer, sizeof answer, NULL);
            QueryPerformanceCounter(&after);
            char took[32];
            std::snprintf(took, sizeof took, "%.1f", (double)(after.QuadPart - before.QuadPart) * 1e6 / frequency.QuadPart);
            Note(text + " -> " + std::to_string(code) + " '" + answer + "' in " + took + " us");
        } else if (text.compare(0, 6, "sleep ") == 0) {
            Sleep((DWORD)std::atoi(text.c_str() + 6));
        } else if (text.compare(0, 6, "await ") == 0) {
            const char* log = std::getenv("INTRO_WINMM_LOG");
            DWORD waited = 0;
            while (!FileHolds(log, text.substr(6)) && waited < 30000) {
                Sleep(20);
                waited += 20;
            }
            Note(text + (waited < 30000 ? " -> seen" : " -> not seen in 30 s"));
        } else if (text == "unload") {
            FreeLibrary(winmm);
            Note(std::string("after unload mapped=") + (Mapped(winmm) ? "yes" : "no"));
        } else if (text == "exit") {
            Note("exiting");
            ExitProcess(0);
        }
    }
    Note("done");
    return 0;
}
