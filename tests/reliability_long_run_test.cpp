// A long run: 20000 frames, through the busy phase, the whole roll and the
// still screen after it (scripts/test.sh --long runs a million; the environment
// variable INTRO_LONG_RUN_FRAMES picks the count), driven the way the
// message loop drives them, while the platform answers "still drawing", "surface
// lost" or "busy" at random drawing calls and the user switches away and back
// at random. The posted closing keys are taken off the queue, so the run goes
// on through the end of the roll and long after it.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "display/display.h"
#include "intro/intro.h"
#include "tests/reliability_run.h"

namespace {

long FramesToRun()
{
    if (const char* wanted = std::getenv("INTRO_LONG_RUN_FRAMES"))
        return std::atol(wanted);
    return 20000;
}

// xorshift64*: the same answers on every machine for the same seed.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next()
    {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    }
    bool OneIn(uint64_t n) { return Next() % n == 0; }
    int Below(int n) { return (int)(Next() % (uint64_t)n); }

private:
    uint64_t state_;
};

const uint32_t kStill = (uint32_t)DDERR_WASSTILLDRAWING;
const uint32_t kLost = (uint32_t)DDERR_SURFACELOST;
const uint32_t kBusy = (uint32_t)DDERR_SURFACEBUSY;

// The answers the platform gives to one frame's drawing calls, by call name, in
// call order; 0 lets the call run. Each non-zero answer becomes a script for
// exactly that call: a script counts only the calls that earlier scripts left.
class FrameScript {
public:
    void Add(const char* call, uint32_t answer) { answers_[call].push_back(answer); }
    void Install() const
    {
        host::ClearFailures();
        for (const auto& [call, answers] : answers_) {
            int taken = 0;
            for (size_t position = 0; position < answers.size(); ++position)
                if (answers[position])
                    host::FailCall(call, answers[position], 1, (int)position - taken++);
        }
    }

private:
    std::map<std::string, std::vector<uint32_t>> answers_;
};

// What one frame should do, worked out before it is drawn from the frames and
// rows the timeline is known by: which steps run and how each one ends.
struct FramePlan {
    FrameScript script;
    bool logoReached = false, rollDrawn = false, flipped = false, restored = false;
};

struct Rates {
    uint64_t stillDrawing, lost, busy;
};

class LongRun : public IntroTest {
protected:
    void SetUp() override
    {
        IntroTest::SetUp();
        host::AddFile(reliability::kMainProgramExe);
        Start();
        host::SetRecording(false);
    }

    // The steps of frame `frame` in order; the plan ends at the first step that
    // does not answer 0. Surfaces really lost (after a switch away) answer
    // "lost" at the first call the script lets run.
    FramePlan Plan(LONG frame, bool surfacesLost, const Rates& rates)
    {
        FramePlan plan;
        struct Step {
            const char* call;
            bool runs;
            bool* reached;
        } steps[] = {
            {"IDirectDrawSurface::BltFast", true, nullptr},
            // The logo in frames 1501 to 3499; the roll from frame 2501 until it reaches row 863.
            {"IDirectDrawSurface::Blt", frame >= 1501 && frame <= 3499, &plan.logoReached},
            {"IDirectDrawSurface::BltFast", frame >= 2501 && intro.scrollRow < 863, nullptr},
            {"IDirectDrawSurface::Flip", true, nullptr},
        };
        for (size_t i = 0; i < 4; ++i) {
            if (!steps[i].runs)
                continue;
            if (steps[i].reached)
                *steps[i].reached = true;
            for (int still = random_.OneIn(rates.stillDrawing) ? 1 + random_.Below(4) : 0; still > 0; --still)
                plan.script.Add(steps[i].call, kStill);
            uint32_t answer = random_.OneIn(rates.lost) ? kLost : random_.OneIn(rates.busy) ? kBusy : 0;
            plan.script.Add(steps[i].call, answer);
            if (answer == 0 && surfacesLost)
                answer = kLost;
            if (answer != 0) {
                plan.restored = answer == kLost;
                return plan;
            }
            if (i == 2)
                plan.rollDrawn = true;
        }
        plan.flipped = true;
        return plan;
    }

    // Takes the posted messages off the queue as the loop would, counting the
    // closing keys instead of dispatching them.
    int TakeClosingKeys()
    {
        int keys = 0;
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE &&
                message.hwnd == intro.mainWindow)
                keys += 1;
            else
                DispatchMessageA(&message);
        }
        return keys;
    }

    void SwitchAwayAndBack()
    {
        host::Deactivate();
        ASSERT_EQ(intro.appActive, 0u) << "still active after switching away";
        host::Activate();
        ASSERT_NE(intro.appActive, 0u) << "not active after switching back";
        host::PostKeyUp(VK_MENU);  // the Alt of Alt+Tab
        TakeClosingKeys();
    }

    Random random_{0x5EEDF00Dull};
};

