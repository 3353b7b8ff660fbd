// intro-frames: renders the intro headlessly, with the program's own
// RenderFrame on the host stand-in, as PNG frames, as a video, or as a
// contact sheet of its key frames, all in the sheet's own colours.
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/intro_state.h"
#include "host/host.h"
#include "testkit/session.h"
#include "testkit/shell.h"
#include "intro/intro.h"
#include "base/sheet_layout.h"
#include "tools/intro_frames/contact_layout.h"
#include "tools/intro_frames/label_font.h"
#include "tools/intro_frames/options.h"
#include "tools/intro_frames/picture.h"
#include "tools/intro_frames/png_writer.h"
#include "tools/intro_frames/progress.h"
#include "tools/intro_frames/video.h"
#include "tools/sheet/sheet_rules.h"

namespace {

// The frames the contact sheet shows unless others are named: each panel,
// the logo from full screen to its last frame, the roll, the closing frame.
const long kKeyFrames[] = {1, 400, 750, 1100, 1501, 1601, 2001, 2501, 3000, 3499, 5000, 7500, 10000, 10211};

bool Fail(const std::string& message)
{
    std::fprintf(stderr, "intro-frames: %s\n", message.c_str());
    return false;
}

// Set by an interrupt (Ctrl-C, a kill) while a video is made, so that no half
// video is left behind.
volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int)
{
    interrupted = 1;
}

// "cannot write FILE", with the system's reason when it gave one.
bool FailWrite(const std::string& path)
{
    return Fail("cannot write " + path + (errno ? std::string(": ") + std::strerror(errno) : std::string()));
}

// Makes `folder` and its parents; false with the reason.
bool MakeFolder(const std::filesystem::path& folder)
{
    std::error_code ec;
    if (folder.empty() || std::filesystem::is_directory(folder, ec))
        return true;
    if (std::filesystem::create_directories(folder, ec))
        return true;
    return Fail("cannot make the folder " + folder.string() + ": " + ec.message());
}

bool MakeParentFolder(const std::string& file)
{
    return MakeFolder(std::filesystem::path(file).parent_path());
}

// The same checks as the build's: what the build would refuse is refused here,
// with the findings, instead of being rendered wrongly.
bool SheetAccepted(const std::string& sheetPath, const std::vector<uint8_t>& sheet)
{
    std::vector<sheet::Finding> found = sheet::CheckFileBytes(sheet);
    for (const sheet::Finding& f : found)
        std::fprintf(stderr, "intro-frames: %s\n", sheet::ToString(f).c_str());
    if (!sheet::Refused(found))
        return true;
    return Fail("the sheet '" + sheetPath + "' is refused, as the build of intro.exe would refuse it" +
                (sheet::Hint(found).empty() ? "" : "; hint: " + sheet::Hint(found)));
}

