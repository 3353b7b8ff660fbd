// Input storms: held-down keys, both closing keys at once, Alt+F4 on top of the
// roll's own closing key, and thousands of messages queued at once. However the
// input comes, the window is destroyed once, the main program is started once,
// and no frame is drawn while a message waits.
#include <functional>

#include "intro/intro.h"
#include "tests/reliability_run.h"

namespace {

using reliability::Base;

const LONG kStormFrame = 100;

// What the user does, once, when `due` first holds at an idle turn.
struct Storm {
    const char* name;
    std::function<bool()> due;
    std::function<void()> act;
};

bool AtStormFrame() { return intro.frameCount >= kStormFrame; }
bool RollPostedItsClosingKey() { return intro.scrollRow > kRollLastRow; }

// Ordinary keys that neither close the intro nor do anything else.
void QueueOrdinaryKeys(int count)
{
    for (int i = 0; i < count; ++i)
        host::PressKey('A' + i % 26);
}

const std::vector<Storm>& Storms()
{
    static const std::vector<Storm> storms = {
        {"held-down Esc", AtStormFrame, [] { host::HoldKey(VK_ESCAPE, 40); }},
        {"held-down F12", AtStormFrame, [] { host::HoldKey(VK_F12, 40); }},
        {"Esc and F12 together", AtStormFrame,
         [] {
             host::PostKeyDown(VK_ESCAPE);
             host::PostKeyDown(VK_F12);
             host::HoldKey(VK_ESCAPE, 10);
             host::PostKeyUp(VK_F12);
         }},
        {"Alt+F4 behind the roll's closing key", RollPostedItsClosingKey, [] { host::PressAltF4(); }},
        {"Esc held while the roll's closing key arrives", RollPostedItsClosingKey,
         [] {
             host::HoldKey(VK_ESCAPE, 20);
             host::PressAltF4();
         }},
        {"Alt+F4 and Esc at once", AtStormFrame,
         [] {
             host::PressAltF4();
             host::PressKey(VK_ESCAPE);
             host::PressAltF4();
         }},
        {"five thousand keys, then Esc among five thousand more", AtStormFrame,
         [] {
             QueueOrdinaryKeys(5000);
             host::PressKey(VK_ESCAPE);
             QueueOrdinaryKeys(5000);
         }},
    };
    return storms;
}

// Watches the loop's one promise about input: a frame is drawn only when no
// message waits, so every queued message is dispatched before the next frame.
class FrameWatch {
public:
    void Turn()
    {
        if (intro.frameCount != lastFrame_ && queuedAtLastTurn_ > 0)
            ADD_FAILURE() << "frame " << intro.frameCount << " was drawn with " << queuedAtLastTurn_
                          << " messages waiting";
        lastFrame_ = intro.frameCount;
    }
    void After() { queuedAtLastTurn_ = host::QueueLength(); }

private:
    LONG lastFrame_ = 0;
    size_t queuedAtLastTurn_ = 0;
};

void RunStorm(const Storm& storm, Base base)
{
    SCOPED_TRACE(std::string(storm.name) + ", " + BaseName(base));
    reliability::PrepareBase(base);
    FrameWatch watch;
    bool done = false;
    reliability::RunResult run = reliability::RunWholeProgram(base, false, 0, [&] {
        watch.Turn();
        if (!done && storm.due()) {
            done = true;
            storm.act();
        }
        watch.After();
    });
    EXPECT_TRUE(done) << "the storm never came";
    reliability::ExpectOrderlyEnd(run);
    size_t stops = 0;
    for (const std::string& command : host::MciCommands())
        stops += command == "stop cdaudio";
    EXPECT_EQ(stops, 1u) << "the display was released more than once";
    if (base == Base::NoMainProgram) {  // the process lives on: the window must be gone once, for good
        EXPECT_EQ(host::DestroyCount(), 1);
    }
}

TEST(ReliabilityStorms, TheWindowClosesOnceAndTheMainProgramStartsOnce)
{
    for (const Storm& storm : Storms())
        for (Base base : {Base::Clean, Base::NoMainProgram})
            RunStorm(storm, base);
}

// A storm of ordinary keys only delays frames: every message goes first, and
// the intro still runs to the end of the roll and hands over.
TEST(ReliabilityStorms, ThousandsOfOrdinaryKeysDelayButDoNotEndTheIntro)
{
    reliability::PrepareBase(Base::Clean);
    FrameWatch watch;
    size_t dispatchedBefore = 0;
    bool queued = false, counted = false;
    reliability::RunResult run = reliability::RunWholeProgram(Base::Clean, false, 0, [&] {
        watch.Turn();
        if (intro.frameCount == kStormFrame && !queued) {
            queued = true;
            dispatchedBefore = CountOf("DispatchMessageA");
            QueueOrdinaryKeys(3000);
        } else if (intro.frameCount == kStormFrame + 1 && !counted) {
            counted = true;  // 3000 key-downs, their 3000 characters and 3000 key-ups
            EXPECT_EQ(CountOf("DispatchMessageA") - dispatchedBefore, 9000u);
        }
        watch.After();
    });
    EXPECT_TRUE(counted);
    reliability::ExpectOrderlyEnd(run);
    EXPECT_GT(intro.scrollRow, kRollLastRow) << "the roll did not run out";
    EXPECT_EQ(host::StartedProcesses().size(), 1u);
}

}  // namespace
