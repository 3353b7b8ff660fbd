// The intro's one program-wide state record.
#ifndef INTRO_BASE_INTRO_STATE_H
#define INTRO_BASE_INTRO_STATE_H

#include "base/platform.h"

struct IntroState {
    // Display objects, owned from start-up until ReleaseDisplay.
    LPDIRECTDRAW directDraw;
    LPDIRECTDRAWSURFACE primary;     // front of the flipping chain
    LPDIRECTDRAWSURFACE backBuffer;  // belongs to primary's chain; never released on its own, nulled with it
    LPDIRECTDRAWPALETTE palette;     // the sheet's colours; may stay null
    LPDIRECTDRAWSURFACE sheet;       // every picture, colour-keyed on black

    DWORD appActive;  // nonzero while we are the active application
    HWND mainWindow;

    // The timeline; RenderFrame is their only writer.
    LONG frameCount;      // frames begun so far
    LONG logoHalfWidth;   // in 1/200 pixel
    LONG logoHalfHeight;  // in 1/200 pixel
    DWORD scrollRow;      // text roll position, in sheet rows
    LONG scrollDelay;     // text-roll frames since the roll last advanced, 0 to 10
};

// The values every run starts from.
IntroState InitialIntroState();

extern IntroState intro;

#endif
