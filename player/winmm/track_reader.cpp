#include "player/winmm/track_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "player/winmm/stb_vorbis.h"

namespace winmm {

namespace {

// A WAV's samples, read from the file at each call.
class WavSound : public TrackSound {
public:
    WavSound(ByteSource& source, const WavFormat& format) : source_(source) { format_ = format; }

    size_t Read(uint64_t first, void* into, size_t frames) override
    {
        if (first >= format_.frames)
            return 0;
        if (frames > format_.frames - first)
            frames = (size_t)(format_.frames - first);
        size_t got = source_.ReadAt(format_.dataOffset + first * format_.frameBytes, into, frames * format_.frameBytes);
        return got / format_.frameBytes;
    }

private:
    ByteSource& source_;
};

uint32_t Le32(const unsigned char* p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

// stb_vorbis 1.22 takes the comment header's counts and lengths on trust and
// writes out of bounds for some that do not fit the packet; so the header is
// checked first. It is the packet that begins on the second page, which
// stb_vorbis looks for at byte 58, after a first page of one 30-byte packet.
constexpr size_t kSecondPage = 58;

// The packet that begins at the page at `at`, across the pages it continues on;
// false when the pages end or are damaged before it does.
bool PacketFrom(const std::vector<unsigned char>& file, size_t at, std::vector<unsigned char>* packet)
{
    while (at + 27 <= file.size() && std::memcmp(&file[at], "OggS", 4) == 0) {
        const size_t segments = file[at + 26], table = at + 27;
        size_t body = table + segments;
        if (body > file.size())
            return false;
        for (size_t i = 0; i < segments; ++i) {
            const size_t length = file[table + i];
            if (body + length > file.size())
                return false;
            packet->insert(packet->end(), file.begin() + body, file.begin() + body + length);
            body += length;
            if (length < 255)
                return true;
        }
        at = body;
    }
    return false;
}

// Whether the comment header's vendor text and comments lie within it.
bool CommentHeaderFits(const std::vector<unsigned char>& file)
{
    std::vector<unsigned char> packet;
    if (!PacketFrom(file, kSecondPage, &packet) || packet.size() < 7 + 8 || packet[0] != 3)
        return false;
    size_t at = 7;
    auto field = [&](uint64_t* value) {
        if (at + 4 > packet.size())
            return false;
        *value = Le32(&packet[at]);
        at += 4;
        return true;
    };
    uint64_t length = 0, count = 0;
    if (!field(&length) || length > packet.size() - at)
        return false;
    at += (size_t)length;
    if (!field(&count) || count > (packet.size() - at) / 4)
        return false;
    for (uint64_t i = 0; i < count; ++i) {
        if (!field(&length) || length > packet.size() - at)
            return false;
        at += (size_t)length;
    }
    return true;
}

// An Ogg Vorbis stream decoded from a copy of its file. Frames asked for in
// order are decoded on; any other first frame is sought to, exact to the sample.
class OggSound : public TrackSound {
public:
    ~OggSound() override
    {
        if (vorbis_)
            stb_vorbis_close(vorbis_);  // frees nothing of the arena, but ends the decoder's use of it
    }

    // Empty when the stream can be played, else why not.
    std::string Open(ByteSource& source)
    {
        const uint64_t size = source.Size();
        if (size > kMostOggBytes)
            return "an Ogg file over " + std::to_string(kMostOggBytes >> 20) + " MB";
        bytes_.resize((size_t)size);
        if (source.ReadAt(0, bytes_.data(), bytes_.size()) != bytes_.size())
            return "a file that cannot be read whole";
        if (bytes_.size() > kSecondPage && !CommentHeaderFits(bytes_))
            return "not an Ogg Vorbis stream (its comment header is damaged)";
        int error = 0;
        // stb_vorbis works in memory of ours: a damaged setup header that makes
        // it give up halfway leaks nothing, and none asks for more than the most.
        for (size_t arena = kFirstArenaBytes; !vorbis_ && arena <= kMostArenaBytes; arena *= 4) {
            arena_.assign(arena, 0);
            stb_vorbis_alloc alloc = {arena_.data(), (int)arena_.size()};
            vorbis_ = stb_vorbis_open_memory(bytes_.data(), (int)bytes_.size(), &error, &alloc);
            if (error != VORBIS_outofmem)
                break;
        }
        if (!vorbis_)
            return "not an Ogg Vorbis stream (stb_vorbis error " + std::to_string(error) + ")";
        const stb_vorbis_info info = stb_vorbis_get_info(vorbis_);
        if (info.channels != 1 && info.channels != 2)
            return std::to_string(info.channels) + " channels";
        if (info.sample_rate < 1000 || info.sample_rate > 192000)
            return "a rate of " + std::to_string(info.sample_rate) + " Hz";
        format_.rate = info.sample_rate;
        format_.channels = (uint16_t)info.channels;
        format_.bits = 16;
        format_.frameBytes = (uint16_t)(2 * info.channels);
        scratch_.resize(kScratchFrames * format_.channels);
        // The last page's position: the stream's length, which the encoder sets exact.
        format_.frames = stb_vorbis_stream_length_in_samples(vorbis_);
        if (format_.frames == 0)
            return "no samples";
        return std::string();
    }

    size_t Read(uint64_t first, void* into, size_t frames) override
    {
        if (first >= format_.frames)
            return 0;
        if (first != next_) {
            if (!stb_vorbis_seek(vorbis_, (unsigned)first)) {
                next_ = format_.frames;  // lost: the next read seeks afresh
                return 0;
            }
            next_ = first;
        }
        if (frames > format_.frames - first)
            frames = (size_t)(format_.frames - first);
        // Decoded as floats and made 16-bit here: stb_vorbis's own conversion
        // overflows a signed int for the wild values a damaged stream decodes to.
        int16_t* samples = static_cast<int16_t*>(into);
        size_t got = 0;
        while (got < frames) {
            const size_t wanted = std::min(frames - got, kScratchFrames);
            const int decoded = stb_vorbis_get_samples_float_interleaved(
                vorbis_, format_.channels, scratch_.data(), (int)(wanted * format_.channels));
            if (decoded <= 0)
                break;
            const size_t count = (size_t)decoded * format_.channels;
            for (size_t i = 0; i < count; ++i)
                samples[got * format_.channels + i] = Pcm16(scratch_[i]);
            got += (size_t)decoded;
        }
        next_ += got;
        return got;
    }

private:
    // The decoder's memory, tried at 256 KB, then four times as much up to 16 MB.
    static constexpr size_t kFirstArenaBytes = 256 << 10, kMostArenaBytes = 16 << 20;
    static constexpr size_t kScratchFrames = 4096;
    std::vector<unsigned char> bytes_;
    std::vector<float> scratch_;
    std::vector<char> arena_;
    stb_vorbis* vorbis_ = nullptr;
    uint64_t next_ = 0;  // the frame the decoder gives next
};

}  // namespace

int16_t Pcm16(float sample)
{
    if (!(sample == sample))
        return 0;
    const float scaled = sample * 32768.0f;
    if (scaled >= 32767.0f)
        return 32767;
    if (scaled <= -32768.0f)
        return -32768;
    return (int16_t)std::lrint(scaled);
}

std::unique_ptr<TrackSound> OpenTrackSound(ByteSource& source, TrackKind kind, std::string* refusal)
{
    if (kind == TrackKind::Ogg) {
        std::unique_ptr<OggSound> ogg(new OggSound);
        *refusal = ogg->Open(source);
        return refusal->empty() ? std::move(ogg) : nullptr;
    }
    WavFormat format;
    *refusal = ReadWavFormat(source, &format);
    return refusal->empty() ? std::unique_ptr<TrackSound>(new WavSound(source, format)) : nullptr;
}

}  // namespace winmm
