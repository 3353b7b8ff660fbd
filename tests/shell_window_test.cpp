// The full-screen window and its procedure: how it is made, activation, the
// hidden cursor, the two closing keys and every other way of closing, and what
// the window's destruction leads to.
#include <algorithm>
#include <cstdio>
#include <functional>

#include "app/app.h"
#include "display/display.h"
#include "tests/support/test_support.h"

namespace {

// Hit-test areas and mouse messages a WM_SETCURSOR may carry.
const int kHitNowhere = 0, kHitClient = 1, kHitCaption = 2, kHitError = -2;
const UINT kLeftButtonDown = 0x0201;

std::string HexText(uint64_t value)
{
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "0x%llX", (unsigned long long)value);
    return buffer;
}

uint64_t ResultOf(const std::string& name)
{
    std::vector<host::Call> calls = host::CallsNamed(name);
    return calls.empty() ? 0 : calls[0].result;
}

// The messages DefWindowProcA was given, as "message wParam" in hex.
std::vector<std::string> DefaultHandled()
{
    std::vector<std::string> seen;
    for (const host::Call& call : host::CallsNamed("DefWindowProcA")) {
        size_t message = call.args.find(", ") + 2;
        size_t wParamEnd = call.args.find(", ", call.args.find(", ", message) + 2);
        std::string text = call.args.substr(message, wParamEnd - message);
        text[text.find(',')] = ' ';
        seen.push_back(text.erase(text.find(' ') + 1, 1));
    }
    return seen;
}

bool Contains(const std::vector<std::string>& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

// Runs `steps` one after another, each once the loop looks at the queue with
// at least its frame drawn, then lets WinMain run to its end.
struct Step {
    LONG frame;
    std::function<void()> action;
};
int RunWithSteps(std::vector<Step> steps)
{
    size_t next = 0;
    host::SetIdleHook([&] {
        if (next < steps.size() && intro.frameCount >= steps[next].frame)
            steps[next++].action();
    });
    return kit::RunWinMain();
}

using ShellWindowTest = IntroTest;

TEST_F(ShellWindowTest, ClassAndWindowAreMadeAsTheDesktopWasBeforeTheModeSwitch)
{
    host::SetScreenSize(800, 600);
    Start();
    WNDCLASSA windowClass;
    ASSERT_TRUE(host::RegisteredClass("Velthorn", &windowClass));
    EXPECT_EQ(windowClass.style, 3u);
    EXPECT_EQ(windowClass.lpfnWndProc, &IntroWndProc);
    EXPECT_EQ(windowClass.cbClsExtra, 0);
    EXPECT_EQ(windowClass.cbWndExtra, 0);
    EXPECT_EQ(windowClass.hInstance, host::Instance());
    EXPECT_EQ((uint64_t)(uintptr_t)windowClass.hIcon, ResultOf("LoadIconA"));
    EXPECT_EQ((uint64_t)(uintptr_t)windowClass.hCursor, ResultOf("LoadCursorA"));
    EXPECT_EQ((uint64_t)(uintptr_t)windowClass.hbrBackground, ResultOf("GetStockObject"));
    EXPECT_STREQ(windowClass.lpszMenuName, "Velthorn");
    EXPECT_STREQ(windowClass.lpszClassName, "Velthorn");
    EXPECT_EQ(ArgsOf("LoadIconA"), std::vector<std::string>({"null, #32512"}));
    EXPECT_EQ(ArgsOf("LoadCursorA"), std::vector<std::string>({"null, #32512"}));
    EXPECT_EQ(ArgsOf("GetStockObject"), std::vector<std::string>({"4"}));

    std::vector<std::string> names = host::CallNames();
    const std::vector<std::string> setUp = {"LoadIconA", "LoadCursorA", "GetStockObject",
                                            "RegisterClassA", "GetSystemMetrics", "GetSystemMetrics",
                                            "CreateWindowExA"};
    ASSERT_GE(names.size(), setUp.size());
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + setUp.size()), setUp);
    EXPECT_EQ(ArgsOf("GetSystemMetrics"), std::vector<std::string>({"1", "0"}));
    EXPECT_EQ(ArgsOf("CreateWindowExA"),
              std::vector<std::string>({"0x0, \"Velthorn\", \"Escort the Velthorn\", 0x80000000, 0, 0, "
                                        "800, 600, null, null, " +
                                        HexText((uintptr_t)host::Instance()) + ", null"}));
    EXPECT_EQ(ArgsOf("ShowWindow"), std::vector<std::string>({"window, 10"}));
    EXPECT_EQ(ArgsOf("UpdateWindow"), std::vector<std::string>({"window"}));
    EXPECT_EQ(intro.mainWindow, host::MainWindow());
    EXPECT_EQ(ArgsOf("IDirectDraw::SetCooperativeLevel"), std::vector<std::string>({"window, 0x51"}));
}

