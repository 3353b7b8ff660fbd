#include "tests/support/test_support.h"

#include "display/display.h"
#include "intro/intro.h"

const std::vector<uint8_t>& ProjectSheet()
{
    static const std::vector<uint8_t> sheet = kit::ReadFileBytes(kit::ProjectSheetPath());
    return sheet;
}

void IntroTest::SetUp()
{
    ASSERT_FALSE(ProjectSheet().empty()) << "cannot read " << kit::ProjectSheetPath();
    kit::PrepareIntro(ProjectSheet());
}

void IntroTest::TearDown()
{
    EXPECT_TRUE(host::Problems().empty()) << "first problem: " << host::Problems().front();
}

void IntroTest::Start()
{
    ASSERT_EQ(kit::StartIntro(), 1);
}

void IntroTest::RenderUntil(LONG frame)
{
    while (intro.frameCount < frame)
        RenderFrame();
}

std::vector<std::string> CallsStartingWith(const std::string& prefix)
{
    std::vector<std::string> names;
    for (const host::Call& call : host::Calls())
        if (call.name.compare(0, prefix.size(), prefix) == 0)
            names.push_back(call.name);
    return names;
}

std::vector<std::string> ArgsOf(const std::string& name)
{
    std::vector<std::string> args;
    for (const host::Call& call : host::CallsNamed(name))
        args.push_back(call.args);
    return args;
}

size_t CountOf(const std::string& name) { return host::CallsNamed(name).size(); }
