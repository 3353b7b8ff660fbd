// How fast the intro composes its frames on the host stand-in, phase by phase
// and for the whole sequence; how many heap allocations a frame makes; and how
// long intro-frames takes to write every frame.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "base/intro_state.h"
#include "bench/allocation_count.h"
#include "bench/frame_calls.h"
#include "intro/intro.h"

extern char** environ;

namespace {

struct Phase {
    const char* name;
    long first, last;
};

// The timeline's phases, each by its drawing calls. The logo phase starts a
// frame late, leaving out frame 1501's one-off CD cue; the roll phase ends
// before the closing key, which would fill the message queue.
const Phase kPhases[] = {
    {"opening", 1, 749},    // one opaque blit of 226 rows
    {"caption", 750, 1500}, // one opaque blit of 240 rows
    {"logo", 1502, 3499},   // the starfield, the shrinking stretched logo, from 2501 the roll
    {"roll", 3500, 10210},  // the starfield and the keyed roll
};

void RenderFrameInPhase(benchmark::State& state, Phase phase)
{
    if (!StartHostIntro())
        return state.SkipWithError("the intro does not start on the host");
    while (intro.frameCount < phase.first - 1)
        RenderFrame();
    const IntroState start = intro;
    StartCountingAllocations();
    for (auto _ : state) {
        if (intro.frameCount == phase.last)
            intro = start;  // round again: the phase's frames in their order, as often as needed
        RenderFrame();
    }
    long allocations = StopCountingAllocations();
    state.counters["allocs/frame"] = (double)allocations / (double)state.iterations();
}

// The whole sequence from a started intro to the frame that posts the closing
// key, counting the frames that allocate and their allocations.
void WholeSequence(benchmark::State& state)
{
    long allocations = 0, allocatingFrames = 0, firstAllocatingFrame = 0, frames = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!StartHostIntro())
            return state.SkipWithError("the intro does not start on the host");
        allocations = allocatingFrames = firstAllocatingFrame = 0;
        state.ResumeTiming();
        while (intro.scrollRow <= kRollLastRow) {
            StartCountingAllocations();
            RenderFrame();
            long made = StopCountingAllocations();
            allocations += made;
            allocatingFrames += made > 0;
            if (made && !firstAllocatingFrame)
                firstAllocatingFrame = intro.frameCount;
        }
        frames = intro.frameCount;
    }
    state.counters["frames"] = (double)frames;
    state.counters["fps"] = benchmark::Counter((double)frames, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["allocs"] = (double)allocations;
    state.counters["allocating_frames"] = (double)allocatingFrames;
    state.counters["first_allocating_frame"] = (double)firstAllocatingFrame;
}

// intro-frames --out DIR --all: every frame as a PNG file, as an artist runs it.
void IntroFramesAll(benchmark::State& state)
{
    char folder[] = "/tmp/intro-frames-bench-XXXXXX";
    if (!mkdtemp(folder))
        return state.SkipWithError("cannot make a folder in /tmp");
    std::string clean = std::string("rm -rf '") + folder + "'";
    const char* argv[] = {INTRO_FRAMES, "--out", folder, "--all", nullptr};
    for (auto _ : state) {
        pid_t child;
        int status = 0;
        if (posix_spawn(&child, INTRO_FRAMES, nullptr, nullptr, const_cast<char**>(argv), environ) != 0 ||
            waitpid(child, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("intro-frames --all failed");
            break;
        }
    }
    state.counters["frames"] = kClosingFrame;
    if (std::system(clean.c_str()) != 0)
        state.SkipWithError("cannot remove the frames");
}

void RegisterPhases()
{
    for (const Phase& phase : kPhases)
        benchmark::RegisterBenchmark((std::string("RenderFrame/") + phase.name).c_str(), RenderFrameInPhase, phase);
    benchmark::RegisterBenchmark("WholeSequence", WholeSequence)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("IntroFramesAll", IntroFramesAll)
        ->Unit(benchmark::kSecond)
        ->Iterations(1)
        ->Repetitions(1)  // half a minute a run: once is enough
        ->UseRealTime();
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RegisterPhases();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
