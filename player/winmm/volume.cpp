#include "player/winmm/volume.h"

#include <cstring>

#include "player/winmm/settings_table.h"

namespace winmm {

// The setting's top is the track as it is.
static_assert(player::winmm_settings::kVolume.high == kFullVolume, "volume's range in settings.txt ends at 100");

// value * volume / 100, rounded to the nearest with halves away from zero.
static int Scaled(int value, int volume)
{
    int product = value * volume;
    return (product + (product < 0 ? -kFullVolume / 2 : kFullVolume / 2)) / kFullVolume;
}

int WithAuxVolume(int volume, uint32_t aux)
{
    const uint32_t level = aux & 0xFFFF;
    return (int)(((uint64_t)volume * level + 0xFFFF / 2) / 0xFFFF);
}

void ScaleSamples(void* samples, size_t bytes, uint16_t bits, int volume)
{
    if (volume >= kFullVolume)
        return;
    unsigned char* at = static_cast<unsigned char*>(samples);
    if (bits == 8) {
        for (size_t i = 0; i < bytes; ++i)
            at[i] = (unsigned char)(128 + Scaled(at[i] - 128, volume));
        return;
    }
    for (size_t i = 0; i + 1 < bytes; i += 2) {
        int16_t sample;
        std::memcpy(&sample, at + i, 2);
        sample = (int16_t)Scaled(sample, volume);
        std::memcpy(at + i, &sample, 2);
    }
}

}  // namespace winmm
