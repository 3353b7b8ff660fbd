// The frame-counted timeline: which pictures each frame shows, checked on the
// screen against the sheet's own pixels and on the calls that drew them.
#include <cstdio>
#include <set>

#include "tests/frame_support.h"

using namespace pictures;

namespace {

class TimelineTest : public FrameTest {
protected:
    // The roll placed by hand: past the logo, at scroll row `row`.
    void RollAt(DWORD row)
    {
        intro.frameCount = 3999;
        intro.scrollRow = row;
        intro.scrollDelay = 0;
        NextFrame();
    }
};

std::string Hex(HRESULT code)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", (unsigned)code);
    return text;
}

std::string SheetBlt(const std::string& target)
{
    return target + ", sheet, {0,480,319,679}, 0x8000, fx(100)";
}

TEST_F(TimelineTest, OpeningAndCaptionPanelsAreCopiedOpaqueAndTheOpeningLeavesTheFootAlone)
{
    struct Case {
        LONG frame;
        int top, rows;
    };
    const Case cases[] = {{1, 638, 226}, {749, 638, 226}, {750, 240, 240}, {1500, 240, 240}};
    for (const Case& c : cases) {
        RenderUntil(c.frame - 1);
        host::WriteSurface(intro.backBuffer, Marker());
        NextFrame();
        Pixels expected = Marker();
        CopyOpaque(expected, c.top, c.rows);
        EXPECT_EQ(Difference(Shown(), expected), "") << "frame " << c.frame;
        EXPECT_EQ(ArgsOf("IDirectDrawSurface::BltFast"),
                  std::vector<std::string>{"0, 0, sheet, {0," + std::to_string(c.top) + ",320," +
                                           std::to_string(c.top + c.rows) + "}, 0x0"})
            << "frame " << c.frame;
    }
}

TEST_F(TimelineTest, TheLogoShrinksTowardsTheCentreOverTheStarfield)
{
    struct Case {
        LONG first, last;
        Area target;
        int rollY, rollTop, rollBottom;  // the roll drawn over it in the last frame, if any
    };
    const Case cases[] = {
        {1501, 1501, {0, 0, 320, 240}, 0, 0, 0},       {1502, 1502, {1, 1, 319, 239}, 0, 0, 0},
        {1601, 1601, {25, 19, 295, 221}, 0, 0, 0},     {2001, 2001, {90, 68, 230, 172}, 0, 0, 0},
        {2501, 2501, {129, 97, 191, 143}, 238, 863, 864},
        // By 3499 the roll has climbed 90 rows (frame 2500 + 11 * 90).
        {3452, 3499, {153, 115, 167, 125}, 148, 863, 954},
    };
    for (const Case& c : cases) {
        RenderUntil(c.first - 1);
        const Area& t = c.target;
        const std::string rect = "{" + std::to_string(t.left) + "," + std::to_string(t.top) + "," +
                                 std::to_string(t.right) + "," + std::to_string(t.bottom) + "}";
        for (LONG frame = c.first; frame <= c.last; ++frame) {
            NextFrame();
            EXPECT_EQ(ArgsOf("IDirectDrawSurface::Blt"), std::vector<std::string>{SheetBlt(rect)})
                << "frame " << frame;
        }
        Pixels expected = StarfieldWithLogo(t);
        if (c.rollBottom)
            CopyRoll(expected, c.rollY, c.rollTop, c.rollBottom);
        EXPECT_EQ(Difference(Shown(), expected), "") << "frame " << c.last;
    }
    EXPECT_EQ(intro.logoHalfWidth, 1451);
    EXPECT_EQ(intro.logoHalfHeight, 1151);
    NextFrame();
    EXPECT_EQ(CountOf("IDirectDrawSurface::Blt"), 0u);
    EXPECT_EQ(intro.logoHalfWidth, 1451);
}

