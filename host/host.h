// Controls of the host stand-in, for the tests and the tools: what the platform
// was asked (the call log), what it answers (scripted failures), and the world
// around the program (input, activation, resources, files, processes).
//
// The stand-in models the platform's promises as the program relies on them:
// - surfaces have real pixels; Flip swaps front and back; stretched Blt samples
//   points like Wine's 8-bit blitter: source = (i * ((srcSize << 16) / dstSize)) >> 16;
// - GDI converts colours into an 8-bit surface through the palette in force:
//   the surface's own, else the primary's, else the platform's 20 static colours;
// - a palette made without DDPCAPS_ALLOW256 has black at 0 and white at 255;
// - when the exclusive window is deactivated every video-memory surface is lost,
//   Restore answers DDERR_WRONGMODE until it is active again, and a surface
//   stays lost until restored (its pixels are then garbage);
// - a call on a released object, a lock taken while the device context is out
//   and similar breaches of the platform's rules are collected as problems, and
//   so is a call made in a way the stand-in does not model (a message filter,
//   a lock of part of a surface, ...), which it refuses.
#ifndef INTRO_HOST_HOST_H
#define INTRO_HOST_HOST_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/win32.h"

namespace host {

// Puts the whole platform back to a new machine: no windows, objects, queue,
// resources, files or scripts; recording on.
void Reset();

// ---- The call log ------------------------------------------------------------
// Calls in the order they were made: a call that leads to others (DestroyWindow,
// DispatchMessageA, ...) comes before them, with the answer it gave in the end.
struct Call {
    std::string name;    // "CreateWindowExA", "IDirectDrawSurface::BltFast", ...
    std::string object;  // label of the object a method was called on, else empty
    std::string args;    // the arguments as text, e.g. "0, 0, sheet, {0,638,320,864}, 0"
    uint64_t result;     // the value returned (HRESULT, BOOL, handle as a number)
};
const std::vector<Call>& Calls();
std::vector<Call> CallsNamed(const std::string& name);
std::vector<std::string> CallNames();  // every call's name, in order
void ClearCalls();
// Off for long runs (benchmarks, the renderer); counting and scripts still work.
void SetRecording(bool on);
// Gives an object a name for the log, e.g. Label(intro.sheet, "sheet").
void Label(const void* object, const std::string& name);

// ---- Scripted answers ----------------------------------------------------------
// The next matching calls fail with `code` instead of running. Matching calls
// are those of that name (and on that object, when given); the first `skip`
// of them run normally, then `times` of them fail (-1: all later ones).
// DirectDraw methods, GetPixel, SetPixel and mciSendStringA answer the code;
// every other call answers its failure value (FALSE, null, 0, HFILE_ERROR,
// INVALID_FILE_ATTRIBUTES; -1 for GetMessageA) with the code as the last
// error: GetMessageA leaves the message queued, TranslateMessage translates
// nothing, ShowWindow and DestroyWindow leave the window as it was, WaitMessage
// returns at once, MessageBoxA shows nothing. Calls that give something back
// (IDirectDrawSurface::ReleaseDC and ::Unlock, DeleteDC, DeleteObject,
// _lclose) still give it back and only answer the failure. Asking a failure of
// a call that has none (Release, DefWindowProcA, ...) is reported as a problem.
void FailCall(const std::string& name, uint32_t code, int times = 1, int skip = 0,
              const void* object = nullptr);
void ClearFailures();
// How many calls so far took a scripted answer instead of running.
int ScriptedAnswers();

// Breaches of the platform's rules seen so far (use after release, ...), and
// calls in ways the stand-in does not model, which it refuses loudly.
const std::vector<std::string>& Problems();

// ---- Windows, input and activation ------------------------------------------------
// Called at every PeekMessageA, GetMessageA and WaitMessage before the queue is
// looked at: the place where a test acts "while the program runs".
void SetIdleHook(std::function<void()> hook);
// Whether showing a window activates the application (the platform's default).
void SetActivateOnShow(bool on);
HWND MainWindow();  // the first window created, null before
bool WindowAlive(HWND window);
int DestroyCount();  // windows destroyed so far
void Activate();     // the user switches to the intro: WM_ACTIVATEAPP(TRUE)
void Deactivate();   // the user switches away: WM_ACTIVATEAPP(FALSE), surfaces lost
void PressKey(WPARAM virtualKey);  // key-down then key-up, posted to the window
void HoldKey(WPARAM virtualKey, int repeats);  // key-down with repeats, then key-up
void PostKeyDown(WPARAM virtualKey);
void PostKeyUp(WPARAM virtualKey);
void PressAltF4();
size_t QueueLength();
bool CursorHidden();
struct MessageBoxShown {
    HWND owner;
    std::string text, caption;
    UINT type;
};
const std::vector<MessageBoxShown>& MessageBoxes();
void SetScreenSize(int width, int height);  // the desktop, 640x480 at first
// The record a window class was registered with; false when there is no such class.
bool RegisteredClass(const std::string& name, WNDCLASSA* windowClass);

// ---- Display -------------------------------------------------------------------------
// Modes SetDisplayMode accepts; 320x240x8 and 640x480x8 at first.
void SetDisplayModes(const std::vector<std::vector<int>>& modes);
void LoseSurfaces();  // every video-memory surface loses its memory now
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;           // 8-bit indices, row by row
    std::vector<PALETTEENTRY> palette;     // 256 entries
};
// What the display shows: the primary's pixels and the palette in force.
Picture Screen();
// Called after each successful Flip.
void SetFlipHook(std::function<void()> hook);
int FlipCount();
// A surface's pixels and size (any bit depth), for the tests.
struct SurfacePixels {
    int width = 0, height = 0, bitsPerPixel = 0, pitch = 0;
    std::vector<uint8_t> bytes;
};
SurfacePixels ReadSurface(LPDIRECTDRAWSURFACE surface);
void WriteSurface(LPDIRECTDRAWSURFACE surface, const std::vector<uint8_t>& bytes);
bool SurfaceLost(LPDIRECTDRAWSURFACE surface);
bool HasSourceColorKey(LPDIRECTDRAWSURFACE surface, DDCOLORKEY* key);
// What a surface's descriptions (GetSurfaceDesc, Lock) give as its pixel size
// from now on, for a format the stand-in does not draw: its pixels stay as they are.
void ReportBitsPerPixel(LPDIRECTDRAWSURFACE surface, int bits);
// The 256 entries the program handed to the last IDirectDraw::CreatePalette,
// as given (before the platform fixes black and white); empty before any.
std::vector<PALETTEENTRY> LastPaletteTable();
// The entries of every palette made so far, released or not, in the order made.
std::vector<std::vector<PALETTEENTRY>> PalettesMade();
DWORD DisplayBitsPerPixel();  // 0 until a mode is set
bool DisplayExclusive();

