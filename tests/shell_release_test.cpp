// Giving the display back: which objects are released, in what order and how
// often, and the CD stop after them (a failing start-up's trail is in
// display_init_test.cpp).
#include "app/app.h"
#include "tests/support/test_support.h"

namespace {

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
    EXPECT_EQ(intro.backBuffer, nullptr);  // gone with the primary: nothing may draw into it
    EXPECT_EQ(intro.sheet, nullptr);
    EXPECT_EQ(intro.palette, nullptr);
    EXPECT_EQ(intro.directDraw, nullptr);
    EXPECT_EQ(host::DisplayBitsPerPixel(), 0u);  // the desktop has its own mode back
    EXPECT_EQ(host::LeftBehind(), "");

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
        EXPECT_EQ(host::LeftBehind(), "");
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

    intro.directDraw = before.directDraw;  // the fixture's end gives it all back
}

}  // namespace
