// intro-frames: renders the intro headlessly, with the program's own
// RenderFrame on the host stand-in, as PNG frames, as a video, or as a
// contact sheet of its key frames, all in the sheet's own colours.
#include <sys/stat.h>

#include <csignal>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/intro_state.h"
#include "host/host.h"
#include "testkit/session.h"
#include "intro/intro.h"
#include "intro/sheet_layout.h"
#include "tools/intro_frames/contact_layout.h"
#include "tools/intro_frames/label_font.h"
#include "tools/intro_frames/options.h"
#include "tools/intro_frames/picture.h"
#include "tools/intro_frames/png_writer.h"
#include "tools/intro_frames/progress.h"
#include "tools/intro_frames/video.h"

namespace {

// The frames the contact sheet shows unless others are named: each panel,
// the logo from full screen to its last frame, the roll, the closing frame.
const long kKeyFrames[] = {1, 400, 750, 1100, 1501, 1601, 2001, 2501, 3000, 3499, 5000, 7500, 10000, 10211};

bool Fail(const std::string& message)
{
    std::fprintf(stderr, "intro-frames: %s\n", message.c_str());
    return false;
}

bool StartOnHost(const std::string& sheetPath)
{
    std::vector<uint8_t> sheet = kit::ReadFileBytes(sheetPath);
    if (sheet.empty())
        return Fail("cannot read the sheet '" + sheetPath + "'");
    kit::PrepareIntro(sheet);
    host::SetRecording(false);
    if (!kit::StartIntro())
        return Fail("the intro did not start with the sheet '" + sheetPath + "'");
    return true;
}

// Renders the next frame; true when it was the one that posted the closing key.
bool RenderNext()
{
    bool closedBefore = intro.scrollRow > kRollLastRow;
    RenderFrame();
    return !closedBefore && intro.scrollRow > kRollLastRow;
}

std::string FramePath(const std::string& directory, long frame)
{
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%05ld.png", frame);
    return directory + name;
}

bool RenderFrames(const Options& options)
{
    if (mkdir(options.target.c_str(), 0777) != 0 && errno != EEXIST)
        return Fail("cannot make the folder '" + options.target + "': " + std::strerror(errno));
    long last = options.all ? kLargestFrame : *options.frames.rbegin();
    int scale = options.scale ? options.scale : 1;
    while (intro.frameCount < last) {
        bool closing = RenderNext();
        long frame = intro.frameCount;
        if (options.all || options.frames.count(frame)) {
            if (!WritePalettePng(FramePath(options.target, frame), ScalePicture(host::Screen(), scale)))
                return Fail("cannot write " + FramePath(options.target, frame));
        }
        if (options.all && closing)
            break;
    }
    return true;
}

bool EncodeFrames(const Options& options, int scale, VideoEncoder* encoder, long* written)
{
    long last = options.to ? options.to : kClosingFrame;
    Progress progress = StartProgress(last - options.from + 1);
    bool closed = false;
    while (!closed && intro.frameCount < last) {
        closed = RenderNext();
        if (intro.frameCount < options.from)
            continue;
        if (!WriteFrame(encoder, ToRgb(host::Screen(), scale)))
            break;
        *written += 1;
        ShowProgress(&progress, *written);
    }
    EndProgress(&progress);
    return *written == intro.frameCount - options.from + 1;
}

bool RenderVideo(const Options& options)
{
    VideoSettings settings;
    int scale = options.scale ? options.scale : 3;
    settings.path = options.target;
    settings.width = kScreenWidth * scale;
    settings.height = kScreenHeight * scale;
    settings.fps = options.fps;
    settings.preset = options.preset;
    std::signal(SIGPIPE, SIG_IGN);  // a dead ffmpeg shows as a failed write, reported below
    VideoEncoder encoder;
    std::string error;
    if (!OpenEncoder(settings, &encoder, &error))
        return Fail(error);
    long written = 0;
    bool complete = EncodeFrames(options, scale, &encoder, &written);
    if (!CloseEncoder(&encoder, &error))
        return Fail(error);
    if (!complete || written == 0)
        return Fail(written ? "ffmpeg stopped taking frames" : "no frames: the intro closes at frame " +
                                                                   std::to_string(intro.frameCount));
    std::printf("intro-frames: %s: frames %ld to %ld, %ld frames at %d fps (%.1f s), %dx%d\n",
                options.target.c_str(), options.from, (long)intro.frameCount, written, options.fps,
                (double)written / options.fps, settings.width, settings.height);
    return true;
}

bool PlaceTile(RgbImage* sheet, const ContactLayout& layout, size_t index, long frame, int scale)
{
    int x, y;
    TileOrigin(layout, index, &x, &y);
    Paste(ToRgb(host::Screen(), scale), sheet, x, y);
    std::string error;
    int baseline = y + layout.tileHeight + layout.labelHeight * 3 / 4;
    if (!DrawLabel(sheet, "frame " + std::to_string(frame), x + layout.tileWidth / 2, baseline, 14 * scale,
                   &error))
        return Fail(error);
    return true;
}

bool RenderContact(const Options& options)
{
    std::set<long> frames = options.frames;
    if (frames.empty())
        frames.insert(std::begin(kKeyFrames), std::end(kKeyFrames));
    int scale = options.scale ? options.scale : 1;
    ContactLayout layout = LayOutContact(frames.size(), kScreenWidth, kScreenHeight, scale);
    RgbImage sheet = FilledImage(layout.width, layout.height, 24, 24, 28);
    size_t index = 0;
    for (long frame : frames) {
        while (intro.frameCount < frame)
            RenderNext();
        if (!PlaceTile(&sheet, layout, index++, frame, scale))
            return false;
    }
    if (!WriteRgbPng(options.target, sheet))
        return Fail("cannot write " + options.target);
    return true;
}

bool Run(const Options& options)
{
    if (!StartOnHost(options.sheet))
        return false;
    if (options.mode == Mode::kVideo)
        return RenderVideo(options);
    if (options.mode == Mode::kContact)
        return RenderContact(options);
    return RenderFrames(options);
}

}  // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    Options options;
    options.sheet = kit::ProjectSheetPath();
    std::string error;
    if (!ParseOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "intro-frames: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    return Run(options) ? 0 : 1;
}
