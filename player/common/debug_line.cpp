#include "player/common/debug_line.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "player/common/passthrough.h"

void DebugLine(const char* format, ...)
{
    char line[512];
    // The short name is the DLL's file name without ".dll".
    const char* dot = std::strchr(passthroughDllName, '.');
    int name = dot ? (int)(dot - passthroughDllName) : (int)std::strlen(passthroughDllName);
    int used = std::snprintf(line, sizeof line - 1, "%.*s: ", name, passthroughDllName);
    va_list args;
    va_start(args, format);
    std::vsnprintf(line + used, sizeof line - 1 - used, format, args);
    va_end(args);
    std::strcat(line, "\n");
    OutputDebugStringA(line);
}
