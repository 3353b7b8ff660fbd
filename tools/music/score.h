// Track 5 of the intro's CD, composed: a calm piece of space music in D, at
// 60 beats a minute, about three minutes long, built on one theme that
// returns through the piece (opening, theme, theme with a second voice, a
// middle part in B minor on the theme's head, the theme in full, and a coda
// that slows the theme down and fades). The score is written as a standard
// MIDI file and rendered with a General MIDI sound font at build time.
#ifndef INTRO_TOOLS_MUSIC_SCORE_H
#define INTRO_TOOLS_MUSIC_SCORE_H

#include <cstdint>
#include <vector>

namespace music {

constexpr int kTicksPerBeat = 480;

struct Note {
    int channel;
    int pitch;  // MIDI note number, 60 = middle C
    int velocity;
    int start;  // in ticks
    int length;
};

// A controller's new value (volume, expression, reverb, ...) at a tick.
struct Control {
    int tick;
    int channel;
    int controller;
    int value;
};

struct Voice {
    int channel;
    int program;  // General MIDI program, 0-based
};

struct Score {
    int microsecondsPerBeat = 1000000;
    std::vector<Voice> voices;
    std::vector<Control> controls;
    std::vector<Note> notes;
    int endTick = 0;  // where the piece ends, the last sounds having rung out
};

// The channels of the piece, each with its instrument.
enum Channel { kPad = 0, kFlute, kCelesta, kBass, kStrings, kChoir, kVibraphone, kAtmosphere };

// The same score every time: nothing in it is left to chance or the clock.
Score ComposeTrackFive();

// Seconds from the start of the piece to a tick.
double Seconds(const Score& score, int tick);

}  // namespace music

#endif