TEST_F(TimelineTest, TheRollEntersAtRow238ClimbsAndThenSlidesDownTheSheet)
{
    // Index 255 is used by no pixel of the sheet: if the roll ever read column 319
    // the screen would show it there.
    host::SurfacePixels sheet = host::ReadSurface(intro.sheet);
    for (int y = 863; y < kSheetRows; ++y)
        sheet.bytes[(size_t)y * sheet.pitch + 319] = 255;
    host::WriteSurface(intro.sheet, sheet.bytes);

    struct Case {
        DWORD scrollRow;
        int y, top, bottom;
    };
    const Case cases[] = {{0, 238, 863, 864},    {237, 1, 863, 1101},  {238, 0, 863, 1102},
                          {239, 0, 863, 1103},   {240, 0, 864, 1104},  {862, 0, 1486, 1726}};
    for (const Case& c : cases) {
        RollAt(c.scrollRow);
        std::vector<std::string> blits = ArgsOf("IDirectDrawSurface::BltFast");
        ASSERT_EQ(blits.size(), 2u) << "scroll row " << c.scrollRow;
        EXPECT_EQ(blits[1], "0, " + std::to_string(c.y) + ", sheet, {0," + std::to_string(c.top) +
                                ",319," + std::to_string(c.bottom) + "}, 0x1");
        Pixels expected = Marker();
        CopyOpaque(expected, 0, kHeight);
        CopyRoll(expected, c.y, c.top, c.bottom);
        EXPECT_EQ(Difference(Shown(), expected), "") << "scroll row " << c.scrollRow;
        EXPECT_EQ(intro.scrollDelay, 1);
        // No flag asks the platform to wait.
        EXPECT_EQ(ArgsOf("IDirectDrawSurface::Flip"), std::vector<std::string>{"null, 0x0"});
    }

    RollAt(863);
    EXPECT_EQ(CountOf("IDirectDrawSurface::BltFast"), 1u);
    EXPECT_EQ(CountOf("IDirectDrawSurface::Flip"), 1u);
    EXPECT_EQ(intro.scrollRow, 863u);
    EXPECT_EQ(intro.scrollDelay, 0);
    Pixels starfield = Marker();
    CopyOpaque(starfield, 0, kHeight);
    EXPECT_EQ(Difference(Shown(), starfield), "");
}

TEST_F(TimelineTest, TheRollMovesEvery11FramesAndClosesTheIntroPastRow700)
{
    std::set<LONG> closingFrames;
    while (intro.frameCount < 10233) {
        DWORD row = intro.scrollRow;
        NextFrame();
        if (intro.scrollRow != row) {
            ASSERT_EQ(intro.scrollRow, row + 1);
            ASSERT_EQ(intro.frameCount, 2500 + 11 * (LONG)intro.scrollRow);
        }
        for (const std::string& args : ArgsOf("PostMessageA")) {
            EXPECT_EQ(args, "window, 0x100, 0x1B, 0x0");
            closingFrames.insert(intro.frameCount);
        }
    }
    EXPECT_EQ(intro.scrollRow, 703u);
    EXPECT_EQ(closingFrames, (std::set<LONG>{10211, 10222, 10233}));
    EXPECT_EQ(kClosingFrame, 10211) << "the closing frame the tools are told";
}

// ---- The result rule shared by the four drawing calls ---------------------------

// The four drawing calls of a frame in 2501 to 3499, as the stand-in names them;
// the roll is the frame's second BltFast.
struct DrawingCall {
    const char* what;
    const char* name;
    int skip;
};
const DrawingCall kDrawingCalls[] = {
    {"background", "IDirectDrawSurface::BltFast", 0},
    {"logo", "IDirectDrawSurface::Blt", 0},
    {"roll", "IDirectDrawSurface::BltFast", 1},
    {"flip", "IDirectDrawSurface::Flip", 0},
};
const char* const kFullFrame[] = {"BltFast", "Blt", "BltFast", "Flip"};

// The drawing calls and repairs that the frame made, short names in order.
std::vector<std::string> DrawingCallsMade()
{
    std::vector<std::string> made;
    for (const host::Call& call : host::Calls()) {
        const std::string prefix = "IDirectDrawSurface::";
        if (call.name.compare(0, prefix.size(), prefix) != 0)
            continue;
        std::string method = call.name.substr(prefix.size());
        if (method == "BltFast" || method == "Blt" || method == "Flip")
            made.push_back(method);
        else if (method == "Restore" && call.object == "primary")
            made.push_back("Restore primary");
    }
    return made;
}

using ResultRuleTest = FrameTest;

