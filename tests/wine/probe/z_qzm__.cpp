// A stand-in for the game's main program: it writes the command line it was
// started with to z_qzm__.log beside itself and ends.
#include <windows.h>

#include <cstdio>
#include <string>

// The folder this program file lies in, with its trailing backslash.
static std::string OwnFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string folder(path, length < MAX_PATH ? length : 0);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    FILE* log = std::fopen((OwnFolder() + "z_qzm__.log").c_str(), "a");
    if (!log)
        return 1;
    std::fprintf(log, "%s\n", GetCommandLineA());
    return std::fclose(log) == 0 ? 0 : 1;
}
