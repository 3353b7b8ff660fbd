// The audio CD that the music folder stands for: its tracks laid end to end
// as on a disc, and the MCI time formats that name positions on it. A
// position is a count of CD frames (1/75 s) from the start of the disc; the
// first track begins two seconds in, at frame 150, as on a pressed CD.
// Platform-free, so the host tests check it too.
#ifndef INTRO_PLAYER_WINMM_DISC_H
#define INTRO_PLAYER_WINMM_DISC_H

#include <cstdint>
#include <string>
#include <vector>

namespace winmm {

// CD frames a second, and where the first track starts.
constexpr uint32_t kCdFramesPerSecond = 75;
constexpr uint32_t kFirstTrackStart = 150;
// Track numbers run from 1 to 99, as MCI's two-digit fields allow.
constexpr int kMostTracks = 99;

// A track's file: its sample rate and its length in sample frames. A track
// without a file (0 frames) takes no room on the disc.
struct TrackFile {
    uint32_t rate = 0;
    uint64_t frames = 0;
};

// What a track's file holds: PCM samples in a WAV, or an Ogg Vorbis stream.
enum class TrackKind { Wav, Ogg };

// The track a file name stands for: "track05.wav" or "Track05.OGG" in any
// case is 5, its kind told by the extension; 0 for any other name.
int TrackOfFileName(const std::string& name, TrackKind* kind = nullptr);

// A folder's file names, sorted into the tracks they stand for (result[0]
// is track 1's), each track's names in the order they are tried: its WAV
// before its Ogg, as the WAV is the sound itself and the Ogg a copy that
// lost a little; names of one kind in the folder's order. The first that
// can be played is the track's file.
std::vector<std::vector<std::string>> TrackFileNames(const std::vector<std::string>& names);

// MCI's time formats a CD device knows, by their MCI_FORMAT_ values.
enum class TimeFormat : uint32_t { Milliseconds = 0, Msf = 2, Tmsf = 10 };

// A position or a length as status answers it: a number, and how
// mciSendString writes it (0: in decimal; kColonized3Return or
// kColonized4Return of mci_command.h: its low bytes, colon-separated).
struct Reading {
    uint32_t value = 0;
    unsigned long kind = 0;
};

// One position given in a command, read in a time format: where it is on the
// disc, and the track it names (tmsf) or lies in (the other formats).
struct Place {
    uint32_t position = 0;
    int track = 0;
};

class Disc {
public:
    Disc() = default;
    // tracks[0] is track 1; trailing tracks without a file are left off.
    // When track 1 has no file but a later track has, and `dataFrames` is
    // not 0, track 1 is the data track of a mixed-mode disc, as game CDs
    // are, and takes that many CD frames.
    explicit Disc(std::vector<TrackFile> tracks, uint32_t dataFrames = 0);

    // The number of the last track with a file; 0 for a disc of none.
    int Count() const { return (int)tracks_.size(); }
    bool HasFile(int track) const;
    // Whether the track is the data track of a mixed-mode disc.
    bool IsData(int track) const;
    // The first track with a file; where "seek to start" goes.
    int FirstAudio() const;
    const TrackFile& File(int track) const { return tracks_[track - 1]; }
    // Where a track starts, from 1 to Count() + 1 (the end of the disc).
    uint32_t Start(int track) const { return starts_[track - 1]; }
    uint32_t Length(int track) const { return Start(track + 1) - Start(track); }
    uint32_t End() const { return starts_.back(); }
    // The track with a file, or the data track, that holds `position`: the
    // last one for the end of the disc, the first one for the lead-in before it.
    int TrackAt(uint32_t position) const;
    // The sample frame of the track's file that plays at `position`.
    uint64_t SampleAt(int track, uint32_t position) const;
    // The disc position at which a sample frame of a track's file plays.
    uint32_t PositionOf(int track, uint64_t sample) const;

    // An MCI integer as a position in `format`; `error` is 0 or the MCI
    // error for a position off the disc. In tmsf a track beyond the last
    // names the end of the disc, at its start only. A position before the
    // first track (in the lead-in) is read as it is.
    Place Read(uint32_t value, TimeFormat format, unsigned long* error) const;
    // A position as "status position" gives it: 05:01:30:00 in tmsf,
    // 03:32:00 in msf, 212000 in milliseconds.
    Reading PositionReading(uint32_t position, TimeFormat format) const;
    // The disc's identity, from its table of contents alone: the number
    // freedb gives a disc (a checksum of the tracks' starts in seconds, the
    // disc's length and its number of tracks), so that one music folder
    // always gives the same.
    uint32_t Identity() const;
    // A length as "status length" gives it: minutes, seconds and frames in
    // tmsf and msf alike, or milliseconds.
    static Reading LengthReading(uint32_t frames, TimeFormat format);

private:
    std::vector<TrackFile> tracks_;
    std::vector<uint32_t> starts_{kFirstTrackStart};
};

}  // namespace winmm

#endif
