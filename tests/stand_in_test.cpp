// The stand-in's own bookkeeping, where the program's tests lean on it: the
// call log holds the answers the calls gave, and a flipping chain goes whole.
#include "app/app.h"
#include "tests/support/test_support.h"

namespace {

using StandInTest = IntroTest;

uint64_t LastResultOf(const char* name)
{
    std::vector<host::Call> calls = host::CallsNamed(name);
    return calls.empty() ? ~0ull : calls.back().result;
}

TEST_F(StandInTest, TheLogHoldsTheAnswerEachWindowCallGave)
{
    Start();
    HWND window = intro.mainWindow;
    host::FailCall("ShowWindow", ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(ShowWindow(window, SW_SHOWNORMAL), FALSE);  // visible before, but refused
    EXPECT_EQ(LastResultOf("ShowWindow"), 0u);

    host::FailCall("DestroyWindow", ERROR_ACCESS_DENIED);
    EXPECT_EQ(DestroyWindow(window), FALSE);
    EXPECT_EQ(LastResultOf("DestroyWindow"), 0u);
    EXPECT_TRUE(host::WindowAlive(window));

    EXPECT_EQ(DestroyWindow(window), TRUE);  // no main program here: the quit message follows
    EXPECT_EQ(LastResultOf("DestroyWindow"), 1u);
    EXPECT_EQ(DestroyWindow(window), FALSE);  // it is gone now
    EXPECT_EQ(LastResultOf("DestroyWindow"), 0u);
}

// The back buffer is never released on its own: what it holds goes with the primary.
TEST_F(StandInTest, ThePrimaryTakesItsBackBuffersPaletteAlong)
{
    Start();
    ASSERT_TRUE(intro.palette);
    ASSERT_EQ(intro.backBuffer->SetPalette(intro.palette), DD_OK);
    ReleaseDisplay();
    EXPECT_EQ(host::LeftBehind(), "");
}

}  // namespace
