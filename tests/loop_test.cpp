// The message loop as the frame clock: frames only while active and only with
// an empty queue, the quit message's value returned, and no loop at all when
// start-up failed.
#include <cctype>
#include <cstring>
#include <functional>
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

// Runs WinMain to its end with `hook` called whenever the loop looks at the queue.
int RunWithHook(std::function<void()> hook)
{
    host::SetIdleHook(std::move(hook));
    return kit::RunWinMain();
}

// Presses Esc the first time it is called with frameCount at `frame`.
struct CloseAt {
    LONG frame;
    bool done = false;
    void operator()()
    {
        if (!done && intro.frameCount == frame) {
            done = true;
            host::PressKey(VK_ESCAPE);
        }
    }
};

size_t IndexOfLast(const std::string& name)
{
    const std::vector<host::Call>& calls = host::Calls();
    for (size_t i = calls.size(); i > 0; --i)
        if (calls[i - 1].name == name)
            return i - 1;
    return calls.size();
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
    CloseAt close{3};
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
        close();
    });
    EXPECT_EQ(kit::RunWinMain(), 0);
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
    bool away = false, back = false;
    CloseAt close{110};
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
        close();
    });
    EXPECT_EQ(kit::RunWinMain(), 0);
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
    bool burst = false;
    CloseAt close{60};
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
        close();
    });
    EXPECT_EQ(kit::RunWinMain(), 0);
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

TEST_F(LoopTest, AHeldKeysBurstIsDispatchedBeforeTheNextFrameBegins)
{
    const int burst = 25;
    size_t postedAt = 0;
    bool posted = false;
    CloseAt close{20};
    EXPECT_EQ(RunWithHook([&] {
                  if (!posted && intro.frameCount == 10) {
                      posted = true;
                      for (int i = 0; i < burst; ++i)
                          host::PostKeyDown(VK_F4);  // a held key; no character, no close
                      postedAt = host::Calls().size();
                  } else if (posted) {
                      close();
                  }
              }),
              0);
    int dispatched = 0;
    for (size_t i = postedAt; i < host::Calls().size(); ++i) {
        if (host::Calls()[i].name == "IDirectDrawSurface::BltFast")
            break;
        if (host::Calls()[i].name == "DispatchMessageA")
            ++dispatched;
    }
    EXPECT_EQ(dispatched, burst);
    EXPECT_EQ(intro.frameCount, 20);
}

TEST_F(LoopTest, TheLoopReturnsWhatTheQuitMessageCarries)
{
    bool quit = false;
    EXPECT_EQ(RunWithHook([&] {
                  if (!quit && intro.frameCount == 5) {
                      quit = true;
                      PostQuitMessage(7);
                  }
              }),
              7);
    EXPECT_EQ(intro.frameCount, 5);
    EXPECT_EQ(IndexOfLast("GetMessageA"), host::Calls().size() - 1);  // nothing after the quit
    ReleaseDisplay();  // the window was never closed: give the display back by hand
}

TEST_F(LoopTest, AFailedStartUpEndsWithStatus0WithoutEnteringTheLoop)
{
    for (const char* failing : {"CreateWindowExA", "IDirectDraw::SetDisplayMode"}) {
        kit::PrepareIntro(ProjectSheet());
        host::FailCall(failing, 0x80004005);
        EXPECT_EQ(kit::RunWinMain(), 0) << failing;
        EXPECT_EQ(CountOf("PeekMessageA") + CountOf("GetMessageA") + CountOf("WaitMessage"), 0u) << failing;
    }
    // The failed display step closed the window, whose end posted the quit message.
    EXPECT_EQ(ArgsOf("PostQuitMessage"), std::vector<std::string>{"0"});
}

TEST_F(LoopTest, TheCommandLineIsIgnored)
{
    auto runWith = [](const char* text, HINSTANCE previous) {
        kit::PrepareIntro(ProjectSheet());
        host::SetIdleHook(CloseAt{5});
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
    for (const char* line : {"skipintro", "-window 640x480 /nosound", "\"C:\\a b\\c\" d",
                             "skipintro /x \"C:\\a b\" --frames=3"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(runWith(line, nullptr), plain);
    }
    EXPECT_EQ(runWith("z_qzm__ skipintro", (HINSTANCE)0x10000), plain);
}

}  // namespace
