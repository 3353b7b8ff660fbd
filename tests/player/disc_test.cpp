// The disc the music folder stands for: where its tracks lie and how MCI's
// time formats name positions on it. A CD frame is 1/75 s: three minutes at
// 44100 Hz are 7938000 sample frames and 13500 CD frames.
#include <gtest/gtest.h>

#include "player/winmm/disc.h"
#include "player/winmm/mci_text.h"

namespace {

using winmm::Disc;
using winmm::TimeFormat;
using winmm::TrackFile;

constexpr uint32_t kThreeMinutes = 13500;

// Track 5 alone, three minutes at 44100 Hz: what the run's music folder holds.
Disc TrackFiveOnly()
{
    std::vector<TrackFile> tracks(5);
    tracks[4] = TrackFile{44100, 7938000};
    return Disc(tracks);
}

// Tracks 2 (10 s at 22050 Hz, a part-frame over) and 4 (one minute at 48000 Hz).
Disc TwoAndFour()
{
    std::vector<TrackFile> tracks(6);
    tracks[1] = TrackFile{22050, 220500 + 100};
    tracks[3] = TrackFile{48000, 2880000};
    return Disc(tracks);
}

uint32_t Tmsf(const char* text)
{
    uint32_t value = 0;
    EXPECT_TRUE(winmm::ParseMciInteger(text, &value)) << text;
    return value;
}

TEST(Disc, TrackNumbersComeFromFileNamesInAnyCase)
{
    const std::pair<const char*, int> cases[] = {
        {"track05.wav", 5}, {"TRACK05.WAV", 5}, {"Track12.Wav", 12}, {"track99.wav", 99}, {"track01.wav", 1},
        {"track00.wav", 0}, {"track5.wav", 0},  {"track005.wav", 0}, {"track05.mp3", 0}, {"track05.wav.bak", 0},
        {"xtrack05.wav", 0}, {"trackab.wav", 0}, {"", 0}, {"track05.ogg.part", 0}, {"track05.oga", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(winmm::TrackOfFileName(c.first), c.second) << c.first;
    const std::pair<const char*, winmm::TrackKind> kinds[] = {
        {"track05.wav", winmm::TrackKind::Wav}, {"Track05.OGG", winmm::TrackKind::Ogg},
        {"TRACK31.Ogg", winmm::TrackKind::Ogg}, {"track99.WaV", winmm::TrackKind::Wav},
    };
    for (const auto& c : kinds) {
        winmm::TrackKind kind = c.second == winmm::TrackKind::Wav ? winmm::TrackKind::Ogg : winmm::TrackKind::Wav;
        EXPECT_NE(winmm::TrackOfFileName(c.first, &kind), 0) << c.first;
        EXPECT_EQ(kind, c.second) << c.first;
    }
}

TEST(Disc, TracksLieEndToEndFromTwoSecondsIn)
{
    Disc disc = TrackFiveOnly();
    EXPECT_EQ(disc.Count(), 5);
    EXPECT_FALSE(disc.HasFile(4));
    EXPECT_TRUE(disc.HasFile(5));
    EXPECT_EQ(disc.Start(1), 150u);
    EXPECT_EQ(disc.Start(5), 150u);
    EXPECT_EQ(disc.Length(5), kThreeMinutes);
    EXPECT_EQ(disc.End(), 150u + kThreeMinutes);

    Disc two = TwoAndFour();
    EXPECT_EQ(two.Count(), 4) << "trailing tracks without files are not on the disc";
    EXPECT_EQ(two.Length(2), 751u) << "10 s and a part-frame";
    EXPECT_EQ(two.Start(3), 150u + 751);
    EXPECT_EQ(two.Start(4), 150u + 751);
    EXPECT_EQ(two.End(), 150u + 751 + 4500);
    EXPECT_EQ(two.TrackAt(0), 2) << "the lead-in belongs to the first track";
    EXPECT_EQ(two.TrackAt(150 + 750), 2);
    EXPECT_EQ(two.TrackAt(150 + 751), 4);
    EXPECT_EQ(two.TrackAt(two.End()), 4);

    EXPECT_EQ(Disc(std::vector<TrackFile>(3)).Count(), 0);
}

TEST(Disc, TmsfPositionsNameATrackAndAnOffsetInIt)
{
    Disc disc = TrackFiveOnly();
    struct Case {
        const char* text;
        unsigned long error;
        uint32_t position;
        int track;
    };
    const Case cases[] = {
        {"05:00:00:00", 0, 150, 5},
        {"06:00:00:00", 0, 150 + kThreeMinutes, 5},  // the start of the next track: the end of the disc
        {"05:01:30:00", 0, 150 + 90 * 75, 5},
        {"05:00:00:74", 0, 150 + 74, 5},
        {"05:03:00:00", 0, 150 + kThreeMinutes, 5},  // the very end of track 5
        {"04:00:00:00", 0, 150, 4},                  // a track without a file, at its start
        {"5", 0, 150, 5},
        {"05:03:00:01", 282, 0, 0},  // past the end of the track
        {"06:00:00:01", 282, 0, 0},
        {"07:00:00:00", 282, 0, 0},
        {"00:00:00:00", 282, 0, 0},
        {"05:00:60:00", 282, 0, 0},
        {"05:00:00:75", 282, 0, 0},
        {"04:00:01:00", 282, 0, 0},  // inside a track that takes no room
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        unsigned long error = 99;
        winmm::Place place = disc.Read(Tmsf(c.text), TimeFormat::Tmsf, &error);
        EXPECT_EQ(error, c.error);
        if (c.error == 0) {
            EXPECT_EQ(place.position, c.position);
            EXPECT_EQ(place.track, c.track);
        }
    }
}

TEST(Disc, MsfAndMillisecondsAreFromTheStartOfTheDisc)
{
    Disc disc = TwoAndFour();
    unsigned long error = 99;
    winmm::Place place = disc.Read(Tmsf("00:12:01"), TimeFormat::Msf, &error);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(place.position, 12u * 75 + 1);
    EXPECT_EQ(place.track, 4);
    place = disc.Read(Tmsf("00:01:00"), TimeFormat::Msf, &error);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(place.position, 75u) << "the lead-in is a place, before the first track";
    EXPECT_EQ(place.track, 2) << "and belongs to it";
    disc.Read(Tmsf("01:13:02"), TimeFormat::Msf, &error);
    EXPECT_EQ(error, 282u) << "past the end of the disc";
    disc.Read(Tmsf("00:00:00:01"), TimeFormat::Msf, &error);
    EXPECT_EQ(error, 282u) << "msf has three fields";

    place = disc.Read(12000, TimeFormat::Milliseconds, &error);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(place.position, 900u);
    place = disc.Read(14, TimeFormat::Milliseconds, &error);
    EXPECT_EQ(place.position, 2u) << "rounded up to whole frames";
    disc.Read(100000, TimeFormat::Milliseconds, &error);
    EXPECT_EQ(error, 282u);
}

// The text mciSendString makes of a reading.
std::string Text(winmm::Reading reading)
{
    return winmm::ResultText(reading.value, reading.kind);
}

TEST(Disc, PositionsAreWrittenAsStatusGivesThem)
{
    Disc disc = TwoAndFour();
    const uint32_t inFour = disc.Start(4) + 75 * 61 / 2;  // 30 s and a half-second-ish into track 4
    const std::pair<winmm::Reading, const char*> cases[] = {
        {disc.PositionReading(inFour, TimeFormat::Tmsf), "04:00:30:37"},
        {disc.PositionReading(150, TimeFormat::Tmsf), "02:00:00:00"},
        {disc.PositionReading(disc.End(), TimeFormat::Tmsf), "04:01:00:00"},
        {disc.PositionReading(150, TimeFormat::Msf), "00:02:00"},
        {disc.PositionReading(disc.End(), TimeFormat::Msf), "01:12:01"},
        {disc.PositionReading(150, TimeFormat::Milliseconds), "2000"},
        {Disc::LengthReading(kThreeMinutes, TimeFormat::Tmsf), "03:00:00"},
        {Disc::LengthReading(751, TimeFormat::Msf), "00:10:01"},
        {Disc::LengthReading(751, TimeFormat::Milliseconds), "10013"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(c.first), c.second);
    EXPECT_EQ(disc.PositionReading(150, TimeFormat::Msf).value, 0x00000200u) << "00:02:00, minutes in the low byte";
}

// A mixed-mode disc: track 1 is its data, ten minutes; track 3 three minutes of sound.
TEST(Disc, TheDataTrackComesFirstAndTakesItsLength)
{
    std::vector<TrackFile> tracks(3);
    tracks[2] = TrackFile{44100, 7938000};
    Disc disc(tracks, 45000);
    EXPECT_TRUE(disc.IsData(1));
    EXPECT_FALSE(disc.HasFile(1));
    EXPECT_FALSE(disc.IsData(2));
    EXPECT_FALSE(disc.IsData(3));
    EXPECT_EQ(disc.Start(1), 150u);
    EXPECT_EQ(disc.Start(2), 150u + 45000);
    EXPECT_EQ(disc.Start(3), 150u + 45000);
    EXPECT_EQ(disc.End(), 150u + 45000 + kThreeMinutes);
    EXPECT_EQ(disc.FirstAudio(), 3);
    EXPECT_EQ(disc.TrackAt(150), 1);
    EXPECT_EQ(disc.TrackAt(150 + 44999), 1) << "track 1's last frame";
    EXPECT_EQ(disc.TrackAt(150 + 45000), 3);
    unsigned long error = 99;
    EXPECT_EQ(disc.Read(Tmsf("01:10:00:00"), TimeFormat::Tmsf, &error).position, 150u + 45000);
    EXPECT_EQ(error, 0u) << "track 1's end";
    disc.Read(Tmsf("01:10:00:01"), TimeFormat::Tmsf, &error);
    EXPECT_EQ(error, 282u);
    EXPECT_EQ(Text(disc.PositionReading(150 + 45000 - 1, TimeFormat::Tmsf)), "01:09:59:74");

    Disc withFile(std::vector<TrackFile>{TrackFile{44100, 441000}, TrackFile{}, tracks[2]}, 45000);
    EXPECT_FALSE(withFile.IsData(1)) << "a track 1 with a file is sound";
    EXPECT_EQ(withFile.Start(2), 150u + 750);
    EXPECT_EQ(Disc(std::vector<TrackFile>(3), 45000).Count(), 0) << "data alone is no disc to serve";
}

TEST(Disc, TheIdentityIsFreedbsNumberOfTheTableOfContents)
{
    // Track 5 alone: its start, 2 s in, has the digit sum 2, for each of
    // tracks 1 to 5; the disc is 180 s long and has 5 tracks.
    EXPECT_EQ(TrackFiveOnly().Identity(), (5u * 2) << 24 | 180u << 8 | 5u);
}

TEST(Disc, MillisecondsGivenBackReadAsTheSamePosition)
{
    Disc disc = TrackFiveOnly();
    for (uint32_t position = 150; position < 150 + 400; ++position) {
        uint32_t value = disc.PositionReading(position, TimeFormat::Milliseconds).value;
        unsigned long error = 99;
        EXPECT_EQ(disc.Read(value, TimeFormat::Milliseconds, &error).position, position);
    }
}

TEST(Disc, PositionsMapToSamplesOfTheTracksFile)
{
    Disc disc = TwoAndFour();
    EXPECT_EQ(disc.SampleAt(2, 150), 0u);
    EXPECT_EQ(disc.SampleAt(2, 151), 294u) << "one CD frame at 22050 Hz";
    EXPECT_EQ(disc.SampleAt(2, 150 + 751), 220600u) << "the end of a track is the end of its file";
    EXPECT_EQ(disc.SampleAt(4, disc.Start(4) + 75), 48000u);
    EXPECT_EQ(disc.PositionOf(4, 48000), disc.Start(4) + 75);
    EXPECT_EQ(disc.PositionOf(4, 47999), disc.Start(4) + 74);
    EXPECT_EQ(disc.PositionOf(2, 220600), 150u + 750) << "the last sample lies in the last, part-filled frame";
}

}  // namespace
