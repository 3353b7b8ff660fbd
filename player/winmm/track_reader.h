// A track's file as sound: the samples of a WAV as they lie in the file, or
// an Ogg Vorbis stream decoded by stb_vorbis (Debian's libstb-dev), compiled
// into the DLL so that it needs no other. Either gives whole sample frames,
// interleaved as in a WAV's data, from any frame on: the frame counts are
// the file's own, exact to the sample, so that positions on the disc are the
// same whichever kind holds a track. Platform-free, so the host tests and
// the fuzzer check it too.
#ifndef INTRO_PLAYER_WINMM_TRACK_READER_H
#define INTRO_PLAYER_WINMM_TRACK_READER_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "player/winmm/disc.h"
#include "player/winmm/wav_reader.h"

namespace winmm {

// The largest Ogg file read: it is decoded from memory (about 4 hours of music at 128 kbit/s).
constexpr uint64_t kMostOggBytes = 256ull << 20;

class TrackSound {
public:
    virtual ~TrackSound() = default;
    // rate, channels, bits and frameBytes as waveOut takes them, and the
    // frames the file holds (an Ogg gives 16-bit samples; dataOffset is the
    // WAV's alone).
    const WavFormat& Format() const { return format_; }
    // Up to `frames` sample frames from frame `first` into `into`; the number
    // given, short only at the end of the sound or of a damaged file.
    virtual size_t Read(uint64_t first, void* into, size_t frames) = 0;

protected:
    WavFormat format_;
};

// A decoded sample as 16-bit PCM: scaled by 32768, rounded to the nearest
// (ties to even, as the decoder's own conversion), clipped, and silence for
// what is not a number.
int16_t Pcm16(float sample);

// The sound of a file of the kind given; null, with the reason in `refusal`
// ("not an Ogg Vorbis stream (...)", "3 channels", ...), for a file this DLL
// cannot play. A WAV is read from `source` as it plays, so the source must
// outlive it; an Ogg is copied into memory and needs its source no more.
std::unique_ptr<TrackSound> OpenTrackSound(ByteSource& source, TrackKind kind, std::string* refusal);

}  // namespace winmm

#endif
