// Writes track 5 of the intro's CD as a standard MIDI file.
// Usage: compose-track05 OUT.mid
#include <cstdio>

#include "tools/music/midi_file.h"
#include "tools/music/score.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: compose-track05 OUT.mid\n");
        return 2;
    }
    const std::vector<unsigned char> file = music::MidiFile(music::ComposeTrackFive());
    FILE* out = std::fopen(argv[1], "wb");
    bool written = out && std::fwrite(file.data(), 1, file.size(), out) == file.size();
    if (out && std::fclose(out) != 0)
        written = false;
    if (!written) {
        std::fprintf(stderr, "compose-track05: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