TEST_F(ResultRuleTest, StillDrawingRepeatsOnlyThatCallUntilItSucceeds)
{
    const int repeats = 3;
    for (int index = 0; index < 4; ++index) {
        const DrawingCall& failing = kDrawingCalls[index];
        BeforeFrame3000();
        host::ClearFailures();
        host::FailCall(failing.name, (uint32_t)DDERR_WASSTILLDRAWING, repeats, failing.skip);
        int flips = host::FlipCount();
        NextFrame();

        std::vector<std::string> expected(kFullFrame, kFullFrame + 4);
        expected.insert(expected.begin() + index, repeats, expected[index]);
        EXPECT_EQ(DrawingCallsMade(), expected) << failing.what;
        std::vector<std::string> args = ArgsOf(failing.name);
        ASSERT_GE(args.size(), (size_t)(failing.skip + repeats + 1)) << failing.what << " was not repeated";
        auto first = args.begin() + failing.skip;
        EXPECT_EQ(std::set<std::string>(first, first + repeats + 1).size(), 1u)
            << failing.what << " repeated with other arguments";
        EXPECT_EQ(host::FlipCount(), flips + 1) << failing.what;
        EXPECT_EQ(intro.logoHalfWidth, 5990) << failing.what << ": the logo shrinks once";
        EXPECT_EQ(intro.logoHalfHeight, 4792) << failing.what;
        EXPECT_EQ(intro.scrollDelay, 4) << failing.what;
    }
}

TEST_F(ResultRuleTest, LostOrFailedCallEndsTheFrameAndOnlyALossRestores)
{
    struct Outcome {
        HRESULT code;
        bool restores;
    };
    const Outcome outcomes[] = {
        {DDERR_SURFACELOST, true}, {DDERR_GENERIC, false}, {DDERR_SURFACEBUSY, false}};
    for (const Outcome& outcome : outcomes)
        for (int index = 0; index < 4; ++index) {
            const DrawingCall& failing = kDrawingCalls[index];
            BeforeFrame3000();
            host::ClearFailures();
            host::FailCall(failing.name, (uint32_t)outcome.code, 1, failing.skip);
            int flips = host::FlipCount();
            NextFrame();

            std::vector<std::string> expected(kFullFrame, kFullFrame + index + 1);
            if (outcome.restores)
                expected.push_back("Restore primary");
            const std::string what = std::string(failing.what) + " answering " + Hex(outcome.code);
            EXPECT_EQ(DrawingCallsMade(), expected) << what;
            EXPECT_EQ(CountOf("LoadImageA"), outcome.restores ? 1u : 0u) << what;
            EXPECT_EQ(host::FlipCount(), flips) << what;
            EXPECT_EQ(intro.frameCount, 3000) << what;
            EXPECT_EQ(intro.logoHalfWidth, index >= 1 ? 5990 : 6000) << what;
            EXPECT_EQ(intro.scrollDelay, index >= 3 ? 4 : 3) << what << ": the roll moves once drawn";
        }
}

// Each frame from 2501 on that ends before its roll is drawn holds the roll, and
// with it the closing key, back by one frame; frames cut short after the roll
// or before 2501 do not.
using CutShortTest = IntroTest;

TEST_F(CutShortTest, EveryRollFrameCutShortMovesTheEndByOneFrame)
{
    struct Cut {
        LONG afterFrame;
        int call;  // index into kDrawingCalls
        HRESULT code;
        int delay;
    };
    const Cut cuts[] = {
        {2000, 0, DDERR_GENERIC, 0},     {3000, 1, DDERR_GENERIC, 1}, {4000, 0, DDERR_SURFACELOST, 1},
        {5000, 2, DDERR_SURFACELOST, 1}, {6000, 2, DDERR_GENERIC, 1}, {7000, 3, DDERR_GENERIC, 0},
        {8000, 3, DDERR_SURFACELOST, 0},
    };
    size_t next = 0;
    int delays = 0;
    host::SetRecording(false);
    host::SetIdleHook([&] {
        if (next < sizeof cuts / sizeof cuts[0] && intro.frameCount == cuts[next].afterFrame) {
            const DrawingCall& call = kDrawingCalls[cuts[next].call];
            host::FailCall(call.name, (uint32_t)cuts[next].code, 1, call.skip);
            delays += cuts[next++].delay;
        }
        if (intro.frameCount == 20000)  // a run that never closes itself fails instead of hanging
            host::PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(kit::RunWinMain(), 0);
    EXPECT_EQ(next, sizeof cuts / sizeof cuts[0]);
    EXPECT_EQ(intro.frameCount, 10211 + delays);
    EXPECT_EQ(intro.scrollRow, 701u);
}

}  // namespace
