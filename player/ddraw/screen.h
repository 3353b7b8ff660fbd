// The screen of the player's ddraw.dll: the program's own window shows the
// front buffer in its client area as the fill mode and the filter say
// (picture_rules.h; their defaults are in player/settings.txt). Unless set
// windowed, the window stays as the program made it (intro.exe's covers the
// screen: a borderless full screen at the desktop's own resolution); windowed, it becomes an ordinary
// captioned window with a sizing border and a maximise box, first the picture
// times a whole factor, and the picture follows its client area. Its size and
// place are kept for the next run (window_place.h). Alt+Enter switches between
// the two.
//
// The window is subclassed while the display is taken: the subclass paints the
// last picture when the window needs it, follows its size, takes Alt+Enter and
// the screenshot key (screenshot.h), shows the arrow over a caption, and lets
// go of the window when it is destroyed. Every other
// message reaches the program's procedure as it always would.
#ifndef INTRO_PLAYER_DDRAW_SCREEN_H
#define INTRO_PLAYER_DDRAW_SCREEN_H

#include <windows.h>

#include "player/ddraw/picture_rules.h"

namespace player {

struct ScreenSettings {
    bool windowed;
    int32_t scale;  // of the windowed picture; 0 for the largest fitting 80% of the screen
    Scaling scaling;
    Filter filter;
};

// The program gave DirectDraw its window (SetCooperativeLevel): the screen shows
// the picture in it, through a window procedure of its own. Attaching another
// window releases the first.
void AttachWindow(HWND window, const ScreenSettings& settings);

// The picture's size, the display mode the program asked for.
void SetPictureSize(Size picture);

// Shows one frame of 8-bit pixels (`picture`-sized rows, `pitch` bytes apart)
// through these colours, now; false when nothing was drawn: no window to show
// it in, or the window shows that very frame already.
bool ShowPicture(const uint8_t* pixels, int32_t pitch, const PaletteColor* colors);

// The display is released: the window gets its own procedure back.
void GiveWindowBack();

}  // namespace player

#endif
