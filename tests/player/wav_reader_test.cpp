// The track files' reader: which WAV files it streams, which it refuses and
// why, and that it never reads more than it needs nor past the file's end.
#include <gtest/gtest.h>

#include "player/winmm/wav_reader.h"
#include "tests/player/memory_source.h"

namespace {

void Put16(Bytes* b, unsigned v)
{
    b->push_back(v & 0xFF);
    b->push_back(v >> 8 & 0xFF);
}

void Put32(Bytes* b, uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A chunk with its body, padded to an even size; `claimed` replaces the size it states.
Bytes Chunk(const char* id, const Bytes& body, int64_t claimed = -1)
{
    Bytes chunk(id, id + 4);
    Put32(&chunk, claimed < 0 ? (uint32_t)body.size() : (uint32_t)claimed);
    chunk.insert(chunk.end(), body.begin(), body.end());
    if (body.size() & 1)
        chunk.push_back(0);
    return chunk;
}

Bytes Fmt(unsigned tag, unsigned channels, uint32_t rate, unsigned bits, unsigned blockAlign = 0)
{
    Bytes body;
    if (blockAlign == 0)
        blockAlign = channels * bits / 8;
    Put16(&body, tag);
    Put16(&body, channels);
    Put32(&body, rate);
    Put32(&body, rate * blockAlign);
    Put16(&body, blockAlign);
    Put16(&body, bits);
    return body;
}

// WAVE_FORMAT_EXTENSIBLE with the given sub-format code (1 = PCM, 3 = float).
Bytes Extensible(unsigned channels, uint32_t rate, unsigned bits, unsigned subFormat)
{
    Bytes body = Fmt(0xFFFE, channels, rate, bits);
    Put16(&body, 22);
    Put16(&body, bits);
    Put32(&body, channels == 2 ? 3 : 4);
    Put16(&body, subFormat);
    const unsigned char tail[14] = {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    body.insert(body.end(), tail, tail + 14);
    return body;
}

Bytes Riff(const std::vector<Bytes>& chunks, const char* form = "WAVE")
{
    Bytes body(form, form + 4);
    for (const Bytes& chunk : chunks)
        body.insert(body.end(), chunk.begin(), chunk.end());
    return Chunk("RIFF", body);
}

Bytes Samples(size_t bytes)
{
    Bytes samples(bytes);
    for (size_t i = 0; i < bytes; ++i)
        samples[i] = (unsigned char)(i * 7);
    return samples;
}

std::string Read(const Bytes& file, winmm::WavFormat* format)
{
    MemorySource source(file);
    return winmm::ReadWavFormat(source, format);
}

TEST(WavReader, StreamsPlainPcmFiles)
{
    struct Case {
        const char* what;
        Bytes file;
        uint32_t rate;
        unsigned channels, bits, frameBytes;
        uint64_t dataOffset, frames;
    };
    const Bytes list = Chunk("LIST", Bytes(26, 'x'));
    const Case cases[] = {
        {"CD audio", Riff({Chunk("fmt ", Fmt(1, 2, 44100, 16)), Chunk("data", Samples(4000))}), 44100, 2, 16, 4, 44, 1000},
        {"8-bit mono", Riff({Chunk("fmt ", Fmt(1, 1, 8000, 8)), Chunk("data", Samples(999))}), 8000, 1, 8, 1, 44, 999},
        {"16-bit mono at 22050 Hz", Riff({Chunk("fmt ", Fmt(1, 1, 22050, 16)), Chunk("data", Samples(601))}), 22050, 1, 16, 2, 44, 300},
        {"a list chunk first, as ffmpeg writes", Riff({Chunk("fmt ", Fmt(1, 2, 48000, 16)), list, Chunk("data", Samples(40))}), 48000, 2, 16, 4, 44 + 34, 10},
        {"an odd chunk padded", Riff({Chunk("junk", Bytes(3)), Chunk("fmt ", Fmt(1, 2, 44100, 16)), Chunk("data", Samples(8))}), 44100, 2, 16, 4, 56, 2},
        {"samples before the format", Riff({Chunk("data", Samples(8)), Chunk("fmt ", Fmt(1, 1, 11025, 8))}), 11025, 1, 8, 1, 20, 8},
        {"an 18-byte format chunk", Riff({Chunk("fmt ", [] { Bytes f = Fmt(1, 2, 44100, 16); Put16(&f, 0); return f; }()), Chunk("data", Samples(8))}), 44100, 2, 16, 4, 46, 2},
        {"extensible PCM", Riff({Chunk("fmt ", Extensible(2, 96000, 16, 1)), Chunk("data", Samples(16))}), 96000, 2, 16, 4, 68, 4},
        {"a data size past the end", Riff({Chunk("fmt ", Fmt(1, 2, 44100, 16)), Chunk("data", Samples(40), 0xFFFFFFFF)}), 44100, 2, 16, 4, 44, 10},
        {"the lowest rate", Riff({Chunk("fmt ", Fmt(1, 1, 1000, 8)), Chunk("data", Samples(2))}), 1000, 1, 8, 1, 44, 2},
        {"the highest rate", Riff({Chunk("fmt ", Fmt(1, 2, 192000, 16)), Chunk("data", Samples(8))}), 192000, 2, 16, 4, 44, 2},
        {"chunks named nearly fmt and data", Riff({Chunk("fmt_", Fmt(1, 1, 8000, 8)), Chunk("datX", Samples(2)), Chunk("fmt ", Fmt(1, 2, 44100, 16)), Chunk("data", Samples(8))}), 44100, 2, 16, 4, 78, 2},
        {"a second format chunk", Riff({Chunk("fmt ", Fmt(1, 2, 44100, 16)), Chunk("fmt ", Fmt(1, 1, 8000, 8)), Chunk("data", Samples(8))}), 44100, 2, 16, 4, 68, 2},
        {"a second data chunk", Riff({Chunk("data", Samples(8)), Chunk("data", Samples(40)), Chunk("fmt ", Fmt(1, 1, 11025, 8))}), 11025, 1, 8, 1, 20, 8},
        {"a chunk of 300 bytes first, 70000 of samples", Riff({Chunk("fmt ", Fmt(1, 2, 44100, 16)), Chunk("junk", Bytes(300)), Chunk("data", Samples(70000))}), 44100, 2, 16, 4, 352, 17500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        winmm::WavFormat format;
        EXPECT_EQ(Read(c.file, &format), "");
        EXPECT_EQ(format.rate, c.rate);
        EXPECT_EQ(format.channels, c.channels);
        EXPECT_EQ(format.bits, c.bits);
        EXPECT_EQ(format.frameBytes, c.frameBytes);
        EXPECT_EQ(format.dataOffset, c.dataOffset);
        EXPECT_EQ(format.frames, c.frames);
    }
}

TEST(WavReader, RefusesWhatItCannotStreamWithTheReason)
{
    const Bytes data = Chunk("data", Samples(64));
    Bytes cut = Riff({Chunk("fmt ", Fmt(1, 2, 44100, 16)), data});
    cut.resize(30);
    const std::pair<const char*, Bytes> cases[] = {
        {"not a RIFF file", Bytes{'I', 'D', '3', 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"not a RIFF file", Bytes{}},
        {"not a RIFF file", Bytes{'R', 'I', 'F', 'F'}},
        {"a RIFF file but not a WAVE", Riff({Chunk("fmt ", Fmt(1, 2, 44100, 16)), data}, "AVI ")},
        {"no format chunk", Riff({data})},
        {"a format chunk too short", cut},
        {"a format chunk too short", Riff({Chunk("fmt ", Bytes(14)), data})},
        {"a format chunk too short", Riff({Chunk("fmt ", Fmt(1, 2, 44100, 16), 16 + 1000)})},
        {"not PCM (format 3)", Riff({Chunk("fmt ", Fmt(3, 2, 44100, 32)), data})},
        {"not PCM (format 85)", Riff({Chunk("fmt ", Fmt(85, 2, 44100, 0, 1)), data})},
        {"not PCM (format 65534)", Riff({Chunk("fmt ", Extensible(2, 44100, 16, 3)), data})},
        {"not PCM (format 65534)", Riff({Chunk("fmt ", Fmt(0xFFFE, 2, 44100, 16)), data})},
        {"6 channels", Riff({Chunk("fmt ", Fmt(1, 6, 44100, 16)), data})},
        {"0 channels", Riff({Chunk("fmt ", Fmt(1, 0, 44100, 16, 4)), data})},
        {"24-bit samples", Riff({Chunk("fmt ", Fmt(1, 2, 44100, 24)), data})},
        {"a rate of 0 Hz", Riff({Chunk("fmt ", Fmt(1, 2, 0, 16)), data})},
        {"a rate of 384000 Hz", Riff({Chunk("fmt ", Fmt(1, 2, 384000, 16)), data})},
        {"frames of 2 bytes", Riff({Chunk("fmt ", Fmt(1, 2, 44100, 16, 2)), data})},
        {"no data chunk", Riff({Chunk("fmt ", Fmt(1, 2, 44100, 16))})},
        {"no samples", Riff({Chunk("fmt ", Fmt(1, 2, 44100, 16)), Chunk("data", Bytes())})},
        {"no samples", Riff({Chunk("fmt ", Fmt(1, 2, 44100, 16)), Chunk("data", Samples(3))})},
        {"no samples", Riff({Chunk("fmt ", Fmt(1, 2, 44100, 16)), Chunk("data", Bytes(), 40)})},  // the file ends after its header
        {"a format chunk too short", Riff({Chunk("fmt ", Bytes(15)), data})},
        {"a rate of 999 Hz", Riff({Chunk("fmt ", Fmt(1, 2, 999, 16)), data})},
        {"a rate of 192001 Hz", Riff({Chunk("fmt ", Fmt(1, 2, 192001, 16)), data})},
        {"a rate of 16821316 Hz", Riff({Chunk("fmt ", Fmt(1, 2, 0x0100AC44, 16)), data})},  // 44100 and a top byte
        {"not PCM (format 65534)", Riff({Chunk("fmt ", [] { Bytes f = Extensible(2, 44100, 16, 1); f.back() ^= 1; return f; }()), data})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        winmm::WavFormat format;
        format.rate = 7;
        EXPECT_EQ(Read(c.second, &format), c.first);
        EXPECT_EQ(format.rate, 7u) << "a refused file leaves the format as it was";
    }
}

TEST(WavReader, ReadsOnlyHeadersAndStopsWalkingEndlessChunks)
{
    // A huge format chunk is read for its first 40 bytes alone.
    Bytes big = Fmt(1, 2, 44100, 16);
    big.resize(100000);
    MemorySource source(Riff({Chunk("fmt ", big), Chunk("data", Samples(400))}));
    winmm::WavFormat format;
    EXPECT_EQ(winmm::ReadWavFormat(source, &format), "");
    EXPECT_LE(source.largestRead, 40u);
    EXPECT_LE(source.reads, 6);

    // Ten thousand empty chunks before the samples: the walk gives up long before.
    std::vector<Bytes> chunks{Chunk("fmt ", Fmt(1, 2, 44100, 16))};
    for (int i = 0; i < 10000; ++i)
        chunks.push_back(Chunk("junk", Bytes()));
    chunks.push_back(Chunk("data", Samples(40)));
    MemorySource endless(Riff(chunks));
    EXPECT_EQ(winmm::ReadWavFormat(endless, &format), "no data chunk");
    EXPECT_LT(endless.reads, 300);

    // The samples as the 256th chunk are found, as the 257th they are not.
    for (int junk : {254, 255}) {
        std::vector<Bytes> walk{Chunk("fmt ", Fmt(1, 2, 44100, 16))};
        walk.insert(walk.end(), (size_t)junk, Chunk("junk", Bytes()));
        walk.push_back(Chunk("data", Samples(40)));
        EXPECT_EQ(Read(Riff(walk), &format), junk == 254 ? "" : "no data chunk") << junk;
    }
}

TEST(WavReader, SizesNearTheLimitsOfTheirFieldsDoNotWrap)
{
    // A chunk claiming 4 GiB, then what would lie beyond it if the size wrapped.
    Bytes file = Riff({Chunk("fmt ", Fmt(1, 2, 44100, 16)), Chunk("junk", Bytes(8), 0xFFFFFFF8),
                       Chunk("data", Samples(40))});
    winmm::WavFormat format;
    EXPECT_EQ(Read(file, &format), "no data chunk");
}

// Every input the fuzzer ever kept reads without fault, taken or refused.
TEST(WavReader, TheFuzzersCorpusReadsWithoutFault)
{
    const std::filesystem::path corpus = std::filesystem::path(INTRO_SOURCE_DIR) / "fuzz" / "corpus" / "wav";
    ASSERT_TRUE(std::filesystem::is_directory(corpus)) << corpus;
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus)) {
        if (!entry.is_regular_file())
            continue;
        MemorySource source(FileBytes(entry.path()));
        winmm::WavFormat format;
        std::string refusal = winmm::ReadWavFormat(source, &format);
        if (refusal.empty()) {
            EXPECT_GT(format.frames, 0u) << entry.path();
            EXPECT_LE(format.dataOffset + format.frames * format.frameBytes, source.Size()) << entry.path();
        }
        ++files;
    }
    EXPECT_GT(files, 0);
}

}  // namespace
