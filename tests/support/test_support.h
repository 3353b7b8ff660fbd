// What the host tests share: the intro prepared on a new machine with the
// project's sheet, and small readers of the call log.
#ifndef INTRO_TESTS_SUPPORT_H
#define INTRO_TESTS_SUPPORT_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/intro_state.h"
#include "host/host.h"
#include "testkit/session.h"

// The project's sheet, read once per test program.
const std::vector<uint8_t>& ProjectSheet();

// Each test starts on a new machine whose program carries the project's sheet.
class IntroTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Start-up as WinMain does it; the test fails when it does not return 1.
    void Start();
    // RenderFrame until frameCount reaches `frame`.
    void RenderUntil(LONG frame);
};

// The names of the logged calls that start with `prefix`, in order.
std::vector<std::string> CallsStartingWith(const std::string& prefix);
// "name(args)" of each logged call named `name`.
std::vector<std::string> ArgsOf(const std::string& name);
// How many logged calls are named `name`.
size_t CountOf(const std::string& name);

#endif
