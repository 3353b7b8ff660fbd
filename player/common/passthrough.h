// Pass-through of the exports a player DLL does not serve itself.
//
// A player DLL (ddraw.dll, winmm.dll) lies beside intro.exe and so is also what
// any other program started from that folder loads in place of the system's
// DLL of that name. Every export it does not serve is a stub that jumps to the
// system's own function of the same name: the system DLL is loaded from the
// system directory by full path on the first call of any stub, and each stub's
// target is looked up once, on its own first call. The stubs are generated at
// build time from the DLL's list of exports (player/passthrough.cmake).
#ifndef INTRO_PLAYER_COMMON_PASSTHROUGH_H
#define INTRO_PLAYER_COMMON_PASSTHROUGH_H

#include <windows.h>

// The system's own copy of the DLL this one stands in for ("winmm.dll"),
// loaded once from the system directory; null, with a debugger line, when it
// cannot be loaded or the load finds this DLL again. It stays loaded until the
// process ends: a pointer the program took from a stub may still lead into it.
// Never call this (or a stub) from DllMain, under the loader's lock.
HMODULE SystemDll();

// The system's own function of that name; null, with a debugger line, when
// the system DLL has none.
FARPROC SystemFunction(const char* name);

// The same, as the pointer type `Function` it is called through.
template <typename Function>
Function SystemFunctionAs(const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(SystemFunction(name)));
}

// The file name of the DLL this one stands in for, and the short name its
// debugger lines begin with; both given by the generated export table.
extern "C" const char passthroughDllName[];

#endif
