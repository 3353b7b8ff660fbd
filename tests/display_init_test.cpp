// Taking the display at start-up: each step with its arguments and in order,
// what a failing step shows and releases, and the hand-over that follows.
#include <algorithm>
#include <cctype>

#include "app/app.h"
#include "bitmap/bitmap.h"
#include "tests/frame_support.h"

namespace {

using DisplayInitTest = IntroTest;

const char kMainProgram[] = "C:\\intro\\z_qzm__.exe";

// "name object: args = result" of the display calls, in order.
std::vector<std::string> DisplaySteps()
{
    const std::string surface = "IDirectDrawSurface::";
    std::vector<std::string> steps;
    for (const host::Call& call : host::Calls()) {
        bool step = call.name == "DirectDrawCreate" || call.name.rfind("IDirectDraw::", 0) == 0 ||
                    call.name == surface + "GetAttachedSurface" || call.name == surface + "SetPalette" ||
                    call.name == surface + "SetColorKey";
        if (step)
            steps.push_back(call.name + " " + call.object + ": " + call.args + " = " +
                            std::to_string(call.result));
    }
    return steps;
}

// Position of the first logged call with this name (and on this object).
size_t FirstCall(const std::string& name, const std::string& object = "")
{
    const std::vector<host::Call>& calls = host::Calls();
    for (size_t i = 0; i < calls.size(); ++i)
        if (calls[i].name == name && (object.empty() || calls[i].object == object))
            return i;
    return calls.size();
}

bool IsRelease(const host::Call& call)
{
    const std::string suffix = "::Release";
    return call.name.size() > suffix.size() &&
           call.name.compare(call.name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

TEST_F(DisplayInitTest, TakesTheDisplayStepByStepAndKeysTheSheetOnBlack)
{
    Start();
    const std::vector<std::string> expected = {
        "DirectDrawCreate : null, null = 0",
        "IDirectDraw::SetCooperativeLevel ddraw: window, 0x51 = 0",
        "IDirectDraw::SetDisplayMode ddraw: 320, 240, 8 = 0",
        "IDirectDraw::CreateSurface ddraw: flags 0x21, caps 0x218, 0x0, back 1, null = 0",
        "IDirectDrawSurface::GetAttachedSurface primary: 0x4 = 0",
        "IDirectDraw::CreatePalette ddraw: 0x4, null = 0",
        "IDirectDrawSurface::SetPalette primary: palette = 0",
        "IDirectDraw::CreateSurface ddraw: flags 0x7, caps 0x40, 320x1728, back 0, null = 0",
        "IDirectDrawSurface::SetColorKey surface1: 0x8, 0x0, 0x0 = 0",
    };
    EXPECT_EQ(DisplaySteps(), expected);
    // The key is the value GDI draws for black: the one colour the matching draws.
    std::vector<std::string> drawn = ArgsOf("SetPixel");
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn[0].substr(drawn[0].rfind(", ") + 2), "0x0");
    // The sheet is drawn in and black is matched through the palette in force.
    const size_t palette = FirstCall("IDirectDrawSurface::SetPalette");
    EXPECT_LT(palette, FirstCall("IDirectDrawSurface::GetDC", "surface1"));
    EXPECT_LT(palette, FirstCall("IDirectDrawSurface::Lock", "surface1"));
    host::SurfacePixels sheet = host::ReadSurface(intro.sheet);
    EXPECT_EQ(pictures::Difference(sheet.bytes, pictures::Sheet()), "");
    EXPECT_EQ(host::DisplayBitsPerPixel(), 8u);
    EXPECT_TRUE(host::DisplayExclusive());
    EXPECT_TRUE(host::MessageBoxes().empty());
}

TEST_F(DisplayInitTest, EveryObjectIsReleasedOnceAtTheEnd)
{
    bool closed = false;
    host::SetIdleHook([&] {
        if (!closed && intro.frameCount == 2) {
            closed = true;
            host::PressKey(VK_ESCAPE);
        }
    });
    EXPECT_EQ(kit::RunWinMain(), 0);
    std::vector<std::string> released;
    for (const host::Call& call : host::Calls())
        if (IsRelease(call)) {
            released.push_back(call.object);
            EXPECT_EQ(call.result, 0u) << call.object << " still referenced";
        }
    EXPECT_EQ(released, (std::vector<std::string>{"primary", "surface1", "palette", "ddraw"}));
}

// A failing step as the user meets it, each step of the table a test of its own:
// what was made is released, the display given back and the CD stopped before the
// message; then the window's end stops the CD again and hands over, and the
// process ends with the new process's handle. The loop never runs.
class StartUpFailureTest : public IntroTest, public ::testing::WithParamInterface<StartUpFailure> {};

TEST_P(StartUpFailureTest, IsShownAfterTheReleaseAndThenHandsOver)
{
    const StartUpFailure& failure = GetParam();
    host::AddFile(kMainProgram);
    host::FailCall(failure.call, (uint32_t)DDERR_GENERIC, 1, failure.skip);
    int status = kit::RunWinMain();

    ASSERT_EQ(host::MessageBoxes().size(), 1u);
    const host::MessageBoxShown& box = host::MessageBoxes()[0];
    EXPECT_EQ(box.text, failure.message);
    EXPECT_EQ(box.caption, "Escort the Velthorn");
    EXPECT_EQ(box.type, (UINT)MB_OK);
    EXPECT_EQ(box.owner, host::MainWindow());
    std::vector<std::string> trail = failure.released;
    for (const char* step : {"stop cdaudio", "MessageBoxA", "DestroyWindow", "stop cdaudio", "CreateProcessA",
                             "CreateProcessA"})
        trail.push_back(step);
    EXPECT_EQ(ShutdownTrail(), trail);
    EXPECT_EQ(host::MciCommands(), std::vector<std::string>(2, "stop cdaudio"));
    EXPECT_EQ(CountOf("PeekMessageA") + CountOf("GetMessageA") + CountOf("WaitMessage"), 0u);
    ASSERT_EQ(host::StartedProcesses().size(), 1u);
    EXPECT_EQ(host::StartedProcesses()[0].commandLine, "z_qzm__.exe skipintro");
    EXPECT_EQ(status, (int)(uintptr_t)host::StartedProcesses()[0].handle);
    EXPECT_NE(status, 0);
}

INSTANTIATE_TEST_SUITE_P(EveryStep, StartUpFailureTest, ::testing::ValuesIn(StartUpFailures()),
                         [](const ::testing::TestParamInfo<StartUpFailure>& info) {
                             std::string name;
                             for (char c : std::string(info.param.message))
                                 if (std::isalnum((unsigned char)c))
                                     name += c;
                             return name;
                         });

TEST_F(DisplayInitTest, NoPaletteOrAFailedPaletteOrKeyStillStarts)
{
    for (const char* failing : {"IDirectDraw::CreatePalette", "IDirectDrawSurface::SetPalette",
                                "IDirectDrawSurface::SetColorKey"}) {
        kit::PrepareIntro(ProjectSheet());
        host::FailCall(failing, (uint32_t)DDERR_GENERIC);
        EXPECT_EQ(kit::StartIntro(), 1) << failing;
        EXPECT_TRUE(host::MessageBoxes().empty()) << failing;
        if (std::string(failing) == "IDirectDraw::CreatePalette") {
            EXPECT_EQ(intro.palette, nullptr);
            EXPECT_EQ(CountOf("IDirectDrawSurface::SetPalette"), 0u);
        }
        ReleaseDisplay();
        EXPECT_EQ(host::LeftBehind(), "") << failing;
    }
}

TEST_F(DisplayInitTest, WithoutTheSheetTheDefaultPaletteIsSetAndTheBitmapReported)
{
    host::RemoveResources();
    EXPECT_EQ(kit::RunWinMain(), 0);
    EXPECT_LT(FirstCall("IDirectDraw::CreatePalette"),
              FirstCall("IDirectDrawSurface::SetPalette", "primary"));
    EXPECT_EQ(CountOf("IDirectDrawSurface::SetPalette"), 1u);
    ASSERT_EQ(host::PalettesMade().size(), 1u);
    std::vector<PALETTEENTRY> colors = host::PalettesMade()[0];
    for (int i = 0; i < 256; ++i) {
        PALETTEENTRY wanted = DefaultPaletteEntry(i);
        EXPECT_TRUE(colors[i].peRed == wanted.peRed && colors[i].peGreen == wanted.peGreen &&
                    colors[i].peBlue == wanted.peBlue)
            << "entry " << i;
    }
    ASSERT_EQ(host::MessageBoxes().size(), 1u);
    EXPECT_EQ(host::MessageBoxes()[0].text, "Unable to load bitmap");
}

}  // namespace
