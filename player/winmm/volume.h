// The music's volume, the setting volume (player/settings.txt): the samples
// this DLL writes are scaled by volume/100, rounded to the nearest (halves
// away from zero, so that quiet music keeps no offset). The system's mixer is the user's and is left alone. At 100
// the samples are written as the file holds them, byte for byte.
// Platform-free, so the host tests check it too.
#ifndef INTRO_PLAYER_WINMM_VOLUME_H
#define INTRO_PLAYER_WINMM_VOLUME_H

#include <cstddef>
#include <cstdint>

namespace winmm {

constexpr int kFullVolume = 100;

// The volume the samples are written at when a program has set the
// CD-audio aux device's volume (auxSetVolume) on top of the setting: `aux`'s
// low word, 0 to 0xFFFF, scales `volume` (rounded to the nearest).
int WithAuxVolume(int volume, uint32_t aux);

// Scales `bytes` of samples of `bits` (8, unsigned about 128, or 16, signed)
// by volume/100 in place.
void ScaleSamples(void* samples, size_t bytes, uint16_t bits, int volume);

}  // namespace winmm

#endif
