// How the player's ddraw.dll puts the intro's 8-bit front buffer on today's
// screens: how large it is shown and where it sits in the window (by whole
// factors, by the largest 4:3 box, or stretched), the black around it, the
// conversion of its palette indices to 32-bit pixels, and the resampling to a
// size that is no whole factor. Nothing here knows the platform, so the host
// tests check it.
#ifndef INTRO_PLAYER_DDRAW_PICTURE_RULES_H
#define INTRO_PLAYER_DDRAW_PICTURE_RULES_H

#include <cstdint>
#include <vector>

namespace player {

struct Size {
    int32_t width, height;
};

// Right and bottom exclusive, as a Win32 RECT.
struct Box {
    int32_t left, top, right, bottom;
};

// How the picture fills the client area (the setting "scaling").
enum class Scaling {
    kInteger,  // the largest whole factor that fits, centred: every pixel the same square
    kAspect,   // the largest box of the picture's own shape that fits, centred
    kStretch,  // the whole client area, whatever its shape
};

// How a picture of no whole factor is made (the setting "filter").
enum class Filter {
    kNearest,  // the nearest pixel: some columns and rows a pixel wider than others
    kSharp,    // the nearest pixel at the next whole factor up, then smoothed down to the size
};

// Where the picture is shown. `scale` is the whole factor when the box is a
// whole multiple of the picture, else the smallest whole factor at or above
// the box (the one kSharp enlarges by first); 0 when nothing is shown.
struct Placement {
    int32_t scale;
    Box picture;
};

// The picture enlarged by the largest whole factor that fits, centred in the
// client area. A client too small for even one whole picture still shows it at
// 1, centred and cut by the edges; an empty client (a minimised window) shows
// nothing: scale 0.
Placement PlacePicture(Size picture, Size client);

// The picture placed in the client area as `scaling` says (kInteger: as above).
// The aspect box rounds its other side to the nearest pixel and leans left and
// up by a half pixel as the whole factor's does.
Placement PlacePicture(Size picture, Size client, Scaling scaling);

// The factor of a windowed picture: `setting` when it is 1 or more, else the
// largest whole factor whose picture fits 80% of the screen each way, at least 1.
int32_t WindowedScale(Size picture, Size screen, int32_t setting);

// Whether a window kept at `window` (screen coordinates) can still be reached
// on the monitors there are now: one of them holds the top of its caption
// over a width of at least 64 pixels, enough to grab and drag it. A place on a
// monitor that is gone, or off every monitor's edge, is not.
bool PlaceReachable(const Box& window, const Box* monitors, int count);

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

// Draws the picture at any size through precomputed tables: for each target
// column and row the one or two source pixels it takes and the weight of the
// second. A target row the same as the one above is copied, and a row of
// source pixels made wide is kept for the rows below that take it again, so a
// frame costs little more than writing its pixels. At a whole factor both
// filters give exactly what Enlarge gives.
class Resampler {
public:
    // Tables for this picture, target size and filter; nothing is drawn from
    // an empty picture or target.
    void Prepare(Size picture, Size target, Filter filter);

    // The picture's indices through `table` into `target` (pitch in bytes),
    // target.width by target.height pixels.
    void Draw(const uint8_t* source, int32_t sourcePitch, const uint32_t table[256], uint32_t* target,
              int32_t targetPitch);

    // One column's or row's taps, exposed for the tests: the first and second
    // source pixel and the second's weight in 256ths (0: the first alone).
    struct Tap {
        int32_t first, second;
        uint32_t weight;
    };
    static std::vector<Tap> Taps(int32_t source, int32_t target, Filter filter);

private:
    void WideRow(const uint8_t* sourceRow, const uint32_t table[256], uint32_t* out) const;
    const uint32_t* CachedWideRow(int32_t row, const uint8_t* source, int32_t sourcePitch,
                                  const uint32_t table[256]);

    Size picture_ = {0, 0};
    Size target_ = {0, 0};
    std::vector<Tap> columns_, rows_;
    // Two source rows made wide, for the blend of two rows; which rows they hold.
    std::vector<uint32_t> wide_[2];
    int32_t wideRow_[2] = {-1, -1};
    int next_ = 0;
};

}  // namespace player

#endif
