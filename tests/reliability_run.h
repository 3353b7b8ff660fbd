// Whole runs of the intro on the stand-in while the platform and the user
// misbehave, and the checks that every such run still ends in order.
// Shared by the reliability suites; header-only, as only *_test.cpp files build.
#ifndef INTRO_TESTS_RELIABILITY_RUN_H
#define INTRO_TESTS_RELIABILITY_RUN_H

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>

#include "tests/support/test_support.h"

namespace reliability {

const char kMainProgramExe[] = "C:\\intro\\z_qzm__.exe";
const char kBatchFile[] = "C:\\intro\\z_qzm__.bat";
const char kTitle[] = "Escort the Velthorn";

// The situations a run starts from. Each brings calls that the others never make.
enum class Base {
    Clean,           // z_qzm__.exe beside the intro: start-up to hand-over
    Interrupted,     // as Clean; surfaces lost at frame 1600, the user switches away at 1700
    StartupFailure,  // no 320x240x8 mode: the message box, then the hand-over
    SheetFile,       // "ALL" is no resource but a BMP file in the current directory
    BatchFile,       // only z_qzm__.bat, in the current directory
    NoMainProgram,   // nothing to hand over to: the quit message ends the loop
};

inline const char* BaseName(Base base)
{
    static const char* const names[] = {"clean",      "interrupted", "startup failure",
                                        "sheet file", "batch file",  "no main program"};
    return names[(int)base];
}

const LONG kLossFrame = 1600;
const LONG kSwitchAwayFrame = 1700;
// Frames a run goes on after the failure took effect, before the user presses Esc.
const LONG kSettleFrames = 50;
// Past this the closing key of the roll should long have come; the user presses Esc.
const LONG kPatienceFrame = 12000;
// After a key that should close the window: frames until Alt+F4, then until the run is abandoned.
const LONG kCloseGrace = 100;
// Idle turns in a row without a new frame before a run counts as stuck.
const long kStuckTurns = 200000;

// Thrown out of the idle hook when a run would never end by itself.
struct Abandoned {
    std::string why;
};

// The project's sheet as the BMP file "ALL" in a folder of its own, made the
// current directory for as long as this lives.
class SheetFileDirectory {
public:
    SheetFileDirectory()
    {
        char here[4096];
        if (getcwd(here, sizeof here))
            previous_ = here;
        std::string folder = testing::TempDir() + "reliability-sheet-file";
        mkdir(folder.c_str(), 0755);  // there already after an earlier run
        if (chdir(folder.c_str()) != 0)
            ADD_FAILURE() << "cannot use " << folder;
        std::ofstream("ALL", std::ios::binary)
            .write((const char*)ProjectSheet().data(), (std::streamsize)ProjectSheet().size());
    }
    ~SheetFileDirectory()
    {
        if (!previous_.empty() && chdir(previous_.c_str()) != 0)
            ADD_FAILURE() << "cannot go back to " << previous_;
    }

private:
    std::string previous_;
};

// A new machine for the base; the rest of the base happens during the run.
inline void PrepareBase(Base base)
{
    kit::PrepareIntro(ProjectSheet());
    if (base == Base::BatchFile)
        host::AddFile(kBatchFile);
    else if (base != Base::NoMainProgram)
        host::AddFile(kMainProgramExe);
    if (base == Base::StartupFailure)
        host::SetDisplayModes({{640, 480, 8}});
    if (base == Base::SheetFile)
        host::RemoveResources();
}

// The user and the clock of one run, called at every idle turn of the loop.
class Driver {
public:
    // endEarly: the user presses Esc once the failure has been taken and has had
    // its effect; closeAtFrame (0: never): the user presses Esc at that frame.
    Driver(Base base, bool endEarly, LONG closeAtFrame)
        : base_(base), endEarly_(endEarly), closeAtFrame_(closeAtFrame)
    {
    }

    // Where the call log stood when the base's interruption came (0 for none).
    size_t interruptionMark = 0;

    void Turn()
    {
        LONG frame = intro.frameCount;
        CountTurn(frame);
        if (base_ == Base::Interrupted)
            Interrupt(frame);
        SwitchBackWhenAway();
        if (firedFrame_ < 0 && host::ScriptedAnswers() > 0)
            firedFrame_ = frame;
        LONG lastEvent = base_ == Base::Interrupted ? kSwitchAwayFrame : 0;
        bool settled = firedFrame_ >= 0 && frame >= std::max(firedFrame_, lastEvent) + kSettleFrames;
        bool closeNow = (endEarly_ && settled) || (closeAtFrame_ && frame >= closeAtFrame_);
        bool open = host::WindowAlive(host::MainWindow());
        if (escAt_ < 0 && (closeNow || frame >= kPatienceFrame))
            Press(frame, VK_ESCAPE);
        if (escAt_ >= 0 && altF4At_ < 0 && frame >= escAt_ + kCloseGrace && open)
            Press(frame, VK_F4);
        if (altF4At_ >= 0 && frame >= altF4At_ + kCloseGrace && open)
            throw Abandoned{"the window survived Esc and Alt+F4"};
    }

private:
    void CountTurn(LONG frame)
    {
        if (frame != lastFrame_) {
            lastFrame_ = frame;
            stuckTurns_ = 0;
        } else if (++stuckTurns_ > kStuckTurns) {
            throw Abandoned{"the loop turned without a frame at frame " + std::to_string(frame)};
        }
    }

    void Interrupt(LONG frame)
    {
        if (frame >= kLossFrame && !lost_) {
            lost_ = true;
            interruptionMark = host::Calls().size();
            host::LoseSurfaces();
        }
        if (frame >= kSwitchAwayFrame && !switchedAway_ && intro.appActive) {
            switchedAway_ = true;
            host::Deactivate();
        }
    }

