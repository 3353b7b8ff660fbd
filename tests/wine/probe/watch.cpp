// The watch: counts the intro's frames from its drawing calls, writes what the
// test needs to know to the log, and holds chosen frames on the screen.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tests/wine/probe/probe.h"

namespace probe {

namespace {

// Where the log, the pictures and the markers go, and which frames to hold:
// PROBE_FRAMES lists frame numbers and "cut+N", the Nth frame after the first
// frame that was cut short (a test of recovery cannot know in advance when
// that will be). PROBE_PICTURES lists frames that are pictured but not held.
struct Settings {
    bool read = false;
    std::string directory;  // empty: the watch is off
    std::set<long> captures;
    std::vector<long> afterFirstCut;
    std::set<long> pictures;
    bool spoilRestored = false;
};

// Read once, at the first thing the watch is told.
Settings settings;

// The frame being drawn, as the intro counts them (its first frame is 1).
struct Frames {
    long current = 0;
    long shown = 0;              // Flips of the primary that succeeded
    bool currentShown = false;
    const char* cutAt = "none";  // the call that ended the current frame early
    HRESULT cutResult = DD_OK;
    HRESULT lastResult = DD_OK;  // of the last drawing call, to tell repeats apart
    LPDIRECTDRAWPALETTE palette = NULL;
    LPDIRECTDRAWSURFACE primary = NULL;  // Wine's, once a frame was shown
    bool held = false;                   // the current frame was held for the test
    bool anyCut = false;
};

// The intro draws on one thread, so the watch needs no lock.
Frames frames;

// An environment variable of the intro's process; empty when unset or too long.
std::string Environment(const char* name)
{
    static char value[32768];  // the largest value the platform keeps
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

// "1,750,cut+1000": frame numbers, and frames counted from the first cut.
void ParseFrameList(const std::string& list, Settings* into)
{
    static const char kAfterCut[] = "cut+";  // marks a frame counted from the first cut
    const char* at = list.c_str();
    while (*at) {
        bool afterCut = std::strncmp(at, kAfterCut, sizeof kAfterCut - 1) == 0;
        if (afterCut)
            at += sizeof kAfterCut - 1;
        char* end = NULL;
        long frame = std::strtol(at, &end, 10);
        if (end == at)
            break;
        if (afterCut)
            into->afterFirstCut.push_back(frame);
        else
            into->captures.insert(frame);
        at = *end ? end + 1 : end;
    }
}

// The settings, read from the environment at the first use.
const Settings& Current()
{
    if (!settings.read) {
        settings.read = true;
        settings.directory = Environment("PROBE_DIR");
        ParseFrameList(Environment("PROBE_FRAMES"), &settings);
        Settings picturesOnly;
        ParseFrameList(Environment("PROBE_PICTURES"), &picturesOnly);
        settings.pictures = picturesOnly.captures;
        settings.spoilRestored = !Environment("PROBE_SPOIL_RESTORED").empty();
    }
    return settings;
}

// A file of the watch in PROBE_DIR.
std::string PathOf(const std::string& name)
{
    return Current().directory + "\\" + name;
}

// "frame-01501.ppm": the frame number as the host renderer writes it.
std::string FrameFileName(long frame, const char* suffix)
{
    char name[64];
    std::snprintf(name, sizeof name, "frame-%05ld%s", frame, suffix);
    return name;
}

// The whole file, or false.
bool WriteFile(const std::string& path, const std::vector<unsigned char>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// The front buffer through the palette in force, as a binary PPM.
bool WritePicture(const std::string& path, LPDIRECTDRAWSURFACE primary)
{
    PALETTEENTRY colours[256] = {};
    if (frames.palette)
        frames.palette->GetEntries(0, 0, 256, colours);
    DDSURFACEDESC description = {};
    description.dwSize = sizeof description;
    HRESULT locked = primary->Lock(NULL, &description, DDLOCK_WAIT | DDLOCK_READONLY, NULL);
    if (locked != DD_OK) {
        Note("capture frame=%ld lock=0x%08lx", frames.current, (unsigned long)locked);
        return false;
    }
    char header[64];
    int headerLength = std::snprintf(header, sizeof header, "P6\n%lu %lu\n255\n",
                                     description.dwWidth, description.dwHeight);
    std::vector<unsigned char> bytes(header, header + headerLength);
    const unsigned char* rows = static_cast<const unsigned char*>(description.lpSurface);
    for (DWORD y = 0; y < description.dwHeight; ++y) {
        for (DWORD x = 0; x < description.dwWidth; ++x) {
            const PALETTEENTRY& colour = colours[rows[y * description.lPitch + x]];
            bytes.insert(bytes.end(), {colour.peRed, colour.peGreen, colour.peBlue});
        }
    }
    primary->Unlock(NULL);
    return WriteFile(path, bytes);
}

// Waits, with the frame on the screen, until the test has taken its screenshot.
void HoldUntilReleased(long frame)
{
    WriteFile(PathOf(FrameFileName(frame, ".ready")), {});
    const std::string go = PathOf(FrameFileName(frame, ".go"));
    const DWORD kMostWaitMilliseconds = 300000;  // a test that has died lets the intro go on
    for (DWORD waited = 0; GetFileAttributesA(go.c_str()) == INVALID_FILE_ATTRIBUTES; waited += 5) {
        if (waited >= kMostWaitMilliseconds) {
            Note("capture frame=%ld was not released; going on", frame);
            return;
        }
        Sleep(5);
    }
}

// Frames held on the screen for the test, and pictured.
bool IsCaptured(long frame)
{
    return !Current().directory.empty() && Current().captures.count(frame);
}

// Frames whose front buffer is written out, held or not.
bool IsPictured(long frame)
{
    return IsCaptured(frame) || (!Current().directory.empty() && Current().pictures.count(frame));
}

// Right after its Flip the front buffer is the frame: its picture is taken then.
void TakePicture()
{
    const long frame = frames.current;
    bool pictured = WritePicture(PathOf(FrameFileName(frame, ".ppm")), frames.primary);
    Note("capture frame=%ld picture=%s", frame, pictured ? "yes" : "no");
}

// The screen is held once the intro has gone on from the frame, at the start
// of the next one: by then it has been round its message loop, where Wine puts
// the flipped picture on the X screen. A frame after which the intro closes is
// not held: the window is hidden before the display is released, so Wine never
// shows that last picture; "final" tells the test so.
void HoldIfDue(bool displayEnding)
{
    const long frame = frames.current;
    if (frames.held || !frames.currentShown || !IsCaptured(frame))
        return;
    frames.held = true;
    if (displayEnding) {
        WriteFile(PathOf(FrameFileName(frame, ".final")), {});
        return;
    }
    HoldUntilReleased(frame);
}

// Fills an 8-bit surface with a pattern of every index but black, so that a
// picture drawn from it before it was filled again shows at once.
void Spoil(LPDIRECTDRAWSURFACE surface)
{
    DDSURFACEDESC description = {};
    description.dwSize = sizeof description;
    HRESULT locked = surface->Lock(NULL, &description, DDLOCK_WAIT | DDLOCK_WRITEONLY, NULL);
    if (locked != DD_OK) {
        Note("spoil frame=%ld lock=0x%08lx", frames.current, (unsigned long)locked);
        return;
    }
    unsigned char* rows = static_cast<unsigned char*>(description.lpSurface);
    for (DWORD y = 0; y < description.dwHeight; ++y)
        for (DWORD x = 0; x < description.dwWidth; ++x)
            rows[y * description.lPitch + x] = (unsigned char)(1 + (x * 7 + y * 13) % 255);
    surface->Unlock(NULL);
    Note("spoil frame=%ld", frames.current);
}

// A frame that ended without its Flip is worth a line: the test counts them.
void CloseFrame()
{
    if (frames.current == 0 || frames.currentShown)
        return;
    Note("cut frame=%ld at=%s result=0x%08lx", frames.current, frames.cutAt,
         (unsigned long)frames.cutResult);
    if (!frames.anyCut)
        for (long offset : settings.afterFirstCut)
            settings.captures.insert(frames.current + offset);
    frames.anyCut = true;
}

}  // namespace

void Note(const char* format, ...)
{
    if (Current().directory.empty())
        return;
    FILE* log = std::fopen(PathOf("probe.log").c_str(), "a");
    if (!log)
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(log, format, args);
    va_end(args);
    std::fputc('\n', log);
    std::fclose(log);
}

void BackgroundCopyStarts()
{
    if (frames.lastResult == DDERR_WASSTILLDRAWING)
        return;  // the same call again, in the same frame
    HoldIfDue(false);
    CloseFrame();
    frames.current += 1;
    frames.currentShown = false;
    frames.held = false;
    frames.cutAt = "none";
    frames.cutResult = DD_OK;
}

void DrawingCallEnded(const char* call, Role target, HRESULT result)
{
    frames.lastResult = result;
    if (result == DDERR_SURFACELOST)
        Note("lost frame=%ld call=%s on=%s", frames.current, call, RoleName(target));
    if (result != DD_OK && result != DDERR_WASSTILLDRAWING) {
        frames.cutAt = call;
        frames.cutResult = result;
    }
}

void FrameShown(LPDIRECTDRAWSURFACE realPrimary)
{
    frames.shown += 1;
    frames.currentShown = true;
    frames.primary = realPrimary;
    if (IsPictured(frames.current))
        TakePicture();
}

void DisplayReleasing()
{
    HoldIfDue(true);
}

void PrimaryPaletteSet(LPDIRECTDRAWPALETTE realPalette)
{
    frames.palette = realPalette;
}

void RestoreEnded(LPDIRECTDRAWSURFACE real, Role role, HRESULT result)
{
    Note("restore frame=%ld on=%s result=0x%08lx", frames.current, RoleName(role),
         (unsigned long)result);
    if (result == DD_OK && role == Role::Offscreen && Current().spoilRestored)
        Spoil(real);
}

void DeviceContextTaken(Role role, HRESULT result)
{
    Note("dc frame=%ld on=%s result=0x%08lx", frames.current, RoleName(role),
         (unsigned long)result);
}

void DisplayReleased()
{
    CloseFrame();
    Note("end frames=%ld shown=%ld", frames.current, frames.shown);
    frames.palette = NULL;
    frames.primary = NULL;
}

}  // namespace probe
