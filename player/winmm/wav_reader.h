// The header of a track's WAV file: which sound it holds and where its
// samples lie. Every read is bounded by the file's size and by what is asked
// for, whatever sizes the file claims; a file this DLL cannot stream as it
// is (PCM, 8 or 16 bits, mono or stereo, 1 kHz to 192 kHz) is refused with
// the reason. Platform-free, so the host tests and the fuzzer check it too.
#ifndef INTRO_PLAYER_WINMM_WAV_READER_H
#define INTRO_PLAYER_WINMM_WAV_READER_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace winmm {

// Where the bytes come from: a file on Windows, memory in the tests.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Reads up to `bytes` at `offset`; the number read, short only at the end.
    virtual size_t ReadAt(uint64_t offset, void* into, size_t bytes) = 0;
};

struct WavFormat {
    uint32_t rate = 0;        // sample frames a second
    uint16_t channels = 0;    // 1 or 2
    uint16_t bits = 0;        // 8 (unsigned) or 16 (signed) per sample
    uint16_t frameBytes = 0;  // bytes of one sample frame, all channels
    uint64_t dataOffset = 0;  // of the first sample
    uint64_t frames = 0;      // whole sample frames in the file
};

// Reads the header; an empty text when the file is such a WAV, else why not
// ("not a RIFF file", "16-bit float samples", ...).
std::string ReadWavFormat(ByteSource& source, WavFormat* format);

}  // namespace winmm

#endif
