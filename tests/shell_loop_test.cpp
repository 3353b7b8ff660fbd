// The message loop as the intro's frame clock: no frame while inactive, waiting
// messages always before the next frame, and the quit message's value returned.
#include <functional>

#include "app/app.h"
#include "tests/support/test_support.h"

namespace {

// Runs WinMain to its end with `hook` called whenever the loop looks at the queue.
int RunWithHook(std::function<void()> hook)
{
    host::SetIdleHook(std::move(hook));
    return host::RunWinMain();
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

// True when the loop is asleep in WaitMessage: the place to give it a message.
bool Waiting()
{
    return !host::Calls().empty() && host::Calls().back().name == "WaitMessage";
}

size_t IndexOfLast(const std::string& name)
{
    const std::vector<host::Call>& calls = host::Calls();
    for (size_t i = calls.size(); i > 0; --i)
        if (calls[i - 1].name == name)
            return i - 1;
    return calls.size();
}

using ShellLoopTest = IntroTest;

TEST_F(ShellLoopTest, NoFrameIsDrawnBeforeTheFirstActivation)
{
    host::SetActivateOnShow(false);
    int looks = 0;
    LONG framesWhileInactive = -1;
    CloseAt close{30};
    EXPECT_EQ(RunWithHook([&] {
                  if (looks < 20) {
                      if (Waiting()) {
                          ++looks;
                          PostMessageA(host::MainWindow(), WM_NULL, 0, 0);  // something to wake up for
                      }
                  } else if (looks++ == 20) {
                      framesWhileInactive = intro.frameCount;
                      host::Activate();
                      PostMessageA(host::MainWindow(), WM_NULL, 0, 0);  // wakes the waiting loop
                  } else {
                      close();
                  }
              }),
              0);
    EXPECT_EQ(framesWhileInactive, 0);
    EXPECT_EQ(CountOf("WaitMessage"), 20u);  // asleep between the messages, not spinning
    EXPECT_EQ(intro.frameCount, 30);
}

TEST_F(ShellLoopTest, TheTimelineStandsStillWhileInactiveAndGoesOnWhereItStopped)
{
    int inactiveLooks = 0;
    LONG stoppedAt = -1, resumedFrom = -1;
    size_t waitsBefore = 0;
    CloseAt close{150};
    EXPECT_EQ(RunWithHook([&] {
                  if (stoppedAt < 0 && intro.frameCount == 100) {
                      stoppedAt = intro.frameCount;
                      waitsBefore = CountOf("WaitMessage");
                      host::Deactivate();
                  } else if (stoppedAt >= 0 && inactiveLooks < 10) {
                      EXPECT_EQ(intro.frameCount, stoppedAt);
                      if (!Waiting())
                          return;
                      if (++inactiveLooks == 10) {
                          host::Activate();
                          PostMessageA(host::MainWindow(), WM_NULL, 0, 0);  // wakes the waiting loop
                          resumedFrom = intro.frameCount;
                      } else {
                          PostMessageA(host::MainWindow(), WM_NULL, 0, 0);
                      }
                  } else {
                      close();
                  }
              }),
              0);
    EXPECT_EQ(resumedFrom, 100);
    EXPECT_EQ(CountOf("WaitMessage") - waitsBefore, 10u);
    EXPECT_EQ(intro.frameCount, 150);
}

TEST_F(ShellLoopTest, EveryWaitingMessageIsDispatchedBeforeTheNextFrame)
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

TEST_F(ShellLoopTest, TheLoopReturnsWhatTheQuitMessageCarries)
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

}  // namespace