    // The user comes back to an intro that is not active (after switching away,
    // or when showing the window did not activate it) on the second idle turn,
    // with Alt+Tab: the window is activated and then gets the Alt key-up.
    void SwitchBackWhenAway()
    {
        if (intro.appActive || !host::WindowAlive(host::MainWindow())) {
            awayTurns_ = 0;
        } else if (++awayTurns_ >= 2) {
            host::Activate();
            host::PostKeyUp(VK_MENU);
        }
    }

    void Press(LONG frame, WPARAM key)
    {
        if (key == VK_ESCAPE) {
            escAt_ = frame;
            host::PressKey(VK_ESCAPE);
        } else {
            altF4At_ = frame;
            host::PressAltF4();
        }
    }

    Base base_;
    bool endEarly_;
    LONG closeAtFrame_;
    LONG firedFrame_ = -1, lastFrame_ = -1, escAt_ = -1, altF4At_ = -1;  // -1: not yet
    long stuckTurns_ = 0;
    int awayTurns_ = 0;
    bool lost_ = false, switchedAway_ = false;
};

struct RunResult {
    int status = 0;
    std::string abandoned;  // why the run was stopped from outside; empty when it ended
    size_t interruptionMark = 0;
};

// WinMain to the end of its process, on a machine prepared with PrepareBase;
// `user`, when given, acts at every idle turn before the driver.
inline RunResult RunWholeProgram(Base base, bool endEarly, LONG closeAtFrame = 0,
                                 std::function<void()> user = nullptr)
{
    Driver driver(base, endEarly, closeAtFrame);
    host::SetIdleHook([&] {
        if (user)
            user();
        driver.Turn();
    });
    RunResult result;
    try {
        result.status = kit::RunWinMain();
    } catch (const Abandoned& stopped) {
        result.abandoned = stopped.why;
    } catch (const host::Deadlock& deadlock) {
        result.abandoned = "deadlock: " + deadlock.where;
    }
    host::SetIdleHook(nullptr);
    result.interruptionMark = driver.interruptionMark;
    return result;
}

inline bool WindowWasMade()
{
    for (const host::Call& call : host::CallsNamed("CreateWindowExA"))
        if (call.result)
            return true;
    return false;
}

// The text of the first display step whose call the platform failed (or that
// was never reached: the sheet's surface is not made when its bitmap does not
// load), read from the platform's answers in the log; empty when the display
// was taken.
inline std::string FailedDisplayStep()
{
    if (!WindowWasMade())
        return "";
    for (const StartUpFailure& step : StartUpFailures()) {
        std::vector<host::Call> calls = host::CallsNamed(step.call);
        if ((int)calls.size() <= step.skip || calls[(size_t)step.skip].result != 0)
            return step.message;
    }
    return "";
}

// The message box: asked for only after a failed display step, once, with its text.
inline void ExpectMessageBoxForFailedStepOnly()
{
    std::string text = FailedDisplayStep();
    std::vector<std::string> boxes = ArgsOf("MessageBoxA");
    if (text.empty()) {
        EXPECT_TRUE(boxes.empty()) << "a message box without a failed display step: " << boxes.front();
        return;
    }
    ASSERT_EQ(boxes.size(), 1u) << "after \"" << text << "\"";
    EXPECT_NE(boxes[0].find("\"" + text + "\", \"" + kTitle + "\", 0x0"), std::string::npos) << boxes[0];
}

// The hand-over: tried once when the window was made (the three tries in their
// order, each after the one before it did not find the program), never otherwise;
// the exit status is the started process's handle, or 0 when none started.
inline void ExpectOneHandOverAndItsStatus(int status)
{
    std::vector<host::Call> tries = host::CallsNamed("CreateProcessA");
    const std::string lines[] = {"\"z_qzm__.com skipintro\"", "\"z_qzm__.exe skipintro\"",
                                 "\"C:\\windows\\system32\\cmd.exe /c z_qzm__.bat skipintro\""};
    if (!WindowWasMade()) {
        EXPECT_TRUE(tries.empty()) << "a hand-over without a window";
    } else {
        ASSERT_GE(tries.size(), 1u) << "no hand-over after the window";
        ASSERT_LE(tries.size(), 3u) << "the hand-over was tried more than once";
        for (size_t i = 0; i < tries.size(); ++i) {
            EXPECT_NE(tries[i].args.find(lines[i]), std::string::npos)
                << "try " << i + 1 << ": " << tries[i].args;
            if (i + 1 < tries.size()) {
                EXPECT_EQ(tries[i].result, 0u) << "the hand-over went on after a start";
            }
        }
    }
    const auto& started = host::StartedProcesses();
    ASSERT_LE(started.size(), 1u);
    if (started.empty()) {
        EXPECT_EQ(status, 0);
        EXPECT_EQ(CountOf("ExitProcess"), 0u);
    } else {
        EXPECT_NE(status, 0);
        EXPECT_EQ(status, (int)(uintptr_t)started[0].handle);
        EXPECT_EQ(CountOf("ExitProcess"), 1u);
    }
}

// Everything a run must leave behind, however the platform answered.
inline void ExpectOrderlyEnd(const RunResult& run)
{
    EXPECT_EQ(run.abandoned, "");
    EXPECT_EQ(host::LeftBehind(), "");
    ExpectMessageBoxForFailedStepOnly();
    ExpectOneHandOverAndItsStatus(run.status);
}

}  // namespace reliability

#endif