// Where the roll stands after a frame that drew it: one frame further into its
// eleven-frame step, or, from the eleventh, a row further on.
struct Roll {
    DWORD row;
    LONG delay;
    bool operator==(const Roll& other) const { return row == other.row && delay == other.delay; }
};
Roll RollNow() { return Roll{intro.scrollRow, intro.scrollDelay}; }
Roll RollAfterADrawnFrame(Roll roll)
{
    return roll.delay < 10 ? Roll{roll.row, roll.delay + 1} : Roll{roll.row + 1, 0};
}
std::ostream& operator<<(std::ostream& out, const Roll& roll)
{
    return out << "row " << roll.row << " delay " << roll.delay;
}

TEST_F(LongRun, RandomLossesStillDrawingAndSwitchesThroughEveryPhase)
{
    const long frames = FramesToRun();
    const LONG busyPhaseEnd = 13000;  // past the roll: from here only the panel and the flip
    const Rates early = {10, 2000, 1000}, late = {10, 100000, 20000};
    auto began = std::chrono::steady_clock::now();
    long switches = 0, losses = 0, stillDrawing = 0, cutShort = 0, closingKeys = 0;
    for (long n = 0; n < frames; ++n) {
        const LONG frame = intro.frameCount;
        const Rates& rates = frame < busyPhaseEnd ? early : late;
        if (random_.OneIn(frame < busyPhaseEnd ? 3000 : 50000)) {
            SwitchAwayAndBack();
            switches += 1;
        }
        bool surfacesLost = host::SurfaceLost(intro.backBuffer) || host::SurfaceLost(intro.sheet);
        FramePlan plan = Plan(frame + 1, surfacesLost, rates);
        plan.script.Install();
        const LONG halfWidth = intro.logoHalfWidth, halfHeight = intro.logoHalfHeight;
        const Roll roll = RollNow();
        const int flips = host::FlipCount(), scriptedBefore = host::ScriptedAnswers();

        RenderFrame();

        ASSERT_EQ(intro.frameCount, frame + 1) << "a frame number was skipped or repeated";
        ASSERT_EQ(host::FlipCount(), flips + (plan.flipped ? 1 : 0)) << "frame " << frame + 1;
        // Once per frame that reaches the logo its extents shrink, and never else: they
        // stay above 1151 all through the logo's frames, so every shrink shows.
        ASSERT_EQ(intro.logoHalfWidth < halfWidth, plan.logoReached) << "frame " << frame + 1;
        ASSERT_EQ(intro.logoHalfHeight < halfHeight, plan.logoReached) << "frame " << frame + 1;
        ASSERT_LE(intro.logoHalfWidth, halfWidth);
        ASSERT_LE(intro.logoHalfHeight, halfHeight);
        ASSERT_EQ(RollNow(), plan.rollDrawn ? RollAfterADrawnFrame(roll) : roll) << "frame " << frame + 1;
        int keys = TakeClosingKeys();
        bool passedTheEnd = intro.scrollRow != roll.row && intro.scrollRow > 700;
        ASSERT_EQ(keys, passedTheEnd ? 1 : 0)
            << "closing keys in frame " << frame + 1 << ", row " << intro.scrollRow;
        closingKeys += keys;
        stillDrawing += host::ScriptedAnswers() - scriptedBefore;
        cutShort += !plan.flipped;
        if (plan.restored) {
            losses += 1;
            ASSERT_FALSE(host::SurfaceLost(intro.sheet)) << "the sheet is still lost after a restore";
            host::Live live = host::LiveObjects();
            ASSERT_EQ(live.deviceContexts + live.surfaceDCs + live.bitmaps + live.locks + live.files, 0)
                << "a device context, bitmap, lock or file outlived the restore in frame " << frame + 1;
        }
    }
    host::ClearFailures();
    host::Live live = host::LiveObjects();
    EXPECT_EQ(live.directDraws, 1);
    EXPECT_EQ(live.surfaces, 2);  // the primary (with its back buffer) and the sheet
    EXPECT_EQ(live.palettes, 1);
    if (frames >= 20000) {  // long enough for the whole roll: a key for each of rows 701 to 863
        EXPECT_EQ(closingKeys, 163);
        EXPECT_EQ(intro.scrollRow, 863u);
    }

    // And it still ends in order: Esc, release, hand-over.
    host::SetRecording(true);
    host::PressKey(VK_ESCAPE);
    int status = 0;
    try {
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        ADD_FAILURE() << "the Esc did not end the process";
    } catch (const host::ProcessExit& exit) {
        status = (int)exit.status;
    }
    reliability::ExpectOneHandOverAndItsStatus(status);  // and the fixture's end: nothing left behind
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::printf(
        "long run: %ld frames, %ld switches away, %ld restores, %ld scripted answers, %ld frames cut "
        "short, %ld closing keys, %.1f s\n",
        frames, switches, losses, stillDrawing, cutShort, closingKeys, seconds);
}

}  // namespace
