#include "tools/intro_frames/options.h"

#include <strings.h>

#include <cerrno>
#include <cstdlib>

#include "intro/intro.h"

const char kUsageLine[] =
    "usage: intro-frames (--out DIR (--all | N...) | --video FILE.mp4 | --contact FILE.png [N...]) "
    "[options] (--help tells more)\n";

const char kUsage[] =
    "usage: intro-frames [--sheet FILE.bmp | --texts FILE.txt] [--scale K] --out DIR (--all | N...)\n"
    "       intro-frames [--sheet FILE.bmp | --texts FILE.txt] [--scale K] --video FILE.mp4 [--fps N]\n"
    "                    [--preset P] [--from N] [--to N] [--music FILE | --no-music]\n"
    "       intro-frames [--sheet FILE.bmp | --texts FILE.txt] [--scale K] --contact FILE.png [N...]\n"
    "  --out DIR      frames N (1 is the first, 10211 the last) as DIR/frame-NNNNN.png\n"
    "  --all          every frame, up to the one that posts the closing key\n"
    "  --video FILE   the sequence as an H.264 video (.mp4, .mkv or .mov), one video frame\n"
    "                 per intro frame, with the music from frame 1501 as the intro cues it\n"
    "  --fps N        frames per second of the video, the display's refresh rate (60)\n"
    "  --preset P     x264 preset, ultrafast to veryslow (veryfast)\n"
    "  --from, --to   the first and last frame of the video (1 to the closing key)\n"
    "  --music FILE   the sound of track 5 (the generated track of the host build by default)\n"
    "  --no-music     a silent video\n"
    "  --contact FILE the key frames (or frames N...) in one labelled grid picture (.png)\n"
    "  --scale K      pixels grow to K x K, nearest neighbour (3 for video, else 1)\n"
    "  --sheet FILE   a replacement sheet instead of the project's resources/all.bmp; it is\n"
    "                 checked first, and refused as the build would refuse it\n"
    "  --texts FILE   the intro's words from another text file (docs/translating.md): make-sheet\n"
    "                 letters them into a sheet in a temporary folder, and the frames show it\n"
    "Folders are made as needed; a video is written beside its name and renamed when whole.\n";

std::string DefaultMusicPath()
{
    return INTRO_DEFAULT_MUSIC;
}

namespace {

// The presets x264 knows; anything else would only fail inside ffmpeg.
const char* const kPresets[] = {"ultrafast", "superfast", "veryfast", "faster", "fast",
                                "medium",    "slow",      "slower",   "veryslow"};

bool ParseNumber(const char* text, long smallest, long largest, long* number)
{
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text, &end, 10);
    if (errno || end == text || *end || value < smallest || value > largest)
        return false;
    *number = value;
    return true;
}

bool KnownPreset(const std::string& name)
{
    for (const char* preset : kPresets)
        if (name == preset)
            return true;
    return false;
}

bool Error(std::string* error, const std::string& message)
{
    *error = message;
    return false;
}

// Reads the value after option argv[*i]; false when there is none.
bool TakeValue(int argc, char** argv, int* i, std::string* value)
{
    if (*i + 1 >= argc)
        return false;
    *value = argv[++*i];
    return true;
}

bool TakeNumber(const std::string& option, const std::string& text, long smallest, long largest,
                long* number, std::string* error)
{
    if (ParseNumber(text.c_str(), smallest, largest, number))
        return true;
    return Error(error, option + " needs a whole number from " + std::to_string(smallest) + " to " +
                            std::to_string(largest) + ", not '" + text + "'");
}

bool SetMode(Options* options, Mode mode, bool* chosen, const std::string& target, std::string* error)
{
    if (*chosen)
        return Error(error, "choose one of --out, --video and --contact");
    *chosen = true;
    options->mode = mode;
    options->target = target;
    return true;
}

bool ParseOption(const std::string& arg, const std::string& value, Options* options, bool* chosen,
                 std::string* error)
{
    long number = 0;
    if (arg == "--sheet") {
        options->sheet = value;
        options->sheetNamed = true;
    } else if (arg == "--texts")
        options->texts = value;
    else if (arg == "--out")
        return SetMode(options, Mode::kFrames, chosen, value, error);
    else if (arg == "--video")
        return SetMode(options, Mode::kVideo, chosen, value, error);
    else if (arg == "--contact")
        return SetMode(options, Mode::kContact, chosen, value, error);
    else if (arg == "--scale") {
        if (!TakeNumber(arg, value, 1, kLargestScale, &number, error))
            return false;
        options->scale = (int)number;
    } else if (arg == "--fps") {
        if (!TakeNumber(arg, value, 1, kLargestFps, &number, error))
            return false;
        options->fps = (int)number;
    } else if (arg == "--from") {
        return TakeNumber(arg, value, 1, kLargestFrame, &options->from, error);
    } else if (arg == "--to") {
        return TakeNumber(arg, value, 1, kLargestFrame, &options->to, error);
    } else if (arg == "--music") {
        options->music = value;
        options->musicNamed = true;
    } else if (arg == "--preset") {
        if (!KnownPreset(value))
            return Error(error, "--preset must be an x264 preset from ultrafast to veryslow, not '" +
                                    value + "'");
        options->preset = value;
    }
    return true;
}