bool StartOnHost(const std::string& sheetPath)
{
    std::vector<uint8_t> sheet = kit::ReadFileBytes(sheetPath);
    if (sheet.empty())
        return Fail("cannot read the sheet '" + sheetPath + "'" +
                    (access(sheetPath.c_str(), R_OK) != 0 ? std::string(": ") + std::strerror(errno) : ""));
    if (!SheetAccepted(sheetPath, sheet))
        return false;
    kit::PrepareIntro(sheet);
    host::SetRecording(false);
    if (!kit::StartIntro())
        return Fail("the intro's display start-up failed with the sheet '" + sheetPath +
                    "' (it loads the palette and the picture from it); sheet-check " + sheetPath +
                    " tells what the intro cannot take");
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
    if (!MakeFolder(options.target))
        return false;
    long last = options.all ? kLargestFrame : *options.frames.rbegin();
    int scale = options.scale ? options.scale : 1;
    while (intro.frameCount < last) {
        bool closing = RenderNext();
        long frame = intro.frameCount;
        errno = 0;
        if ((options.all || options.frames.count(frame)) &&
            !WritePalettePng(FramePath(options.target, frame), ScalePicture(host::Screen(), scale)))
            return FailWrite(FramePath(options.target, frame));
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
    RgbImage frame;
    while (!closed && !interrupted && intro.frameCount < last) {
        closed = RenderNext();
        if (intro.frameCount < options.from)
            continue;
        ToRgbInto(host::Screen(), scale, &frame);
        if (!WriteFrame(encoder, frame))
            break;
        *written += 1;
        ShowProgress(&progress, *written);
    }
    EndProgress(&progress);
    return *written == intro.frameCount - options.from + 1;
}

// The frame at whose start the intro cues track 5.
const long kCueFrame = kCaptionLastFrame + 1;

// The sound of the video: the file named by --music, else the generated track
// when it has been made; empty for a silent video. False when --music names a
// file that cannot be read.
bool ChooseMusic(const Options& options, std::string* music)
{
    long last = options.to ? options.to : kClosingFrame;
    if (options.noMusic || last < kCueFrame)
        return true;
    std::string path = options.musicNamed ? options.music : DefaultMusicPath();
    if (access(path.c_str(), R_OK) == 0) {
        *music = path;
        return true;
    }
    if (options.musicNamed)
        return Fail("cannot read the music '" + path + "': " + std::strerror(errno));
    std::fprintf(stderr, "intro-frames: no music: %s has not been made yet, so the video is silent\n",
                 path.c_str());
    return true;
}

void CatchInterrupts()
{
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;  // no SA_RESTART: a write to ffmpeg returns at once
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);  // a dead ffmpeg shows as a failed write, reported below
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
    if (!ChooseMusic(options, &settings.music) || !MakeParentFolder(options.target))
        return false;
    settings.musicStart = (double)(kCueFrame - options.from) / options.fps;
    settings.frames = (options.to ? options.to : kClosingFrame) - options.from + 1;
    CatchInterrupts();
    VideoEncoder encoder;
    std::string error;
    if (!OpenEncoder(settings, &encoder, &error))
        return Fail(error);
    long written = 0;
    bool complete = EncodeFrames(options, scale, &encoder, &written) && !interrupted;
    bool kept = CloseEncoder(&encoder, complete && written > 0, &error);
    if (interrupted)
        return Fail("interrupted: no video written (" + encoder.partPath + " removed)");
    if (!kept && !error.empty())
        return Fail(error);
    if (!kept)
        return Fail(written ? "ffmpeg stopped taking frames" : "no frames: the intro closes at frame " +
                                                                   std::to_string(intro.frameCount));
    std::printf("intro-frames: %s: frames %ld to %ld, %ld frames at %d fps (%.1f s), %dx%d, %s\n",
                options.target.c_str(), options.from, (long)intro.frameCount, written, options.fps,
                (double)written / options.fps, settings.width, settings.height,
                settings.music.empty() ? "silent" : ("music " + settings.music + " from frame 1501").c_str());
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
    // Written beside its name, so that a failed write leaves no broken picture.
    std::string part = options.target + ".part";
    errno = 0;
    if (!MakeParentFolder(options.target))
        return false;
    if (!WriteRgbPng(part, sheet) || std::rename(part.c_str(), options.target.c_str()) != 0) {
        int reason = errno;
        std::remove(part.c_str());
        errno = reason;
        return FailWrite(options.target);
    }
    return true;
}

// A folder of its own under the system's temporary folder when asked for, removed when done.
struct TempFolder {
    std::string path;
    explicit TempFolder(bool wanted)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "intro-frames-XXXXXX").string();
        if (wanted && mkdtemp(pattern.data()))
            path = pattern;
    }
    ~TempFolder()
    {
        std::error_code ec;
        if (!path.empty())
            std::filesystem::remove_all(path, ec);
    }
};

// The sheet make-sheet letters from `texts`; make-sheet says itself why it refuses one.
bool SheetOfTexts(const std::string& texts, const std::string& folder, std::string* sheet)
{
    *sheet = folder + "/all.bmp";
    std::string command = kit::Quoted(MAKE_SHEET) + " --texts " + kit::Quoted(texts) + " --out-bmp " +
                          kit::Quoted(*sheet) + " --out-ico " + kit::Quoted(folder + "/velthorn.ico") + " >&2";
    int status = std::system(command.c_str());
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    return Fail("no sheet could be lettered from the texts '" + texts + "'");
}

bool Run(const Options& options)
{
    TempFolder made(!options.texts.empty());
    std::string sheet = options.sheet;
    if (!options.texts.empty() && made.path.empty())
        return Fail("cannot make a temporary folder for the sheet of the texts");
    if (!options.texts.empty() && !SheetOfTexts(options.texts, made.path, &sheet))
        return false;
    if (!StartOnHost(sheet))
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
        std::fprintf(stderr, "intro-frames: %s\n%s", error.c_str(), kUsageLine);
        return 2;
    }
    return Run(options) ? 0 : 1;
}
