#include "tests/support/test_support.h"

#include "intro/intro.h"

using SmokeTest = IntroTest;

// Far past the frame the roll closes the intro at: an intro that never closes
// itself is stopped here, so the test fails instead of running for ever.
static const LONG kGiveUpFrame = 20000;

TEST_F(SmokeTest, RunsFromStartToTheClosingKeyAndHandsOver)
{
    host::AddFile("C:\\intro\\z_qzm__.exe");
    host::SetIdleHook([] {
        if (intro.frameCount == kGiveUpFrame && host::WindowAlive(host::MainWindow()))
            host::PostKeyDown(VK_F12);
    });
    int status = kit::RunWinMain();

    EXPECT_EQ(intro.frameCount, 10211);
    ASSERT_EQ(host::StartedProcesses().size(), 1u);
    EXPECT_EQ(host::StartedProcesses()[0].commandLine, "z_qzm__.exe skipintro");
    EXPECT_EQ(status, (int)(uintptr_t)host::StartedProcesses()[0].handle);
    EXPECT_NE(status, 0);
}
