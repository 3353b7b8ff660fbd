// The windowed picture's size and place, kept from one run to the next in
// ddraw-window.ini: beside the settings (the DLL's folder) when that folder can
// be written, otherwise in the user's application-data folder
// (%APPDATA%\velthorn-intro\ddraw-window.ini). Read back from the first of the
// two that holds one.
#ifndef INTRO_PLAYER_DDRAW_WINDOW_PLACE_H
#define INTRO_PLAYER_DDRAW_WINDOW_PLACE_H

#include "player/ddraw/picture_rules.h"

namespace player {

struct WindowPlace {
    bool known;        // false: no place kept, or none that makes sense
    int32_t left, top;  // the window's top left corner on the desktop
    Size client;        // its client area
};

// The place kept by an earlier run, as it was written; whether it can still be
// reached is the caller's question.
WindowPlace ReadWindowPlace();

// Keeps the place for the next run. A debugger line says where it went, or
// that it could be written nowhere.
void WriteWindowPlace(const WindowPlace& place);

}  // namespace player

#endif
