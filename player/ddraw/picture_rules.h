// How the player's ddraw.dll puts the intro's 8-bit front buffer on today's
// screens: the whole factor it is enlarged by, where it sits in the window, the
// black around it, and the conversion of its palette indices to 32-bit pixels.
// Nothing here knows the platform, so the host tests check it.
#ifndef INTRO_PLAYER_DDRAW_PICTURE_RULES_H
#define INTRO_PLAYER_DDRAW_PICTURE_RULES_H

#include <cstdint>

namespace player {

struct Size {
    int32_t width, height;
};

// Right and bottom exclusive, as a Win32 RECT.
struct Box {
    int32_t left, top, right, bottom;
};

// The picture enlarged by `scale` and centred in the client area. A client
// too small for even one whole picture still shows it at 1, centred and cut
// by the edges; an empty client (a minimised window) shows nothing: scale 0.
struct Placement {
    int32_t scale;
    Box picture;
};
Placement PlacePicture(Size picture, Size client);

// The factor of a windowed picture: `setting` when it is 1 or more, else the
// largest whole factor whose picture fits 80% of the screen each way, at least 1.
int32_t WindowedScale(Size picture, Size screen, int32_t setting);

// The parts of the client area the picture leaves uncovered, painted black:
// up to four boxes (above, below, left, right), none of them empty. Returns
// how many it wrote.
int Borders(Size client, const Placement& placement, Box out[4]);

// A DirectDraw palette entry, byte for byte as PALETTEENTRY.
struct PaletteColor {
    uint8_t red, green, blue, flags;
};

// The 32-bit pixel (0x00RRGGBB, as a 32-bit top-down DIB holds it) of each index.
void PixelTable(const PaletteColor colors[256], uint32_t table[256]);

// Every source pixel of the picture becomes `scale` x `scale` target pixels of
// its table colour, nearest pixel, no smoothing. Pitches in bytes; the target
// holds picture.width * scale by picture.height * scale pixels.
void Enlarge(const uint8_t* source, int32_t sourcePitch, Size picture, const uint32_t table[256],
             int32_t scale, uint32_t* target, int32_t targetPitch);

}  // namespace player

#endif
