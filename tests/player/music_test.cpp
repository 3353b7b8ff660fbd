// Track 5 as composed: a well-formed MIDI file, the same as the one kept
// beside its generator, about three minutes of calm music whose theme comes
// back, every note in its instrument's range and ended.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "tools/music/midi_file.h"
#include "tools/music/score.h"

namespace {

using Bytes = std::vector<unsigned char>;

TEST(Music, DeltaTimesUseSevenBitsAByte)
{
    // The examples of the standard MIDI file format.
    const std::pair<uint32_t, Bytes> cases[] = {
        {0x00, {0x00}},           {0x40, {0x40}},           {0x7F, {0x7F}},
        {0x80, {0x81, 0x00}},     {0x2000, {0xC0, 0x00}},   {0x3FFF, {0xFF, 0x7F}},
        {0x4000, {0x81, 0x80, 0x00}}, {0x1FFFFF, {0xFF, 0xFF, 0x7F}}, {0x200000, {0x81, 0x80, 0x80, 0x00}},
        {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}},
    };
    for (const auto& c : cases) {
        Bytes bytes;
        music::AppendVariableLength(&bytes, c.first);
        EXPECT_EQ(bytes, c.second) << c.first;
    }
}

// A note as read back from the file: channel, pitch, velocity, start and end in ticks.
struct PlayedNote {
    int channel, pitch, velocity, start, end;
};

struct ReadBack {
    std::vector<PlayedNote> notes;
    std::map<int, int> programs;  // by channel
    uint32_t tempo = 0;
    int endTick = 0;
    std::string fault;  // empty when the file read cleanly
};

uint32_t Variable(const Bytes& b, size_t* at)
{
    uint32_t value = 0;
    while (*at < b.size()) {
        unsigned char byte = b[(*at)++];
        value = value << 7 | (byte & 0x7F);
        if (!(byte & 0x80))
            break;
    }
    return value;
}

// Reads a format-0 file as the sequencer would, without running status.
ReadBack Read(const Bytes& file)
{
    ReadBack read;
    const Bytes header = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k'};
    if (file.size() < 22 || !std::equal(header.begin(), header.end(), file.begin())) {
        read.fault = "header";
        return read;
    }
    const size_t length = (size_t)file[18] << 24 | file[19] << 16 | file[20] << 8 | file[21];
    if (length != file.size() - 22) {
        read.fault = "track length";
        return read;
    }
    std::map<std::pair<int, int>, std::pair<int, int>> sounding;  // (channel, pitch) -> (start, velocity)
    size_t at = 22;
    int tick = 0;
    while (at < file.size()) {
        tick += (int)Variable(file, &at);
        unsigned char status = file[at++];
        if (status == 0xFF) {
            unsigned char type = file[at++];
            uint32_t size = Variable(file, &at);
            if (type == 0x51)
                read.tempo = (uint32_t)file[at] << 16 | file[at + 1] << 8 | file[at + 2];
            at += size;
            if (type == 0x2F) {
                read.endTick = tick;
                if (at != file.size())
                    read.fault = "bytes after the end of the track";
                break;
            }
            continue;
        }
        const int channel = status & 0x0F, kind = status & 0xF0;
        if (kind == 0xC0) {
            read.programs[channel] = file[at++];
        } else if (kind == 0xB0) {
            at += 2;
        } else if (kind == 0x90 || kind == 0x80) {
            int pitch = file[at], velocity = file[at + 1];
            at += 2;
            auto key = std::make_pair(channel, pitch);
            if (kind == 0x90 && velocity > 0) {
                if (sounding.count(key))
                    read.fault = "a note struck again while it sounds";
                sounding[key] = {tick, velocity};
            } else if (sounding.count(key)) {
                read.notes.push_back({channel, pitch, sounding[key].second, sounding[key].first, tick});
                sounding.erase(key);
            } else {
                read.fault = "a note ended that never began";
            }
        } else {
            read.fault = "an unexpected event";
            break;
        }
    }
    if (!sounding.empty())
        read.fault = "notes left sounding";
    return read;
}

