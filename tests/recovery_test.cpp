// Surface loss: the repair, the frame it costs, and the run going on afterwards.
#include "display/display.h"
#include "tests/frame_support.h"

using namespace pictures;

namespace {

using RecoveryTest = FrameTest;

// The surfaces Restore was called on, in order.
std::vector<std::string> Restored()
{
    std::vector<std::string> objects;
    for (const host::Call& call : host::CallsNamed("IDirectDrawSurface::Restore"))
        objects.push_back(call.object);
    return objects;
}

// What a lost and restored surface holds instead of the sheet.
Pixels Garbage()
{
    Pixels garbage((size_t)kWidth * kSheetRows);
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = (uint8_t)(i * 13 + 7);
    return garbage;
}

// Frame 3001 after BeforeFrame3000 and a frame 3000 cut short: the logo where it
// lies after a frame 3000 that shrank it or not, the roll still at scroll row 40
// (its window, sheet rows 863 to 903, with its foot on screen row 238).
const Area kLogoUnshrunk = {130, 96, 190, 144};  // half extents 6000 and 4800
const Area kLogoShrunk = {131, 97, 189, 143};    // 5990 and 4792
Pixels ExpectedFrame3001(const Area& logo)
{
    Pixels expected = StarfieldWithLogo(logo);
    CopyRoll(expected, 198, 863, 904);
    return expected;
}

TEST_F(RecoveryTest, ALossAtAnyDrawingCallRepairsOnceAndTheNextFrameIsWhole)
{
    struct Case {
        const char* what;
        const char* call;
        int skip;
        Area logo;  // in frame 3001: the logo shrinks in the frame lost unless the background was lost
    };
    const Case cases[] = {
        {"background", "IDirectDrawSurface::BltFast", 0, kLogoUnshrunk},
        {"logo", "IDirectDrawSurface::Blt", 0, kLogoShrunk},
        {"roll", "IDirectDrawSurface::BltFast", 1, kLogoShrunk},
        {"flip", "IDirectDrawSurface::Flip", 0, kLogoShrunk},
    };
    for (const Case& c : cases) {
        BeforeFrame3000();
        host::WriteSurface(intro.sheet, Garbage());  // what a lost surface holds
        host::FailCall(c.call, (uint32_t)DDERR_SURFACELOST, 1, c.skip);
        int flips = host::FlipCount();
        NextFrame();
        std::vector<std::string> restored = Restored();
        ASSERT_GE(restored.size(), 2u) << c.what;
        EXPECT_EQ(std::vector<std::string>(restored.begin(), restored.begin() + 2),
                  (std::vector<std::string>{"primary", "sheet"}))
            << c.what;
        EXPECT_EQ(std::count(restored.begin(), restored.end(), "primary"), 1) << c.what;
        EXPECT_EQ(ArgsOf("LoadImageA").size(), 1u) << c.what;
        EXPECT_EQ(Difference(host::ReadSurface(intro.sheet).bytes, Sheet()), "") << c.what << ": reloaded";
        EXPECT_EQ(host::FlipCount(), flips) << c.what;

        NextFrame();
        EXPECT_EQ(intro.frameCount, 3001) << c.what;
        EXPECT_EQ(CountOf("IDirectDrawSurface::Restore"), 0u) << c.what;
        EXPECT_EQ(host::FlipCount(), flips + 1) << c.what;
        EXPECT_EQ(Difference(Shown(), ExpectedFrame3001(c.logo)), "") << c.what;
    }
}

TEST_F(RecoveryTest, AllSurfacesLostAreRestoredAndTheSheetReloaded)
{
    BeforeFrame3000();
    host::LoseSurfaces();
    NextFrame();
    // The reload restores the sheet once more before it draws.
    EXPECT_EQ(Restored(), (std::vector<std::string>{"primary", "sheet", "sheet"}));
    EXPECT_FALSE(host::SurfaceLost(intro.primary));
    EXPECT_FALSE(host::SurfaceLost(intro.backBuffer));
    EXPECT_FALSE(host::SurfaceLost(intro.sheet));
    EXPECT_EQ(Difference(host::ReadSurface(intro.sheet).bytes, Sheet()), "");
    EXPECT_EQ(CountOf("IDirectDrawSurface::Flip"), 0u);
    NextFrame();
    EXPECT_EQ(Difference(Shown(), ExpectedFrame3001(kLogoUnshrunk)), "");
}

TEST_F(RecoveryTest, APrimaryThatCannotBeRestoredYetIsTriedOncePerFrame)
{
    RenderUntil(800);
    host::Deactivate();
    for (int frame = 0; frame < 3; ++frame) {
        NextFrame();
        EXPECT_EQ(CountOf("IDirectDrawSurface::BltFast"), 1u);
        EXPECT_EQ(Restored(), std::vector<std::string>{"primary"});
        EXPECT_EQ(host::CallsNamed("IDirectDrawSurface::Restore")[0].result, (uint32_t)DDERR_WRONGMODE);
        EXPECT_TRUE(host::SurfaceLost(intro.primary));
    }
    EXPECT_EQ(intro.frameCount, 803);
    host::Activate();
    NextFrame();
    EXPECT_EQ(Restored(), (std::vector<std::string>{"primary", "sheet", "sheet"}));
    EXPECT_EQ(CountOf("IDirectDrawSurface::Flip"), 0u);
    NextFrame();
    Pixels caption = Marker();
    CopyOpaque(caption, 240, kHeight);
    EXPECT_EQ(Difference(Shown(), caption), "");
}

TEST_F(RecoveryTest, TheRepairStopsAtTheFirstRestoreThatFails)
{
    struct Case {
        const char* what;
        const char* failing;
        LPDIRECTDRAWSURFACE IntroState::*surface;  // the one it fails on; null for any
        int times;
        HRESULT code, result;
        std::vector<std::string> restored;
        size_t loads;
    };
    const Case cases[] = {
        {"primary", "IDirectDrawSurface::Restore", &IntroState::primary, 1, DDERR_GENERIC, DDERR_GENERIC,
         {"primary"}, 0},
        {"primary still drawing", "IDirectDrawSurface::Restore", &IntroState::primary, 1,
         DDERR_WASSTILLDRAWING, DDERR_WASSTILLDRAWING, {"primary"}, 0},
        {"sheet", "IDirectDrawSurface::Restore", &IntroState::sheet, 1, DDERR_WRONGMODE, DDERR_WRONGMODE,
         {"primary", "sheet"}, 0},
        // Neither the resource nor a file of that name: the sheet keeps its garbage.
        {"reload", "LoadImageA", nullptr, 2, 0, DD_OK, {"primary", "sheet"}, 2},
    };
    for (const Case& c : cases) {
        host::LoseSurfaces();
        host::ClearCalls();
        host::ClearFailures();
        host::FailCall(c.failing, (uint32_t)c.code, c.times, 0, c.surface ? intro.*c.surface : nullptr);
        EXPECT_EQ(RestoreSurfaces(), c.result) << c.what;
        EXPECT_EQ(Restored(), c.restored) << c.what;
        EXPECT_EQ(CountOf("LoadImageA"), c.loads) << c.what;
        host::ClearFailures();
        EXPECT_EQ(RestoreSurfaces(), DD_OK) << c.what;  // and the next try goes through
    }
    EXPECT_EQ(host::DebugOutput(), std::vector<std::string>{"handle is null\n"});
}

TEST_F(RecoveryTest, StillDrawingFromTheRepairRepeatsNothing)
{
    BeforeFrame3000();
    host::FailCall("IDirectDrawSurface::BltFast", (uint32_t)DDERR_SURFACELOST);
    host::FailCall("IDirectDrawSurface::Restore", (uint32_t)DDERR_WASSTILLDRAWING, 1, 0, intro.primary);
    NextFrame();
    EXPECT_EQ(CountOf("IDirectDrawSurface::BltFast"), 1u);
    EXPECT_EQ(Restored(), std::vector<std::string>{"primary"});
    EXPECT_EQ(CountOf("IDirectDrawSurface::Blt") + CountOf("IDirectDrawSurface::Flip"), 0u);
}

using SwitchAwayTest = IntroTest;

// Switching away mid-run loses every surface; back again, one frame goes to the
// repair, the roll is held for it, and the run ends at the closing key as ever.
TEST_F(SwitchAwayTest, TheRunSurvivesASwitchAwayAndEndsOneFrameLater)
{
    host::SetRecording(false);
    ASSERT_EQ(kit::StartIntro(), 1);
    while (intro.frameCount < 6000)
        RenderFrame();
    const Pixels frame6000 = Shown();

    kit::PrepareIntro(ProjectSheet());
    host::SetRecording(false);
    bool away = false, back = false;
    int waits = 0;
    Pixels frame6001;
    std::vector<LONG> flippedAfterReturn;
    host::SetIdleHook([&] {
        if (!away && intro.frameCount == 5000) {
            away = true;
            host::Deactivate();
        } else if (away && !back) {
            if (++waits == 3) {
                back = true;
                host::Activate();
            } else {
                host::PressKey(VK_SPACE);
            }
        }
        if (intro.frameCount == 20000)  // a run that never closes itself fails instead of hanging
            host::PressKey(VK_ESCAPE);
    });
    host::SetFlipHook([&] {
        if (back && flippedAfterReturn.size() < 2)
            flippedAfterReturn.push_back(intro.frameCount);
        if (intro.frameCount == 6001)
            frame6001 = Shown();
    });
    EXPECT_EQ(kit::RunWinMain(), 0);
    EXPECT_EQ(flippedAfterReturn, (std::vector<LONG>{5002, 5003}));
    EXPECT_EQ(intro.frameCount, 10212);
    EXPECT_EQ(Difference(frame6001, frame6000), "");
}

}  // namespace
