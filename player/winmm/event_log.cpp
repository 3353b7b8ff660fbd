#include "player/winmm/event_log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "player/common/settings.h"
#include "player/winmm/settings_table.h"

// The log file's path, empty when there is none; set once by OpenEventLog.
static std::string logPath;

// The system's finest clock of the wall time where it has one (Windows 8 on).
static VOID(WINAPI* preciseTime)(LPFILETIME) = NULL;

void OpenEventLog()
{
    logPath = player::Setting(player::winmm_settings::kLog).text;
    FARPROC found = GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetSystemTimePreciseAsFileTime");
    preciseTime = reinterpret_cast<VOID(WINAPI*)(LPFILETIME)>(reinterpret_cast<void*>(found));
}

// Seconds since 1970 as text; FILETIME counts 100 ns from 1601.
static void WallClock(char* text, size_t size)
{
    FILETIME now;
    if (preciseTime)
        preciseTime(&now);
    else
        GetSystemTimeAsFileTime(&now);
    const unsigned long long kFrom1601To1970 = 116444736000000000ull;
    unsigned long long ticks = ((unsigned long long)now.dwHighDateTime << 32 | now.dwLowDateTime) - kFrom1601To1970;
    std::snprintf(text, size, "%llu.%06llu", ticks / 10000000, ticks % 10000000 / 10);
}

void LogEvent(const char* format, ...)
{
    if (logPath.empty())
        return;
    char line[1024];
    WallClock(line, sizeof line);
    size_t used = std::strlen(line);
    line[used++] = ' ';
    va_list args;
    va_start(args, format);
    std::vsnprintf(line + used, sizeof line - used - 2, format, args);
    va_end(args);
    std::strcat(line, "\r\n");
    // Opened for each line, so that lines of two threads never interleave
    // and the file is whole at any moment the process may end.
    HANDLE file = CreateFileA(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, (DWORD)std::strlen(line), &written, NULL);
    CloseHandle(file);
}
