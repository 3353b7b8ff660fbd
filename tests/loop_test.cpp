// The message loop as the frame clock: frames only while active and only with
// an empty queue, and no loop at all when start-up failed.
#include <cctype>
#include <cstring>
#include <set>
#include <vector>

#include "app/app.h"
#include "intro/intro.h"
#include "tests/support/test_support.h"

namespace {

using LoopTest = IntroTest;

// Whether the idle hook runs inside WaitMessage, the thread asleep (the look
// right after a wait that woke up finds a message).
bool Waiting()
{
    return !host::Calls().empty() && host::Calls().back().name == "WaitMessage" && host::QueueLength() == 0;
}

// The text with every long number taken out: where the platform keeps the
// resource data differs from run to run.
std::string WithoutAddresses(const std::string& text)
{
    std::string kept;
    for (size_t i = 0; i < text.size();) {
        size_t end = i;
        while (end < text.size() && std::isxdigit((unsigned char)text[end]))
            ++end;
        if (end - i >= 9) {
            kept += "address";
            i = end;
        } else {
            kept += text[i++];
        }
    }
    return kept;
}

std::vector<LONG> Range(LONG first, LONG last)
{
    std::vector<LONG> frames;
    for (LONG frame = first; frame <= last; ++frame)
        frames.push_back(frame);
    return frames;
}

TEST_F(LoopTest, NoFrameIsDrawnBeforeTheFirstActivation)
{
    host::SetActivateOnShow(false);
    bool closed = false;
    int waits = 0;
    LONG framesAtActivation = -1;
    host::SetIdleHook([&] {
        if (Waiting() && framesAtActivation < 0) {
            if (++waits < 20) {
                host::PressKey(VK_SPACE);  // the user types while the intro is in the background
            } else {
                framesAtActivation = intro.frameCount;
                host::Activate();
            }
        }
        if (!closed && intro.frameCount == 3) {
            closed = true;
            host::PressKey(VK_ESCAPE);
        }
    });
    EXPECT_EQ(host::RunWinMain(), 0);
    EXPECT_EQ(framesAtActivation, 0);
    EXPECT_EQ(intro.frameCount, 3);

    std::vector<std::string> names = host::CallNames();
    size_t firstDrawing = 0, lastWait = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == "WaitMessage")
            lastWait = i;
        if (!firstDrawing && names[i] == "IDirectDrawSurface::BltFast")
            firstDrawing = i;
    }
    EXPECT_EQ(CountOf("WaitMessage"), 20u);
    EXPECT_LT(lastWait, firstDrawing);
}

TEST_F(LoopTest, FramesStandStillWhileInactiveAndResumeWhereTheyStopped)
{
    std::vector<LONG> flipped;
    host::SetFlipHook([&] { flipped.push_back(intro.frameCount); });
    bool away = false, back = false, closed = false;
    int waits = 0;
    LONG framesWhileAway = -1;
    host::SetIdleHook([&] {
        if (!away && intro.frameCount == 100) {
            away = true;
            host::Deactivate();
        } else if (away && !back && Waiting() && ++waits == 5) {
            back = true;
            framesWhileAway = intro.frameCount;
            host::Activate();
        } else if (away && !back && Waiting()) {
            host::PressKey(VK_SPACE);
        }
        if (!closed && intro.frameCount == 110) {
            closed = true;
            host::PressKey(VK_ESCAPE);
        }
    });
    EXPECT_EQ(host::RunWinMain(), 0);
    EXPECT_EQ(framesWhileAway, 100);
    // Switching away lost the surfaces: frame 101 finds that out, repairs them and
    // is not shown; 102 is drawn in full.
    std::vector<LONG> expected = Range(1, 100);
    for (LONG frame : Range(102, 110))
        expected.push_back(frame);
    EXPECT_EQ(flipped, expected);
    EXPECT_EQ(CountOf("WaitMessage"), 5u);
}

TEST_F(LoopTest, EveryWaitingMessageIsHandledBeforeTheNextFrame)
{
    bool burst = false, closed = false;
    std::set<LONG> framesWithMessagesWaiting;
    size_t waitingAtAFlip = 0;
    host::SetFlipHook([&] { waitingAtAFlip += host::QueueLength(); });
    host::SetIdleHook([&] {
        if (!burst && intro.frameCount == 50) {
            burst = true;
            host::HoldKey('A', 40);  // 41 key-downs and the key-up; each key-down adds a character
        }
        if (burst && host::QueueLength() > 0)
            framesWithMessagesWaiting.insert(intro.frameCount);
        if (!closed && intro.frameCount == 60) {
            closed = true;
            host::PressKey(VK_ESCAPE);
        }
    });
    EXPECT_EQ(host::RunWinMain(), 0);
    EXPECT_EQ(framesWithMessagesWaiting, (std::set<LONG>{50, 60}));
    EXPECT_EQ(waitingAtAFlip, 0u);
    size_t keyDowns = 0, characters = 0;
    for (const std::string& args : ArgsOf("DispatchMessageA")) {
        keyDowns += args == "window, 0x100, 0x41";
        characters += args == "window, 0x102, 0x61";
    }
    EXPECT_EQ(keyDowns, 41u);
    EXPECT_EQ(characters, 41u);
    EXPECT_EQ(intro.frameCount, 60);
}

TEST_F(LoopTest, AFailedStartUpEndsWithStatus0WithoutEnteringTheLoop)
{
    for (const char* failing : {"CreateWindowExA", "IDirectDraw::SetDisplayMode"}) {
        host::PrepareIntro(ProjectSheet());
        host::FailCall(failing, 0x80004005);
        EXPECT_EQ(host::RunWinMain(), 0) << failing;
        EXPECT_EQ(CountOf("PeekMessageA") + CountOf("GetMessageA") + CountOf("WaitMessage"), 0u) << failing;
    }
    // The failed display step closed the window, whose end posted the quit message.
    EXPECT_EQ(ArgsOf("PostQuitMessage"), std::vector<std::string>{"0"});
}

TEST_F(LoopTest, TheCommandLineIsIgnored)
{
    auto runWith = [](const char* text, HINSTANCE previous) {
        host::PrepareIntro(ProjectSheet());
        bool closed = false;
        host::SetIdleHook([&] {
            if (!closed && intro.frameCount == 5) {
                closed = true;
                host::PressKey(VK_ESCAPE);
            }
        });
        std::vector<char> commandLine(text, text + std::strlen(text) + 1);
        int status = WinMain(host::Instance(), previous, commandLine.data(), SW_SHOWDEFAULT);
        std::vector<std::string> log;
        for (const host::Call& call : host::Calls())
            log.push_back(
                WithoutAddresses(call.name + "(" + call.args + ") = " + std::to_string(call.result)));
        log.push_back("status " + std::to_string(status));
        return log;
    };
    std::vector<std::string> plain = runWith("", nullptr);
    EXPECT_EQ(runWith("skipintro /x \"C:\\a b\" --frames=3", nullptr), plain);
    EXPECT_EQ(runWith("z_qzm__ skipintro", (HINSTANCE)0x10000), plain);
}

}  // namespace
