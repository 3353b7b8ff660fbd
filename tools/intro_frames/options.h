// What intro-frames was asked to do, read from its command line.
#ifndef INTRO_TOOLS_OPTIONS_H
#define INTRO_TOOLS_OPTIONS_H

#include <set>
#include <string>

enum class Mode { kFrames, kVideo, kContact };

struct Options {
    Mode mode = Mode::kFrames;
    std::string sheet;   // the BMP file the intro runs with
    std::string target;  // the folder (frames), the video file or the contact picture
    bool all = false;    // every frame up to the closing key (frames only)
    std::set<long> frames;
    int scale = 0;       // 0 until given: each mode has its own default
    int fps = 60;
    std::string preset = "medium";
    long from = 1, to = 0;  // the video's frames; to 0 runs to the closing key
};

// Largest frame number accepted; the intro closes itself long before it.
const long kLargestFrame = 99999;
const int kLargestScale = 8;
const int kLargestFps = 1000;

// The usage text, for --help and after every error.
extern const char kUsage[];

// Fills `options` from the command line. On a bad command line it writes a
// message to `error` and returns false.
bool ParseOptions(int argc, char** argv, Options* options, std::string* error);

#endif
