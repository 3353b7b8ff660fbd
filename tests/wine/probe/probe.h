// The watching ddraw.dll: a test-only stand-in for the system's ddraw.dll that
// Wine loads in place of its own (WINEDLLOVERRIDES "ddraw=n,b") when it lies
// beside intro.exe. Every object the intro gets is a wrapper that forwards each
// method to Wine's own DirectDraw (or, with PROBE_NEXT_DDRAW set to its path, to
// the player's ddraw.dll), so the intro runs as it always does, and the
// wrappers tell the watch (watch.cpp) what happened:
// - which frame is being drawn: every frame's first drawing call is the opaque
//   BltFast of the background into the back buffer;
// - every DDERR_SURFACELOST, every Restore and every frame cut short;
// - once a frame named in PROBE_FRAMES has been shown and the intro goes on:
//   the front buffer through the palette as a picture, then a pause until the
//   test has taken its screenshot.
// With no PROBE_DIR in the environment nothing is written and nothing waits.
#ifndef PROBE_PROBE_H
#define PROBE_PROBE_H

#include <windows.h>
#include <ddraw.h>

namespace probe {

// What a surface is to the intro, as far as the watch needs to know.
enum class Role { Primary, BackBuffer, Offscreen, Other };
const char* RoleName(Role role);

// ---- Wrappers (one per real object, found again by the real pointer) ---------------
LPDIRECTDRAWSURFACE WrapSurface(LPDIRECTDRAWSURFACE real, Role role);
LPDIRECTDRAWSURFACE RealSurface(LPDIRECTDRAWSURFACE surface);  // wrapper or not
Role RoleOf(LPDIRECTDRAWSURFACE surface);
void ForgetSurface(LPDIRECTDRAWSURFACE wrapper);
void ForgetBackBuffers();  // the flipping chain goes when its primary goes

LPDIRECTDRAWPALETTE WrapPalette(LPDIRECTDRAWPALETTE real);
LPDIRECTDRAWPALETTE RealPalette(LPDIRECTDRAWPALETTE palette);
void ForgetPalette(LPDIRECTDRAWPALETTE wrapper);

LPDIRECTDRAW WrapDirectDraw(LPDIRECTDRAW real);
LPDIRECTDRAW RealDirectDraw(LPDIRECTDRAW directDraw);

// Role of a surface made from this description.
Role RoleFromCaps(DWORD caps);

// ---- The watch --------------------------------------------------------------------------
// Appends one line to PROBE_DIR\probe.log (nothing without PROBE_DIR).
void Note(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The intro is about to copy its background into the back buffer: a new frame
// begins, unless this repeats a call that was still drawing.
void BackgroundCopyStarts();
// Result of a drawing call of a frame (Blt, BltFast, Flip) on a watched surface.
void DrawingCallEnded(const char* call, Role target, HRESULT result);
// A Flip of the primary succeeded: the frame is on its way to the screen.
void FrameShown(LPDIRECTDRAWSURFACE realPrimary);
// The intro is about to release its primary surface.
void DisplayReleasing();
// The palette the primary shows, for the pictures of captured frames.
void PrimaryPaletteSet(LPDIRECTDRAWPALETTE realPalette);
// Restore was asked of a surface, with this answer. With PROBE_SPOIL_RESTORED
// set, an off-screen surface given back its memory gets a pattern in place of
// its pixels: Wine keeps them, but the platform promises only memory, and the
// intro must copy its sheet in again.
void RestoreEnded(LPDIRECTDRAWSURFACE real, Role role, HRESULT result);
// The device context of a surface was asked for, with this answer.
void DeviceContextTaken(Role role, HRESULT result);
// The DirectDraw object is gone: the last frame's fate and the totals go to the log.
void DisplayReleased();

}  // namespace probe

#endif