TEST(Music, TheFileIsWellFormedAndEveryNoteEnds)
{
    ReadBack read = Read(music::MidiFile(music::ComposeTrackFive()));
    ASSERT_EQ(read.fault, "");
    EXPECT_EQ(read.tempo, 1000000u) << "60 beats a minute";
    EXPECT_GT(read.notes.size(), 500u);
    for (const PlayedNote& note : read.notes) {
        EXPECT_GT(note.end, note.start);
        EXPECT_LE(note.end, read.endTick);
        EXPECT_NE(note.channel, 9) << "no drums";
        EXPECT_LE(note.velocity, 100) << "calm: nothing is struck hard";
    }
}

TEST(Music, ItLastsAboutThreeMinutes)
{
    music::Score score = music::ComposeTrackFive();
    const double seconds = music::Seconds(score, score.endTick);
    EXPECT_GE(seconds, 170.0) << "no shorter than the pictures";
    EXPECT_LE(seconds, 190.0);
    int lastEnd = 0;
    for (const music::Note& note : score.notes)
        lastEnd = std::max(lastEnd, note.start + note.length);
    EXPECT_GE(music::Seconds(score, score.endTick - lastEnd), 3.0) << "the last chord is given time to ring";
}

TEST(Music, EachInstrumentPlaysInItsRange)
{
    // General MIDI programs and the notes the real instruments reach.
    struct Range {
        int program, low, high;
        const char* name;
    };
    const Range ranges[] = {
        {73, 60, 96, "flute"},   {8, 60, 108, "celesta"}, {35, 28, 55, "fretless bass"}, {49, 40, 96, "strings"},
        {52, 48, 81, "choir"},   {11, 53, 89, "vibraphone"}, {89, 36, 96, "warm pad"},   {95, 24, 72, "sweep pad"},
    };
    ReadBack read = Read(music::MidiFile(music::ComposeTrackFive()));
    ASSERT_EQ(read.fault, "");
    std::set<int> used;
    for (const PlayedNote& note : read.notes) {
        const int program = read.programs.at(note.channel);
        const Range* range = nullptr;
        for (const Range& r : ranges)
            if (r.program == program)
                range = &r;
        ASSERT_NE(range, nullptr) << "program " << program;
        EXPECT_GE(note.pitch, range->low) << range->name;
        EXPECT_LE(note.pitch, range->high) << range->name;
        used.insert(program);
    }
    EXPECT_EQ(used.size(), std::size(ranges));
}

// The flute's theme opens with A F# E F# G# B A F# (steps of -3 -2 +2 +2 +3 -2 -3).
TEST(Music, TheThemeComesBack)
{
    ReadBack read = Read(music::MidiFile(music::ComposeTrackFive()));
    std::vector<PlayedNote> flute;
    for (const PlayedNote& note : read.notes)
        if (read.programs[note.channel] == 73)
            flute.push_back(note);
    std::sort(flute.begin(), flute.end(), [](const PlayedNote& a, const PlayedNote& b) { return a.start < b.start; });
    const int steps[] = {-3, -2, 2, 2, 3, -2, -3};
    int found = 0;
    for (size_t i = 0; i + 7 < flute.size(); ++i) {
        bool same = flute[i].pitch == 69;  // from A4
        for (int k = 0; k < 7 && same; ++k)
            same = flute[i + k + 1].pitch - flute[i + k].pitch == steps[k];
        found += same;
    }
    EXPECT_GE(found, 3) << "the theme is heard three times at least";
}

TEST(Music, TheKeptMidiFileIsTheOneTheGeneratorWrites)
{
    std::ifstream kept(std::filesystem::path(INTRO_SOURCE_DIR) / "tools" / "music" / "track05.mid", std::ios::binary);
    ASSERT_TRUE(kept) << "tools/music/track05.mid";
    Bytes bytes{std::istreambuf_iterator<char>(kept), std::istreambuf_iterator<char>()};
    EXPECT_TRUE(bytes == music::MidiFile(music::ComposeTrackFive()))
        << "the composition changed: run compose-track05 tools/music/track05.mid and listen again";
}

}  // namespace
