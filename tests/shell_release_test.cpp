// Giving the display back: which objects are released, in what order, how often,
// and where the CD stop, the failure message and the window's end fall among them.
#include "app/app.h"
#include "tests/support/test_support.h"

namespace {

// The shutdown as a trail: released objects by label, MCI commands, the message
// box, the window's destruction and the tries to start the main program.
std::vector<std::string> ShutdownTrail()
{
    std::vector<std::string> trail;
    const std::string release = "::Release";
    for (const host::Call& call : host::Calls()) {
        const std::string& name = call.name;
        if (name.size() > release.size() && name.compare(name.size() - release.size(), release.size(), release) == 0)
            trail.push_back(call.object);
        else if (name == "mciSendStringA")
            trail.push_back(call.args.substr(1, call.args.find('"', 1) - 1));
        else if (name == "MessageBoxA" || name == "DestroyWindow" || name == "CreateProcessA")
            trail.push_back(name);
    }
    return trail;
}

void ExpectNothingLeft()
{
    host::Live live = host::LiveObjects();
    EXPECT_EQ(live.directDraws, 0);
    EXPECT_EQ(live.surfaces, 0);
    EXPECT_EQ(live.palettes, 0);
    EXPECT_TRUE(host::Problems().empty()) << host::Problems().front();
}

using ShellReleaseTest = IntroTest;

TEST_F(ShellReleaseTest, ReleasesPrimarySheetPaletteThenDirectDrawThenStops)
{
    Start();
    ASSERT_TRUE(intro.palette);
    host::ClearCalls();
    ReleaseDisplay();
    // The back buffer never appears: it goes with the primary's chain.
    EXPECT_EQ(ShutdownTrail(),
              std::vector<std::string>({"primary", "sheet", "palette", "ddraw", "stop cdaudio"}));
    EXPECT_EQ(intro.primary, nullptr);
    EXPECT_EQ(intro.sheet, nullptr);
    EXPECT_EQ(intro.palette, nullptr);
    EXPECT_EQ(intro.directDraw, nullptr);
    EXPECT_EQ(host::DisplayBitsPerPixel(), 0u);  // the desktop has its own mode back
    ExpectNothingLeft();

    host::ClearCalls();
    ReleaseDisplay();
    EXPECT_EQ(ShutdownTrail(), std::vector<std::string>({"stop cdaudio"}));
}

// The mode switch ends with the desktop's own size, not the stand-in's first one.
TEST_F(ShellReleaseTest, TheDesktopGetsItsOwnSizeBack)
{
    host::SetScreenSize(800, 600);
    Start();
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 320);
    ReleaseDisplay();
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
}

TEST_F(ShellReleaseTest, SkipsTheObjectsThatAreAbsent)
{
    struct Case {
        const char* absent;
        std::vector<std::string> trail;
    };
    const Case cases[] = {
        {"primary", {"sheet", "palette", "ddraw", "stop cdaudio"}},
        {"sheet", {"primary", "palette", "ddraw", "stop cdaudio"}},
        {"palette", {"primary", "sheet", "ddraw", "stop cdaudio"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("no ") + c.absent);
        kit::PrepareIntro(ProjectSheet());
        Start();
        if (std::string(c.absent) == "primary") {
            intro.primary->Release();
            intro.primary = nullptr;
        } else if (std::string(c.absent) == "sheet") {
            intro.sheet->Release();
            intro.sheet = nullptr;
        } else {
            intro.palette->Release();
            intro.palette = nullptr;
        }
        host::ClearCalls();
        ReleaseDisplay();
        EXPECT_EQ(ShutdownTrail(), c.trail);
        ExpectNothingLeft();
    }
}

TEST_F(ShellReleaseTest, WithoutTheDirectDrawObjectTheOthersAreNotLookedAt)
{
    Start();
    const IntroState before = intro;
    intro.directDraw = nullptr;
    host::ClearCalls();
    ReleaseDisplay();
    EXPECT_EQ(ShutdownTrail(), std::vector<std::string>({"stop cdaudio"}));
    EXPECT_EQ(intro.primary, before.primary);
    EXPECT_EQ(intro.sheet, before.sheet);
    EXPECT_EQ(intro.palette, before.palette);

    intro.directDraw = before.directDraw;  // give it all back, so nothing leaks
    ReleaseDisplay();
    ExpectNothingLeft();
}

TEST_F(ShellReleaseTest, StartUpFailureReleasesWhatWasMadeBeforeTheMessage)
{
    struct Case {
        const char* failing;
        int skip;  // matching calls that succeed first
        std::vector<std::string> released;
        const char* message;
    };
    const Case cases[] = {
        {"DirectDrawCreate", 0, {}, "Unable to create main object"},
        {"IDirectDraw::SetCooperativeLevel", 0, {"ddraw"}, "Unable to set cooperative"},
        {"IDirectDraw::SetDisplayMode", 0, {"ddraw"}, "Unable to switch to 320x240x8"},
        {"IDirectDraw::CreateSurface", 0, {"ddraw"}, "Unable to create surface"},
        {"IDirectDrawSurface::GetAttachedSurface", 0, {"primary", "ddraw"}, "Unable to attach surface"},
        {"IDirectDraw::CreateSurface", 1, {"primary", "palette", "ddraw"}, "Unable to load bitmap"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        kit::PrepareIntro(ProjectSheet());
        host::FailCall(c.failing, (uint32_t)DDERR_GENERIC, 1, c.skip);
        EXPECT_EQ(kit::RunWinMain(), 0);
        std::vector<std::string> trail = c.released;
        // The second stop is the window's own shutdown, which finds nothing left.
        for (const char* step : {"stop cdaudio", "MessageBoxA", "DestroyWindow", "stop cdaudio",
                                 "CreateProcessA", "CreateProcessA"})
            trail.push_back(step);
        EXPECT_EQ(ShutdownTrail(), trail);
        ASSERT_EQ(host::MessageBoxes().size(), 1u);
        EXPECT_EQ(host::MessageBoxes()[0].text, c.message);
        EXPECT_EQ(host::MessageBoxes()[0].caption, "Escort the Velthorn");
        EXPECT_EQ(host::MessageBoxes()[0].type, (UINT)MB_OK);
        EXPECT_EQ(host::MessageBoxes()[0].owner, host::MainWindow());
        EXPECT_EQ(host::CallsNamed("PeekMessageA").size(), 0u);  // the loop never ran
        ExpectNothingLeft();
    }
}

TEST_F(ShellReleaseTest, StartUpFailureStillHandsOverAfterTheMessage)
{
    host::AddFile("C:\\intro\\z_qzm__.exe");
    host::FailCall("IDirectDraw::SetDisplayMode", (uint32_t)DDERR_INVALIDMODE);
    int status = kit::RunWinMain();
    EXPECT_EQ(ShutdownTrail(), std::vector<std::string>({"ddraw", "stop cdaudio", "MessageBoxA",
                                                         "DestroyWindow", "stop cdaudio",
                                                         "CreateProcessA", "CreateProcessA"}));
    ASSERT_EQ(host::StartedProcesses().size(), 1u);
    EXPECT_EQ(host::StartedProcesses()[0].commandLine, "z_qzm__.exe skipintro");
    EXPECT_EQ((uintptr_t)status, (uintptr_t)host::StartedProcesses()[0].handle);
    EXPECT_NE(status, 0);
}

}  // namespace
