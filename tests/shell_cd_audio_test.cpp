// The CD music as the intro drives it over whole runs: the four cue commands in
// frame 1501, the stop at every shutdown, and nothing else ever sent (the two
// stops of a failed start-up are in display_init_test.cpp).
#include <functional>

#include "app/app.h"
#include "intro/intro.h"
#include "tests/support/test_support.h"

namespace {

const std::vector<std::string> kCue = {
    "open cdaudio shareable",
    "set cdaudio time format tmsf",
    "open cdaudio",
    "play cdaudio from 05:00:00:00 to 06:00:00:00",
};
const std::string kStop = "stop cdaudio";

std::vector<std::string> CueThenStop()
{
    std::vector<std::string> commands = kCue;
    commands.push_back(kStop);
    return commands;
}

// The commands sent so far; each must have gone without return text or callback.
std::vector<std::string> SentCommands()
{
    std::vector<std::string> commands;
    for (const host::Call& call : host::CallsNamed("mciSendStringA")) {
        const std::string quiet = ", null, 0, null";
        EXPECT_EQ(call.args.substr(call.args.size() - std::min(call.args.size(), quiet.size())), quiet)
            << call.args;
        commands.push_back(call.args.substr(1, call.args.find('"', 1) - 1));
    }
    EXPECT_EQ(commands, host::MciCommands());
    return commands;
}

// WinMain to its end, doing `action` once when the loop first looks at the queue
// with at least `frame` frames drawn.
int RunActingAt(LONG frame, std::function<void()> action)
{
    bool done = false;
    host::SetIdleHook([&] {
        if (!done && intro.frameCount >= frame) {
            done = true;
            action();
        }
    });
    return kit::RunWinMain();
}

using ShellCdAudioTest = IntroTest;

TEST_F(ShellCdAudioTest, CueGoesOutOnceAtTheStartOfFrame1501)
{
    Start();
    RenderUntil(kCaptionLastFrame);
    EXPECT_TRUE(SentCommands().empty());

    host::ClearCalls();
    RenderFrame();
    EXPECT_EQ(intro.frameCount, 1501);
    EXPECT_EQ(SentCommands(), kCue);
    std::vector<std::string> names = host::CallNames();
    ASSERT_GE(names.size(), 5u);
    for (size_t i = 0; i < kCue.size(); ++i)
        EXPECT_EQ(names[i], "mciSendStringA") << "call " << i;
    EXPECT_EQ(names[4], "IDirectDrawSurface::BltFast");  // nothing of the frame before the cue

    RenderUntil(3600);
    EXPECT_EQ(SentCommands(), kCue);
}

TEST_F(ShellCdAudioTest, CueIsSentWholeWhenTheRestOfItsFrameFails)
{
    struct Case {
        const char* method;
        uint32_t code;
    };
    const Case cases[] = {
        {"IDirectDrawSurface::BltFast", (uint32_t)DDERR_SURFACELOST},
        {"IDirectDrawSurface::BltFast", (uint32_t)DDERR_GENERIC},
        {"IDirectDrawSurface::Blt", (uint32_t)DDERR_SURFACELOST},
        {"IDirectDrawSurface::Flip", (uint32_t)DDERR_INVALIDPARAMS},
        // Each refused command is not looked at: the next ones still go out.
        {"mciSendStringA", MCIERR_INVALID_DEVICE_NAME},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " failing");
        kit::PrepareIntro(ProjectSheet());
        Start();
        RenderUntil(kCaptionLastFrame);
        host::FailCall(c.method, c.code, 1);
        RenderFrame();
        EXPECT_EQ(SentCommands(), kCue);
        RenderUntil(1510);
        EXPECT_EQ(SentCommands(), kCue);
    }
}

TEST_F(ShellCdAudioTest, EndingBeforeFrame1501SendsOnlyTheStop)
{
    struct Case {
        LONG closeAt;
        std::vector<std::string> commands;
    };
    const Case cases[] = {
        {0, {kStop}},
        {749, {kStop}},
        {kCaptionLastFrame, {kStop}},
        {kCaptionLastFrame + 1, CueThenStop()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("Esc after frame " + std::to_string(c.closeAt));
        kit::PrepareIntro(ProjectSheet());
        EXPECT_EQ(RunActingAt(c.closeAt, [] { host::PressKey(VK_ESCAPE); }), 0);
        EXPECT_EQ(intro.frameCount, c.closeAt);
        EXPECT_EQ(SentCommands(), c.commands);
    }
}

TEST_F(ShellCdAudioTest, WithoutACdDriveTheWholeRunLooksAndEndsTheSame)
{
    host::SetMciResult(MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(kit::RunWinMain(), 0);
    EXPECT_EQ(intro.frameCount, 10211);
    EXPECT_EQ(host::FlipCount(), 10211);  // every frame shown, none lost to the failed cue
    EXPECT_EQ(SentCommands(), CueThenStop());
    EXPECT_EQ(host::DestroyCount(), 1);
}

}  // namespace
