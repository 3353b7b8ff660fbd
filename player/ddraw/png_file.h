// PNG files of the player's screenshots, in memory: the 8-bit frame with its
// palette as indexed colour, or the picture as shown as 24-bit colour. Rows
// unfiltered, deflated by stb_image_write's compressor; the chunks are ours.
// Nothing here knows the platform, so the host tests decode what it writes.
#ifndef INTRO_PLAYER_DDRAW_PNG_FILE_H
#define INTRO_PLAYER_DDRAW_PNG_FILE_H

#include <cstdint>
#include <vector>

#include "player/ddraw/picture_rules.h"

namespace player {

// An indexed PNG (colour type 3, 8 bits) of `size` pixels, rows `pitch` bytes
// apart, with a PLTE of the 256 colours. Empty when it cannot be made.
std::vector<uint8_t> IndexedPng(const uint8_t* pixels, int32_t pitch, Size size, const PaletteColor colors[256]);

// A true-colour PNG (colour type 2, 8 bits a channel) of 32-bit pixels
// 0x00RRGGBB, rows `pitch` pixels apart. Empty when it cannot be made.
std::vector<uint8_t> ColorPng(const uint32_t* pixels, int32_t pitch, Size size);

}  // namespace player

#endif
