// What the parts of the host stand-in share among themselves; not for tests.
#ifndef INTRO_HOST_INTERNAL_H
#define INTRO_HOST_INTERNAL_H

#include <cstdio>
#include <string>
#include <type_traits>
#include <vector>

#include "host/host.h"

namespace host {
namespace detail {

// Formatting of arguments for the log.
std::string Text(const char* text);  // quoted, MAKEINTRESOURCE as #n, null as null
std::string Hex(uint64_t value);
std::string Object(const void* object);  // its label, else its address
std::string Rect(const RECT* rect);
inline std::string Num(long long value) { return std::to_string(value); }

template <typename... Parts>
std::string Join(const Parts&... parts)
{
    std::string joined;
    ((joined += (joined.empty() ? "" : ", ") + std::string(parts)), ...);
    return joined;
}

// No arguments to show.
inline std::string None() { return std::string(); }

// ---- One platform call ---------------------------------------------------------
// How a call answers a failure that a test scripted for it (host.h, FailCall).
enum class Script {
    kNone,                   // the call has no failure to give (Release, DefWindowProcA, ...)
    kCode,                   // instead of running, it answers the code
    kLastError,              // instead of running, it answers its failure value, the code as last error
    kCodeAfterRunning,       // it gives back what it was handed, then answers the code
    kLastErrorAfterRunning,  // it gives back what it was handed, then fails with the code as last error
};

// Every name a Site was made with, and whether a test may script it.
void KnowCall(const char* name, bool scriptable);

// One platform call of the stand-in: its name as the log shows it and how it
// answers a scripted failure. Each is defined once at file scope beside its
// call, so every call a test may script is known before the program runs.
template <typename Result>
struct Site {
    Site(const char* callName, Script howScripted = Script::kNone, Result failure = Result())
        : name(callName), script(howScripted), failed(failure)
    {
        KnowCall(name, script != Script::kNone);
    }
    const char* name;
    Script script;
    Result failed;  // what a kLastError call answers when it fails
};

// The log entry of a call in progress; the call's answer is filled in once it returns.
struct Entry {
    size_t index;
    uint64_t clears;  // ClearCalls so far when the call was made
};
bool Recording();
Entry Enter(const char* name, const void* object, std::string args);
void Answered(const Entry& entry, uint64_t result);
// True when a scripted failure takes this call; its code is stored in *code.
bool TakeScript(const char* name, const void* object, uint32_t* code);
void Problem(const std::string& what);

// A way of calling that the program never uses: reported, and refused with `refused`.
template <typename Result>
Result NotModelled(const std::string& what, Result refused = Result())
{
    Problem(what + " is not modelled");
    return refused;
}

// What a method on a released object answers: a count of 0, or DDERR_INVALIDOBJECT.
template <typename Result>
Result Refused()
{
    return Result();
}
template <>
inline HRESULT Refused<HRESULT>()
{
    return DDERR_INVALIDOBJECT;
}

// An answer as the log holds it: 32-bit results as their unsigned value, handles as numbers.
template <typename Result>
uint64_t Logged(Result result)
{
    if constexpr (std::is_pointer_v<Result>)
        return (uintptr_t)result;
    else if constexpr (std::is_signed_v<Result> && sizeof(Result) <= 4)
        return (uint32_t)result;
    else
        return (uint64_t)result;
}

template <typename Result>
Result ScriptedAnswer(const Site<Result>& site, uint32_t code)
{
    if constexpr (!std::is_pointer_v<Result>)  // a handle is never a code
        if (site.script == Script::kCode || site.script == Script::kCodeAfterRunning)
            return (Result)code;
    SetLastError(code);
    return site.failed;
}

// What every call of the stand-in does besides its own behaviour, `run`:
// - it is logged as it is made, in the order calls are made (the calls it
//   leads to come after it), with its arguments and then the answer it gave;
//   the arguments are only formatted while recording is on;
// - a method on a released object is reported as a problem and refused;
// - a scripted failure is answered instead of running, or, for a call that
//   gives something back, after running (once handed back, a context, lock
//   or handle is gone on the platform whatever it answers).
template <typename Result, typename MakeArgs, typename Run>
Result Serve(const Site<Result>& site, const void* object, bool released, MakeArgs makeArgs, Run run)
{
    Entry entry = Recording() ? Enter(site.name, object, makeArgs()) : Entry{~(size_t)0, 0};
    uint32_t code = 0;
    bool before = site.script == Script::kCode || site.script == Script::kLastError;
    bool after = site.script == Script::kCodeAfterRunning || site.script == Script::kLastErrorAfterRunning;
    Result result;
    if (released) {
        Problem(std::string(site.name) + " on a released object " + Object(object));
        result = Refused<Result>();
    } else if (before && TakeScript(site.name, object, &code)) {
        result = ScriptedAnswer(site, code);
    } else {
        result = run();
        if (after && TakeScript(site.name, object, &code))
            result = ScriptedAnswer(site, code);
    }
    Answered(entry, Logged(result));
    return result;
}

// A function of the platform.
template <typename Result, typename MakeArgs, typename Run>
Result Serve(const Site<Result>& site, MakeArgs makeArgs, Run run)
{
    return Serve(site, nullptr, false, makeArgs, run);
}

// A method of one of the platform's objects, which knows whether it is still alive.
template <typename Result, typename PlatformObject, typename MakeArgs, typename Run>
Result Serve(const Site<Result>& site, const PlatformObject* object, MakeArgs makeArgs, Run run)
{
    return Serve(site, object, !object->alive, makeArgs, run);
}

void RunIdleHook();

// Each part puts its own state back to a new machine.
void ResetUser();
void ResetGdi();
void ResetKernel();
void ResetDirectDraw();

// USER, for the other parts.
LRESULT SendToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int ScreenWidth();  // the screen as GetSystemMetrics reports it
int ScreenHeight();

// GDI, for DirectDraw: a device context drawing into a surface.
struct SurfaceTarget;
HDC CreateSurfaceDC(SurfaceTarget* surface);
void DeleteSurfaceDC(HDC context);
int LiveDeviceContexts();
int LiveBitmaps();

// DirectDraw, for GDI: pixels of a surface behind a device context.
struct SurfaceTarget {
    virtual ~SurfaceTarget() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual int BitsPerPixel() const = 0;
    virtual uint8_t* Row(int y) = 0;
    // The 256 colours an 8-bit surface's device context draws with.
    virtual const PALETTEENTRY* Colors() const = 0;
};
const PALETTEENTRY* SystemPalette();  // the platform's 20 static colours, black elsewhere
void SurfaceLossOnDeactivate();
void SurfaceRestoreAllowed(bool allowed);

// KERNEL, for GDI's LoadImageA. Bytes are held in blocks of exactly their size.
struct Bytes {
    const uint8_t* data;
    size_t size;
};
bool FindBitmapResource(LPCSTR name, Bytes* bytes);
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes);
void NoteOpenedFile(const std::string& path);
int LiveFiles();

}  // namespace detail

// Every part of the stand-in serves its calls and formats its log with these.
using detail::Hex;
using detail::Join;
using detail::None;
using detail::NotModelled;
using detail::Num;
using detail::Script;
using detail::Serve;
using detail::Site;
using detail::Text;

}  // namespace host

#endif
