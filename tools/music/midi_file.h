// A score as a standard MIDI file: format 0, one track, the tempo, each
// channel's instrument and controllers, then the notes.
#ifndef INTRO_TOOLS_MUSIC_MIDI_FILE_H
#define INTRO_TOOLS_MUSIC_MIDI_FILE_H

#include <cstdint>
#include <vector>

#include "tools/music/score.h"

namespace music {

// A number as MIDI writes delta times: seven bits a byte, high bit set on
// every byte but the last.
void AppendVariableLength(std::vector<unsigned char>* bytes, uint32_t value);

std::vector<unsigned char> MidiFile(const Score& score);

}  // namespace music

#endif
