// Stands in for the main program in the Wine runs: it notes how it was started
// (its own file, its command line, its current directory) and exits at once.
// Copied under the main program's names, and as a pretend command interpreter.
//
// The notes are appended to the file that INTRO_E2E_LOG names, or to
// started.log beside the program when that is unset, one "key=value" a line
// and an empty line after each start, so several starts stay apart.
#include <windows.h>

#include <string>

// Where the notes go: the run's log when the environment names one.
static std::string LogPath()
{
    char buffer[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("INTRO_E2E_LOG", buffer, sizeof buffer);
    if (length > 0 && length < sizeof buffer)
        return std::string(buffer, length);
    length = GetModuleFileNameA(NULL, buffer, sizeof buffer);
    std::string path(buffer, length < sizeof buffer ? length : 0);
    return path.substr(0, path.find_last_of('\\') + 1) + "started.log";
}

// The file this copy was started from: tells which name of the main program ran.
static std::string OwnPath()
{
    char buffer[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, buffer, sizeof buffer);
    return std::string(buffer, length < sizeof buffer ? length : 0);
}

// The directory it was started in, which the intro passes on as its own.
static std::string CurrentDirectory()
{
    char buffer[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    return std::string(buffer, length < sizeof buffer ? length : 0);
}

// Appends in one write, so notes of programs started one after another never mix.
static bool Append(const std::string& path, const std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL);
    CloseHandle(file);
    return ok && written == text.size();
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    std::string notes = "program=" + OwnPath() + "\r\n" +
                        "commandline=" + GetCommandLineA() + "\r\n" +
                        "directory=" + CurrentDirectory() + "\r\n\r\n";
    return Append(LogPath(), notes) ? 0 : 1;
}
