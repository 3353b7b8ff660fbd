// The tracks as sound: Ogg Vorbis files decoded exact to the sample (their
// lengths, and any frame read from anywhere, as the sound was encoded), which
// files they refuse, which file of a track is played, and the volume.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "player/winmm/disc.h"
#include "player/winmm/track_reader.h"
#include "player/winmm/volume.h"
#include "tests/player/memory_source.h"

namespace {

using winmm::TrackKind;

// The seeds fuzz/ogg_seeds.sh encodes, with the clicks it puts in them.
const std::filesystem::path kSeeds = std::filesystem::path(INTRO_SOURCE_DIR) / "fuzz" / "corpus" / "wav" / "seeds";

std::unique_ptr<winmm::TrackSound> Open(MemorySource& source, TrackKind kind, std::string* refusal)
{
    return winmm::OpenTrackSound(source, kind, refusal);
}

// Every frame of the sound, read in pieces of `piece` frames from the start.
std::vector<int16_t> Decode(winmm::TrackSound& sound, size_t piece)
{
    const unsigned channels = sound.Format().channels;
    std::vector<int16_t> all;
    std::vector<int16_t> buffer(piece * channels);
    uint64_t at = 0;
    size_t got;
    while ((got = sound.Read(at, buffer.data(), piece)) > 0) {
        all.insert(all.end(), buffer.begin(), buffer.begin() + got * channels);
        at += got;
    }
    return all;
}

// The frame of the loudest sample of one channel within `reach` of `near`.
size_t Loudest(const std::vector<int16_t>& samples, unsigned channels, unsigned channel, size_t near, size_t reach)
{
    size_t best = near - reach;
    for (size_t frame = near - reach; frame <= near + reach; ++frame)
        if (std::abs(samples[frame * channels + channel]) > std::abs(samples[best * channels + channel]))
            best = frame;
    return best;
}

struct Seed {
    const char* name;
    uint32_t rate;
    unsigned channels;
    uint64_t frames;
    unsigned clickChannel;
    std::vector<size_t> clicks;
};
const Seed kClickSeeds[] = {
    {"clicks-mono-22050.ogg", 22050, 1, 5513, 0, {1000, 2345, 4000, 5500}},
    {"clicks-stereo-44100.ogg", 44100, 2, 8821, 1, {777, 4444, 8800}},
};

TEST(OggTrack, LengthAndClicksAreThoseOfTheSoundEncoded)
{
    for (const Seed& seed : kClickSeeds) {
        SCOPED_TRACE(seed.name);
        MemorySource source(FileBytes(kSeeds / seed.name));
        std::string refusal = "unset";
        auto sound = Open(source, TrackKind::Ogg, &refusal);
        ASSERT_TRUE(sound) << refusal;
        EXPECT_EQ(refusal, "");
        const winmm::WavFormat& format = sound->Format();
        EXPECT_EQ(format.rate, seed.rate);
        EXPECT_EQ(format.channels, seed.channels);
        EXPECT_EQ(format.bits, 16u);
        EXPECT_EQ(format.frameBytes, 2 * seed.channels);
        EXPECT_EQ(format.frames, seed.frames);
        // Read to the end in pieces of a 20th of a second, as the DLL streams it.
        const std::vector<int16_t> samples = Decode(*sound, seed.rate / 20);
        ASSERT_EQ(samples.size(), seed.frames * seed.channels) << "decoded to the frame the length names";
        for (size_t click : seed.clicks)
            EXPECT_EQ(Loudest(samples, seed.channels, seed.clickChannel, click, 12), click);
        if (seed.channels == 2) {
            EXPECT_GT(std::abs(samples[2 * 25]), 4000) << "the tone is on the left, at its peak 25 frames in";
        }
    }
}

TEST(OggTrack, AFrameReadFromAnywhereIsTheFrameReadInOrder)
{
    const Seed& seed = kClickSeeds[1];
    MemorySource source(FileBytes(kSeeds / seed.name));
    std::string refusal;
    auto whole = Open(source, TrackKind::Ogg, &refusal);
    ASSERT_TRUE(whole) << refusal;
    const std::vector<int16_t> inOrder = Decode(*whole, 4096);
    ASSERT_EQ(inOrder.size(), 2 * seed.frames);

    auto sound = Open(source, TrackKind::Ogg, &refusal);
    ASSERT_TRUE(sound) << refusal;
    // Forward and back, across the stream's pages and blocks, the first and the last frame.
    const uint64_t starts[] = {4444, 1, 8820, 0, 2047, 2048, 6000, 777, 5999, 8000};
    for (uint64_t first : starts) {
        SCOPED_TRACE(first);
        int16_t frames[2 * 64];
        const size_t expected = std::min<uint64_t>(64, seed.frames - first);
        ASSERT_EQ(sound->Read(first, frames, 64), expected);
        for (size_t i = 0; i < 2 * expected; ++i)
            ASSERT_EQ(frames[i], inOrder[2 * first + i]) << "sample " << i;
    }
    int16_t none[2];
    EXPECT_EQ(sound->Read(seed.frames, none, 1), 0u) << "nothing from the end on";
    EXPECT_EQ(sound->Read(seed.frames + 100, none, 1), 0u);
}

// The lag, from -reach to reach frames, at which the Ogg's frames best match
// the WAV's (least squared difference), both 16-bit stereo.
int BestLag(const std::vector<int16_t>& ogg, const std::vector<int16_t>& wav, size_t reach)
{
    int best = 0;
    double bestError = -1;
    for (int lag = -(int)reach; lag <= (int)reach; ++lag) {
        double error = 0;
        for (size_t i = 2 * reach; i + 2 * reach < ogg.size(); ++i) {
            double d = ogg[i] - wav[i + 2 * lag + 2 * reach];
            error += d * d;
        }
        if (bestError < 0 || error < bestError)
            bestError = error, best = lag;
    }
    return best;
}

// The composed track 5 as the build encodes it: as long as its WAV, and each
// frame read from anywhere lies where the WAV has it.
TEST(OggTrack, TrackFiveIsItsWavToTheSample)
{
    const std::filesystem::path music(INTRO_MUSIC_DIR);
    MemorySource wavFile(FileBytes(music / "track05.wav")), oggFile(FileBytes(music / "track05.ogg"));
    std::string refusal;
    auto wav = Open(wavFile, TrackKind::Wav, &refusal);
    ASSERT_TRUE(wav) << refusal << " (" << music / "track05.wav" << ")";
    auto ogg = Open(oggFile, TrackKind::Ogg, &refusal);
    ASSERT_TRUE(ogg) << refusal << " (" << music / "track05.ogg" << ")";
    ASSERT_EQ(ogg->Format().frames, wav->Format().frames);
    EXPECT_EQ(ogg->Format().rate, 44100u);
    EXPECT_EQ(ogg->Format().channels, 2u);

    constexpr size_t kFrames = 4096, kReach = 3;
    const uint64_t frames = wav->Format().frames;
    for (uint64_t first : {frames / 2, (uint64_t)441000, frames - kFrames, (uint64_t)kReach, frames / 3}) {
        SCOPED_TRACE(first);
        std::vector<int16_t> fromOgg(2 * kFrames), fromWav(2 * (kFrames + 2 * kReach));
        ASSERT_EQ(ogg->Read(first, fromOgg.data(), kFrames), kFrames);
        const size_t wanted = kFrames + 2 * kReach;
        ASSERT_EQ(wav->Read(first - kReach, fromWav.data(), wanted), std::min<uint64_t>(wanted, frames - first + kReach));
        EXPECT_EQ(BestLag(fromOgg, fromWav, kReach), 0);
    }
    // Decoded to its end from the last second, it ends at the WAV's last frame.
    std::vector<int16_t> tail(2 * 44100);
    uint64_t at = frames - 44100 - 17;
    size_t got;
    while ((got = ogg->Read(at, tail.data(), 1000)) > 0)
        at += got;
    EXPECT_EQ(at, frames);
}

// The comment header of an Ogg file made by oggenc: on the second page, at byte
// 58, after the page's 27 bytes and its table of segments.
size_t CommentHeader(const Bytes& ogg)
{
    return 58 + 27 + ogg[58 + 26];
}

uint32_t VendorLength(const Bytes& ogg)
{
    const size_t at = CommentHeader(ogg) + 7;
    return ogg[at] | ogg[at + 1] << 8 | ogg[at + 2] << 16 | (uint32_t)ogg[at + 3] << 24;
}

// The file with a field of its comment header, `offset` bytes in, set to `value`.
Bytes Patched32(Bytes ogg, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        ogg[CommentHeader(ogg) + offset + i] = (unsigned char)(value >> 8 * i);
    return ogg;
}

TEST(OggTrack, FilesThatAreNoVorbisStreamAreRefusedWithTheReason)
{
    const Bytes ogg = FileBytes(kSeeds / kClickSeeds[0].name);
    const Bytes wav = FileBytes(kSeeds / "cd-stereo-16bit.wav");
    const std::string notVorbis = "not an Ogg Vorbis stream";
    const std::string damaged = "not an Ogg Vorbis stream (its comment header is damaged)";
    const struct {
        const char* what;
        Bytes file;
        std::string refusal;  // its start
    } cases[] = {
        {"three channels", FileBytes(kSeeds / "three-channels.ogg"), "3 channels"},
        {"a WAV named .ogg", wav, notVorbis},
        {"an empty file", Bytes{}, notVorbis},
        {"the first page alone", Bytes(ogg.begin(), ogg.begin() + 58), notVorbis},
        {"headers cut short", Bytes(ogg.begin(), ogg.begin() + 1000), notVorbis},
        {"the capture pattern wrong", [&] { Bytes b = ogg; b[0] = 'X'; return b; }(), notVorbis},
        {"a vendor text longer than its header", Patched32(ogg, 7, 0xFFFFFFFF), damaged},
        {"more comments than its header holds", Patched32(ogg, 11 + VendorLength(ogg), 0x20000000), damaged},
        {"a comment longer than its header",
         Patched32(Patched32(ogg, 11 + VendorLength(ogg), 1), 15 + VendorLength(ogg), 0x7FFFFFFF), damaged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemorySource source(c.file);
        std::string refusal;
        EXPECT_FALSE(Open(source, TrackKind::Ogg, &refusal));
        EXPECT_EQ(refusal.substr(0, c.refusal.size()), c.refusal) << refusal;
    }
    // An Ogg named .wav is no WAV.
    MemorySource source(ogg);
    std::string refusal;
    EXPECT_FALSE(Open(source, TrackKind::Wav, &refusal));
    EXPECT_EQ(refusal, "not a RIFF file");
}

void Put32(Bytes* bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes->push_back((unsigned char)(value >> 8 * i));
}

// A comment packet: its type and name, a vendor text of `vendor` bytes of 'v' under
// a length field of `vendorField`, a count field and the comments' lengths, each
// comment that many bytes of 'c'; no framing byte.
Bytes CommentPacket(uint32_t vendorField, size_t vendor, uint32_t count, std::vector<uint32_t> comments = {})
{
    Bytes packet = {3, 'v', 'o', 'r', 'b', 'i', 's'};
    Put32(&packet, vendorField);
    packet.insert(packet.end(), vendor, 'v');
    Put32(&packet, count);
    for (uint32_t length : comments) {
        Put32(&packet, length);
        packet.insert(packet.end(), length, 'c');
    }
    return packet;
}

// A page as the header check reads one: the capture pattern, 22 bytes it does
// not look at, the count of lacing values, the values, then the body.
Bytes Page(const std::vector<unsigned char>& lacing, const Bytes& body)
{
    Bytes page = {'O', 'g', 'g', 'S'};
    page.insert(page.end(), 22, 0);
    page.push_back((unsigned char)lacing.size());
    page.insert(page.end(), lacing.begin(), lacing.end());
    page.insert(page.end(), body.begin(), body.end());
    return page;
}

// A first page of 58 bytes (one packet of 30 zeros, which no decoder takes),
// then the packet laced on pages of at most 255 lacing values: 255 for each
// whole 255 bytes, and the rest (0 after a packet of whole 255s).
Bytes OggFile(const Bytes& packet)
{
    Bytes file = Page({30}, Bytes(30, 0));
    std::vector<unsigned char> lacing(packet.size() / 255, 255);
    lacing.push_back((unsigned char)(packet.size() % 255));
    size_t at = 0;
    for (size_t first = 0; first < lacing.size(); first += 255) {
        const std::vector<unsigned char> values(lacing.begin() + first,
                                                lacing.begin() + std::min(first + 255, lacing.size()));
        size_t length = 0;
        for (unsigned char value : values)
            length += value;
        const Bytes page = Page(values, Bytes(packet.begin() + at, packet.begin() + at + length));
        file.insert(file.end(), page.begin(), page.end());
        at += length;
    }
    return file;
}

TEST(OggTrack, TheCommentHeaderIsReadAcrossItsPagesWithItsFieldsLowByteFirst)
{
    // The header check passes these on to the decoder, which refuses their
    // first page; it calls the others damaged.
    const std::string decoder = "not an Ogg Vorbis stream (stb_vorbis error";
    const std::string damaged = "not an Ogg Vorbis stream (its comment header is damaged)";
    Bytes twoPages = CommentPacket(65540, 65540, 0);
    ASSERT_EQ(twoPages.size() / 255 + 1, 258u) << "its lacing values fill one page and spill onto a second";
    Bytes hugeVendor = twoPages;
    hugeVendor[10] = 1;  // the length field's top byte: 16842756 bytes
    const Bytes whole = CommentPacket(240, 240, 0);
    ASSERT_EQ(whole.size(), 255u);
    // Its page full after the 255, its end a page of one lacing value 0 and no body.
    Bytes wholePages = Page({30}, Bytes(30, 0));
    for (const Bytes& page : {Page({255}, whole), Page({0}, Bytes())})
        wholePages.insert(wholePages.end(), page.begin(), page.end());
    Bytes typeFive = CommentPacket(5, 5, 0);
    typeFive[0] = 5;
    Bytes cutInLacing = OggFile(CommentPacket(5, 5, 0));
    cutInLacing[58 + 26] = 200;  // 200 lacing values, in a file 21 bytes longer
    const struct {
        const char* what;
        Bytes file;
        const std::string& refusal;
    } cases[] = {
        {"a vendor text of 300 bytes (0x012C)", OggFile(CommentPacket(300, 300, 0)), decoder},
        {"a vendor text of 65540 bytes (0x010004), over two pages", OggFile(twoPages), decoder},
        {"a vendor length of 0x01010004", OggFile(hugeVendor), damaged},
        {"a packet of 255 bytes ended by a lone 0 on the next page, at the file's end", wholePages, decoder},
        {"the last comment ending with the file", OggFile(CommentPacket(5, 5, 1, {10})), decoder},
        {"two empty comments ending with the file", OggFile(CommentPacket(5, 5, 2, {0, 0})), decoder},
        {"two comments counted, one there", OggFile(CommentPacket(5, 5, 2, {0})), damaged},
        {"a comment one byte longer than the file", [] { Bytes b = OggFile(CommentPacket(5, 5, 1, {10})); b.pop_back(); return b; }(), damaged},
        {"a packet of type 5", OggFile(typeFive), damaged},
        {"a lacing table past the file's end", cutInLacing, damaged},
        {"a packet continued where no page follows", Bytes(wholePages.begin(), wholePages.end() - 28), damaged},
        {"the second page without its capture pattern", [] { Bytes b = OggFile(CommentPacket(5, 5, 0)); b[58] = 'X'; return b; }(), damaged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemorySource source(c.file);
        std::string refusal;
        EXPECT_FALSE(Open(source, TrackKind::Ogg, &refusal));
        EXPECT_EQ(refusal.substr(0, c.refusal.size()), c.refusal) << refusal;
    }
}

TEST(OggTrack, AFileCutShortPlaysWhatItHoldsAndNoMore)
{
    // The seed's pages: the two of headers, then one of sound from byte 3932.
    const Bytes ogg = FileBytes(kSeeds / kClickSeeds[1].name);
    ASSERT_EQ(std::string(ogg.begin() + 3932, ogg.begin() + 3936), "OggS");
    const std::pair<size_t, const char*> refused[] = {
        {3000, "not an Ogg Vorbis stream"},  // in the setup header
        {4400, "no samples"},                // in the page of sound: no page says where the sound ends
    };
    for (const auto& c : refused) {
        MemorySource source(Bytes(ogg.begin(), ogg.begin() + c.first));
        std::string refusal;
        EXPECT_FALSE(Open(source, TrackKind::Ogg, &refusal)) << c.first;
        EXPECT_EQ(refusal.substr(0, std::strlen(c.second)), c.second) << c.first;
    }
    // Its last byte lost, the page still names its end: no frame past it is made up.
    MemorySource source(Bytes(ogg.begin(), ogg.end() - 1));
    std::string refusal;
    auto sound = Open(source, TrackKind::Ogg, &refusal);
    ASSERT_TRUE(sound) << refusal;
    EXPECT_LE(Decode(*sound, 1000).size(), 2 * sound->Format().frames);
    EXPECT_LE(sound->Format().frames, kClickSeeds[1].frames);
}

TEST(WavTrack, FramesAreTheFilesBytesFromAnyFrame)
{
    const Bytes wav = FileBytes(kSeeds / "cd-stereo-16bit.wav");
    MemorySource source(wav);
    std::string refusal;
    auto sound = Open(source, TrackKind::Wav, &refusal);
    ASSERT_TRUE(sound) << refusal;
    const winmm::WavFormat format = sound->Format();
    ASSERT_EQ(format.frameBytes, 4u);
    ASSERT_GT(format.frames, 10u);
    unsigned char frames[4 * 8];
    EXPECT_EQ(sound->Read(3, frames, 8), 8u);
    const auto data = wav.begin() + (long)format.dataOffset;
    EXPECT_EQ(Bytes(frames, frames + 32), Bytes(data + 12, data + 44));
    EXPECT_EQ(sound->Read(format.frames - 2, frames, 8), 2u) << "short at the end";
    EXPECT_EQ(sound->Read(format.frames, frames, 8), 0u);
}

// The fuzzer's Ogg inputs, seeds and every crash it kept, open or are refused without fault.
TEST(OggTrack, TheFuzzersCorpusDecodesWithoutFault)
{
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kSeeds.parent_path())) {
        Bytes bytes = entry.is_regular_file() ? FileBytes(entry.path()) : Bytes{};
        if (bytes.size() < 4 || std::string(bytes.begin(), bytes.begin() + 4) != "OggS")
            continue;
        MemorySource source(bytes);
        std::string refusal;
        auto sound = Open(source, TrackKind::Ogg, &refusal);
        if (sound) {
            EXPECT_LE(Decode(*sound, 999).size(), sound->Format().frames * sound->Format().channels) << entry.path();
        }
        ++files;
    }
    EXPECT_GE(files, 3);
}

// A damaged stream decodes to any float at all: each still becomes a sample in range.
TEST(OggTrack, DecodedSamplesAreRoundedAndClippedTo16Bits)
{
    EXPECT_EQ(winmm::Pcm16(0.0f), 0);
    EXPECT_EQ(winmm::Pcm16(0.5f), 16384);
    EXPECT_EQ(winmm::Pcm16(-0.5f), -16384);
    EXPECT_EQ(winmm::Pcm16(1.4f / 32768), 1);
    EXPECT_EQ(winmm::Pcm16(1.5f / 32768), 2) << "ties to even";
    EXPECT_EQ(winmm::Pcm16(2.5f / 32768), 2) << "ties to even";
    EXPECT_EQ(winmm::Pcm16(-1.6f / 32768), -2);
    EXPECT_EQ(winmm::Pcm16(32766.6f / 32768), 32767);
    EXPECT_EQ(winmm::Pcm16(1.0f), 32767);
    EXPECT_EQ(winmm::Pcm16(-1.0f), -32768);
    EXPECT_EQ(winmm::Pcm16(-1.5f), -32768);
    EXPECT_EQ(winmm::Pcm16(3e38f), 32767);
    EXPECT_EQ(winmm::Pcm16(-3e38f), -32768);
    EXPECT_EQ(winmm::Pcm16(std::numeric_limits<float>::infinity()), 32767);
    EXPECT_EQ(winmm::Pcm16(-std::numeric_limits<float>::infinity()), -32768);
    EXPECT_EQ(winmm::Pcm16(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST(TrackFiles, AWavIsPlayedBeforeAnOggAndNamesMatchInAnyCase)
{
    const std::vector<std::string> folder = {"Track05.ogg", "readme.txt", "TRACK02.OGG", "track05.WAV",
                                             "track02.ogg", "track05.wav.bak", "track07.Ogg", "track05.wav"};
    const std::vector<std::vector<std::string>> tracks = winmm::TrackFileNames(folder);
    ASSERT_EQ(tracks.size(), 99u);
    EXPECT_EQ(tracks[4], (std::vector<std::string>{"track05.WAV", "track05.wav", "Track05.ogg"}));
    EXPECT_EQ(tracks[1], (std::vector<std::string>{"TRACK02.OGG", "track02.ogg"}));
    EXPECT_EQ(tracks[6], (std::vector<std::string>{"track07.Ogg"}));
    for (int track : {1, 3, 4, 6, 8, 99})
        EXPECT_TRUE(tracks[track - 1].empty()) << track;
}

// Samples as the DLL writes them at a volume.
Bytes Scaled(Bytes samples, uint16_t bits, int volume)
{
    winmm::ScaleSamples(samples.data(), samples.size(), bits, volume);
    return samples;
}

Bytes Pcm16(std::vector<int16_t> values)
{
    Bytes bytes;
    for (int16_t v : values) {
        bytes.push_back((unsigned char)(v & 0xFF));
        bytes.push_back((unsigned char)((uint16_t)v >> 8));
    }
    return bytes;
}

TEST(Volume, SamplesAreScaledAndRoundedHalfAwayFromZero)
{
    const std::vector<int16_t> edges = {-32768, -32767, -3, -1, 0, 1, 3, 32766, 32767};
    EXPECT_EQ(Scaled(Pcm16(edges), 16, 100), Pcm16(edges)) << "full volume leaves every byte";
    EXPECT_EQ(Scaled(Pcm16(edges), 16, 50), Pcm16({-16384, -16384, -2, -1, 0, 1, 2, 16383, 16384}));
    EXPECT_EQ(Scaled(Pcm16(edges), 16, 99), Pcm16({-32440, -32439, -3, -1, 0, 1, 3, 32438, 32439}));
    EXPECT_EQ(Scaled(Pcm16(edges), 16, 1), Pcm16({-328, -328, 0, 0, 0, 0, 0, 328, 328}));
    EXPECT_EQ(Scaled(Pcm16(edges), 16, 0), Pcm16(std::vector<int16_t>(edges.size(), 0)));
    // A half sample at the end of an odd count is left as it is.
    EXPECT_EQ(Scaled(Bytes{0x00, 0x40, 0x7F}, 16, 50), (Bytes{0x00, 0x20, 0x7F}));

    // 8-bit samples are unsigned about 128, and stay within 0 to 255.
    const Bytes bytes = {0, 1, 127, 128, 129, 254, 255};
    EXPECT_EQ(Scaled(bytes, 8, 100), bytes);
    EXPECT_EQ(Scaled(bytes, 8, 50), (Bytes{64, 64, 127, 128, 129, 191, 192}));
    EXPECT_EQ(Scaled(bytes, 8, 99), (Bytes{1, 2, 127, 128, 129, 253, 254}));
    EXPECT_EQ(Scaled(bytes, 8, 0), Bytes(bytes.size(), 128));
}

// auxSetVolume's level (the low word, 0xFFFF full) on top of the setting.
TEST(Volume, TheCdAuxVolumeScalesTheSetting)
{
    const struct {
        int volume;
        uint32_t aux;
        int result;
    } cases[] = {
        {100, 0xFFFF, 100}, {100, 0xFFFFFFFF, 100}, {100, 0x8000, 50}, {100, 0x7FFF, 50}, {100, 0, 0},
        {50, 0x8000, 25},   {100, 0xFFFF0000, 0},   {80, 0x4000, 20},  {0, 0xFFFF, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(winmm::WithAuxVolume(c.volume, c.aux), c.result) << c.volume << " " << std::hex << c.aux;
}

}  // namespace
