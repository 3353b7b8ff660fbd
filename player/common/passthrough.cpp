// Finding the system's functions for the generated stubs.
#include "player/common/passthrough.h"

#include "player/common/debug_line.h"

// The generated table of the stubs (passthrough.cmake): the name of each
// export, the jump target of its stub (at first its resolver, later the
// system's function) and, for a function the system lacks, an answer of 0
// that gives back the caller's arguments.
extern "C" {
extern const char* const passthroughNames[];
extern const void* passthroughTargets[];
extern const void* const passthroughMissing[];
const void* PassthroughResolve(unsigned index);
}

// This DLL's own module, found from one of its addresses.
static HMODULE OwnModule()
{
    HMODULE self = NULL;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&OwnModule), &self);
    return self;
}

static HMODULE LoadSystemDll()
{
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    size_t name = lstrlenA(passthroughDllName);
    if (length == 0 || length + 1 + name >= MAX_PATH) {
        DebugLine("the system directory cannot be found");
        return NULL;
    }
    path[length] = '\\';
    lstrcpyA(path + length + 1, passthroughDllName);
    // By full path: a search by name would find this DLL again, beside the program.
    HMODULE system = LoadLibraryA(path);
    if (!system) {
        DebugLine("cannot load %s (error %lu)", path, GetLastError());
        return NULL;
    }
    if (system == OwnModule()) {
        DebugLine("%s is this DLL itself; nothing to pass through to", path);
        FreeLibrary(system);
        return NULL;
    }
    return system;
}

// The system DLL once loaded; whether loading it failed, which is said once, not at every call.
static HMODULE systemDll = NULL;
static LONG failed = 0;

HMODULE SystemDll()
{
    if (systemDll || failed)
        return systemDll;
    HMODULE loaded = LoadSystemDll();
    if (!loaded) {
        failed = 1;
        return NULL;
    }
    // Two threads may both have loaded it; one reference is kept, the other given back.
    if (InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(&systemDll), loaded, NULL) != NULL)
        FreeLibrary(loaded);
    return systemDll;
}

FARPROC SystemFunction(const char* name)
{
    HMODULE system = SystemDll();
    FARPROC function = system ? GetProcAddress(system, name) : NULL;
    if (system && !function)
        DebugLine("the system's %s has no %s", passthroughDllName, name);
    return function;
}

// Called by a stub's first call, from the generated assembly, with every
// register the caller's arguments may be in saved around it.
extern "C" const void* PassthroughResolve(unsigned index)
{
    FARPROC function = SystemFunction(passthroughNames[index]);
    if (!function) {
        DebugLine("%s answers 0: the system has no such function", passthroughNames[index]);
        SetLastError(ERROR_PROC_NOT_FOUND);
        return passthroughMissing[index];
    }
    passthroughTargets[index] = reinterpret_cast<const void*>(function);
    return passthroughTargets[index];
}
