#include "player/winmm/disc.h"

#include <cctype>
#include <utility>

#include "player/winmm/mci_command.h"
#include "player/winmm/mci_text.h"

namespace winmm {

// The longest track a position can name: a tmsf minute field holds 255.
static constexpr uint64_t kLongestTrack = 255ull * 60 * kCdFramesPerSecond;

int TrackOfFileName(const std::string& name, TrackKind* kind)
{
    static const char kPattern[] = "trackNN.";
    static const std::pair<const char*, TrackKind> kExtensions[] = {{"wav", TrackKind::Wav}, {"ogg", TrackKind::Ogg}};
    const size_t stem = sizeof kPattern - 1;
    std::string lower;
    for (char c : name)
        lower += (char)std::tolower((unsigned char)c);
    if (lower.size() != stem + 3)
        return 0;
    for (size_t i = 0; i < stem; ++i)
        if (kPattern[i] == 'N' ? !std::isdigit((unsigned char)lower[i]) : lower[i] != kPattern[i])
            return 0;
    for (const auto& extension : kExtensions) {
        if (lower.compare(stem, 3, extension.first) != 0)
            continue;
        if (kind)
            *kind = extension.second;
        return (lower[5] - '0') * 10 + (lower[6] - '0');
    }
    return 0;
}

std::vector<std::vector<std::string>> TrackFileNames(const std::vector<std::string>& names)
{
    std::vector<std::vector<std::string>> tracks(kMostTracks);
    for (TrackKind wanted : {TrackKind::Wav, TrackKind::Ogg}) {
        for (const std::string& name : names) {
            TrackKind kind;
            int track = TrackOfFileName(name, &kind);
            if (track != 0 && kind == wanted)
                tracks[track - 1].push_back(name);
        }
    }
    return tracks;
}

// CD frames of a file, the last part-frame counted whole.
static uint32_t CdFrames(const TrackFile& file)
{
    if (file.rate == 0 || file.frames == 0)
        return 0;
    uint64_t frames = (file.frames * kCdFramesPerSecond + file.rate - 1) / file.rate;
    return (uint32_t)(frames < kLongestTrack ? frames : kLongestTrack);
}

Disc::Disc(std::vector<TrackFile> tracks, uint32_t dataFrames) : tracks_(std::move(tracks))
{
    if (tracks_.size() > (size_t)kMostTracks)
        tracks_.resize(kMostTracks);
    while (!tracks_.empty() && CdFrames(tracks_.back()) == 0)
        tracks_.pop_back();
    // A track 1 without a file is left with a later one that has: the data track.
    for (size_t i = 0; i < tracks_.size(); ++i) {
        const uint32_t frames = CdFrames(tracks_[i]);
        starts_.push_back(starts_.back() + (i == 0 && frames == 0 ? dataFrames : frames));
    }
}

bool Disc::HasFile(int track) const
{
    return track >= 1 && track <= Count() && CdFrames(File(track)) > 0;
}

bool Disc::IsData(int track) const
{
    return track == 1 && Count() > 0 && !HasFile(1) && Length(1) > 0;
}

int Disc::FirstAudio() const
{
    for (int track = 1; track <= Count(); ++track)
        if (HasFile(track))
            return track;
    return Count();
}

int Disc::TrackAt(uint32_t position) const
{
    for (int track = 1; track <= Count(); ++track)
        if (position < Start(track + 1) && (HasFile(track) || IsData(track)))
            return track;
    return Count();
}

uint64_t Disc::SampleAt(int track, uint32_t position) const
{
    const TrackFile& file = File(track);
    if (position <= Start(track))
        return 0;
    uint32_t offset = position - Start(track);
    if (offset >= Length(track))
        return file.frames;
    uint64_t sample = (uint64_t)offset * file.rate / kCdFramesPerSecond;
    return sample < file.frames ? sample : file.frames;
}

uint32_t Disc::PositionOf(int track, uint64_t sample) const
{
    const TrackFile& file = File(track);
    uint64_t offset = sample * kCdFramesPerSecond / file.rate;
    return Start(track) + (uint32_t)(offset < Length(track) ? offset : Length(track));
}

// Minutes, seconds and frames as one count of frames; false past a minute or a second.
static bool MsfFrames(uint32_t minutes, uint32_t seconds, uint32_t frames, uint32_t* total)
{
    if (seconds >= 60 || frames >= kCdFramesPerSecond)
        return false;
    *total = (minutes * 60 + seconds) * kCdFramesPerSecond + frames;
    return true;
}

Place Disc::Read(uint32_t value, TimeFormat format, unsigned long* error) const
{
    *error = kMciOk;
    const uint32_t b0 = value & 0xFF, b1 = (value >> 8) & 0xFF, b2 = (value >> 16) & 0xFF, b3 = value >> 24;
    uint32_t offset = 0;
    if (format == TimeFormat::Tmsf) {
        int track = (int)b0;
        bool onDisc = track >= 1 && track <= Count() + 1 && MsfFrames(b1, b2, b3, &offset);
        if (onDisc && track == Count() + 1 && offset == 0)
            return Place{End(), Count()};
        if (!onDisc || track > Count() || offset > Length(track)) {
            *error = kMciErrOutOfRange;
            return Place{};
        }
        return Place{Start(track) + offset, track};
    }
    uint64_t position = 0;
    if (format == TimeFormat::Msf) {
        if (b3 != 0 || !MsfFrames(b0, b1, b2, &offset)) {
            *error = kMciErrOutOfRange;
            return Place{};
        }
        position = offset;
    } else {
        // Rounded up, so that a position given back in milliseconds reads as itself.
        position = ((uint64_t)value * kCdFramesPerSecond + 999) / 1000;
    }
    if (position > End()) {
        *error = kMciErrOutOfRange;
        return Place{};
    }
    return Place{(uint32_t)position, TrackAt((uint32_t)position)};
}

// Minutes, seconds and frames packed low field first, as MCI's msf.
static uint32_t PackedMsf(uint32_t frames)
{
    const uint32_t minutes = frames / (60 * kCdFramesPerSecond);
    return (minutes < 0xFF ? minutes : 0xFF) | (frames / kCdFramesPerSecond % 60) << 8 |
           (frames % kCdFramesPerSecond) << 16;
}

static uint32_t Milliseconds(uint32_t frames)
{
    return (uint32_t)((uint64_t)frames * 1000 / kCdFramesPerSecond);
}

Reading Disc::PositionReading(uint32_t position, TimeFormat format) const
{
    if (format == TimeFormat::Msf)
        return Reading{PackedMsf(position), kColonized3Return};
    if (format == TimeFormat::Milliseconds)
        return Reading{Milliseconds(position), 0};
    const int track = TrackAt(position);
    const uint32_t start = Count() > 0 ? Start(track) : kFirstTrackStart;
    return Reading{(uint32_t)track | PackedMsf(position > start ? position - start : 0) << 8, kColonized4Return};
}

Reading Disc::LengthReading(uint32_t frames, TimeFormat format)
{
    if (format == TimeFormat::Milliseconds)
        return Reading{Milliseconds(frames), 0};
    return Reading{PackedMsf(frames), kColonized3Return};
}

// The sum of a number's decimal digits.
static uint32_t DigitSum(uint32_t number)
{
    uint32_t sum = 0;
    for (; number > 0; number /= 10)
        sum += number % 10;
    return sum;
}

uint32_t Disc::Identity() const
{
    uint32_t checksum = 0;
    for (int track = 1; track <= Count(); ++track)
        checksum += DigitSum(Start(track) / kCdFramesPerSecond);
    const uint32_t seconds = End() / kCdFramesPerSecond - Start(1) / kCdFramesPerSecond;
    return (checksum % 0xFF) << 24 | seconds << 8 | (uint32_t)Count();
}

}  // namespace winmm
