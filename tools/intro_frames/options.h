// What intro-frames was asked to do, read from its command line.
#ifndef INTRO_TOOLS_OPTIONS_H
#define INTRO_TOOLS_OPTIONS_H

#include <set>
#include <string>

enum class Mode { kFrames, kVideo, kContact };

// x264's speed for the video: at 960x720 it makes the whole intro in less than its
// own length on two cores (docs/performance.md has the figures).
const char kDefaultPreset[] = "veryfast";

struct Options {
    Mode mode = Mode::kFrames;
    std::string sheet;   // the BMP file the intro runs with
    bool sheetNamed = false;
    std::string texts;   // words to letter into a sheet of their own, which the intro then runs with
    std::string target;  // the folder (frames), the video file or the contact picture
    bool all = false;    // every frame up to the closing key (frames only)
    std::set<long> frames;
    int scale = 0;       // 0 until given: each mode has its own default
    int fps = 60;
    std::string preset = kDefaultPreset;
    long from = 1, to = 0;  // the video's frames; to 0 runs to the closing key
    std::string music;      // the video's sound track; empty: DefaultMusicPath(), if it was made
    bool musicNamed = false;  // --music was given, so a missing file is an error
    bool noMusic = false;
};

// The generated track 5 in the host build, for the video's sound.
std::string DefaultMusicPath();

// Largest number read as a frame; frames past the closing one are refused, since
// the intro ends there.
const long kLargestFrame = 99999;
const int kLargestScale = 8;
const int kLargestFps = 1000;

// The usage text for --help, and the one line shown after an error.
extern const char kUsage[];
extern const char kUsageLine[];

// Fills `options` from the command line. On a bad command line it writes a
// message to `error` and returns false.
bool ParseOptions(int argc, char** argv, Options* options, std::string* error);

#endif
