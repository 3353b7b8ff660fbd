// The display: exclusive 320x240x8 full screen, a flipping chain, the sheet.
#ifndef INTRO_DISPLAY_DISPLAY_H
#define INTRO_DISPLAY_DISPLAY_H

#include "app/platform.h"

// The one start-up routine, called by WinMain before the loop: makes the main
// window, then takes the display and loads the sheet. 1 when all is ready; 0
// when the window could not be made or a step failed (and was reported).
int InitDisplay(HINSTANCE instance, int showCommand);

// Gives the primary (with its back buffer) and the sheet their memory back and
// copies the sheet in again. Called by RenderFrame when a drawing call reports a
// lost surface. 0, or the result of the first Restore that failed.
HRESULT RestoreSurfaces();

#endif
