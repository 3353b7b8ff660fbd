// What the host tests share: a new machine for every test and the one check
// every test ends with, the intro prepared with the project's sheet, the
// start-up failures and their messages, and small readers of the call log.
#ifndef INTRO_TESTS_SUPPORT_H
#define INTRO_TESTS_SUPPORT_H

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "base/intro_state.h"
#include "host/host.h"
#include "testkit/session.h"

// The project's sheet, read once per test program.
const std::vector<uint8_t>& ProjectSheet();

// Each test starts on a new machine and must end with nothing left behind:
// every object given back to zero references, no rule of the platform broken.
class HostTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// Each test starts on a new machine whose program carries the project's sheet.
// A test that leaves the intro running ends it as the window's end would
// (ReleaseDisplay) before the check.
class IntroTest : public HostTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Start-up as WinMain does it; the test fails when it does not return 1.
    void Start();
    // RenderFrame until frameCount reaches `frame`.
    void RenderUntil(LONG frame);
};

// The display steps that can fail at start-up, in their order: the call that
// fails (the `skip`-th of its name made, from 0), the text shown, and the
// objects released before the text is shown, in their order.
struct StartUpFailure {
    const char* call;
    int skip;
    const char* message;
    std::vector<std::string> released;
};
const std::vector<StartUpFailure>& StartUpFailures();
// A case names itself by its message in test listings.
inline void PrintTo(const StartUpFailure& failure, std::ostream* out) { *out << failure.message; }

// The end of a run as a trail: released objects by label, MCI commands by their
// text, the message box, the window's destruction and the tries to start the
// main program, in their order.
std::vector<std::string> ShutdownTrail();
// "name(args)" of each logged call named `name`.
std::vector<std::string> ArgsOf(const std::string& name);
// How many logged calls are named `name`.
size_t CountOf(const std::string& name);

#endif
