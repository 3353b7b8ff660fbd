#include "player/winmm/wav_reader.h"

#include <cstring>

namespace winmm {

namespace {

// Chunks looked at before the samples must have been found: a real file has
// a handful; a file made of empty chunks is not walked to its end.
constexpr int kMostChunks = 256;
constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// The sub-format of an extensible PCM file, after its first two bytes (the format code).
constexpr unsigned char kPcmGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                            0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint16_t Le16(const unsigned char* p)
{
    return (uint16_t)(p[0] | p[1] << 8);
}

uint32_t Le32(const unsigned char* p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

// What the "fmt " chunk says, before it is judged.
struct FmtChunk {
    bool found = false;
    uint16_t tag = 0;
    uint16_t channels = 0;
    uint32_t rate = 0;
    uint16_t blockAlign = 0;
    uint16_t bits = 0;
    bool extensiblePcm = false;
};

// The format chunk's fields; false when it is too short to hold them.
bool ReadFmt(ByteSource& source, uint64_t offset, uint32_t size, FmtChunk* fmt)
{
    unsigned char bytes[40] = {};
    size_t wanted = size < sizeof bytes ? size : sizeof bytes;
    if (wanted < 16 || source.ReadAt(offset, bytes, wanted) != wanted)
        return false;
    fmt->found = true;
    fmt->tag = Le16(bytes);
    fmt->channels = Le16(bytes + 2);
    fmt->rate = Le32(bytes + 4);
    fmt->blockAlign = Le16(bytes + 12);
    fmt->bits = Le16(bytes + 14);
    fmt->extensiblePcm = wanted == 40 && Le16(bytes + 24) == kFormatPcm &&
                         std::memcmp(bytes + 26, kPcmGuidTail, sizeof kPcmGuidTail) == 0;
    return true;
}

// Why the format cannot be streamed; empty when it can.
std::string Judge(const FmtChunk& fmt)
{
    if (!fmt.found)
        return "no format chunk";
    if (fmt.tag != kFormatPcm && !(fmt.tag == kFormatExtensible && fmt.extensiblePcm))
        return "not PCM (format " + std::to_string(fmt.tag) + ")";
    if (fmt.channels != 1 && fmt.channels != 2)
        return std::to_string(fmt.channels) + " channels";
    if (fmt.bits != 8 && fmt.bits != 16)
        return std::to_string(fmt.bits) + "-bit samples";
    if (fmt.rate < 1000 || fmt.rate > 192000)
        return "a rate of " + std::to_string(fmt.rate) + " Hz";
    if (fmt.blockAlign != fmt.channels * fmt.bits / 8)
        return "frames of " + std::to_string(fmt.blockAlign) + " bytes";
    return std::string();
}

}  // namespace

std::string ReadWavFormat(ByteSource& source, WavFormat* format)
{
    const uint64_t size = source.Size();
    unsigned char header[12];
    if (size < sizeof header || source.ReadAt(0, header, sizeof header) != sizeof header ||
        std::memcmp(header, "RIFF", 4) != 0)
        return "not a RIFF file";
    if (std::memcmp(header + 8, "WAVE", 4) != 0)
        return "a RIFF file but not a WAVE";

    FmtChunk fmt;
    bool haveData = false;
    uint64_t dataOffset = 0, dataBytes = 0;
    uint64_t at = sizeof header;
    for (int chunk = 0; chunk < kMostChunks && !(fmt.found && haveData) && at + 8 <= size; ++chunk) {
        unsigned char head[8];
        if (source.ReadAt(at, head, sizeof head) != sizeof head)
            break;
        const uint32_t chunkSize = Le32(head + 4);
        const uint64_t body = at + 8;
        if (std::memcmp(head, "fmt ", 4) == 0 && !fmt.found && !ReadFmt(source, body, chunkSize, &fmt))
            return "a format chunk too short";
        if (std::memcmp(head, "data", 4) == 0 && !haveData) {
            haveData = true;
            dataOffset = body;
            // A size past the end (a file cut short, or written as a stream) means: to the end.
            dataBytes = chunkSize < size - body ? chunkSize : size - body;
        }
        at = body + chunkSize + (chunkSize & 1);  // chunks keep an even size
    }
    std::string refusal = Judge(fmt);
    if (!refusal.empty())
        return refusal;
    if (!haveData)
        return "no data chunk";
    WavFormat read;
    read.rate = fmt.rate;
    read.channels = fmt.channels;
    read.bits = fmt.bits;
    read.frameBytes = fmt.blockAlign;
    read.dataOffset = dataOffset;
    read.frames = dataBytes / fmt.blockAlign;
    if (read.frames == 0)
        return "no samples";
    *format = read;
    return std::string();
}

}  // namespace winmm
