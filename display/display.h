// The display: exclusive 320x240x8 full screen, a flipping chain, the sheet.
#ifndef INTRO_DISPLAY_DISPLAY_H
#define INTRO_DISPLAY_DISPLAY_H

#include "base/platform.h"

// The display steps of start-up, called by InitDisplay once the main window is
// there: the DirectDraw object, the exclusive mode, the flipping chain, the
// palette and the colour-keyed sheet, each only after the one before it. Null
// when all is ready; else the failure text for the user, what exists left for
// ReleaseDisplay.
const char* TakeDisplay(HWND window);

// Gives the primary (with its back buffer) and the sheet their memory back and
// copies the sheet in again. Called by RenderFrame when a drawing call reports a
// lost surface. 0, or the result of the first Restore that failed.
HRESULT RestoreSurfaces();

#endif