// ---- Live objects (leak checks) -------------------------------------------------------
struct Live {
    int directDraws = 0, surfaces = 0, palettes = 0;  // not yet released to zero
    int deviceContexts = 0, bitmaps = 0, locks = 0, files = 0, surfaceDCs = 0;
};
Live LiveObjects();
// Empty when every object is given back to zero references and no rule of the
// platform was broken; else what is still held and the first problem. The one
// check every run must pass at its end.
std::string LeftBehind();

// ---- Resources, files, environment, processes ----------------------------------------
HINSTANCE Instance();  // the program's module handle
void AddResource(LPCSTR type, LPCSTR name, const std::vector<uint8_t>& bytes);
void RemoveResources();
// A BMP file's bytes as a bitmap resource (the 14-byte file header dropped).
void AddBitmapResourceFromFile(const std::string& name, const std::vector<uint8_t>& bmpFile);
const std::vector<std::string>& DebugOutput();
const std::vector<std::string>& OpenedFiles();  // every path given to _lopen and file LoadImageA
const std::vector<std::string>& MciCommands();
void SetMciResult(MCIERROR result);  // what every MCI command answers (0 at first)

// The program search of process creation looks in a pretend file system; the
// intro's own program file lies in C:\intro.
void SetCurrentDirectory(const std::string& directory);  // "C:\\intro" at first
void AddFile(const std::string& path);                   // full Windows path
void SetEnvironment(const std::string& name, const std::string& value);
void UnsetEnvironment(const std::string& name);
struct StartedProcess {
    std::string application;  // empty when none was given
    std::string commandLine;
    std::string resolvedPath;
    BOOL inheritHandles;
    DWORD flags;
    HANDLE handle;
};
const std::vector<StartedProcess>& StartedProcesses();

// ExitProcess does not return: on the host it throws this, so a test can see
// the status the process would have ended with.
struct ProcessExit {
    UINT status;
};
// Thrown when the program would block for ever (an empty queue and nothing
// left for the idle hook to do).
struct Deadlock {
    std::string where;
};

}  // namespace host

#endif
