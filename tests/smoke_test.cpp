#include "tests/support/test_support.h"

using SmokeTest = IntroTest;

TEST_F(SmokeTest, RunsFromStartToTheClosingKey)
{
    EXPECT_EQ(host::RunWinMain(), 0);
    EXPECT_EQ(intro.frameCount, 10211);
}
