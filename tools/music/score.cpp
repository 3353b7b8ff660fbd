#include "tools/music/score.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>

namespace music {

namespace {

// ---- Notation -----------------------------------------------------------------------

// "F#4" as a MIDI note number (C4 = 60).
int Pitch(const std::string& name)
{
    static const int kSteps[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    size_t at = 0;
    int pitch = kSteps[name[at++] - 'A'];
    if (name[at] == '#') {
        ++pitch;
        ++at;
    } else if (name[at] == 'b') {
        --pitch;
        ++at;
    }
    return pitch + 12 * (std::atoi(name.c_str() + at) + 1);
}

std::vector<int> Pitches(const std::string& names)
{
    std::istringstream words(names);
    std::vector<int> pitches;
    for (std::string word; words >> word;)
        pitches.push_back(Pitch(word));
    return pitches;
}

int Ticks(double beats)
{
    return (int)std::lround(beats * kTicksPerBeat);
}

// The chords of the piece, lowest note first; the bass plays that note an octave down.
const std::map<std::string, std::string>& Chords()
{
    static const std::map<std::string, std::string> chords = {
        {"Dmaj9", "D3 A3 C#4 E4 F#4"},  {"E/D", "D3 G#3 B3 E4"},      {"Bm7", "B2 F#3 A3 D4"},
        {"Gmaj7", "G2 D3 F#3 B3"},      {"Dmaj7/F#", "F#2 A3 C#4 D4"}, {"F#m7", "F#2 C#3 E3 A3"},
        {"Asus4", "A2 D3 E3 A3"},       {"A", "A2 C#3 E3 A3"},         {"Bm9", "B2 F#3 A3 C#4 D4"},
        {"Gmaj7#11", "G2 D3 F#3 B3 C#4"}, {"Em9", "E2 G3 B3 D4 F#4"},  {"F#sus4", "F#2 B3 C#4"},
        {"F#", "F#2 A#3 C#4"},          {"Em7", "E2 G3 B3 D4"},
    };
    return chords;
}

// A chord with its length in beats.
struct Harmony {
    const char* chord;
    double beats;
};

// ---- The sections -------------------------------------------------------------------------

// Each section's start, in beats (a bar is four beats, a beat one second).
constexpr double kIntro = 0, kTheme = 16, kSecondVoice = 48, kMiddle = 80, kFullTheme = 112, kCoda = 144,
                 kLast = 176;
// Beats the last sounds are given to ring out after the last chord.
constexpr double kRingOut = 5;

const std::vector<Harmony> kOpening = {{"Dmaj9", 4}, {"Gmaj7#11", 4}, {"Dmaj9", 4}, {"Asus4", 4}};
const std::vector<Harmony> kThemeChords = {{"Dmaj9", 4}, {"E/D", 4},  {"Bm7", 4},   {"Gmaj7", 4},
                                           {"Dmaj7/F#", 4}, {"E/D", 4}, {"F#m7", 4}, {"Gmaj7", 2}, {"Asus4", 2}};
const std::vector<Harmony> kMiddleChords = {{"Bm9", 4}, {"Gmaj7#11", 4}, {"Em9", 4}, {"F#sus4", 2}, {"F#", 2},
                                            {"Bm9", 4}, {"Gmaj7#11", 4}, {"Em7", 4}, {"Asus4", 2},  {"A", 2}};
const std::vector<Harmony> kCodaChords = {{"Dmaj9", 4}, {"Gmaj7#11", 4}, {"Dmaj9", 4}, {"Gmaj7#11", 4},
                                          {"Em9", 4},   {"Asus4", 4},    {"Dmaj9", 8}};

// The theme: a rising arch over the first four bars, answered higher up and
// brought back down to the dominant over the next four.
const char kThemeLine[] =
    "A4:2 F#4:1 E4:1 | F#4:3 G#4:1 | B4:2 A4:1 F#4:1 | E4:4 | "
    "A4:1.5 B4:0.5 C#5:2 | E5:2 D5:1 B4:1 | C#5:2 A4:2 | B4:2 A4:2";
// Its last time round it climbs to the tonic instead.
const char kThemeLineClosing[] =
    "A4:2 F#4:1 E4:1 | F#4:3 G#4:1 | B4:2 A4:1 F#4:1 | E4:4 | "
    "A4:1.5 B4:0.5 C#5:2 | E5:2 D5:1 B4:1 | C#5:2 A4:2 | B4:2 C#5:1 D5:1";
// A slower second voice under the theme's second time.
const char kCounterLine[] = "D4:4 | E4:4 | D4:2 C#4:2 | B3:4 | C#4:4 | B3:2 G#3:2 | A3:4 | G3:2 A3:2";
// The middle part: the theme's head (long, short, short, falling) on other chords.
const char kMiddleLine[] =
    "F#5:2 D5:1 C#5:1 | D5:3 C#5:1 | B4:2 G4:1 F#4:1 | C#5:4 | "
    "F#5:2 E5:1 D5:1 | D5:2 C#5:1 B4:1 | G4:2 B4:1 D5:1 | E5:2 C#5:2";
// The coda: the theme's first notes at half speed, coming to rest on the third.
const char kCodaLine[] = "A4:4 | F#4:2 E4:2 | F#4:4 | C#5:4 | B4:2 A4:2 | A4:4 | F#4:8";

// ---- Writing notes ------------------------------------------------------------------------

class Writer {
public:
    explicit Writer(Score* score) : score_(*score) {}

    // A note struck while the same key of the same instrument still sounds
    // cuts the earlier one short; struck at the same moment, it is one note.
    void Add(int channel, int pitch, int velocity, double beat, double beats)
    {
        const int start = Ticks(beat);
        int length = Ticks(beats);
        for (Note& other : score_.notes) {
            if (other.channel != channel || other.pitch != pitch)
                continue;
            if (other.start == start)
                return;
            if (other.start < start && other.start + other.length > start)
                other.length = start - other.start;
            if (other.start > start && start + length > other.start)
                length = other.start - start;
        }
        score_.notes.push_back(Note{channel, pitch, velocity, start, length});
    }

    // "A4:2 F#4:1 | r:1": notes and rests with their beats; bar lines are for the reader.
    double Line(int channel, int velocity, double beat, const char* line, int transpose = 0, double legato = 0.95)
    {
        std::istringstream words(line);
        for (std::string word; words >> word;) {
            if (word == "|")
                continue;
            size_t colon = word.find(':');
            double beats = std::atof(word.c_str() + colon + 1);
            std::string name = word.substr(0, colon);
            if (name != "r")
                Add(channel, Pitch(name) + transpose, velocity, beat, beats * legato);
            beat += beats;
        }
        return beat;
    }

    // Sustained chords on the pad; the bass under them, an octave below the lowest note.
    void Chords(const std::vector<Harmony>& harmony, double beat, int padVelocity, int bassVelocity)
    {
        for (const Harmony& h : harmony) {
            std::vector<int> pitches = Pitches(music::Chords().at(h.chord));
            for (int pitch : pitches)
                Add(kPad, pitch, padVelocity, beat, h.beats);
            if (bassVelocity > 0)
                Add(kBass, pitches[0] - 12, bassVelocity, beat, h.beats * 0.98);
            beat += h.beats;
        }
    }

    // The chord's upper notes, held by another voice, raised to sit from `lowest` up.
    void Held(int channel, const std::vector<Harmony>& harmony, double beat, int count, int lowest, int velocity)
    {
        for (const Harmony& h : harmony) {
            std::vector<int> pitches = Upper(h.chord, lowest);
            for (size_t i = pitches.size() - std::min<size_t>(count, pitches.size()); i < pitches.size(); ++i)
                Add(channel, pitches[i], velocity, beat, h.beats);
            beat += h.beats;
        }
    }

    // Celesta arpeggios, eighth notes up and down the chord two octaves above the pad.
    void Arpeggios(const std::vector<Harmony>& harmony, double beat, int velocity)
    {
        static const int kShape[] = {0, 1, 2, 3, 2, 1, 0, 1};
        for (const Harmony& h : harmony) {
            std::vector<int> pitches = Upper(h.chord, 72);
            for (int step = 0; step < (int)(h.beats * 2); ++step) {
                int pitch = pitches[kShape[step % 8] % pitches.size()];
                Add(kCelesta, pitch, velocity + (step % 8 == 0 ? 8 : 0), beat + step * 0.5, 0.96);
            }
            beat += h.beats;
        }
    }

    // Stars: a few high celesta notes of the chord at eighth-note places that
    // a fixed sequence of numbers picks, two or three a bar.
    void Twinkles(const std::vector<Harmony>& harmony, double beat, int velocity)
    {
        for (const Harmony& h : harmony) {
            std::vector<int> pitches = Upper(h.chord, 79);
            for (double bar = 0; bar < h.beats; bar += 4) {
                int count = 2 + (int)(Next() % 2);
                int place = (int)(Next() % 3);
                // Each star rings one beat and none reaches past its chord.
                const int lastPlace = (int)std::min(h.beats - bar, 4.0) * 2 - 2;
                for (int i = 0; i < count && place <= lastPlace; ++i) {
                    int pitch = pitches[Next() % pitches.size()];
                    Add(kCelesta, pitch, velocity + (int)(Next() % 10), beat + bar + place * 0.5, 1.0);
                    place += 3 + (int)(Next() % 2);
                }
            }
            beat += h.beats;
        }
    }

    void Drone(const char* pitches, double beat, double beats, int velocity)
    {
        for (int pitch : Pitches(pitches))
            Add(kAtmosphere, pitch, velocity, beat, beats);
    }

private:
    // The chord without its lowest note, each note raised by octaves to `lowest` or above.
    static std::vector<int> Upper(const char* chord, int lowest)
    {
        std::vector<int> pitches = Pitches(music::Chords().at(chord));
        pitches.erase(pitches.begin());
        for (int& pitch : pitches)
            while (pitch < lowest)
                pitch += 12;
        std::sort(pitches.begin(), pitches.end());
        return pitches;
    }

    // A small linear congruential sequence with a fixed seed: the same stars every time.
    uint32_t Next()
    {
        seed_ = seed_ * 1664525u + 1013904223u;
        return seed_ >> 16;
    }

    Score& score_;
    uint32_t seed_ = 20240501u;
};

// ---- Mixing -------------------------------------------------------------------------------

void Mix(Score* score)
{
    struct Setting {
        Channel channel;
        int program, volume, pan, chorus;
    };
    // General MIDI programs: warm pad, flute, celesta, fretless bass, slow strings,
    // choir aahs, vibraphone, sweep pad.
    const Setting kSettings[] = {
        {kPad, 89, 88, 64, 50},     {kFlute, 73, 100, 58, 10},   {kCelesta, 8, 78, 84, 20},
        {kBass, 35, 84, 64, 0},     {kStrings, 49, 84, 44, 40},  {kChoir, 52, 72, 86, 40},
        {kVibraphone, 11, 86, 74, 20}, {kAtmosphere, 95, 70, 64, 60},
    };
    const int kVolume = 7, kPan = 10, kExpression = 11, kReverb = 91, kChorus = 93;
    for (const Setting& s : kSettings) {
        score->voices.push_back(Voice{s.channel, s.program});
        for (const auto& cv : {std::pair<int, int>{kVolume, s.volume}, {kPan, s.pan}, {kReverb, 104}, {kChorus, s.chorus}})
            score->controls.push_back(Control{0, s.channel, cv.first, cv.second});
        // A gentle swell in over the first two beats, a fade over the last two bars.
        for (int step = 0; step <= 8; ++step)
            score->controls.push_back(Control{Ticks(step * 0.25), s.channel, kExpression, 88 + step * 39 / 8});
        for (int step = 0; step <= 32; ++step)
            score->controls.push_back(
                Control{Ticks(kLast - 8 + step * 0.25), s.channel, kExpression, 127 - step * 107 / 32});
    }
}

}  // namespace

Score ComposeTrackFive()
{
    Score score;
    Mix(&score);
    Writer w(&score);

    // Opening: the chords appear out of a low drone, with the first stars.
    w.Chords(kOpening, kIntro, 44, 0);
    w.Drone("D2 A2", kIntro, 16, 50);
    w.Twinkles(kOpening, kIntro, 38);

    // The theme on the flute.
    w.Chords(kThemeChords, kTheme, 46, 52);
    w.Line(kFlute, 66, kTheme, kThemeLine);

    // The theme again, a slow second voice under it and arpeggios over it.
    w.Chords(kThemeChords, kSecondVoice, 46, 54);
    w.Line(kFlute, 68, kSecondVoice, kThemeLine);
    w.Line(kStrings, 50, kSecondVoice, kCounterLine, 0, 1.0);
    w.Arpeggios(kThemeChords, kSecondVoice, 38);

    // The middle part in B minor: the theme's head on the vibraphone, strings held.
    w.Chords(kMiddleChords, kMiddle, 44, 50);
    w.Drone("B1 F#2", kMiddle, 32, 40);
    w.Line(kVibraphone, 62, kMiddle, kMiddleLine);
    w.Held(kStrings, kMiddleChords, kMiddle, 2, 62, 42);
    w.Twinkles(kMiddleChords, kMiddle, 34);

    // The theme in full: flute over strings an octave down, the choir, arpeggios.
    w.Chords(kThemeChords, kFullTheme, 52, 58);
    w.Line(kFlute, 74, kFullTheme, kThemeLineClosing);
    w.Line(kStrings, 58, kFullTheme, kThemeLineClosing, -12);
    w.Held(kChoir, kThemeChords, kFullTheme, 3, 60, 40);
    w.Arpeggios(kThemeChords, kFullTheme, 40);

    // Coda: the theme slowed down over the opening's chords, the drone back, fading.
    w.Chords(kCodaChords, kCoda, 44, 46);
    w.Line(kFlute, 60, kCoda, kCodaLine);
    w.Held(kChoir, {kCodaChords.begin(), kCodaChords.begin() + 4}, kCoda, 3, 60, 34);
    w.Drone("D2 A2", kCoda + 20, 12, 46);
    w.Twinkles(kCodaChords, kCoda, 34);

    score.endTick = Ticks(kLast + kRingOut);
    return score;
}

double Seconds(const Score& score, int tick)
{
    return (double)tick / kTicksPerBeat * score.microsecondsPerBeat / 1e6;
}

}  // namespace music
