// intro-frames: renders frames of the intro headlessly, with the program's own
// RenderFrame on the host stand-in, as 320x240 PNG files in the sheet's colours.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "app/intro_state.h"
#include "host/host.h"
#include "host/session.h"
#include "intro/intro.h"
#include "tools/intro_frames/png_writer.h"

namespace {

const char kUsage[] =
    "usage: intro-frames [--sheet FILE.bmp] --out DIR (--all | N...)\n"
    "  Renders frames N (1 is the first) of the intro as DIR/frame-NNNNN.png.\n"
    "  --all      every frame, up to the one that posts the closing key\n"
    "  --sheet    a replacement sheet instead of the project's resources/all.bmp\n";

struct Options {
    std::string sheet = host::DefaultSheetPath();
    std::string out;
    bool all = false;
    std::set<long> frames;
};

// The largest frame the timeline can reach before it closes itself, with some room.
const long kLargestFrame = 99999;

bool Fail(const std::string& message)
{
    std::fprintf(stderr, "intro-frames: %s\n%s", message.c_str(), kUsage);
    return false;
}

bool ParseFrame(const char* text, long* frame)
{
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text, &end, 10);
    if (errno || end == text || *end || value < 1 || value > kLargestFrame)
        return false;
    *frame = value;
    return true;
}

bool ParseOptions(int argc, char** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--sheet" || arg == "--out") {
            if (i + 1 >= argc)
                return Fail(arg + " needs a value");
            (arg == "--sheet" ? options->sheet : options->out) = argv[++i];
        } else if (arg == "--all") {
            options->all = true;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else {
            long frame;
            if (!ParseFrame(argv[i], &frame))
                return Fail("not a frame number from 1 to 99999: '" + arg + "'");
            options->frames.insert(frame);
        }
    }
    if (options->out.empty())
        return Fail("--out DIR is required");
    if (!options->all && options->frames.empty())
        return Fail("name at least one frame, or --all");
    return true;
}

std::string FramePath(const std::string& directory, long frame)
{
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%05ld.png", frame);
    return directory + name;
}

bool Render(const Options& options)
{
    std::vector<uint8_t> sheet = host::ReadFileBytes(options.sheet);
    if (sheet.empty())
        return Fail("cannot read the sheet '" + options.sheet + "'");
    if (mkdir(options.out.c_str(), 0777) != 0 && errno != EEXIST)
        return Fail("cannot make the folder '" + options.out + "': " + std::strerror(errno));
    host::PrepareIntro(sheet);
    host::SetRecording(false);
    if (!host::StartIntro())
        return Fail("the intro did not start with that sheet");
    long last = options.all ? kLargestFrame : *options.frames.rbegin();
    while (intro.frameCount < last) {
        RenderFrame();
        long frame = intro.frameCount;
        if (options.all || options.frames.count(frame)) {
            if (!WritePalettePng(FramePath(options.out, frame), host::Screen()))
                return Fail("cannot write " + FramePath(options.out, frame));
        }
        if (options.all && intro.scrollRow > kRollLastRow)
            break;  // the closing key went out in this frame
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options))
        return 2;
    return Render(options) ? 0 : 1;
}