bool TakesValue(const std::string& arg)
{
    for (const char* option : {"--sheet", "--texts", "--out", "--video", "--contact", "--scale", "--fps", "--from",
                               "--to", "--preset", "--music"})
        if (arg == option)
            return true;
    return false;
}

bool EndsWith(const std::string& name, const char* ending)
{
    size_t length = std::char_traits<char>::length(ending);
    return name.size() > length && strcasecmp(name.c_str() + name.size() - length, ending) == 0;
}

// A name whose format the tool writes: ffmpeg would pick another format (or fail
// late) by the name's ending, and the contact sheet is always a PNG.
bool CheckOutputName(const Options& options, std::string* error)
{
    const std::string& name = options.target;
    if (options.mode == Mode::kVideo && !EndsWith(name, ".mp4") && !EndsWith(name, ".mkv") &&
        !EndsWith(name, ".mov"))
        return Error(error, "--video writes H.264 in .mp4, .mkv or .mov, not '" + name + "'");
    if (options.mode == Mode::kContact && !EndsWith(name, ".png"))
        return Error(error, "--contact writes a PNG picture: name it .png, not '" + name + "'");
    return true;
}

// A frame after the closing one is never shown: the window closes there.
bool CheckPastTheEnd(const Options& options, std::string* error)
{
    long latest = options.frames.empty() ? 0 : *options.frames.rbegin();
    for (long frame : {latest, options.from, options.to})
        if (frame > kClosingFrame)
            return Error(error, "frame " + std::to_string(frame) + " is never shown: the intro ends at frame " +
                                    std::to_string(kClosingFrame));
    return true;
}

// What only makes sense in some modes, checked once every argument is read.
bool CheckCombination(const Options& options, bool videoOptions, std::string* error)
{
    if (options.target.empty())
        return Error(error, "say what to make: --out DIR, --video FILE or --contact FILE");
    if (!CheckOutputName(options, error) || !CheckPastTheEnd(options, error))
        return false;
    if (options.sheetNamed && !options.texts.empty())
        return Error(error, "choose --sheet or --texts: the texts make a sheet of their own");
    if (options.all && !options.frames.empty())
        return Error(error, "--all renders every frame: name no frames with it");
    if (options.musicNamed && options.noMusic)
        return Error(error, "choose --music FILE or --no-music");
    if (videoOptions && options.mode != Mode::kVideo)
        return Error(error, "--fps, --preset, --from, --to, --music and --no-music belong to --video");
    if (options.mode == Mode::kVideo && !options.frames.empty())
        return Error(error, "--video makes a video of a range of frames: use --from and --to");
    if (options.mode == Mode::kVideo && options.to && options.to < options.from)
        return Error(error, "--to must not come before --from");
    if (options.all && options.mode != Mode::kFrames)
        return Error(error, "--all belongs to --out");
    if (options.mode == Mode::kFrames && !options.all && options.frames.empty())
        return Error(error, "name at least one frame, or --all");
    return true;
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options* options, std::string* error)
{
    bool chosen = false, videoOptions = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i], value;
        long frame = 0;
        if (TakesValue(arg)) {
            if (!TakeValue(argc, argv, &i, &value))
                return Error(error, arg + " needs a value");
            if (!ParseOption(arg, value, options, &chosen, error))
                return false;
            videoOptions = videoOptions || arg == "--fps" || arg == "--preset" || arg == "--from" ||
                           arg == "--to" || arg == "--music";
        } else if (arg == "--all") {
            options->all = true;
        } else if (arg == "--no-music") {
            options->noMusic = true;
            videoOptions = true;
        } else if (ParseNumber(arg.c_str(), 1, kLargestFrame, &frame)) {
            options->frames.insert(frame);
        } else if (!arg.empty() && arg[0] == '-') {
            return Error(error, "unknown option '" + arg + "'");
        } else {
            return Error(error, "not a frame number from 1 to 99999: '" + arg + "'");
        }
    }
    return CheckCombination(*options, videoOptions, error);
}
