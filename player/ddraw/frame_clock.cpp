#include "player/ddraw/frame_clock.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <memory>

#include "player/common/debug_line.h"
#include "player/ddraw/frame_clock_rules.h"

namespace player {
namespace {

// The native sleep and timer resolution of the system: sleeps in 100 ns units,
// where Sleep counts whole milliseconds. Found at the clock's start.
typedef LONG(NTAPI* DelayFunction)(BOOLEAN alertable, PLARGE_INTEGER interval);
typedef LONG(NTAPI* ResolutionFunction)(ULONG wanted, BOOLEAN set, PULONG actual);

struct Clock {
    int64_t ticksPerSecond = 1;
    std::unique_ptr<Pace> pace;
    std::unique_ptr<SleepMargin> margin;
    DelayFunction delay = nullptr;
    ResolutionFunction resolution = nullptr;
    bool resolutionSet = false;
    FILE* log = nullptr;
    int64_t flips = 0;
};

// One clock for the one display of the process, as its one DirectDraw object.
Clock clock;

// The finest resolution the system timer offers (half a millisecond), so the
// native sleep wakes close to its time on Windows too; Wine's is fine already.
const ULONG kTimerResolution = 5000;

FARPROC NativeFunction(const char* name)
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll ? GetProcAddress(ntdll, name) : NULL;
}

void Sleep100ns(int64_t ticks)
{
    const int64_t units = ticks * 10000000 / clock.ticksPerSecond;
    if (units <= 0)
        return;
    if (clock.delay) {
        LARGE_INTEGER interval;
        interval.QuadPart = -units;  // negative: relative to now
        clock.delay(FALSE, &interval);
    } else {
        Sleep((DWORD)(units / 10000));
    }
}

}  // namespace

int64_t ClockNow()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

void StartClock(int32_t framesPerSecond, const std::string& logPath)
{
    StopClock();
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    clock.ticksPerSecond = frequency.QuadPart > 0 ? frequency.QuadPart : 1;
    clock.pace = std::make_unique<Pace>(clock.ticksPerSecond, framesPerSecond);
    clock.margin = std::make_unique<SleepMargin>(clock.ticksPerSecond);
    clock.delay = reinterpret_cast<DelayFunction>(reinterpret_cast<void*>(NativeFunction("NtDelayExecution")));
    clock.resolution =
        reinterpret_cast<ResolutionFunction>(reinterpret_cast<void*>(NativeFunction("NtSetTimerResolution")));
    ULONG actual = 0;
    clock.resolutionSet = clock.resolution && clock.resolution(kTimerResolution, TRUE, &actual) == 0;
    clock.flips = 0;
    if (!logPath.empty()) {
        clock.log = std::fopen(logPath.c_str(), "w");
        if (!clock.log)
            DebugLine("log=%s cannot be written; no log is kept", logPath.c_str());
    }
    LogLine("clock ticks-per-second=%lld fps=%d", (long long)clock.ticksPerSecond, (int)framesPerSecond);
}

void FlipShown(int64_t entered, bool drawn)
{
    if (!clock.pace)
        return;
    const int64_t shown = ClockNow();
    const int64_t due = clock.pace->Due(entered);
    int64_t now = shown, slept = 0;
    const int64_t nap = clock.margin->SleepTicks(now, due);
    if (nap > 0) {
        Sleep100ns(nap);
        const int64_t woke = ClockNow();
        slept = woke - now;
        clock.margin->Woke(nap, slept);
        now = woke;
    }
    while (now < due) {
        YieldProcessor();
        now = ClockNow();
    }
    clock.pace->Shown(now);
    clock.flips += 1;
    LogLine("flip n=%lld at=%lld frame=%lld fresh=%d present=%lld slept=%lld late=%lld drawn=%d",
            (long long)clock.flips, (long long)now, (long long)clock.pace->Frame(), clock.pace->Fresh() ? 1 : 0,
            (long long)(shown - entered), (long long)slept, (long long)(now - due), drawn ? 1 : 0);
}

int64_t FlipCount()
{
    return clock.flips;
}

void StopClock()
{
    ULONG actual = 0;
    if (clock.resolutionSet)
        clock.resolution(kTimerResolution, FALSE, &actual);
    clock.resolutionSet = false;
    if (clock.log)
        std::fclose(clock.log);
    clock.log = nullptr;
    clock.pace.reset();
    clock.margin.reset();
}

void LogLine(const char* format, ...)
{
    if (!clock.log)
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(clock.log, format, args);
    va_end(args);
    std::fputc('\n', clock.log);
    std::fflush(clock.log);  // a test reads the log while the intro runs
}

}  // namespace player
