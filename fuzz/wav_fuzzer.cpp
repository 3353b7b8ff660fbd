// The player's fuzzer: each input is read as a track's WAV file by the reader
// of winmm.dll, and as command strings (one a line) by its cdaudio device over
// a disc of that file; a read past the input or any other fault aborts.
#include <cstring>
#include <string>

#include "player/winmm/cd_device.h"
#include "player/winmm/wav_reader.h"

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
    bool Play(const std::vector<winmm::Segment>& segments, uintptr_t) override
    {
        for (const winmm::Segment& s : segments)
            if (s.first >= s.end)
                __builtin_trap();  // an empty or reversed segment reached the sound
        return !segments.empty();
    }
    void Stop(unsigned) override {}
    void Pause() override {}
    void Resume() override {}
    winmm::Progress Where() override { return winmm::Progress{true, 0, 0}; }
    void WaitUntilEnded() override {}
    void Notify(uintptr_t, unsigned) override {}
    winmm::Reply SystemCommand(const std::string&, uintptr_t) override
    {
        winmm::Reply reply;
        reply.code = 266;
        return reply;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    InputSource source(data, size);
    winmm::WavFormat format;
    std::string refusal = winmm::ReadWavFormat(source, &format);
    if (refusal.empty() && (format.frames == 0 || format.dataOffset + format.frames * format.frameBytes > size))
        __builtin_trap();  // a taken file whose samples lie outside it
    std::vector<winmm::TrackFile> tracks(5);
    tracks[4] = refusal.empty() ? winmm::TrackFile{format.rate, format.frames} : winmm::TrackFile{44100, 7938000};
    SilentPlatform platform;
    winmm::CdDevice device{winmm::Disc(tracks), &platform};
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
