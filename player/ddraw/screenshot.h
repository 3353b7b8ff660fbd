// Screenshots of the player's ddraw.dll: a key (screenshot_key, PrtScn unless
// set; screenshot_rules.h) writes a PNG into the folder "screenshots" beside
// the program, made when missing, named by the local date and time and the
// flips so far. Where that folder cannot be written, velthorn-intro\screenshots
// in the user's pictures takes it, or else the same in the user's application data. By default it is the frame the program drew, as the last flip
// showed it: its own size, 8-bit indexed, with its palette. With
// screenshot=shown it is the window's client area as GDI reads it back (the
// picture enlarged, black around it included), 24-bit. One debugger line says
// where each went, or why it could not be written. The key is held back from
// the program, down and up alike.
#ifndef INTRO_PLAYER_DDRAW_SCREENSHOT_H
#define INTRO_PLAYER_DDRAW_SCREENSHOT_H

#include <windows.h>

#include <cstdint>
#include <vector>

#include "player/ddraw/picture_rules.h"

namespace player {

// The DirectDraw object is made: the settings are read (a bad one gets a
// debugger line and its default).
void ReadScreenshotSettings();

// Whether this message is a key message of the screenshot key.
bool IsScreenshotKey(UINT message, WPARAM key);

// The screenshot key went up over `window`, which shows `frame` (`picture`
// sized, no gaps between rows) through `colors`; an empty frame has not been
// flipped yet and writes nothing.
void SaveScreenshot(HWND window, const std::vector<uint8_t>& frame, Size picture, const PaletteColor* colors);

}  // namespace player

#endif