TEST_F(ShellWindowTest, NoWindowMeansNoDisplayNoMessageAndNoHandOver)
{
    for (const char* failing : {"RegisterClassA", "CreateWindowExA"}) {
        SCOPED_TRACE(failing);
        kit::PrepareIntro(ProjectSheet());
        host::AddFile("C:\\intro\\z_qzm__.exe");
        host::FailCall(failing, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(kit::RunWinMain(), 0);
        EXPECT_EQ(intro.mainWindow, nullptr);
        EXPECT_EQ(CountOf("DirectDrawCreate"), 0u);
        EXPECT_TRUE(host::MessageBoxes().empty());
        EXPECT_EQ(CountOf("CreateProcessA"), 0u);
        EXPECT_EQ(CountOf("mciSendStringA"), 0u);
        EXPECT_EQ(CountOf("PeekMessageA"), 0u);
    }
}

TEST_F(ShellWindowTest, OnlyAKeyDownOfEscOrF12Closes)
{
    struct Case {
        const char* what;
        UINT message;
        WPARAM key;
        bool closes;
    };
    const Case cases[] = {
        {"Esc down", WM_KEYDOWN, VK_ESCAPE, true},   {"F12 down", WM_KEYDOWN, VK_F12, true},
        {"Esc up", WM_KEYUP, VK_ESCAPE, false},      {"F12 up", WM_KEYUP, VK_F12, false},
        {"Return down", WM_KEYDOWN, VK_RETURN, false}, {"Space down", WM_KEYDOWN, VK_SPACE, false},
        {"A down", WM_KEYDOWN, 'A', false},          {"F4 down", WM_KEYDOWN, VK_F4, false},
        {"F11 down", WM_KEYDOWN, VK_F12 - 1, false}, {"Esc as a character", WM_CHAR, VK_ESCAPE, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        kit::PrepareIntro(ProjectSheet());
        bool aliveAfterKey = false;
        EXPECT_EQ(RunWithSteps({{10, [&] { PostMessageA(host::MainWindow(), c.message, c.key, 0); }},
                                {20, [&] {
                                     aliveAfterKey = host::WindowAlive(host::MainWindow());
                                     host::PressKey(VK_ESCAPE);  // to end the run
                                 }}}),
                  0);
        EXPECT_EQ(aliveAfterKey, !c.closes);
        EXPECT_EQ(intro.frameCount, c.closes ? 10 : 20);
        EXPECT_EQ(host::DestroyCount(), 1);
        // Every key message goes on to the default handling, the two closing keys too.
        EXPECT_TRUE(Contains(DefaultHandled(), HexText(c.message) + " " + HexText(c.key)));
    }
}

TEST_F(ShellWindowTest, SeveralCloseRequestsEndTheIntroOnce)
{
    struct Case {
        const char* what;
        LONG frame;
        std::function<void()> keys;
    };
    const Case cases[] = {
        {"Esc held down", 10, [] { host::HoldKey(VK_ESCAPE, 5); }},
        {"Esc and F12 together", 10, [] {
             host::PostKeyDown(VK_ESCAPE);
             host::PostKeyDown(VK_F12);
         }},
        {"Esc, then Alt+F4 behind it", 10, [] {
             host::PressKey(VK_ESCAPE);
             host::PressAltF4();
         }},
        // The roll posts its own Esc in frame 10211; the user's comes with it.
        {"the user's Esc with the roll's", 10211, [] { host::PressKey(VK_ESCAPE); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        kit::PrepareIntro(ProjectSheet());
        EXPECT_EQ(RunWithSteps({{c.frame, c.keys}}), 0);
        EXPECT_EQ(intro.frameCount, c.frame);
        EXPECT_EQ(host::DestroyCount(), 1);
        EXPECT_EQ(CountOf("CreateProcessA"), 2u);  // one hand-over: .com, then .exe
        EXPECT_EQ(ArgsOf("PostQuitMessage"), std::vector<std::string>({"0"}));
        EXPECT_EQ(CountOf("IDirectDraw::Release"), 1u);
        EXPECT_TRUE(host::Problems().empty()) << host::Problems().front();
    }
}

TEST_F(ShellWindowTest, ActivationStoresTheWholeWParam)
{
    Start();
    EXPECT_NE(intro.appActive, 0u);  // showing the window activated the program
    for (WPARAM value : {(WPARAM)0x100, (WPARAM)0x12345678, (WPARAM)0, (WPARAM)0xFFFFFFFF, (WPARAM)1}) {
        SCOPED_TRACE(HexText(value));
        host::ClearCalls();
        IntroWndProc(host::MainWindow(), WM_ACTIVATEAPP, value, 0);
        EXPECT_EQ(intro.appActive, (DWORD)value);
        EXPECT_EQ(DefaultHandled(), std::vector<std::string>({"0x1C " + HexText(value)}));
    }
}

TEST_F(ShellWindowTest, CursorIsHiddenWhereverTheMouseIs)
{
    Start();
    for (int hit : {kHitClient, kHitCaption, kHitNowhere, kHitError}) {
        for (UINT mouse : {(UINT)WM_MOUSEMOVE, kLeftButtonDown}) {
            SCOPED_TRACE("hit " + std::to_string(hit) + ", mouse " + HexText(mouse));
            SetCursor(LoadCursorA(NULL, IDC_ARROW));
            host::ClearCalls();
            LPARAM lParam = (LPARAM)(((DWORD)mouse << 16) | (WORD)hit);
            EXPECT_EQ(IntroWndProc(host::MainWindow(), WM_SETCURSOR, (WPARAM)host::MainWindow(), lParam), 1);
            EXPECT_TRUE(host::CursorHidden());
            EXPECT_EQ(ArgsOf("SetCursor"), std::vector<std::string>({"null"}));
            EXPECT_EQ(CountOf("DefWindowProcA"), 0u);
        }
    }
}

TEST_F(ShellWindowTest, WhenTheMainProgramStartsTheWindowsEndIsNeverFinished)
{
    for (bool altF4 : {false, true}) {
        SCOPED_TRACE(altF4 ? "Alt+F4" : "Esc");
        kit::PrepareIntro(ProjectSheet());
        host::AddFile("C:\\intro\\z_qzm__.exe");
        int status = RunWithSteps({{5, [&] { altF4 ? host::PressAltF4() : host::PressKey(VK_ESCAPE); }}});
        ASSERT_EQ(host::StartedProcesses().size(), 1u);
        EXPECT_EQ((uintptr_t)status, (uintptr_t)host::StartedProcesses()[0].handle);
        EXPECT_NE(status, 0);
        EXPECT_EQ(CountOf("PostQuitMessage"), 0u);
        EXPECT_FALSE(Contains(DefaultHandled(), "0x2 0x0"));
        EXPECT_EQ(intro.directDraw, nullptr);  // the display was given back first
        EXPECT_EQ(host::MciCommands(), std::vector<std::string>({"stop cdaudio"}));
    }
}

TEST_F(ShellWindowTest, WhenTheMainProgramDoesNotStartTheLoopEndsWithZero)
{
    for (bool altF4 : {false, true}) {
        SCOPED_TRACE(altF4 ? "Alt+F4" : "Esc");
        kit::PrepareIntro(ProjectSheet());
        EXPECT_EQ(RunWithSteps({{5, [&] { altF4 ? host::PressAltF4() : host::PressKey(VK_ESCAPE); }}}), 0);
        EXPECT_EQ(intro.frameCount, 5);
        // The window's end: release, stop, both tries, the quit message, then the default handling.
        std::vector<std::string> order;
        for (const host::Call& call : host::Calls())
            if (call.name == "IDirectDraw::Release" || call.name == "mciSendStringA" ||
                call.name == "CreateProcessA" || call.name == "PostQuitMessage" ||
                (call.name == "DefWindowProcA" && call.args.compare(0, 11, "window, 0x2") == 0 &&
                 call.args[11] == ','))
                order.push_back(call.name);
        EXPECT_EQ(order, std::vector<std::string>({"IDirectDraw::Release", "mciSendStringA", "CreateProcessA",
                                                   "CreateProcessA", "PostQuitMessage", "DefWindowProcA"}));
        EXPECT_EQ(ArgsOf("PostQuitMessage"), std::vector<std::string>({"0"}));
        EXPECT_EQ(host::CallsNamed("GetMessageA").back().result, 0u);  // the quit message ended it
        EXPECT_EQ(host::DestroyCount(), 1);
    }
}

}  // namespace
