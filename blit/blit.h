// The pixel rules of a DirectDraw blit, in one plain form for every surface that
// needs them: the host stand-in's surfaces and the player's ddraw.dll.
//
// A blit copies a source rectangle into a target rectangle of the same pixel
// size. When the two rectangles differ in size the copy is point-sampled as
// Wine's blitter samples 8-bit surfaces: target pixel i of a row (or row i of
// the rectangle) reads source pixel (i * ((sourceSize << 16) / targetSize)) >> 16,
// counted from the source rectangle's first pixel, with no smoothing. With a
// source colour key, source pixels whose value lies from its low to its high
// value (inclusive) are left out and the target keeps what it had there.
//
// Nothing here knows the platform: surfaces are rows of bytes with a pitch.
#ifndef INTRO_BLIT_BLIT_H
#define INTRO_BLIT_BLIT_H

#include <cstdint>

namespace blit {

// Right and bottom exclusive, as a Win32 RECT.
struct Rect {
    int32_t left, top, right, bottom;
};

// Values from low to high, inclusive, are transparent.
struct ColorKey {
    uint32_t low, high;
};

// Copies `from` of the source rows into `to` of the target rows; both hold
// pixels of `bytesPerPixel` bytes (1 to 4), little-endian. `key` may be null.
// The rectangles must be non-empty and lie inside their surfaces, and source
// and target must not overlap (a blit within one surface reads from a copy).
void Copy(const uint8_t* source, int32_t sourcePitch, const Rect& from, uint8_t* target,
          int32_t targetPitch, const Rect& to, int bytesPerPixel, const ColorKey* key);

// Whether a rectangle may take part in a blit on a surface of this size: non-empty
// and inside it. DirectDraw refuses a blit whose rectangles are not.
bool Inside(const Rect& rect, int32_t width, int32_t height);

}  // namespace blit

#endif
