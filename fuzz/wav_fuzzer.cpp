// The player's fuzzer: each input is read as a track's file by the readers of
// winmm.dll (an Ogg Vorbis stream when it begins as one, "OggS", else a WAV),
// and as command strings (one a line) by its cdaudio device over a disc of
// that file; a read past the input or any other fault aborts.
#include <cstring>
#include <string>

#include "player/winmm/cd_device.h"
#include "player/winmm/track_reader.h"

namespace {

class InputSource : public winmm::ByteSource {
public:
    InputSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t Size() const override { return size_; }
    size_t ReadAt(uint64_t offset, void* into, size_t bytes) override
    {
        if (offset >= size_)
            return 0;
        size_t n = bytes < size_ - offset ? bytes : (size_t)(size_ - offset);
        std::memcpy(into, data_ + offset, n);
        return n;
    }

private:
    const uint8_t* data_;
    size_t size_;
};

// A platform that plays nothing and whose system answers 266, as without a drive.
class SilentPlatform : public winmm::CdPlatform {
public:
    bool Play(const std::vector<winmm::Segment>& segments, uintptr_t, unsigned) override
    {
        for (const winmm::Segment& s : segments)
            if (s.first >= s.end)
                __builtin_trap();  // an empty or reversed segment reached the sound
        return !segments.empty();
    }
    void Stop() override {}
    void Pause() override {}
    void Resume() override {}
    winmm::Progress Where() override { return winmm::Progress{true, 0, 0}; }
    void WaitUntilEnded() override {}
    void EndNotification(unsigned) override {}
    void Notify(uintptr_t, unsigned, unsigned) override {}
    unsigned long SystemCommand(unsigned, unsigned, uint32_t, winmm::McParams*) override { return 266; }
    bool SystemHasDevice(unsigned) override { return false; }
};

// The most frames of a stream decoded, so that a long one does not stall the run.
constexpr uint64_t kMostFramesDecoded = 1 << 16;

// Reads the sound in order, then from its middle and its last frame; a read
// that gives more than asked aborts.
void ReadSound(winmm::TrackSound& sound)
{
    const winmm::WavFormat& format = sound.Format();
    std::vector<unsigned char> buffer(1000 * format.frameBytes);
    uint64_t at = 0;
    size_t got = 1;
    while (at < kMostFramesDecoded && got > 0) {
        got = sound.Read(at, buffer.data(), 1000);
        if (got > 1000)
            __builtin_trap();
        at += got;
    }
    for (uint64_t first : {format.frames / 2, format.frames - 1})
        if (sound.Read(first, buffer.data(), 1000) > 1000)
            __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    InputSource source(data, size);
    const bool ogg = size >= 4 && std::memcmp(data, "OggS", 4) == 0;
    std::string refusal;
    auto sound = winmm::OpenTrackSound(source, ogg ? winmm::TrackKind::Ogg : winmm::TrackKind::Wav, &refusal);
    winmm::WavFormat format;
    if (sound) {
        format = sound->Format();
        if (format.frames == 0 || (!ogg && format.dataOffset + format.frames * format.frameBytes > size))
            __builtin_trap();  // a taken file without samples, or whose samples lie outside it
        ReadSound(*sound);
    }
    std::vector<winmm::TrackFile> tracks(5);
    tracks[4] = sound ? winmm::TrackFile{format.rate, format.frames} : winmm::TrackFile{44100, 7938000};
    SilentPlatform platform;
    winmm::CdDevice device{winmm::Disc(tracks, 45000), &platform};
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (device.Addresses(line))
            device.Execute(line, 0);
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return 0;
}
