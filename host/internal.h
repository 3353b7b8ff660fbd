// What the parts of the host stand-in share among themselves; not for tests.
#ifndef INTRO_HOST_INTERNAL_H
#define INTRO_HOST_INTERNAL_H

#include <cstdio>
#include <string>
#include <vector>

#include "host/host.h"

namespace host {
namespace detail {

bool Recording();
void RecordText(const char* name, const void* object, const std::string& args, uint64_t result);
// Logs a call; the arguments are only formatted while recording is on.
template <typename MakeArgs>
uint64_t Log(const char* name, const void* object, MakeArgs makeArgs, uint64_t result)
{
    if (Recording())
        RecordText(name, object, makeArgs(), result);
    return result;
}
// True when a scripted failure takes this call; its code is stored in *code.
bool Scripted(const char* name, const void* object, uint32_t* code);
void Problem(const std::string& what);
void RunIdleHook();

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

// Each part puts its own state back to a new machine.
void ResetUser();
void ResetGdi();
void ResetKernel();
void ResetDirectDraw();

// USER, for the other parts.
LRESULT SendToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int ScreenWidth();  // the screen as GetSystemMetrics reports it
int ScreenHeight();
bool ApplicationActive();

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

// Every part of the stand-in formats its log with these.
using detail::Hex;
using detail::Join;
using detail::Log;
using detail::Num;
using detail::Text;

}  // namespace host

#endif
