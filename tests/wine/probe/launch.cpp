// launch STATUSFILE MILLISECONDS COMMANDLINE...: starts the command line in the
// current folder, waits for its end and writes its whole 32-bit exit status to
// STATUSFILE ("status=0x0000004c"), or "status=timeout". Wine's own exit code
// keeps only the low 8 bits, which is not enough to tell a handle value from 0.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// Everything after the first three words of this program's command line.
static std::string CommandLineAfter(int words)
{
    const char* at = GetCommandLineA();
    for (int word = 0; word < words; ++word) {
        bool quoted = false;
        while (*at && (quoted || (*at != ' ' && *at != '\t'))) {
            if (*at == '"')
                quoted = !quoted;
            ++at;
        }
        while (*at == ' ' || *at == '\t')
            ++at;
    }
    return at;
}

// The one line the test reads.
static bool WriteStatus(const char* path, const std::string& text)
{
    FILE* file = std::fopen(path, "w");
    if (!file)
        return false;
    std::fprintf(file, "status=%s\n", text.c_str());
    return std::fclose(file) == 0;
}

// "0x0000004c".
static std::string Hex(DWORD value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lx", (unsigned long)value);
    return text;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc < 4)
        return 2;
    std::string command = CommandLineAfter(3);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return WriteStatus(__argv[1], "not-started-" + Hex(GetLastError())) ? 1 : 2;
    DWORD waited = WaitForSingleObject(process.hProcess, std::strtoul(__argv[2], NULL, 10));
    DWORD status = 0;
    if (waited != WAIT_OBJECT_0 || !GetExitCodeProcess(process.hProcess, &status))
        return WriteStatus(__argv[1], "timeout") ? 1 : 2;
    return WriteStatus(__argv[1], Hex(status)) ? 0 : 2;
}
